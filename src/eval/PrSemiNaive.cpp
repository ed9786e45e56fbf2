// Semi-naive evaluation: the evaluation mode and its shell methods, and the round loop that runs
// the program once, then its delta program, with trigger phases and their delta program.
#include "eval/PrSemiNaive.h"

#include <optional>

#include "access/OMAccess.h"
#include "compile/Normalizer.h"
#include "eval/ChangedRelations.h"
#include "eval/Matcher.h"
#include "eval/ProgramPlan.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/Timer.h"
#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FVar.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/OM.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"

PrSemiNaive::PrSemiNaive(Matcher* matcher, OMAccess* access, PrinterFactory printers)
    : NaiveEvalWithInherit(matcher, access, printers) {}

PrSemiNaive::~PrSemiNaive() {
    dropDeltas();
}

FLSysRef PrSemiNaive::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<NaiveEval>(*this, name, args);
}

const ShellCommands<PrSemiNaive>& PrSemiNaive::shellCommands() {
    static const ShellCommands<PrSemiNaive> table{
        {"", "                     Online help for class PrSemiNaive", "", "",
         "You can apply the following member functions to an instance of ",
         "class PrSemiNaive via F-Logic shell : ", ""},
        {
            {"help", ShellArgs::None,
             [](PrSemiNaive& self, FLSysArgs*) -> FLSysRef { return FLSysRef::share(self.help()); },
             standardMethodsHelp()},
            {"mode",
             ShellArgs::Any,
             [](PrSemiNaive& self, FLSysArgs* args) -> FLSysRef {
                 return FLSysRef::share(self.mode(args));
             },
             {"    - mode@(string)",
              "          set evaluation mode to string. Possible arguments are: ",
              "          1. \"naive\"    : bypass semi-naive evaluation",
              "          2. \"seminaive\": apply semi-naive evaluation "}},
            debugOnCommand<PrSemiNaive>(
                "          \"delta\"   : in seminaive mode display all delta predicates"),
            debugOffCommand<PrSemiNaive>(),
        },
        {"", ""}};
    return table;
}

void PrSemiNaive::print(OutputChannel& channel) const {
    channel << "aPrSemiNaive";
}

bool PrSemiNaive::isA(const std::string& className) const {
    return className == "PrSemiNaive" || NaiveEvalWithInherit::isA(className);
}

NaiveEval* PrSemiNaive::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

PrSemiNaive* PrSemiNaive::mode(FLSysArgs* args) {
    FLSysObject* word = nullptr;
    if (!checkArgs1(args, "FLSysString", word)) return nullptr;
    const std::string text = static_cast<FLSysString*>(word)->value();
    if (text == "naive")
        evalMode = Naive;
    else if (text == "seminaive")
        evalMode = SemiNaive;
    else if (text == "allTriggers")
        allTriggers = 1;
    else if (text == "oneTrigger")
        allTriggers = 0;
    else
        centralErrorHandler().report(err11::WrongArgument_3);
    return this;
}

void PrSemiNaive::beginInsertPhase() {
    const Run* run = running();
    if (run == nullptr) return;
    if (run->recordingOff) {
        access->clearDelta();
        return;
    }
    if (run->deltaTable != nullptr) access->initDelta(run->deltaTable);
}

void PrSemiNaive::dropDeltas() {
    // The fixpoint is done: the join tables kept from round to round are not needed any more.
    if (matcher) matcher->forgetKeptTables();
    Run* run = running();
    if (run == nullptr) return;
    // The object manager must not record through a table the part lets go of.
    if (run->deltaTable || run->triggerDeltaTable) access->clearDelta();
    run->firstDeltaRound.clear();
    run->deltaProgram = nullptr;
    run->triggerDeltaProgram = nullptr;
    run->deltaTable = nullptr;
    run->triggerDeltaTable = nullptr;
    run->recordingOff = false;
}

void PrSemiNaive::releaseOwn() {
    dropDeltas();
}

void PrSemiNaive::reset(int mode) {
    lastFixpoint.forgetUnheld();
    dropDeltas();
    NaiveEvalWithInherit::reset(mode);
}

