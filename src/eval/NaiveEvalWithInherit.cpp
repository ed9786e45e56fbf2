// Naive evaluation with inheritance: fixpoints alternating with trigger phases over the trigger
// program drawn as the evaluation begins, and queries matched until they inherit nothing new.
#include "eval/NaiveEvalWithInherit.h"

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "eval/BaseSnapshot.h"
#include "eval/HeldOutput.h"
#include "eval/Matcher.h"
#include "eval/PPProtocol.h"
#include "eval/ProgramPlan.h"
#include "eval/TriggerProgram.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/StatisticHandler.h"
#include "foundation/StretchTimer.h"
#include "foundation/Timer.h"
#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/Path.h"
#include "language/TermToName.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"

NaiveEvalWithInherit::NaiveEvalWithInherit(Matcher* matcher, OMAccess* access,
                                           PrinterFactory printers)
    : NaiveEval(matcher, access, printers),
      phases(Ref<OMAccess>::share(access)),
      triggerTimer(Ref<Timer>::adopt(new StretchTimer)) {}

NaiveEvalWithInherit::~NaiveEvalWithInherit() = default;

void NaiveEvalWithInherit::print(OutputChannel& channel) const {
    channel << "aNaiveEvalWithInherit";
}

bool NaiveEvalWithInherit::isA(const std::string& className) const {
    return className == "NaiveEvalWithInherit" || NaiveEval::isA(className);
}

void NaiveEvalWithInherit::addTimingStatistics() {
    addRoundStatistics();
    if (now->triggers == 0) return;
    centralStatistic().insert("(Time spent in firing triggers  : " + triggerTimer->diffReal() +
                                  " real    " + triggerTimer->diffUser() + " user)",
                              0);
    centralStatistic().insert("Number of Triggers              : " + std::to_string(now->triggers),
                              0);
}

NaiveEvalWithInherit::StepSequence::StepSequence(FProgram* stepped)
    : program(Ref<FProgram>::share(stepped)) {}

namespace {

// The program as it was when it had `length` clauses: the program itself while it has no more.
Ref<FProgram> programPrefix(FProgram* program, std::size_t length) {
    if (program->clauseCount() == length) return Ref<FProgram>::share(program);
    auto prefix = Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, program->getSymTab()));
    std::size_t index = 0;
    program->forEachClause(
        [&](FRule* rule) {
            if (index++ < length) prefix->append(rule);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            if (index++ < length) prefix->appendFact(facts, i);
            return true;
        });
    prefix->setInheritanceMark(program->inheritanceMark());
    return prefix;
}

}  // namespace

NaiveEvalWithInherit::Journal::Journal() = default;

NaiveEvalWithInherit::Journal::Entry::Entry(FProgram* evaluated,
                                            InheritancePhases::Blockings lifted)
    : program(Ref<FProgram>::share(evaluated)),
      clauses(evaluated->clauseCount()),
      lifted(std::move(lifted)) {}

NaiveEvalWithInherit::HoldPosition::HoldPosition(NaiveEvalWithInherit& self, StepBackPosition& held)
    : self(self), outer(self.position) {
    self.position = &held;
}

NaiveEvalWithInherit::HoldPosition::~HoldPosition() {
    self.position = outer;
}

void NaiveEvalWithInherit::abandonRun() {
    // The run's position went with the unwinding.
    journal.reset();
    phases->inheritance().forgetConflicts();
}

