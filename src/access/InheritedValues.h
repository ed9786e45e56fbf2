// InheritedValues: which stored method values inheritance put there, kept apart from the values
// the object base holds, so that an own value that comes later can take their place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <tuple>
#include <utility>
#include <vector>

#include "objectbase/InternalName.h"

// The object base stores an inherited value like any other (rules and queries read it the same
// way); this record says which (host, method type, method, arguments) hold inherited values,
// which values those are and the class they came from. A key's values are all inherited and all
// from one class: the first own value for the key makes them go (or, for the same value, own),
// and so does a more specific class with other values that comes to reach the host.
class InheritedValues {
  public:
    struct Slot {
        int type = 0;
        InternalName method;
        std::vector<InternalName> args;
        bool operator<(const Slot& other) const {
            return std::tie(type, method, args) < std::tie(other.type, other.method, other.args);
        }
    };
    using Slots = std::map<Slot, std::vector<InternalName>>;

    bool empty() const { return byHost.empty(); }
    // Whether an own value that comes may meet an inherited or a confirmed one.
    bool watching() const { return !byHost.empty() || !confirmedByHost.empty(); }
    void clear() {
        byHost.clear();
        confirmedByHost.clear();
        sourceByHost.clear();
        conflicts.clear();
    }
    std::size_t size() const;

    // `source` is the class the value came from; undefined when it is not known (a base filled
    // again from its printed form).
    void add(const InternalName& host, const Slot& slot, const InternalName& value,
             const InternalName& source = InternalName::UndefinedObject);
    // The class the host's inherited values of the slot came from; undefined when unknown.
    InternalName source(const InternalName& host, const Slot& slot) const;
    // The inherited values of the host under the slot; null when it holds none.
    const std::vector<InternalName>* find(const InternalName& host, const Slot& slot) const;
    // Calls visit(host, slot) for every slot that holds inherited values.
    template <class Visit>
    void forEachSlot(Visit visit) const {
        for (const auto& [host, slots] : byHost)
            for (const auto& entry : slots) visit(host, entry.first);
    }
    // The slots of a host that hold inherited values; null when there are none.
    const Slots* ofHost(const InternalName& host) const;
    // Forgets one value (all of them when `value` is undefined) of the host's slot.
    void forget(const InternalName& host, const Slot& slot,
                const InternalName& value = InternalName::UndefinedObject);
    // After an equality: oldName is rep wherever it occurs. A slot of rep that holds own values
    // was already cleared of old's inherited ones by the merge.
    void rename(const InternalName& oldName, const InternalName& rep);

    // Inherited values that an own value equal to them made own: that own value may have been
    // derived from the inherited one, so a different own value that comes later is a conflict
    // as well.
    void confirm(const InternalName& host, const Slot& slot,
                 const std::vector<InternalName>& values);
    const std::vector<InternalName>* confirmed(const InternalName& host, const Slot& slot) const;
    // Calls visit(host, slot, values) for every slot with confirmed values.
    template <class Visit>
    void forEachConfirmed(Visit visit) const {
        for (const auto& [host, slots] : confirmedByHost)
            for (const auto& [slot, values] : slots) visit(host, slot, values);
    }
    // Inherited values of the host's slot had to go in the round with that stamp: an own value
    // replaced them (`from` undefined: the slot inherits nothing), or a more specific class
    // came to reach the host (`from` is the class they came from, which no longer gives them).
    struct Conflict {
        InternalName host;
        Slot slot;
        InternalName from;
    };
    void noteConflict(const InternalName& host, const Slot& slot, std::uint64_t stamp,
                      const InternalName& from = InternalName::UndefinedObject);
    bool conflictsPending() const { return !conflicts.empty(); }
    // The conflicts of the earliest round that had any (later rounds may have built on values
    // that had to go); all conflicts are forgotten.
    std::vector<Conflict> takeEarliestConflicts();
    void forgetConflicts() { conflicts.clear(); }

  private:
    std::map<InternalName, Slots> byHost;
    std::map<InternalName, Slots> confirmedByHost;
    // The class each host's inherited slot came from, where it is known.
    std::map<InternalName, std::map<Slot, InternalName>> sourceByHost;
    static void renameIn(std::map<InternalName, Slots>& table, const InternalName& oldName,
                         const InternalName& rep);
    void renameSources(const InternalName& oldName, const InternalName& rep);
    std::vector<std::pair<std::uint64_t, Conflict>> conflicts;
};