int PrSemiNaive::evaluateOnce(FProgram* program) {
    // Mode "naive" evaluates again over the whole base, not from the added facts: its rounds have
    // no delta to start from (starting from them takes the delta rewriting of mode "seminaive"),
    // and it is the reference that evaluating again from the added facts is checked against.
    if (evalMode == Naive) return NaiveEvalWithInherit::evaluateOnce(program);
    if (program == nullptr) return 0;
    // Whatever happens below, the base is no longer at the fixpoint remembered so far unless
    // this evaluation reaches the next one.
    Ref<FProgram> added = lastFixpoint.addedClauses(program, access->om());
    lastFixpoint.forget();
    traceProgram(program);
    controlEvents::clearInterrupt();
    retrieveTimer->start();
    retrieveTimer->stop();
    triggerTimer->start();
    triggerTimer->stop();
    // The triggers come from the whole program: the inherited values a later stratum reads
    // under negation or in an aggregate must be there when the strata below it are complete.
    inheritanceFlag |= program->inheritanceMark();
    // Evaluating again plans the whole program as a first evaluation does (the derived
    // hierarchy first); what the added clauses change is read from that plan's summaries.
    const std::unique_ptr<ProgramPlan> plan = planOf(program);
    std::optional<ChangedRelations> changed;
    if (added) changed.emplace(program, added.get(), plan.get());
    const Start start = startOf(changed ? &*changed : nullptr);
    if (start == Start::WholeBase) changed.reset();
    if (inheritanceFlag != 0) drawTriggers(program, *plan);
    traceRewritten(program, *plan);
    now->phaseRan = false;
    // The evaluation's own state goes with the driver's run, however it ends.
    const bool completed = start == Start::AddedClauses
                               ? evaluateAddedFacts(*plan, program, added.get(), *changed)
                               : walkToFixpoint(program, *plan, std::make_unique<Run>());
    if (completed && !steppingBack()) {
        closingFixpoint();
        addTimingStatistics();
        lastFixpoint.remember(program, access->om());
        return 1;
    }
    if (interruptFlag.load() != 0) cancelled();
    return 0;
}

void PrSemiNaive::traceRewritten(FProgram* program, const ProgramPlan& plan) {
    if ((flags & TraceProgram) == 0) return;
    // The delta programs of the whole program, shown once; each part rewrites its own rules
    // when it runs.
    Rewriting rewriting(program);
    const std::unique_ptr<DeltaTable> table = rewriteProgram(rewriting, program, plan, 0);
    const std::unique_ptr<DeltaRules> rules =
        table ? buildDeltaProgram(rewriting, program, plan, table.get()) : nullptr;
    std::unique_ptr<DeltaTable> triggerTable;
    std::unique_ptr<DeltaRules> triggerRules;
    if (rules && inheritanceFlag != 0) {
        triggerTable = rewriteProgram(rewriting, program, plan, 1);
        if (triggerTable)
            triggerRules = buildDeltaProgram(rewriting, program, plan, triggerTable.get(), true);
    }
    if (rules) {
        OutputChannel& debug = debugChannel();
        debug << "Program rewritten:" << std::endl;
        rules->wholeProgram(program->getSymTab(), program->inheritanceMark())->display(debug);
        if (triggerRules != nullptr) {
            debug << "and for the triggers:" << std::endl;
            triggerRules->wholeProgram(program->getSymTab(), program->inheritanceMark())
                ->display(debug);
        }
    }
    // As after a part: the base records no delta until a part sets its table.
    if (table) access->clearDelta();
    dropDeltas();
}