int NaiveEvalWithInherit::runToFixpoint(FProgram* program) {
    if (program == nullptr) return 0;
    OM* base = phases->om();
    // A program with no inheritance of its own may still give an own value for a value stored
    // as inherited.
    const bool inheriting = (inheritanceFlag | program->inheritanceMark()) != 0 ||
                            phases->inheritance().inherited().watching();
    // The journal goes on while nothing but queries touched the base since its last evaluation
    // (a query stores only inherited values, which are found again); otherwise it starts here,
    // from the base written out, or from an empty one.
    if (base == nullptr || !inheriting) {
        journal.reset();
    } else if (!journal || !journalGoesOn()) {
        journal.emplace();
        if (!base->pristine()) journal->origin.emplace(*phases);
    }
    // The same program evaluated again, perhaps with clauses appended: its evaluation takes the
    // place of the last one, which a step back does not take again.
    StepBackPosition at;
    const HoldPosition holding(*this, at);
    if (journal && !journal->entries.empty() && journal->entries.back().program.get() == program) {
        at.liftedAtStart = std::move(journal->entries.back().lifted);
        journal->entries.pop_back();
    }
    at.open = journal && (!journal->origin || journal->origin->complete());
    phases->inheritance().forgetConflicts();
    // Without a way back the blockings of the last evaluation stay: nothing could undo a value
    // that gives way again.
    if (at.open) at.liftedAtStart.merge(phases->inheritance().beginEvaluation());
    // What a run writes is passed on only once it is known that the run stands: the traces and
    // messages of a run stepped back from would be written again, or would tell of equalities
    // and values the model does not hold.
    std::optional<HeldOutput> held;
    if (at.open) held.emplace();
    at.warnedBeforeHeld = warned;
    const int reached = untilRunStands(program, held ? &*held : nullptr, evaluateOnce(program));
    held.reset();
    at.open = false;
    phases->inheritance().forgetConflicts();
    if (journal) {
        // An evaluation that did not end leaves a base no journal explains.
        if (reached == 0) {
            journal.reset();
        } else {
            journal->entries.emplace_back(program, std::move(at.liftedAtStart));
            journal->stamp = base->changeStamp();
        }
    }
    return reached;
}

bool NaiveEvalWithInherit::journalGoesOn() const {
    // A layer whose inserts act (one that loads a document when a fact names it, or fetches a
    // page) may have stored between evaluations what none of them stores again.
    return journal->stamp == phases->om()->changeStamp() && phases->holdsOnlyInsertedFacts();
}

int NaiveEvalWithInherit::stepBack(FProgram* program, HeldOutput& held) {
    do held.drop();
    while (!refill());
    // Refilling writes nothing the user is to see (equalities giving objects their further
    // names again, for one).
    held.drop();
    warned = position->warnedBeforeHeld;
    return evaluateOnce(program);
}

int NaiveEvalWithInherit::untilRunStands(FProgram* program, HeldOutput* held, int reached) {
    for (;;) {
        while (steppingBack() && phases->inheritance().blockEarliestConflicts() != 0)
            reached = stepBack(program, *held);
        // A blocking whose own value or more specific class did not come in the run that
        // stands goes: the inherited value comes back, with what follows from it.
        if (held == nullptr || reached == 0 ||
            phases->inheritance().releaseUnfoundedBlockings() == 0)
            return reached;
        reached = stepBack(program, *held);
    }
}

bool NaiveEvalWithInherit::refill() {
    // The facts of each program go in again in its first round; the matcher's compiled rules may
    // hold identifiers of the emptied base.
    phases->inheritance().clearKeepingBlockings();
    // The trace printer's names may stand for other objects in the next run.
    if (printer) printer->clear();
    reset(0);
    // Each evaluation since the journal started ran with the blockings that went when a later
    // one began: they hold again for it (and for the origin, which the first one started on).
    const std::vector<Journal::Entry>& entries = journal->entries;
    std::vector<InheritancePhases::Blockings> heldFor(entries.size());
    InheritancePhases::Blockings later = position->liftedAtStart;
    for (std::size_t i = entries.size(); i-- > 0;) {
        heldFor[i] = later;
        later.insert(entries[i].lifted.begin(), entries[i].lifted.end());
    }
    InheritancePhases& inheritance = phases->inheritance();
    inheritance.holdForReplay(heldFor.empty() ? InheritancePhases::Blockings{} : heldFor.front());
    if (journal->origin) journal->origin->restore(*phases, *matcher);
    // The evaluations since the journal started, again and with the blockings: what they derived
    // from a value that gives way goes, what entered the base with them stays.
    for (std::size_t i = 0; i < entries.size(); ++i) {
        inheritance.holdForReplay(heldFor[i]);
        const Ref<FProgram> earlier = programPrefix(entries[i].program.get(), entries[i].clauses);
        evaluateOnce(earlier.get());
        reset(0);
        if (!steppingBack()) continue;
        inheritance.holdForReplay({});
        if (inheritance.blockEarliestConflicts() != 0) return false;
        inheritance.forgetConflicts();
    }
    inheritance.holdForReplay({});
    return true;
}

