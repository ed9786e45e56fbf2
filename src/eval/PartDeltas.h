// PartDeltas: the delta programs of one part of a program, made once before the walk runs it,
// and the book that holds them for every part of an evaluation.
#pragma once

#include <cstddef>
#include <cstdint>
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
// firstRound), a mask over what was made.
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

        // Notes, once the rules are made, which of the table's predicates, or which named
        // method's values, each variant reads the delta of: the first delta round is chosen from
        // that as a pass starts.
        void prepareFirstRound();
        // The rules of the part's first delta round, as a mask over the rules' spans: a delta
        // predicate whose relation is empty now receives its whole relation as delta in that
        // round, and so does a method delta's part of a named method that holds no value now; a
        // rule with a variant over such a delta runs once as it is instead of once per variant
        // (the others keep their variants). Empty when no rule differs from the delta program.
        // Traced or not, the same rules run: the insert trace shows the rule as it ran.
        enum class MethodVariants { Kept, WholeWhereEmpty };
        DeltaRules::WholeRules firstRound(OMAccess& access, MethodVariants methods) const;

      private:
        // What a variant's delta atom stands for: a predicate, or the values of one named method
        // of a type and argument count (the method deltas hold every method's values, the
        // method their first column).
        struct Source {
            FSymbol predicate;
            FSymbol method;
            int type = -1;  // -1: a predicate
            int argCount = 0;
        };
        // Whether the source holds nothing now.
        static bool holdsNothing(OMAccess& access, const Source& source);
        // The sources whose deltas the variants read, and for each entry of the rules the place
        // of its source there (-1 for none).
        std::vector<Source> sources;
        std::vector<std::int32_t> predicateOf;
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