void PrSemiNaive::preparePart(const Phase& walked) {
    Run* run = running();
    if (evalMode != SemiNaive || run == nullptr || walked.trigger ||
        walked.rounds == FixpointDriver::Rounds::One)
        return;
    Phase phase = walked;
    if (run->added) {
        AddedClauses& added = *run->added;
        if (!added.preparedAll) added.preparedAll = added.all;
        if (!added.place(phase, *added.preparedAll)) return;
        // The lowest strata's first round runs the added clauses: their part has delta rounds.
        if (phase.opening != nullptr) phase.recursive = true;
    }
    if (!phase.recursive) return;
    const bool triggers = triggersWith(phase) && inheritanceFlag != 0;
    const PartDeltas* made = run->prepared.find(phase.part);
    if (made != nullptr && (made->withTriggers || !triggers)) return;
    prepareDeltas(phase.part, phase.plan, triggers);
}

PartDeltas& PrSemiNaive::deltasOf(const Phase& phase, bool triggers) {
    PartDeltas* made = running()->prepared.find(phase.part);
    const bool withTriggers = triggers && inheritanceFlag != 0;
    if (made != nullptr && (made->withTriggers || !withTriggers)) return *made;
    // A part no walk prepared (an evaluation driven from outside the walk).
    return prepareDeltas(phase.part, phase.plan, withTriggers);
}

void PrSemiNaive::makeForm(Rewriting& rewriting, PartDeltas::Form& form, FProgram* part,
                           const ProgramPlan& plan) {
    rewriting.unrecordedSeen = false;
    form.table = rewriteProgram(rewriting, part, plan, 0);
    if (form.table) form.rules = buildDeltaProgram(rewriting, part, plan, form.table.get());
    form.prepareFirstRound();
    form.unrecordedReads = rewriting.unrecordedSeen;
}

PartDeltas& PrSemiNaive::prepareDeltas(FProgram* part, const ProgramPlan& plan, bool triggers) {
    Rewriting rewriting(part);
    inheritanceFlag |= part->inheritanceMark();
    auto deltas = std::make_unique<PartDeltas>();
    // Whether the base holds subclasses is known only as a pass over the part starts: where the
    // form matters, both are made.
    rewriting.memberForm = MemberForm::ThroughSubclasses;
    makeForm(rewriting, deltas->throughSubclasses, part, plan);
    if (rewriting.directPossible) {
        rewriting.memberForm = MemberForm::Direct;
        deltas->direct = std::make_unique<PartDeltas::Form>();
        makeForm(rewriting, *deltas->direct, part, plan);
    }
    deltas->withTriggers = triggers;
    if (deltas->throughSubclasses.rules && triggers) {
        rewriting.unrecordedSeen = false;
        deltas->triggerTable = rewriteProgram(rewriting, part, plan, 1);
        if (deltas->triggerTable)
            deltas->triggerRules =
                buildDeltaProgram(rewriting, part, plan, deltas->triggerTable.get(), true);
        deltas->triggerUnrecordedReads = rewriting.unrecordedSeen;
    }
    return running()->prepared.place(part, std::move(deltas));
}

PrSemiNaive::Start PrSemiNaive::startOf(const ChangedRelations* changed) const {
    // Another program, a base changed since the last fixpoint, or an evaluation that did not
    // reach it: nothing says what the base lacks.
    if (changed == nullptr) return Start::WholeBase;
    // No inheritance, and no inherited value stored that an own value could meet.
    if (inheritanceFlag == 0 && !phases->inheritance().inherited().watching())
        return Start::AddedClauses;
    // Inheritance is not monotonic: a new membership, subclass, class value or own value can make
    // a value inherited, or make one give way, and the phases that find out read the whole base.
    // Added clauses that can change predicates only leave every inherited value as it is: the
    // trigger phases would find what they found at the last fixpoint, which the base holds, and
    // no own value can meet an inherited one. A rule reading a method among them would ask for
    // inherited values no phase looked for yet (a negation over them would be matched before they
    // are there). Else the whole base, as a first evaluation. Either way the journal records the
    // whole program, which a step back evaluates again from the journal's start.
    return changed->leaveInheritance() ? Start::AddedClauses : Start::WholeBase;
}

PrSemiNaive::AddedClauses::AddedClauses() = default;

