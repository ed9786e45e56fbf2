// The walk of an evaluation over a program's plan: parts in order, rests drawn as the hierarchy
// below them is made, the walk by strata again after equalities, and the plan's warnings.
#include "eval/FixpointDriver.h"

#include "eval/ProgramPlan.h"
#include "foundation/OutputChannel.h"
#include "language/FProgram.h"

FixpointDriver::FixpointDriver(PartEvaluator& evaluator, FProgram* program, const ProgramPlan& root,
                               Walk walk, Warned& warned, Between between)
    : evaluator(evaluator),
      program(program),
      warned(warned),
      walk(walk),
      between(between),
      plans{&root} {}

FixpointDriver::~FixpointDriver() = default;

FixpointDriver& FixpointDriver::startingAt(std::size_t component) {
    firstComponent = component;
    // The components left out are at their fixpoint: an equality may join their rows too.
    evaluatedBefore = component > 0;
    return *this;
}

bool FixpointDriver::run() {
    const ProgramPlan::Subclasses subclasses = [this](const FSymbol& cls) {
        return evaluator.subclassesOf(cls);
    };
    Walk current = walk;
    for (std::size_t i = 0; i < plans.size(); ++i) {
        const ProgramPlan& plan = *plans[i];
        warn(plan.warnings());
        // Only inheritable values keep the components together: they run apart, each with the
        // trigger phases it needs (asked for by an evaluator that inherits alone).
        const bool apart = plan.componentwise() ||
                           plan.triggerPlacement() == ProgramPlan::TriggerPlacement::WithComponents;
        if (!apart) current = Walk::Strata;
        if (!walkPlan(i, current, Pass::First)) return false;
        if (plan.rest() != nullptr) {
            rests.push_back(plan.drawRest(subclasses));
            plans.push_back(rests.back().get());
        }
    }
    if (current == Walk::Components && equatedAfter)
        for (std::size_t i = 0; i < plans.size(); ++i)
            if (!walkPlan(i, Walk::Strata, Pass::AfterEqualities)) return false;
    return true;
}

bool FixpointDriver::walkPlan(std::size_t planIndex, Walk partWalk, Pass pass) {
    const ProgramPlan& plan = *plans[planIndex];
    // One part: the trigger phase before it where the walk asks for one, then the part.
    auto part = [&](std::size_t index, FProgram* rules, bool recursive) {
        Phase phase{plan, planIndex, partWalk, index, rules, recursive, false, pass};
        if (between == Between::TriggerPhase && evaluatedBefore) {
            Phase trigger = phase;
            trigger.trigger = true;
            if (evaluator.evaluatePart(trigger) == End::Stopped) return false;
        }
        const End end = evaluator.evaluatePart(phase);
        equatedAfter = equatedAfter || (end == End::FixpointEquated && evaluatedBefore);
        evaluatedBefore = true;
        return end != End::Stopped;
    };
    if (partWalk == Walk::Components) {
        const std::vector<ProgramPlan::Component>& components = plan.components();
        const std::size_t first = planIndex == 0 && pass == Pass::First ? firstComponent : 0;
        for (std::size_t index = first; index < components.size(); ++index) {
            const ProgramPlan::Component& component = components[index];
            if (!part(index, component.program.get(), component.recursive || component.facts))
                return false;
        }
        return true;
    }
    const std::vector<Ref<FProgram>>& levels = plan.levels();
    for (std::size_t index = 0; index < levels.size(); ++index)
        if (!part(index, levels[index].get(), true)) return false;
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
