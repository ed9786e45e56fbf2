// PartDeltas: the delta programs of one part of a program, made once before the walk runs it,
// and the book that holds them for every part of an evaluation.
#pragma once

#include <cstddef>
#include <memory>
#include <unordered_map>
#include <vector>

#include "eval/DeltaRules.h"
#include "foundation/Ref.h"
#include "language/FProgram.h"
#include "objectbase/DeltaTable.h"

class FRule;
class OMAccess;

// A part's delta rewriting depends only on its rules and on what the program may write, so it is
// made when the plan is prepared and taken by every pass over the part. What the base holds when
// a pass over the part starts chooses only among what was made: whether memberships are read
// through the subclass relation (see form) and which delta relations are still empty (see
// firstRound).
class PartDeltas {
  public:
    // The delta predicates and the delta program in rule form, with where each rule's entries
    // stand in it; no program without a normaliser.
    class Form {
      public:
        Form();
        Form(const Form&) = delete;
        Form& operator=(const Form&) = delete;
        ~Form();

        std::unique_ptr<DeltaTable> table;
        std::unique_ptr<DeltaRules> rules;
        // Some rule kept in every round reads facts that delta recording does not count.
        bool unrecordedReads = false;

        // Records that the entries `from` .. `to` - 1 of `rules` come from `rule`: the rule
        // itself, kept in every round (`kept`), or its delta variants.
        void addSpan(FRule* rule, std::size_t from, std::size_t to, bool kept);
        // The rules of the part's first delta round: a delta predicate whose relation is empty
        // now receives its whole relation as delta in that round, and a rule with a variant over
        // such a delta runs once as it is instead of once per variant (the others keep their
        // variants). Null when no rule differs from the delta program.
        std::unique_ptr<DeltaRules> firstRound(OMAccess& access) const;

      private:
        struct Span {
            FRule* rule;
            std::size_t from;
            std::size_t to;
            bool kept;
        };
        std::vector<Span> spans;
    };

    PartDeltas();
    PartDeltas(const PartDeltas&) = delete;
    PartDeltas& operator=(const PartDeltas&) = delete;
    ~PartDeltas();

    // The rule form whose membership deltas go through the subclass relation.
    Form throughSubclasses;
    // Where the part neither writes subclasses nor equates objects and reads memberships: the
    // rule form whose membership deltas are read directly, taken while the base holds no
    // subclass; null otherwise.
    std::unique_ptr<Form> direct;
    // The same in trigger form, made where the part's rounds alternate with trigger phases.
    std::unique_ptr<DeltaTable> triggerTable;
    std::unique_ptr<DeltaRules> triggerRules;
    bool triggerUnrecordedReads = false;
    // The trigger form was asked for (it may still be empty).
    bool withTriggers = false;

    // The rule form for a pass that starts now.
    const Form& form(OMAccess& access) const;
};
// The delta programs of the parts an evaluation walks, by part.
class PreparedDeltas {
  public:
    // The deltas made for `part`, null when none were.
    PartDeltas* find(const FProgram* part) const;
    // Keeps `deltas` for `part` (held while the book is), in place of any made before.
    PartDeltas& place(FProgram* part, std::unique_ptr<PartDeltas> deltas);
    void clear() { parts.clear(); }
    std::size_t size() const { return parts.size(); }

  private:
    struct Held {
        Ref<FProgram> part;
        std::unique_ptr<PartDeltas> deltas;
    };
    std::unordered_map<const FProgram*, Held> parts;
};