bool PrSemiNaive::AddedClauses::runs(FProgram* part, bool& allSoFar) const {
    allSoFar = allSoFar || changed->readUnderNegationOrAggregate(part);
    bool run = allSoFar || changed->readBy(part);
    if (!run)
        part->forEachClause(
            [&](FRule* clause) {
                run = newRules.count(clause) != 0;
                return !run;
            },
            [](const FactList&, std::size_t) { return true; });
    return run;
}

bool PrSemiNaive::AddedClauses::place(Phase& part, bool& allSoFar) const {
    // A component that reads nothing the added clauses change and holds none of their rules is
    // at its fixpoint already; the walk by strata after equalities runs every part.
    if (part.walk == FixpointDriver::Walk::Strata && part.pass == FixpointDriver::Pass::First &&
        part.planIndex == 0 && part.index < merged) {
        // The lowest strata run as one part, when the walk meets the first of them.
        if (part.index > 0) return false;
        part.part = lowest;
        part.opening = opening;
    } else if (part.walk == FixpointDriver::Walk::Components &&
               part.pass == FixpointDriver::Pass::First) {
        if (!runs(part.part, allSoFar)) return false;
        // The facts went in with the opening round: the component of the facts runs in one pass
        // unless its rules read what they write.
        part.recursive = part.plan.components()[part.index].recursive;
    }
    return true;
}

bool PrSemiNaive::placePart(Phase& part) {
    Run* run = running();
    if (run == nullptr || !run->added) return true;
    return run->added->place(part, run->added->all);
}

bool PrSemiNaive::evaluateAddedByComponent(const ProgramPlan& plan, FProgram* program,
                                           FProgram* added, const ChangedRelations& changed) {
    std::set<const FRule*> newRules;
    const auto opening =
        Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, program->getSymTab()));
    added->forEachClause(
        [&](FRule* clause) {
            if (clause->ruleKind() == FRule::Rule)
                newRules.insert(clause);
            else
                opening->append(clause);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            opening->appendFact(facts, i);
            return true;
        });
    opening->setInheritanceMark(program->inheritanceMark());
    auto evaluation = std::make_unique<Run>();
    AddedClauses& walk = evaluation->added.emplace();
    walk.changed = &changed;
    walk.newRules = std::move(newRules);
    walk.openingRound = opening.get();
    // The run's state points to the opening round's program, which outlives it.
    return FixpointDriver(*this, program, plan, ProgramPlan::Road::Again, warned)
        .withValues(ProgramPlan::Values::Stay)
        .holding(std::move(evaluation))
        .run();
}

std::optional<std::size_t> PrSemiNaive::openWalk(const Phase& phase) {
    Run* run = running();
    if (run == nullptr || !run->added || run->added->openingRound == nullptr) return 0;
    AddedClauses& walk = *run->added;
    const int inserted = nextRound(walk.openingRound);
    if (now->roundFailed || interruptFlag.load() != 0) return std::nullopt;
    // Equated objects may join rows anywhere: every component runs.
    walk.all = inserted < 0;
    // The walk starts at the first component the added clauses change.
    const std::vector<ProgramPlan::Component>& components = phase.plan.components();
    std::size_t first = 0;
    while (first < components.size() && !walk.runs(components[first].program.get(), walk.all))
        ++first;
    return first;
}

