// EqualityLog, the equalities recorded between names and not applied yet, kept flat, and those
// applied so far.
#pragma once

#include <cstdint>
#include <functional>
#include <unordered_map>
#include <vector>

#include "foundation/clib_dictionary.h"
#include "objectbase/InternalName.h"

// A recorded pair maps the replaced name to its representative. The map of pending pairs is kept
// flat: whatever pointed at a name that is replaced in turn points at the new representative, so
// that one lookup finds the representative of any name. The pairs are drained one by one between
// the evaluator's rounds; each drained pair enters the history, and each applied one the map of
// applied equalities, which a printed form of a merged object reads.
class EqualityLog {
  public:
    using NameMap = clib_dictionary<InternalName, InternalName>;

    // The representative a pending pair gives the name, or the name itself.
    InternalName representativeOf(const InternalName& name) const {
        auto it = pending.lookup(name);
        return it != nullptr ? pending.inf(it) : name;
    }
    // Enters the pair replaced -> representative for the equality first = second, where
    // `replaced` is the current representative of one of them and `representative` that of the
    // other; what pointed at `replaced` points at `representative` from now on.
    void enter(const InternalName& first, const InternalName& second, const InternalName& replaced,
               const InternalName& representative);
    // The first pending pair that is not a self-pair (those are dropped), entered into the
    // history; false when none is left.
    bool nextPending(InternalName& replaced, InternalName& representative);
    // The pair nextPending gave was applied: it leaves the pending pairs by its key (pairs
    // recorded meanwhile may sort before it) and joins the applied ones.
    void applied(const InternalName& replaced, const InternalName& representative) {
        noteApplied(replaced, representative);
        pending.del(replaced);
    }
    // A pair applied without being pending (two stored values merged under one key).
    void noteApplied(const InternalName& replaced, const InternalName& representative) {
        appliedPairsMap.insert(replaced, representative);
    }
    // The applied pairs that name `replaced` as representative name `representative` instead.
    void renameApplied(const InternalName& replaced, const InternalName& representative);
    // The representative an applied pair gave the name, or the name itself.
    InternalName appliedRepresentativeOf(const InternalName& name) const {
        auto it = appliedPairsMap.lookup(name);
        return it != nullptr ? appliedPairsMap.inf(it) : name;
    }

    // Forgets the pending pairs (a base in error applies none).
    void dropPending() { pending.clear(); }
    bool isPending(const InternalName& replaced, InternalName& representative) const;
    int pendingCount() const { return pending.size(); }
    bool nonePending() const { return pending.empty(); }
    // Whether a pending pair names the name, on either side.
    bool mentions(const InternalName& name) const;

    const NameMap& appliedPairs() const { return appliedPairsMap; }
    const NameMap& history() const { return drained; }

    // Empty again (the base was emptied).
    void clear();

  private:
    NameMap pending;
    // The reverse of `pending` (representative -> the names mapped to it), so that keeping the
    // map flat touches only the names of the replaced representative. An entry is checked
    // against `pending` before use: names that map elsewhere by now are skipped.
    struct NameHash {
        std::size_t operator()(const InternalName& name) const {
            std::uint64_t bits = static_cast<std::uint32_t>(name.getValue());
            bits |= static_cast<std::uint64_t>(name.getType()) << 32;
            bits |= static_cast<std::uint64_t>(name.getArity() & 0xff) << 40;
            return std::hash<std::uint64_t>()(bits);
        }
    };
    std::unordered_map<InternalName, std::vector<InternalName>, NameHash> byRepresentative;
    NameMap drained;
    NameMap appliedPairsMap;
};
