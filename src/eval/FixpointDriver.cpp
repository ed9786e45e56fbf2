// The walk of an evaluation over a program's plan: parts in order, rests drawn as the hierarchy
// below them is made, the walk by strata again after equalities, and the plan's warnings.
#include "eval/FixpointDriver.h"

#include <algorithm>
#include <utility>

#include "eval/ProgramPlan.h"
#include "foundation/OutputChannel.h"
#include "language/FProgram.h"

FixpointDriver::FixpointDriver(PartEvaluator& evaluator, FProgram* program, const ProgramPlan& root,
                               ProgramPlan::Road road, Warned& warned, Between between)
    : evaluator(evaluator),
      program(program),
      warned(warned),
      road(road),
      between(between),
      rounds(road == ProgramPlan::Road::OneRound ? Rounds::One : Rounds::ToFixpoint),
      plans{&root} {}

FixpointDriver::FixpointDriver(PartEvaluator& evaluator, FProgram* program, const ProgramPlan& root,
                               Walk walk, Warned& warned, Between between)
    : FixpointDriver(evaluator, program, root,
                     walk == Walk::Strata ? ProgramPlan::Road::OneRound : ProgramPlan::Road::First,
                     warned, between) {}

FixpointDriver::~FixpointDriver() = default;

FixpointDriver& FixpointDriver::withValues(ProgramPlan::Values inherited) {
    values = inherited;
    return *this;
}

FixpointDriver& FixpointDriver::startingAt(std::size_t component) {
    firstComponent = component;
    // The components left out are at their fixpoint: an equality may join their rows too.
    evaluatedBefore = component > 0;
    return *this;
}

FixpointDriver& FixpointDriver::holding(std::unique_ptr<EvaluationState::Own> handed) {
    own = std::move(handed);
    return *this;
}

FixpointDriver::WalkState::WalkState(PartEvaluator& evaluator,
                                     std::unique_ptr<EvaluationState::Own> own)
    : evaluator(evaluator), between(evaluator.countInto(&state)) {
    if (between != nullptr) {
        state = std::move(*between);
        // The counts go on; the own state of a walk this one runs within stays with it.
        between->own = std::move(state.own);
    }
    state.own = std::move(own);
}

FixpointDriver::WalkState::~WalkState() {
    if (state.own != nullptr) {
        evaluator.releaseOwn();
        state.own.reset();
    }
    if (between != nullptr) {
        state.own = std::move(between->own);
        *between = std::move(state);
    }
    evaluator.countInto(between);
}

bool FixpointDriver::run() {
    const WalkState walking(evaluator, std::move(own));
    // Evaluating again first runs the clauses added since the last fixpoint: what that round
    // did says where the walk starts.
    if (road == ProgramPlan::Road::Again) {
        const std::optional<std::size_t> start = evaluator.openWalk(openingPhase());
        if (!start) return false;
        startingAt(*start);
    }
    const ProgramPlan::Subclasses subclasses = [this](const FSymbol& cls) {
        return evaluator.subclassesOf(cls);
    };
    bool byStrata = false;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const ProgramPlan& plan = *plans[i];
        warn(plan.warnings());
        // The plan's policy, once: the walk goes by strata from the first plan that does.
        const Policy policy = byStrata ? Policy::Strata : plan.walkPolicy(values, road);
        byStrata = policy == Policy::Strata;
        prepare(i, policy, Pass::First);
        if (!walkPlan(i, policy, Pass::First)) return false;
        if (plan.rest() != nullptr) {
            rests.push_back(plan.drawRest(subclasses));
            plans.push_back(rests.back().get());
        }
    }
    if (!byStrata && equatedAfter)
        for (std::size_t i = 0; i < plans.size(); ++i) {
            prepare(i, Policy::Strata, Pass::AfterEqualities);
            if (!walkPlan(i, Policy::Strata, Pass::AfterEqualities)) return false;
        }
    return true;
}

bool FixpointDriver::runPart(const Phase& phase) {
    if (between == Between::TriggerPhase && evaluatedBefore) {
        Phase trigger = phase;
        trigger.trigger = true;
        if (evaluator.evaluatePart(trigger) == End::Stopped) return false;
    }
    const End end = evaluator.evaluatePart(phase);
    equatedLast = end == End::FixpointEquated;
    equatedAfter = equatedAfter || (equatedLast && evaluatedBefore);
    evaluatedBefore = true;
    return end != End::Stopped;
}

FixpointDriver::Phase FixpointDriver::openingPhase() const {
    Phase phase{*plans.front(), 0, Walk::Components, 0, program, false, false, Pass::First};
    phase.rounds = rounds;
    phase.program = program;
    return phase;
}

FixpointDriver::Phase FixpointDriver::componentPhase(std::size_t planIndex, std::size_t index,
                                                     Pass pass) const {
    const ProgramPlan& plan = *plans[planIndex];
    const ProgramPlan::Component& component = plan.components()[index];
    Phase phase{plan,
                planIndex,
                Walk::Components,
                index,
                component.program.get(),
                component.recursive || component.facts,
                false,
                pass};
    phase.rounds = rounds;
    phase.program = program;
    return phase;
}

FixpointDriver::Phase FixpointDriver::stratumPhase(std::size_t planIndex, std::size_t index,
                                                   Pass pass) const {
    const ProgramPlan& plan = *plans[planIndex];
    Phase phase{plan, planIndex, Walk::Strata, index, plan.levels()[index].get(),
                true, false,     pass};
    phase.rounds = rounds;
    phase.program = program;
    return phase;
}