void NaiveEvalWithInherit::cancelled() {
    debugChannel() << "evaluation cancelled at round " << now->rounds << std::endl;
    controlEvents::clearInterrupt();
    // An interrupted run is not run again.
    phases->inheritance().forgetConflicts();
}

bool NaiveEvalWithInherit::steppingBack() const {
    return position != nullptr && position->open && phases->inheritance().conflictsPending();
}

int NaiveEvalWithInherit::tpStep(FProgram* program) {
    const int changed = NaiveEval::tpStep(program);
    return steppingBack() ? 0 : changed;
}

int NaiveEvalWithInherit::deltaStep(const DeltaRules& rules, const DeltaRules::WholeRules& whole,
                                    FProgram* part) {
    const int changed = NaiveEval::deltaStep(rules, whole, part);
    return steppingBack() ? 0 : changed;
}

int NaiveEvalWithInherit::evaluateOnce(FProgram* program) {
    if (program == nullptr) return 0;
    traceProgram(program);
    inheritanceFlag |= program->inheritanceMark();
    const std::unique_ptr<ProgramPlan> plan = planOf(program);
    if (inheritanceFlag != 0) drawTriggers(program, *plan);
    controlEvents::clearInterrupt();
    retrieveTimer->start();
    retrieveTimer->stop();
    triggerTimer->start();
    triggerTimer->stop();
    --now->triggers;
    now->phaseRan = false;
    const bool completed = walkToFixpoint(program, *plan);
    if (now->roundFailed && !completed) return 0;
    if (interruptFlag.load() != 0) {
        addTimingStatistics();
        cancelled();
        return 0;
    }
    if (steppingBack()) return 0;
    closingFixpoint();
    addTimingStatistics();
    return 1;
}

bool NaiveEvalWithInherit::inheritsValues() const {
    return inheritanceFlag != 0 || phases->inheritance().inherited().watching();
}

bool NaiveEvalWithInherit::triggersWith(const Phase& phase) {
    return phase.triggers == ProgramPlan::Triggers::Alternate;
}

bool NaiveEvalWithInherit::conflictPending() const {
    return steppingBack() && !now->roundFailed && interruptFlag.load() == 0;
}

FixpointDriver::End NaiveEvalWithInherit::passTrigger() {
    int fired = 0;
    if (inheritanceFlag != 0) {
        fixpointBeforePhase();
        fired = triggerPhase();
    }
    if (interruptFlag.load() != 0 || steppingBack()) return FixpointDriver::End::Stopped;
    return fired != 0 ? FixpointDriver::End::Inherited : FixpointDriver::End::Fixpoint;
}

void NaiveEvalWithInherit::fixpointBeforePhase() {
    if (!countsProductivePhases()) ++now->triggers;
    if (flags != 0 && interruptFlag.load() == 0)
        debugChannel() << now->triggers << ". Fixpoint" << std::endl;
}

int NaiveEvalWithInherit::triggerPhase() {
    now->phaseRan = true;
    triggerTimer->cont();
    const int fired = fireTrigger();
    triggerTimer->stop();
    if (fired != 0 && countsProductivePhases()) ++now->triggers;
    return fired;
}

void NaiveEvalWithInherit::closingFixpoint() {
    // An evaluation with trigger phases wrote its last fixpoint before its last phase.
    if (!now->phaseRan) fixpointBeforePhase();
}

bool NaiveEvalWithInherit::partFixpoint(const Phase& phase) {
    int changed = -1;
    if (!triggersWith(phase)) {
        if (!partRounds(phase.part, phase.recursive, changed)) return false;
        // Interrupted, it still takes the one trigger phase that rounds alternating with
        // phases take.
        if (interruptFlag.load() != 0) passTrigger();
        return !steppingBack() && interruptFlag.load() == 0;
    }
    return fixpointWithTriggers(phase.part, changed, phase.recursive);
}

