// TriggerProgram: what the trigger phases of an evaluation match and how they may insert, drawn
// once from a program and its plan before the evaluation walks it.
#pragma once

#include <vector>

#include "foundation/Ref.h"

class FProgram;
class FRule;
class FTerm;
class OutputChannel;
class ProgramPlan;
class SymTab;

// A trigger phase matches, one after the other, single-literal queries over the method
// applications the program's rules read (those of aggregate bodies too): matching them is what
// inherits values. The queries come from the atomized program; a literal another one covers is
// left out, and a negated literal is matched in its positive form, which exposes the same
// inherited values. The rules' summaries further say whether a phase may insert at once every
// fact its trigger inherits, and which methods rule heads give values of their own. Nothing of it
// changes once it is built: the evaluation reads it while it runs, and the base it meets is
// asked for at each phase (the contested methods the base knows by then).
class TriggerProgram {
  public:
    // Drawn from the atomized form of `program`, with the summaries `plan` holds of its rules.
    // Reports NoNormalizedProgram, and holds no trigger, when the program cannot be atomized.
    TriggerProgram(FProgram* program, const ProgramPlan& plan);
    TriggerProgram(const TriggerProgram&) = delete;
    TriggerProgram& operator=(const TriggerProgram&) = delete;
    ~TriggerProgram();

    // The trigger queries, in the order the phases match them.
    const std::vector<Ref<FRule>>& rules() const { return triggers; }
    // In one-trigger mode, whether a phase inserts everything its first productive trigger
    // inherits instead of one fact. Holds when no rule can change what such a phase inherits
    // (no rule derives a subclass relation, an equality, or a membership in a class not named by
    // a constant), so the fixpoints between single facts would find the same inheritance: the
    // model is the same, and the evaluation no longer costs one whole fixpoint per inherited
    // fact. A rule that makes objects members of a constant class may bring a host a more
    // specific class after it inherited: the value it took gives way to that class's and the
    // evaluation steps back, so such rules take whole phases too (a chain of reclassing rules
    // costs a phase per step, not one per member and step), unless a trigger's method is a
    // variable. Methods that rules give own values are left to later phases (contestedMethods),
    // which take one fact at a time.
    bool fullPhases() const { return full; }
    // The methods (constant terms) that rule heads give values of their own. A phase first
    // inherits values of every other method; these come when nothing else is inherited, after
    // the rules had their chance to give a host its own value, so that an inherited value seldom
    // has to give way to one that comes later. Empty where a head's method is a variable, which
    // may be any method: nothing is then left for later.
    const std::vector<Ref<FTerm>>& contestedMethods() const { return contested; }

    // "TriggerList:", the trigger queries one a line, then two empty lines; nothing where the
    // program could not be atomized.
    void print(OutputChannel& channel) const;

  private:
    std::vector<Ref<FRule>> triggers;
    // The names of the atomized program, which the queries are printed with.
    Ref<SymTab> names;
    bool full = false;
    std::vector<Ref<FTerm>> contested;
};