FixpointDriver::Phase FixpointDriver::placedPhase(std::size_t planIndex, std::size_t index,
                                                  Policy policy, Pass pass) const {
    Phase phase = componentPhase(planIndex, index, pass);
    if (policy != Policy::SettleThenComponents) return phase;
    // The plan places the trigger phases: each component takes those it needs; the components
    // that settle first take theirs in the passes over them.
    const ProgramPlan& plan = *plans[planIndex];
    phase.triggers = settles(policy, pass) && index < plan.settlingComponents()
                         ? ProgramPlan::Triggers::None
                         : plan.components()[index].triggers;
    return phase;
}

bool FixpointDriver::settles(Policy policy, Pass pass) const {
    return policy == Policy::SettleThenComponents && pass == Pass::First &&
           between == Between::Nothing;
}

void FixpointDriver::prepare(std::size_t planIndex, Policy policy, Pass pass) {
    const ProgramPlan& plan = *plans[planIndex];
    if (policy != Policy::Strata) {
        const std::size_t first = planIndex == 0 && pass == Pass::First ? firstComponent : 0;
        for (std::size_t index = first; index < plan.components().size(); ++index)
            evaluator.preparePart(placedPhase(planIndex, index, policy, pass));
        return;
    }
    for (std::size_t index = 0; index < plan.levels().size(); ++index)
        evaluator.preparePart(stratumPhase(planIndex, index, pass));
}

bool FixpointDriver::walkPlan(std::size_t planIndex, Policy policy, Pass pass) {
    const ProgramPlan& plan = *plans[planIndex];
    if (policy != Policy::Strata) {
        const std::vector<ProgramPlan::Component>& components = plan.components();
        std::size_t first = planIndex == 0 && pass == Pass::First ? firstComponent : 0;
        // Where the plan places the trigger phases, the components that change what is
        // inherited settle first; the others alternate with trigger phases as each needs.
        if (settles(policy, pass)) {
            const std::size_t settling = plan.settlingComponents();
            if (first < settling && !settle(planIndex, settling)) return false;
            first = std::max(first, settling);
        }
        for (std::size_t index = first; index < components.size(); ++index)
            if (!runPart(placedPhase(planIndex, index, policy, pass))) return false;
        return true;
    }
    for (std::size_t index = 0; index < plan.levels().size(); ++index)
        if (!runPart(stratumPhase(planIndex, index, pass))) return false;
    return true;
}

bool FixpointDriver::settle(std::size_t planIndex, std::size_t count) {
    const ProgramPlan& plan = *plans[planIndex];
    const std::vector<ProgramPlan::Component>& components = plan.components();
    std::vector<int> levels;
    for (std::size_t index = 0; index < count; ++index) levels.push_back(components[index].level);
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    for (int level : levels) {
        // The components of the stratum in dependency order; a trigger phase that inherited
        // something is followed by a pass from the first of them that may read what it
        // inherited (one that reads or writes predicates alone cannot see it).
        std::vector<std::size_t> stratum;
        for (std::size_t index = 0; index < count; ++index)
            if (components[index].level == level) stratum.push_back(index);
        // Where a part or a phase stopped on a conflict to step back from, the walk ends with
        // every part of the strata up to this one at its fixpoint, as rounds of the whole
        // stratum would leave the base: an evaluation that cannot step back past the conflict
        // keeps that base.
        auto stopOnConflict = [&](std::size_t from) {
            if (!evaluator.stoppedOnConflict()) return false;
            for (std::size_t at = from; at < stratum.size(); ++at) {
                Phase phase = componentPhase(planIndex, stratum[at], Pass::First);
                phase.triggers = ProgramPlan::Triggers::None;
                evaluator.evaluatePart(phase);
            }
            for (std::size_t index = count; index < components.size(); ++index) {
                if (components[index].level > level) continue;
                Phase phase = componentPhase(planIndex, index, Pass::First);
                phase.triggers = ProgramPlan::Triggers::None;
                evaluator.evaluatePart(phase);
            }
            return false;
        };
        std::size_t start = 0;
        for (;;) {
            bool equated = false;
            for (std::size_t at = start; at < stratum.size(); ++at) {
                Phase phase = componentPhase(planIndex, stratum[at], Pass::First);
                phase.triggers = ProgramPlan::Triggers::None;
                if (!runPart(phase)) return stopOnConflict(at + 1);
                equated = equated || (equatedLast && at > start);
            }
            // Equated objects may join rows of the components passed before the one that
            // equated them: the whole stratum again, as the next round of it would.
            if (equated) {
                start = 0;
                continue;
            }
            Phase trigger = componentPhase(planIndex, stratum.back(), Pass::First);
            trigger.recursive = true;
            trigger.trigger = true;
            const End end = evaluator.evaluatePart(trigger);
            if (end == End::Stopped) return stopOnConflict(0);
            if (end != End::Inherited) break;
            start = 0;
            while (start < stratum.size() &&
                   components[stratum[start]].triggers == ProgramPlan::Triggers::None)
                ++start;
        }
    }
    return true;
}

void FixpointDriver::warn(const std::vector<std::string>& warnings) {
    std::string text;
    for (const std::string& line : warnings) text += line + "\n";
    if (text.empty()) return;
    if (program == warned.program.get() && warned.text.find(text) != std::string::npos) return;
    // Not an error: the program is evaluated, only without strata for those relations, so the
    // line is written whatever the error handler's filter admits.
    errorChannel() << text << std::flush;
    if (program != warned.program.get()) warned.text.clear();
    warned.program = Ref<FProgram>::share(program);
    warned.text += text;
}