bool PrSemiNaive::evaluateAddedFacts(const ProgramPlan& plan, FProgram* program, FProgram* added,
                                     const ChangedRelations& changed) {
    const ProgramPlan::Values values =
        inheritsValues() ? ProgramPlan::Values::Reach : ProgramPlan::Values::Stay;
    // The plan's policy for evaluating again says whether the components run apart.
    if (plan.walkPolicy(values, ProgramPlan::Road::Again) == ProgramPlan::WalkPolicy::Components)
        return evaluateAddedByComponent(plan, program, added, changed);
    // The strata of a first evaluation, which inheritance orders after the memberships that
    // give a method its inherited values; every stratum runs in full (AddedClauses with `all`),
    // but for the lowest ones below.
    auto evaluation = std::make_unique<Run>();
    AddedClauses& walk = evaluation->added.emplace();
    walk.changed = &changed;
    walk.all = true;
    // The lowest strata that read no relation the added facts may change under negation or in
    // an aggregate only grow with the added facts. When already the lowest one reads one, every
    // stratum is evaluated as from scratch, the added facts with the others in the first round.
    const std::vector<Ref<FProgram>>& parts = plan.levels();
    std::size_t plain = 0;
    while (plain < parts.size() && !changed.readUnderNegationOrAggregate(parts[plain].get()))
        ++plain;
    const auto start =
        Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, program->getSymTab()));
    const auto opening =
        Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, program->getSymTab()));
    if (plain > 0) {
        // Those strata run as one part, `start`: their rules, and the added facts, so that the
        // rewriting gives the relations of the facts delta predicates as well (before, only the
        // first round of the whole program brought facts). Its first round, `opening`, inserts
        // the added facts and runs the new rules of those strata, which have not met the base
        // yet; the delta rounds after it give every rule the facts that round made.
        std::set<const FRule*> newRules;
        added->forEachClause(
            [&newRules](FRule* rule) {
                if (rule->ruleKind() == FRule::Rule) newRules.insert(rule);
                return true;
            },
            [](const FactList&, std::size_t) { return true; });
        for (std::size_t i = 0; i < plain; ++i)
            parts[i]->forEachClause(
                [&](FRule* rule) {
                    if (rule->ruleKind() != FRule::Rule) return true;
                    start->append(rule);
                    if (newRules.count(rule) != 0) opening->append(rule);
                    return true;
                },
                [](const FactList&, std::size_t) { return true; });
        added->forEachClause(
            [&](FRule* rule) {
                if (rule->ruleKind() == FRule::Rule) return true;
                start->append(rule);
                opening->append(rule);
                return true;
            },
            [&](const FactList& facts, std::size_t i) {
                start->appendFact(facts, i);
                opening->appendFact(facts, i);
                return true;
            });
        start->setInheritanceMark(program->inheritanceMark());
        opening->setInheritanceMark(program->inheritanceMark());
        walk.merged = plain;
        walk.lowest = start.get();
        walk.opening = opening.get();
    }
    // The run's state points to the programs made here (`start`, `opening`), which outlive it.
    return FixpointDriver(*this, program, plan, ProgramPlan::Road::Again, warned)
        .withValues(values)
        .holding(std::move(evaluation))
        .run();
}

bool PrSemiNaive::partFixpoint(const Phase& phase) {
    // Mode "naive": the rounds of the naive evaluation with inheritance.
    if (evalMode == Naive) return NaiveEvalWithInherit::partFixpoint(phase);
    return semiNaiveFixpoint(phase);
}

