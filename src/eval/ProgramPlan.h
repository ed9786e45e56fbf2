// ProgramPlan: a program cut, once, into the strongly connected components of its dependency
// graph in dependency order, with the strata those components fall into.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "eval/RuleSummary.h"
#include "foundation/Ref.h"
#include "objectbase/FSymbol.h"

class FProgram;
class FRule;
class SymTab;

// The relations are the predicates (by name and arity), the methods (by name and arrow kind),
// the membership in each class and the subclasses of each class. A rule depends on every
// relation its body reads; under negation or inside an aggregate it must wait until that
// relation is complete. A method or class position that is a variable reads (or writes) every
// method of its arrow kind, or every class. Memberships and subclasses follow the hierarchy that
// the program's subclass facts and heads can build. A method read sees inherited values, and so
// depends on the memberships in the classes that hold them, only when the evaluator inherits and
// the program holds or derives an inheritable value of that method. A rule that reads bare
// objects, or calls a built-in that reads the whole base, reads what every head may add.
//
// Each clause is summarised once (RuleSummary); the graph, its components and the strata are
// drawn from the summaries. A component whose rules read nothing the component writes is
// evaluated in one pass; a recursive one to its own fixpoint, reading only its own rules. Where
// negation or aggregation runs through a recursion, that component has no strata: it is
// evaluated in rounds, after every part it reads and before every part that reads it, and a
// warning names its relations.
//
// Where negation or aggregation would run through a recursion, and rules derive subclass steps
// through variables and read nothing the hierarchy decides (they may read the subclass relation
// they make, but no membership and no method that may inherit through it), the plan covers first
// the rules that make the hierarchy (and those they read); the rest of the program is planned
// once they are evaluated (drawRest), with the steps the base then holds, so that a subclass rule
// cannot tie classes it never reaches into one recursion.
class ProgramPlan {
  public:
    // Whether the evaluator turns inheritable values into facts of the classes' members.
    enum class Inheritance { None, Inherits };
    // Whether a component's rounds alternate with trigger phases until one inherits nothing:
    // it holds the facts, or a rule of it reads a method (which may see inherited values) or
    // changes what is inherited (a membership, a subclass, a method value, an equality, bare
    // objects). A component of predicates alone neither sees nor changes an inherited value,
    // so the phase after the component below it found all there is. Among the components that
    // settle what is inherited (settlingComponents), the first that alternates is where a pass
    // after a trigger phase that inherited something starts.
    enum class Triggers { None, Alternate };
    // Where an evaluator that inherits places its trigger phases: after every round of every
    // stratum, or only with the components that need them (walking by components).
    enum class TriggerPlacement { EveryStratum, WithComponents };
    // Every class the base holds below a class, at any depth.
    using Subclasses = std::function<std::vector<FSymbol>(const FSymbol& cls)>;

    struct Component {
        // The facts, or the rules of the component in program order.
        Ref<FProgram> program;
        // Some rule of it reads what the component writes: it runs to a fixpoint.
        bool recursive = false;
        // It holds the program's facts and queries (the first component does, alone when the
        // first rules wait for what they read): its rules see the facts only from its second
        // round on.
        bool facts = false;
        // Negation or an aggregate runs through the recursion: evaluated in rounds.
        bool rounds = false;
        // Its stratum, 0 for the lowest.
        int level = 0;
        // Meaningful where the program's trigger phases are placed with the components.
        Triggers triggers = Triggers::Alternate;
    };

    // Whether rules that derive the hierarchy through variables are planned first (see above).
    enum class Split { HierarchyFirst, Whole };

    ProgramPlan(FProgram* program, Inheritance inheritance, Split split = Split::HierarchyFirst);
    ProgramPlan(const ProgramPlan&) = delete;
    ProgramPlan& operator=(const ProgramPlan&) = delete;
    ~ProgramPlan();

    // The summary of every rule planned, in program order, and the rule it belongs to.
    const std::vector<const RuleSummary*>& summaries() const { return ruleSummaries; }
    const std::vector<FRule*>& rules() const { return ruleClauses; }
    // The summary of a rule or fact clause of the program, made when it was planned (the plan
    // of the rest holds those of the whole program too); null for any other clause (a query, a
    // fact kept compact).
    const RuleSummary* summaryOf(const FRule* clause) const;

