// FixpointDriver: one walk of an evaluation over a program's plan, part by part, with the phase it
// stands in as a typed value.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "eval/EvaluationState.h"
#include "eval/ProgramPlan.h"
#include "foundation/Ref.h"
#include "objectbase/FSymbol.h"

class FProgram;

// The driver walks the plan of the whole program and the plans drawn of its rest (the rules above
// a derived hierarchy, each planned once the parts below it made the hierarchy), either component
// by component or stratum by stratum, and hands each part to an evaluator (evaluating again
// opens with a phase of its own, the round of the clauses added since the last fixpoint), which
// runs it to its fixpoint (or takes a single round of it). The evaluator says only how a part
// ended; which part comes next, when a rest is drawn, when the walk is taken again and which
// warnings are written is decided here.
class FixpointDriver {
  public:
    // How the plan is walked: by its components in dependency order, or by its strata (where the
    // components cannot run apart, and for the single rounds of tp).
    enum class Walk { Components, Strata };
    // Whether the walk starts a trigger phase before every part but the first: a stratum read
    // next then sees the values inherited from the one below.
    enum class Between { Nothing, TriggerPhase };
    // The walk over the components is followed by one over the strata when a part equated
    // objects, which may join rows of parts evaluated before it.
    enum class Pass { First, AfterEqualities };
    // What the evaluator runs of a part: its rounds to its fixpoint, or one round of it (the
    // single rounds of tp; a trigger phase is then one over the whole program, uncounted).
    // Chosen once from the evaluation the walk takes.
    enum class Rounds { ToFixpoint, One };

    // Where the walk stands: the plan (index 0 the whole program's, then the rests), the part
    // to run (one of its components, or one of its strata, by its index there), whether that
    // part reads what it writes (a part that does not reaches its fixpoint in one round) and
    // whether this is the trigger phase before it (`part` is then the part that comes next), or
    // the one after a pass over the components that change what is inherited (`part` is then
    // the last of them), and whether the part's rounds alternate with trigger phases.
    struct Phase {
        const ProgramPlan& plan;
        std::size_t planIndex;
        Walk walk;
        std::size_t index;
        FProgram* part;
        bool recursive;
        bool trigger;
        Pass pass;
        ProgramPlan::Triggers triggers = ProgramPlan::Triggers::Alternate;
        Rounds rounds = Rounds::ToFixpoint;
        // The whole program the walk evaluates.
        FProgram* program = nullptr;
        // Set by an evaluator, never by the walk: the part's first round runs this program
        // instead (the clauses added since the last fixpoint), and its delta rounds start from
        // what that round made.
        FProgram* opening = nullptr;
    };

    // How a part ended.
    enum class End {
        // At its fixpoint.
        Fixpoint,
        // At its fixpoint, after its rounds equated objects.
        FixpointEquated,
        // Not at its fixpoint (a round failed, the user interrupted, or a single round changed
        // something): the walk stops.
        Stopped,
        // A trigger phase after a pass inherited something: the pass is taken again.
        Inherited
    };

    // What the driver asks of an evaluator.
    class PartEvaluator {
      public:
        virtual End evaluatePart(const Phase& phase) = 0;
        // Makes what a part needs before the walk runs it (its delta programs): called for each
        // part of a plan, in the order the walk runs them, before the first of them runs.
        virtual void preparePart(const Phase& /*phase*/) {}
        // Every class the base holds below `cls`, at any depth: the rest of a plan is drawn with
        // the hierarchy the parts below it made.
        virtual std::vector<FSymbol> subclassesOf(const FSymbol& cls) = 0;
        // Whether the part or trigger phase that stopped last stopped on a conflict to step
        // back from (not on a failed round or an interrupt).
        virtual bool stoppedOnConflict() { return false; }
        // Points the evaluator's rounds and trigger phases to `state` (the walk's own while the
        // run lasts, then back); answers where they counted before, null for an evaluator that
        // counts nothing.
        virtual EvaluationState* countInto(EvaluationState* /*state*/) { return nullptr; }
        // The run ends, however it ends: the evaluator lets go of what points into its own state
        // of the walk (EvaluationState::own), while it is still pointed there; the state goes
        // next. Called only where the run was handed such a state.
        virtual void releaseOwn() {}
        // The round a walk evaluating again opens with, before any part is prepared or run (the
        // clauses added since the last fixpoint, which the evaluator keeps; `phase` stands at
        // the whole program): the component of the whole program's plan the walk by components
        // starts at, those before it being at their fixpoint, or nothing where the round stopped
        // the walk.
        virtual std::optional<std::size_t> openWalk(const Phase& /*phase*/) { return 0; }

      protected:
        ~PartEvaluator() = default;
    };

    // The warnings written for a program: every evaluation of it, and every round of tp, cuts it
    // again, and a warning already given is not repeated. Kept by the evaluator from walk to
    // walk.
    struct Warned {
        // Held, so that no other program can take its place.
        Ref<FProgram> program;
        std::string text;
    };