bool NaiveEvalWithInherit::fixpointWithTriggers(FProgram* program, int& changed, bool recursive) {
    do {
        if (!partRounds(program, recursive, changed) || steppingBack()) return false;
        recursive = true;
        // Without inheritance no trigger can fire: the part's fixpoint is no fixpoint of the
        // evaluation (closingFixpoint writes the one it reaches), and reading the process times
        // costs more than evaluating a small component does.
        if (inheritanceFlag == 0) break;
        fixpointBeforePhase();
        changed = triggerPhase();
    } while (interruptFlag.load() == 0 && changed != 0);
    return interruptFlag.load() == 0;
}

void NaiveEvalWithInherit::drawTriggers(FProgram* program, const ProgramPlan& plan) {
    now->triggerProgram = std::make_unique<const TriggerProgram>(program, plan);
    if (flags != 0) now->triggerProgram->print(debugChannel());
}

int NaiveEvalWithInherit::runPhase(const TriggerProgram* triggers,
                                   const std::set<InternalName>* deferred, bool full,
                                   int traceFlag) {
    if (full)
        phases->beginFullPhase(traceFlag);
    else
        phases->beginPhase(allTriggers, traceFlag);
    phases->inheritance().deferMethods(deferred);
    if (triggers != nullptr) {
        for (const Ref<FRule>& rule : triggers->rules()) {
            // The trigger's answers are not read: matching it is what inherits.
            matcher->retrieve(rule.get(), nullptr, phases->giveSymTab());
            if (allTriggers == 0 && phases->newFacts() != 0) break;
        }
    }
    phases->endPhase();
    return phases->takeNewFacts();
}

int NaiveEvalWithInherit::fireTrigger() {
    if (inheritanceFlag == 0) return 0;
    const int traceFlag = (flags & TraceTrigger) != 0 ? 1 : 0;
    const TriggerProgram* triggers = now->triggerProgram.get();
    // The contested methods the base knows by now; one it does not know has no value anywhere.
    // The phases keep them only while they run.
    std::set<InternalName> contestedNames;
    if (OM* om = phases->om(); om != nullptr && triggers != nullptr) {
        for (const Ref<FTerm>& method : triggers->contestedMethods()) {
            InternalName name;
            termToName(*om, name, static_cast<Path*>(method.get()));
            if (name != InternalName::UndefinedObject) contestedNames.insert(name);
        }
    }
    const bool deferring = !contestedNames.empty();
    const bool full = allTriggers == 0 && triggers != nullptr && triggers->fullPhases();
    int fired = runPhase(triggers, deferring ? &contestedNames : nullptr, full, traceFlag);
    // Nothing else to inherit: the contested methods' turn, one fact at a time.
    if (fired == 0 && deferring) fired = runPhase(triggers, nullptr, false, traceFlag);
    if (flags == 0) return fired;
    OutputChannel& debug = debugChannel();
    if (fired != 0) {
        debug << fired << " Trigger fired!" << std::endl;
        return 1;
    }
    debug << "No trigger found." << std::endl;
    return 0;
}