    // The strata: the planned rules by stratum, the facts and queries in the first; a program
    // that needs a single part is that part itself.
    const std::vector<Ref<FProgram>>& levels() const { return levelPrograms; }
    // The components in dependency order, the facts and queries in the first.
    const std::vector<Component>& components() const { return componentList; }
    // Whether the components may be evaluated one after the other: no rule equates objects
    // (which may change any relation), the rules that read bare objects or the whole base come
    // after every rule that may add to them without tying a negation or an aggregate into a
    // recursion, and no inheritable value can make a read see values another component gives.
    bool componentwise() const { return byComponent; }
    // For an evaluator that inherits: the components may be evaluated one after the other, with
    // the trigger phases placed as settlingComponents says, when nothing but inheritable values
    // keeps them together (no equality, no read of bare objects or the whole base, no rounds, no
    // rest planned later).
    TriggerPlacement triggerPlacement() const;
    // Where the trigger phases are placed with the components: the number of leading components
    // up to the last one that may change what a trigger phase inherits (the facts, or a rule
    // writing a membership, a subclass, a method value or an inheritable value). A phase inherits
    // one value at a time, and which value comes first decides the model where values contend,
    // so every phase is to see all of these at the fixpoint that a round of the whole stratum
    // reaches: they are walked stratum by stratum, in passes over their components with a trigger
    // phase after each pass, until one inherits nothing. The components after them change
    // nothing a phase inherits: each runs once, alternating with trigger phases only where its
    // Triggers say so.
    std::size_t settlingComponents() const { return settling; }

    // Whether inherited values may reach the base while the program is evaluated (the evaluator
    // inherits and the program, or the base, holds inheritable values).
    enum class Values { Stay, Reach };
    // How an evaluation that may go by components walks this plan: its components one after the
    // other; first the components that settle what is inherited, in passes with trigger phases,
    // then the others (TriggerPlacement::WithComponents); or its strata, where the components
    // cannot run apart (inherited values may reach a read another component makes).
    enum class WalkPolicy { Components, SettleThenComponents, Strata };
    // The evaluation that walks the plan: a first evaluation; an evaluation again from the
    // clauses added since the last fixpoint, which may go by components only where no component
    // is evaluated in rounds (a part evaluated in rounds is not known to hold its model when
    // only some of its rules meet the added facts); or the single rounds of tp, which go by
    // strata, each stratum taking one round at a time.
    enum class Road { First, Again, OneRound };
    WalkPolicy walkPolicy(Values values, Road road = Road::First) const;

    // One line for each part evaluated in rounds, naming its relations and the first rule that
    // negates or aggregates inside it; empty for a stratified program.
    const std::vector<std::string>& warnings() const { return roundsWarnings; }

    // The rules left to plan once this plan has been evaluated (the rules above a derived
    // hierarchy); null when this plan covers the whole program.
    FProgram* rest() const { return restProgram.get(); }
    // The plan of those rules, drawn with the hierarchy the base holds now.
    std::unique_ptr<ProgramPlan> drawRest(const Subclasses& subclasses) const;

    // The components, one a line: number, kind, stratum and rules (each as `clauseText` writes
    // it), then, when the rest is planned later, a line saying so.
    std::string describe(const std::function<std::string(const FRule*)>& clauseText) const;

  private:
    using SummaryBook = std::unordered_map<const FRule*, RuleSummary>;
    // The plan of the rest: `given` holds what the clauses planned before write and the
    // inheritable values they give.
    ProgramPlan(FProgram* program, Inheritance inheritance, const Subclasses* subclasses,
                const RuleSummary& given, std::shared_ptr<SummaryBook> book);
    // Whether the rules that read bare objects or the whole base are ordered after every rule
    // that may add to them.
    enum class Objects { Unordered, Ordered };
    // Analyses the program with the reads of bare objects ordered where that ties no negation or
    // aggregate into a recursion (the components then run apart), unordered otherwise.
    void plan(FProgram* program, const Subclasses* subclasses, const RuleSummary& given);
    void analyse(FProgram* program, const Subclasses* subclasses, const RuleSummary& given,
                 Objects objects);
    // Forgets what an analysis found.
    void clear();
    // The rules that make the derived hierarchy and those they read, when they read nothing the
    // hierarchy decides; empty when there is no such split.
    // Read from the summaries of the whole program.
    std::vector<bool> hierarchyRules() const;

    Inheritance inheritance;
    Ref<FProgram> planned;
    std::vector<const RuleSummary*> ruleSummaries;
    std::vector<FRule*> ruleClauses;
    // The summary of every rule and fact clause by its clause, made once and shared by the plan
    // of a whole program, the plan of its lower part and the plan of its rest.
    std::shared_ptr<SummaryBook> book;
    // The summary of a clause, made the first time it is asked for.
    const RuleSummary& summarise(FRule* clause, const SymTab* names);
    std::vector<Ref<FProgram>> levelPrograms;
    std::vector<Component> componentList;
    std::vector<std::string> roundsWarnings;
    bool byComponent = true;
    // The components could run apart but for the inheritable values the program holds.
    bool apartButForValues = false;
    // The number of leading components up to the last one that changes what is inherited.
    std::size_t settling = 0;
    // Some rule reads bare objects or the whole base.
    bool readsAllObjects = false;
    // What the planned clauses write and the inheritable values they give, with those of the
    // clauses planned before them: the rest reads them as written (a negation of them still
    // comes after the rules that wrote them, as it would in one plan).
    RuleSummary planWrites;
    Ref<FProgram> restProgram;
};