bool PrSemiNaive::semiNaiveFixpoint(const Phase& phase) {
    FProgram* program = phase.part;
    FProgram* opening = phase.opening;
    const bool triggers = triggersWith(phase);
    // Walked outside an evaluation in mode "seminaive": the rounds of the naive evaluation.
    Run* run = running();
    if (run == nullptr) return NaiveEvalWithInherit::partFixpoint(phase);
    Run& state = *run;
    if (!phase.recursive && opening == nullptr) {
        // Everything it reads is complete: the first round derives all it can.
        if (!triggers) return NaiveEvalWithInherit::partFixpoint(phase);
        int changed = -1;
        return fixpointWithTriggers(program, changed, false);
    }
    inheritanceFlag |= program->inheritanceMark();
    // The part's delta programs, made as the walk prepared it.
    PartDeltas& deltas = deltasOf(phase, triggers);
    const PartDeltas::Form& form = deltas.form(*access);
    state.unrecordedReads = form.unrecordedReads;
    state.deltaTable = form.table.get();
    state.deltaProgram = form.rules.get();
    // A rule over a method that holds nothing yet runs once as it is in the first delta round,
    // as one over an empty predicate does: each of its variants would derive its whole result
    // again (a 2-hop join over two methods took twice its time).
    if (state.deltaProgram != nullptr)
        state.firstDeltaRound = form.firstRound(*access, methodVariants);
    if (state.deltaProgram == nullptr) {
        dropDeltas();
        // No delta program: the rounds of the naive evaluation with inheritance.
        if (!triggers) return NaiveEvalWithInherit::partFixpoint(phase);
        int changed = -1;
        return fixpointWithTriggers(program, changed);
    }
    if (inheritanceFlag != 0 && triggers && deltas.triggerRules != nullptr) {
        state.triggerDeltaTable = deltas.triggerTable.get();
        state.triggerDeltaProgram = deltas.triggerRules.get();
        state.unrecordedReads = state.unrecordedReads || deltas.triggerUnrecordedReads;
    }

    // Each step of the part is a round of one kind, or a trigger phase; what follows a step
    // depends on what it changed.
    auto after = [&state](int changed) {
        if (changed < 0) return Step::Whole;
        if (changed > 0) {
            if (state.recordingOff) return Step::Whole;
            return !state.firstDeltaRound.empty() ? Step::FirstDelta : Step::Delta;
        }
        // Some kept rule reads facts a delta round does not count as new: full rounds without
        // recording confirm the fixpoint.
        if (state.unrecordedReads && !state.recordingOff) return Step::Confirm;
        return Step::Trigger;
    };
    Step step = opening != nullptr ? Step::Opening : Step::Whole;
    for (bool firstStep = true; interruptFlag.load() == 0; firstStep = false) {
        int changed = 0;
        // Set by a trigger phase that has nothing to inherit: the part is at its fixpoint.
        bool reached = false;
        switch (step) {
            case Step::Opening:
            case Step::Whole: {
                // A part's first round that stored only facts no delta relation records changed
                // the base all the same: a delta round follows it, as one follows any round that
                // inserted, and finds the fixpoint (a part of facts alone takes two rounds, as
                // in mode "naive"). Later rounds end the part at once: a delta round after them
                // would run the kept rules again for nothing.
                OM* base = access->om();
                const std::uint64_t unrecorded = base != nullptr ? base->unreportedNewFacts() : 0;
                changed = nextRound(step == Step::Opening ? opening : program);
                if (firstStep && changed == 0 && !now->roundFailed && base != nullptr &&
                    base->unreportedNewFacts() != unrecorded)
                    changed = 1;
                break;
            }
            case Step::Confirm:
                state.recordingOff = true;
                changed = nextRound(program);
                break;
            case Step::FirstDelta:
            case Step::Delta: {
                // The first delta round runs some rules as they are (firstDeltaRound): used once,
                // the later deltas are parts of their relations.
                DeltaRules::WholeRules whole;
                if (step == Step::FirstDelta) whole.swap(state.firstDeltaRound);
                changed = nextDeltaRound(*state.deltaProgram, whole, program);
                break;
            }
            case Step::Trigger: {
                // A part without trigger phases is at its fixpoint, which is the evaluation's
                // only where no part runs a phase (closingFixpoint).
                if (state.triggerDeltaProgram == nullptr) {
                    reached = true;
                    break;
                }
                fixpointBeforePhase();
                state.recordingOff = false;
                access->initDelta(state.triggerDeltaTable);
                if (triggerPhase() == 0) {
                    reached = true;
                    break;
                }
                changed = deltaStep(*state.triggerDeltaProgram, {}, program);
                ++now->rounds;
                if (now->roundFailed && !steppingBack())
                    centralErrorHandler().report(err11::CannotEvaluate);
                break;
            }
        }
        if (reached) break;
        if (now->roundFailed || steppingBack()) {
            dropDeltas();
            return false;
        }
        step = after(changed);
    }
    dropDeltas();
    return interruptFlag.load() == 0;
}

FLSysRef PrSemiNaiveMeta::createInstance(FLSysArgs* args) {
    FLSysObject* matcher = nullptr;
    FLSysObject* access = nullptr;
    if (!checkArgs2(args, "Matcher", matcher, "OMAccess", access)) return nullptr;
    return Ref<PrSemiNaive>::make(static_cast<Matcher*>(matcher), static_cast<OMAccess*>(access),
                                  printers);
}