Evaluation* NaiveEvalWithInherit::tp(FProgram* program) {
    if (program == nullptr) return this;
    inheritanceFlag |= program->inheritanceMark();
    OM* base = phases->om();
    // Steps of a program not analysed (tp alone does not) inherit nothing themselves, but a
    // query between them may have stored inherited values, which a step's own value can meet.
    if (base == nullptr ||
        (inheritanceFlag == 0 && !phases->inheritance().inherited().watching())) {
        stepSequence.reset();
        tpOnce(program);
        return this;
    }
    // The steps since the last one that did not follow a step of this program on this base
    // form one evaluation (the shell starts each step at round 0, so the rounds tell nothing): a
    // step whose own value replaces an inherited one steps back to where that evaluation started,
    // blocks the inheritance, and takes the same steps again.
    if (!stepSequence || stepSequence->program.get() != program ||
        stepSequence->stamp != base->changeStamp()) {
        stepSequence.emplace(program);
        // Right after evaluations the journal explains, the steps go back through it.
        stepSequence->afterJournal =
            journal && journalGoesOn() && (!journal->origin || journal->origin->complete());
        if (!stepSequence->afterJournal && !base->pristine()) stepSequence->before.emplace(*phases);
        phases->inheritance().forgetConflicts();
    }
    StepSequence& sequence = *stepSequence;
    StepBackPosition at;
    const HoldPosition holding(*this, at);
    at.open = sequence.afterJournal || !sequence.before || sequence.before->complete();
    std::optional<HeldOutput> held;
    if (at.open) held.emplace();
    at.warnedBeforeHeld = warned;
    sequence.starts.emplace_back(now->rounds, now->triggers);
    tpOnce(program);
    while (steppingBack() && phases->inheritance().blockEarliestConflicts() != 0) {
        held->drop();
        warned = at.warnedBeforeHeld;
        if (sequence.afterJournal) {
            while (!refill()) {
            }
        } else {
            phases->inheritance().clearKeepingBlockings();
            if (printer) printer->clear();
            reset(0);
            if (sequence.before) sequence.before->restore(*phases, *matcher);
        }
        // Each step from the round and trigger count it was taken at; what the steps before
        // this one wrote was written when they were taken.
        for (std::size_t step = 0; step < sequence.starts.size() && !steppingBack(); ++step) {
            if (step + 1 == sequence.starts.size()) {
                held->drop();
                warned = at.warnedBeforeHeld;
            }
            now->rounds = sequence.starts[step].first;
            now->triggers = sequence.starts[step].second;
            tpOnce(program);
        }
    }
    held.reset();
    at.open = false;
    phases->inheritance().forgetConflicts();
    sequence.stamp = base->changeStamp();
    return this;
}

void NaiveEvalWithInherit::tpOnce(FProgram* program) {
    const int changed = tpStepInStrata(program);
    if (interruptFlag.load() != 0) return;
    OutputChannel& system = systemChannel();
    if (changed != 0) {
        system << "TP Round " << now->rounds << std::endl;
        ++now->rounds;
        return;
    }
    system << "FP reached in round " << now->rounds << std::endl;
    drawTriggers(program, *planOf(program));
    if (fireTrigger() == 0) {
        system << "Model evaluated";
    } else {
        system << now->triggers << ". inheritance rule triggered";
        ++now->triggers;
    }
    system << std::endl;
}

int NaiveEvalWithInherit::completeStratum(FProgram* program, const ProgramPlan& plan) {
    if (inheritanceFlag == 0) return 0;
    // The steps of tp go on with the trigger program drawn last; one without queries is drawn
    // again.
    if (!now->triggerProgram || now->triggerProgram->rules().empty()) drawTriggers(program, plan);
    return fireTrigger();
}

Ref<Operand> NaiveEvalWithInherit::retrieve(FRule* query, SymTab* /*names*/) {
    if (query == nullptr || !query->is(ParseTreeClass::FRule) || query->getBody() == nullptr ||
        query->getHead() != nullptr) {
        centralErrorHandler().report(err4::WrongArg);
        return nullptr;
    }
    // Matching again until nothing is inherited would repeat what the query's built-ins print
    // or run, the first times over incomplete facts.
    phases->beginFullPhase(0);
    phases->inheritance().onlyAdd();
    Ref<Operand> result = matcher->retrieve(query, nullptr, phases->giveSymTab());
    phases->endPhase();
    phases->takeNewFacts();
    matcher->remove(query);
    // The answers are made: what the query inherited goes again, and the next evaluation reads
    // the base the last one left.
    phases->inheritance().withdrawQueried();
    return result;
}

void NaiveEvalWithInherit::reset(int mode) {
    NaiveEval::reset(mode);
    now->triggers = 0;
    matcher->clear();
    now->triggerProgram.reset();
    if (mode == 0) return;
    inheritanceFlag = 0;
    journal.reset();
}

FLSysRef NaiveEvalWithInheritMeta::createInstance(FLSysArgs* args) {
    FLSysObject* matcher = nullptr;
    FLSysObject* access = nullptr;
    if (!checkArgs2(args, "Matcher", matcher, "OMAccess", access)) return nullptr;
    return Ref<NaiveEvalWithInherit>::make(static_cast<Matcher*>(matcher),
                                           static_cast<OMAccess*>(access), printers);
}
