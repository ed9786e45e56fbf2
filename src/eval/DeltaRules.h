// DeltaRules, the rules of a delta program: rules run in every round as they are, and delta
// variants kept as a reference to the rule they come from.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "foundation/Ref.h"
#include "objectbase/FSymbol.h"

class FLiteralList;
class FProgram;
class FRule;
class FTerm;
class FTermList;
class OMAccess;
class SymTab;

// A rule of n body literals has up to n delta variants of n literals each. Written out, a body
// of 10,000 literals took 10,000 copies of 10,000 literals (2.4 GB); here a variant holds its
// rule, the place of the literal whose atom its delta atom stands for, and the atoms around it,
// and shares the rest of the body with the rule. Its whole body is made when a round finds
// facts in its delta relation, and kept for the rounds after: a variant whose delta stays
// empty, as most of a long body's do, is never made.
class DeltaRules {
  public:
    DeltaRules() = default;
    DeltaRules(const DeltaRules&) = delete;
    DeltaRules& operator=(const DeltaRules&) = delete;
    ~DeltaRules() = default;

    // Appends a rule run in every round as it is.
    void addRule(FRule* rule);
    // Appends the variant of `rule` whose body starts with `delta` (a delta predicate's atom),
    // then `first` and `second` when given, then the rule's body with the literal at
    // `position` replaced by its normalised atoms `atoms` without the one at `index`; its
    // variables are those of `names`. The entry holds each argument.
    void addVariant(FRule* rule, int position, int index, FTermList* atoms, SymTab* names,
                    FTerm* delta, FTerm* first, FTerm* second);
    // Records that the entries `from` .. `to` - 1 come from `rule`: the rule itself, kept in every
    // round (`kept`), or its delta variants.
    void addSpan(FRule* rule, std::size_t from, std::size_t to, bool kept);

    // Which rules (by their span, in the order they were recorded) run once as they are in a
    // round instead of through their delta variants; empty when none does.
    using WholeRules = std::vector<bool>;
    // The rules with a variant whose entry `overWhole` names (by the entry's place), among those
    // not kept; empty when there is none.
    template <class OverWhole>
    WholeRules wholeRulesWhere(OverWhole overWhole) const {
        WholeRules whole;
        for (std::size_t s = 0; s < spans.size(); ++s) {
            if (spans[s].kept) continue;
            for (std::size_t i = spans[s].from; i < spans[s].to; ++i) {
                if (!overWhole(i)) continue;
                if (whole.empty()) whole.resize(spans.size());
                whole[s] = true;
                break;
            }
        }
        return whole;
    }

    void clear() { entries.clear(); }
    bool empty() const { return entries.empty(); }
    std::size_t size() const { return entries.size(); }
    // The delta atom of entry i, null for a rule run as it is.
    FTerm* deltaAtom(std::size_t i) const { return entries[i]->delta.get(); }
    // The delta predicate entry i reads; undefined for a rule run as it is.
    const FSymbol& deltaName(std::size_t i) const { return entries[i]->deltaName; }

    // Visits the rules of one round in order: the rules run as they are and the variants whose
    // delta relation holds facts now (a variant over an empty delta derives nothing), until
    // `onRule` answers false. The list is the one made when the program was prepared; a round
    // only asks of each variant whether its delta is empty, and makes its body the first time
    // it is not. The rules `whole` marks (by their spans) run as they are instead of through
    // their variants; an empty `whole` marks none.
    void forEachOfRound(OMAccess& access, const WholeRules& whole,
                        const std::function<bool(FRule*)>& onRule) const;
    // Every rule and variant written out, for showing the program. The variants made here are
    // not kept.
    Ref<FProgram> wholeProgram(SymTab* names, int inheritanceMark) const;

  private:
    struct Entry {
        Entry();
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        ~Entry();
        Ref<FRule> rule;
        int position = -1;  // -1: the rule runs as it is
        int index = 0;
        Ref<FTermList> atoms;
        Ref<SymTab> names;
        Ref<FTerm> delta;
        Ref<FTerm> first;
        Ref<FTerm> second;
        // The delta predicate the variant reads, named once as the variant is added.
        FSymbol deltaName;
        // The variant once made.
        Ref<FRule> made;
    };
    // A new variant rule of the entry.
    static Ref<FRule> make(const Entry& entry);
    // Visits the entries `from` .. `to` - 1 of a round; false when `onRule` answered false.
    bool visitRange(OMAccess& access, std::size_t from, std::size_t to,
                    const std::function<bool(FRule*)>& onRule) const;

    // Every entry lies in the span of the rule it came from, in order: a round walks the spans.

    struct Span {
        FRule* rule;
        std::size_t from;
        std::size_t to;
        bool kept;
    };
    std::vector<Span> spans;

    // Each in its own block, so that a variant made is not moved as the list grows: a variant is
    // made, and its plan built, once.
    std::vector<std::unique_ptr<Entry>> entries;
};