    // A walk of `program`, planned as `root`, for the evaluation `road` says; `evaluator` and
    // `warned` outlive it. Each plan is walked as its policy for that evaluation says
    // (ProgramPlan::walkPolicy, chosen once as the plan enters the walk): from the first plan
    // walked by strata on, the walk goes by strata.
    FixpointDriver(PartEvaluator& evaluator, FProgram* program, const ProgramPlan& root,
                   ProgramPlan::Road road, Warned& warned, Between between = Between::Nothing);
    // The same, by `walk`: by components, each plan as its policy for a first evaluation says; by
    // strata, every plan by its strata.
    FixpointDriver(PartEvaluator& evaluator, FProgram* program, const ProgramPlan& root, Walk walk,
                   Warned& warned, Between between = Between::Nothing);
    FixpointDriver(const FixpointDriver&) = delete;
    FixpointDriver& operator=(const FixpointDriver&) = delete;
    ~FixpointDriver();

    // Starts the walk over the components of the root plan at `component`: those before it are
    // known to be at their fixpoint already.
    FixpointDriver& startingAt(std::size_t component);
    // Whether inherited values may reach the base during the walk (the plans' policies depend on
    // it); they stay out unless said.
    FixpointDriver& withValues(ProgramPlan::Values values);
    // Hands the run what the evaluator keeps of its own for this walk (EvaluationState::own),
    // made before the walk: the run owns it while it walks and lets it go as it ends.
    FixpointDriver& holding(std::unique_ptr<EvaluationState::Own> own);

    // Walks every part; false as soon as one ends without its fixpoint. The evaluation's state
    // (its rounds, trigger phases and counts) is the run's own while it walks: taken from where
    // the evaluator's counts stand between walks, and left there as the run ends, however it
    // ends.
    bool run();

  private:
    // The walk's state, held for the extent of run.
    class WalkState {
      public:
        WalkState(PartEvaluator& evaluator, std::unique_ptr<EvaluationState::Own> own);
        WalkState(const WalkState&) = delete;
        WalkState& operator=(const WalkState&) = delete;
        ~WalkState();

      private:
        PartEvaluator& evaluator;
        EvaluationState state;
        EvaluationState* between;
    };
    using Policy = ProgramPlan::WalkPolicy;
    // Hands the evaluator every part the walk of a plan runs (preparePart), in order.
    void prepare(std::size_t planIndex, Policy policy, Pass pass);
    // Walks the parts of one plan; false as soon as one ends without its fixpoint.
    bool walkPlan(std::size_t planIndex, Policy policy, Pass pass);
    // The components of a plan walked by `policy`, from the first: the phase of each as the walk
    // hands it over.
    Phase placedPhase(std::size_t planIndex, std::size_t index, Policy policy, Pass pass) const;
    // Whether the walk of a plan by `policy` settles the components that change what is
    // inherited first (the first pass, with no trigger phase between the parts).
    bool settles(Policy policy, Pass pass) const;
    // Walks the first `count` components of a plan stratum by stratum, in passes with a trigger
    // phase after each (ProgramPlan::settlingComponents); false as soon as one part ends without
    // its fixpoint.
    bool settle(std::size_t planIndex, std::size_t count);
    // The phase of one component of a plan, its rounds alternating with trigger phases.
    Phase componentPhase(std::size_t planIndex, std::size_t index, Pass pass) const;
    // The phase of one stratum of a plan.
    Phase stratumPhase(std::size_t planIndex, std::size_t index, Pass pass) const;
    // Where the walk evaluating again stands as it opens (PartEvaluator::openWalk).
    Phase openingPhase() const;
    // Hands the evaluator one part: the trigger phase before it where the walk asks for one,
    // then the part; false when either ends without its fixpoint.
    bool runPart(const Phase& phase);
    // Writes the warnings of a plan of the program unless they were written already.
    void warn(const std::vector<std::string>& warnings);

    PartEvaluator& evaluator;
    FProgram* program;
    Warned& warned;
    const ProgramPlan::Road road;
    const Between between;
    // Single rounds for tp, the rounds to a fixpoint otherwise.
    const Rounds rounds;
    ProgramPlan::Values values = ProgramPlan::Values::Stay;
    std::size_t firstComponent = 0;
    // The evaluator's own state for the walk, until the run takes it over.
    std::unique_ptr<EvaluationState::Own> own;
    // The plans walked: the root, then those drawn of the rest, each once the plan before it
    // was evaluated (owned in `rests`).
    std::vector<const ProgramPlan*> plans;
    std::vector<std::unique_ptr<ProgramPlan>> rests;
    // Whether a part was handed to the evaluator before (the trigger phase comes before every
    // later one), and whether a part equated objects after another had been evaluated.
    bool evaluatedBefore = false;
    bool equatedAfter = false;
    // Whether the last part run equated objects.
    bool equatedLast = false;
};
