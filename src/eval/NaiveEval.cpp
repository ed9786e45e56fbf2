// Naive evaluation: the round loop, the two halves of a round, queries and the debug switches.
#include "eval/NaiveEval.h"

#include <memory>
#include <new>
#include <set>
#include <utility>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "eval/DeltaRules.h"
#include "eval/Matcher.h"
#include "eval/PPProtocol.h"
#include "eval/ProgramPlan.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutOfMemory.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/StatisticHandler.h"
#include "foundation/StretchTimer.h"
#include "foundation/Timer.h"
#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FactList.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"

namespace {
// The words of debugOn with their bits, compared in this order.
struct DebugWord {
    const char* word;
    std::int32_t bit;
};
const DebugWord debugWords[] = {{"dump", NaiveEval::TraceDump},
                                {"insert", NaiveEval::TraceInsert},
                                {"program", NaiveEval::TraceProgram},
                                {"delta", NaiveEval::TraceDelta},
                                {"trigger", NaiveEval::TraceTrigger}};
}  // namespace

NaiveEval::NaiveEval(Matcher* matcher, OMAccess* access, PrinterFactory printers)
    : matcher(Ref<Matcher>::share(matcher)),
      access(Ref<OMAccess>::share(access)),
      retrieveTimer(Ref<Timer>::adopt(new StretchTimer)),
      printer(Ref<PPProtocol>::adopt(makePrinter(printers, access))) {}

NaiveEval::~NaiveEval() {
    // The matcher may be shared with another evaluator; what it compiled for this one goes.
    if (matcher) matcher->clear();
}

FLSysRef NaiveEval::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<Evaluation>(*this, name, args);
}

const ShellCommands<NaiveEval>& NaiveEval::shellCommands() {
    static const ShellCommands<NaiveEval> table{
        {"", "                    Online help for class NaiveEval", "", "",
         "You can apply the following member functions to an instance of ",
         "class NaiveEval : ", ""},
        {
            {"help", ShellArgs::Any,
             [](NaiveEval& self, FLSysArgs*) -> FLSysRef { return FLSysRef::share(self.help()); },
             standardMethodsHelp()},
            debugOnCommand<NaiveEval>(
                "          \"delta\"   : shows delta predicates if in seminaive mode"),
            debugOffCommand<NaiveEval>(),
        },
        {"", ""}};
    return table;
}

void NaiveEval::print(OutputChannel& channel) const {
    channel << "aNaiveEval";
}

bool NaiveEval::isA(const std::string& className) const {
    return className == "NaiveEval" || Evaluation::isA(className);
}

int NaiveEval::evaluate(FProgram* program) {
    try {
        const int reached = runToFixpoint(program);
        // The trees of parts the evaluation did not run go with it.
        if (matcher) matcher->forgetPrepared();
        return reached;
    } catch (const std::bad_alloc&) {
        if (matcher) matcher->forgetPrepared();
        // The run's own operands and plans went with the unwinding; the facts it stored stay, as
        // after an interrupt.
        abandonRun();
        now->roundFailed = false;
        controlEvents::clearInterrupt();
        releasePools(1);
        debugChannel() << "evaluation cancelled at round " << now->rounds << std::endl;
        centralErrorHandler().report(containerError(999, outOfMemory::Text));
        return 0;
    }
}

int NaiveEval::runToFixpoint(FProgram* program) {
    if (program == nullptr) return 0;
    traceProgram(program);
    controlEvents::clearInterrupt();
    retrieveTimer->start();
    retrieveTimer->stop();
    const std::unique_ptr<ProgramPlan> plan = planOf(program);
    if (walkToFixpoint(program, *plan)) {
        access->cleanup();
        addRoundStatistics();
        return 1;
    }
    if (now->roundFailed) return 0;
    debugChannel() << "evaluation cancelled at round " << now->rounds << std::endl;
    controlEvents::clearInterrupt();
    return 0;
}

bool NaiveEval::roundsUntilStable(FProgram* program, int& changed) {
    while (interruptFlag.load() == 0 && changed != 0) {
        changed = nextRound(program);
        if (now->roundFailed) return false;
    }
    return true;
}

bool NaiveEval::partFixpoint(const Phase& phase) {
    int changed = -1;
    return partRounds(phase.part, phase.recursive, changed) && interruptFlag.load() == 0;
}

std::unique_ptr<ProgramPlan> NaiveEval::planOf(FProgram* program) const {
    return std::make_unique<ProgramPlan>(
        program, inherits() ? ProgramPlan::Inheritance::Inherits : ProgramPlan::Inheritance::None);
}

bool NaiveEval::partRounds(FProgram* part, bool recursive, int& changed) {
    if (!recursive && changed != 0 && interruptFlag.load() == 0) {
        changed = nextRound(part);
        if (now->roundFailed) return false;
        if (changed > 0) changed = 0;
    }
    return roundsUntilStable(part, changed);
}

namespace {
// Every class the base holds below `cls`, at any depth.
std::vector<FSymbol> subclassesIn(OM* base, const FSymbol& cls) {
    std::vector<FSymbol> out;
    InternalName start;
    if (base == nullptr || base->giveInternalName(cls, start) == 0) return out;
    std::vector<InternalName> work{start};
    std::set<InternalName> seen{start};
    Ref<Iterator> members;
    while (!work.empty()) {
        const InternalName upper = work.back();
        work.pop_back();
        members.renew([&](Iterator* old) { return base->isaIterator(upper, 2, old); });
        for (bool more = members->first(); more; more = members->next()) {
            const InternalName lower = members->atColumn(1);
            if (!seen.insert(lower).second) continue;
            work.push_back(lower);
            FSymbol symbol;
            if (base->giveSymbol(lower, symbol) != 0) out.push_back(symbol);
        }
    }
    return out;
}
}  // namespace

bool NaiveEval::walkToFixpoint(FProgram* program, const ProgramPlan& plan,
                               std::unique_ptr<EvaluationState::Own> own) {
    // Each plan's policy says how it is walked (ProgramPlan::walkPolicy).
    return FixpointDriver(*this, program, plan, ProgramPlan::Road::First, warned)
        .withValues(inheritsValues() ? ProgramPlan::Values::Reach : ProgramPlan::Values::Stay)
        .holding(std::move(own))
        .run();
}

FixpointDriver::End NaiveEval::evaluatePart(const Phase& phase) {
    if (phase.rounds == FixpointDriver::Rounds::One) return oneRound(phase);
    if (phase.trigger) return passTrigger();
    Phase part = phase;
    if (!placePart(part)) return FixpointDriver::End::Fixpoint;
    now->equated = false;
    translatePart(part.part);
    const bool reached = partFixpoint(part);
    if (matcher) matcher->forgetKeptTables();
    if (!reached) return FixpointDriver::End::Stopped;
    return now->equated ? FixpointDriver::End::FixpointEquated : FixpointDriver::End::Fixpoint;
}

void NaiveEval::translatePart(FProgram* part) {
    if (!matcher || part == nullptr) return;
    SymTab* names = part->getSymTab();
    part->forEachRule([&](FRule* rule) {
        if (rule->ruleKind() == FRule::Rule) matcher->prepare(rule, names);
        return true;
    });
}

std::vector<FSymbol> NaiveEval::subclassesOf(const FSymbol& cls) {
    return subclassesIn(access->om(), cls);
}

EvaluationState* NaiveEval::countInto(EvaluationState* state) {
    return std::exchange(now, state != nullptr ? state : &betweenWalks);
}

FixpointDriver::End NaiveEval::oneRound(const Phase& phase) {
    if (phase.trigger) {
        now->changed = completeStratum(phase.program, phase.plan);
        if (matcher) matcher->forgetKeptTables();
        return now->changed != 0 ? FixpointDriver::End::Stopped : FixpointDriver::End::Fixpoint;
    }
    now->changed = tpStep(phase.part);
    if (matcher) matcher->forgetKeptTables();
    const bool reached = now->changed == 0 && !now->roundFailed && interruptFlag.load() == 0;
    return reached ? FixpointDriver::End::Fixpoint : FixpointDriver::End::Stopped;
}

void NaiveEval::traceProgram(FProgram* program) {
    if ((flags & TraceProgram) == 0) return;
    OutputChannel& debug = debugChannel();
    debug << "Program to evaluate:" << std::endl << std::endl;
    program->display(debug);
}

template <class Step>
int NaiveEval::countedRound(Step step) {
    if (flags != 0) debugChannel() << "TP(" << now->rounds << ")" << std::endl;
    const int changed = step();
    ++now->rounds;
    // A round that could not finish is no fixpoint: the model was not reached.
    if (now->roundFailed) centralErrorHandler().report(err11::CannotEvaluate);
    return changed;
}

int NaiveEval::nextRound(FProgram* program) {
    return countedRound([&] { return tpStep(program); });
}

int NaiveEval::nextDeltaRound(const DeltaRules& rules, const DeltaRules::WholeRules& whole,
                              FProgram* part) {
    return countedRound([&] { return deltaStep(rules, whole, part); });
}

void NaiveEval::addRoundStatistics() {
    centralStatistic().insert("(Time spent in retrieving       : " + retrieveTimer->diffReal() +
                                  " real    " + retrieveTimer->diffUser() + " user)",
                              0);
    centralStatistic().insert("Number of TP iterations         : " + std::to_string(now->rounds),
                              0);
}

int NaiveEval::tpStep(FProgram* program) {
    now->roundFailed = false;
    if (program == nullptr) return 0;
    return roundOver(
        program, [program](auto onRule, auto onFact) { program->forEachClause(onRule, onFact); });
}

int NaiveEval::deltaStep(const DeltaRules& rules, const DeltaRules::WholeRules& whole,
                         FProgram* part) {
    now->roundFailed = false;
    if (part == nullptr) return 0;
    // The rules come from the list made as the part was prepared, not from a program of the
    // round: no compact fact stands among them.
    return roundOver(part, [&rules, &whole, this](auto onRule, auto /*onFact*/) {
        rules.forEachOfRound(*access, whole, onRule);
    });
}

template <class Walk>
int NaiveEval::roundOver(FProgram* program, Walk walk) {
    if (OM* base = access->om()) base->noteRound();
    OutputChannel& debug = debugChannel();
    SymTab* names = program->getSymTab();
    Pending pending;
    // The retrieval of the round's rules is timed as one stretch: reading the process times
    // costs more than retrieving a small rule does.
    bool timing = false;
    // The facts are inserted in the first round only, in their places among the rules' results.
    auto visitFact = [&](const FactList& facts, std::size_t i) {
        if (interruptFlag.load() != 0) return false;
        if (now->rounds >= 1) return true;
        if (!pending.empty() && pending.back().facts == &facts &&
            pending.back().fact + pending.back().count == i)
            ++pending.back().count;
        else
            pending.push_back(PendingInsert{nullptr, {}, &facts, i, 1});
        return true;
    };
    auto visitClause = [&](FRule* clause) {
        if (interruptFlag.load() != 0) return false;
        const FRule::Kind kind = clause->kind();
        if (kind == FRule::Fact) {
            if (now->rounds < 1) pending.push_back(PendingInsert{clause, {}, nullptr, 0, 0});
        } else if (kind == FRule::Rule) {
            if (flags != 0) debug << "." << std::flush;
            if (!timing) retrieveTimer->cont();
            timing = true;
            Ref<Operand> result = matcher->retrieve(clause, nullptr, names);
            // A join stopped by Ctrl-C or a farewell left its result unfinished: it goes.
            if (controlEvents::takeCutShort()) return false;
            if (!result || result->isEmpty()) return true;
            pending.push_back(PendingInsert{clause, std::move(result), nullptr, 0, 0});
        }
        return true;
    };
    walk(visitClause, visitFact);
    if (timing) retrieveTimer->stop();
    if (flags != 0) debug << std::endl;

    beginInsertPhase();

    int changed = 0;
    for (PendingInsert& insert : pending) {
        int answer = 0;
        if (insert.facts != nullptr) {
            matcher->beginFactRun();
            Creator::BeforeFact trace;
            if ((flags & TraceInsert) != 0)
                trace = [&](std::size_t i) {
                    traceInsert(Ref<FRule>::adopt(insert.facts->clause(i)).get(), nullptr, program);
                };
            answer = matcher->insertFacts(*insert.facts, insert.fact, insert.count, trace);
            matcher->endFactRun();
        } else {
            if ((flags & TraceInsert) != 0)
                traceInsert(insert.clause, insert.bindings.get(), program);
            answer = matcher->insert(insert.clause, insert.bindings.get());
            // The result is stored: its rows go now, and the later results' rows take their place.
            insert.bindings.reset();
        }
        if (answer == -1) {
            now->roundFailed = true;
            return 0;
        }
        if (answer != 0) changed = 1;
    }
    pending.clear();

    if (matcher->applyEqualities() != 0) {
        changed = -1;
        now->equated = true;
    }
    if (!matcher->isOk()) {
        now->roundFailed = true;
        return 0;
    }

    if ((flags & TraceDump) != 0) access->dump(1);
    if ((flags & TraceDelta) != 0) access->showDelta();
    if ((flags & TraceFrames) != 0)
        for (std::size_t i = 0; i < watchedNames.size(); ++i)
            access->showFrame(watchedNames[i]->value(), watchedNumbers[i]);
    releasePools(0);
    return changed;
}

void NaiveEval::traceInsert(FRule* clause, Operand* bindings, FProgram* program) {
    OutputChannel& debug = debugChannel();
    debug << "Inserting: ";
    clause->print(debug, program->getSymTab(), clause->getSymTab());
    debug << std::endl;
    if (bindings == nullptr) return;
    debug << "with Bindings " << std::endl;
    if (printer) {
        // The bindings as a query over the same body would print them; the creator still gets
        // the evaluated ones.
        const Ref<Operand> shown =
            matcher->inSafeColumnOrder(clause, Ref<Operand>::share(bindings), program->getSymTab());
        printer->makeOutput(clause, shown.get());
    }
    debug << std::endl;
}

int NaiveEval::tpStepInStrata(FProgram* program) {
    // The round belongs to the first stratum that has not reached its fixpoint, so that no
    // round reads a relation under negation or in an aggregate before it is complete.
    // A later stratum starts only once what rounds do not make is complete too.
    const std::unique_ptr<ProgramPlan> plan = planOf(program);
    now->changed = 0;
    FixpointDriver(*this, program, *plan, ProgramPlan::Road::OneRound, warned,
                   FixpointDriver::Between::TriggerPhase)
        .run();
    return now->changed;
}

Evaluation* NaiveEval::tp(FProgram* program) {
    const int changed = tpStepInStrata(program);
    if (interruptFlag.load() != 0) return this;
    if (changed != 0) {
        systemChannel() << "TP Round " << now->rounds << std::endl;
        ++now->rounds;
    } else {
        systemChannel() << "FP reached in round " << now->rounds << std::endl;
    }
    return this;
}

Ref<Operand> NaiveEval::retrieve(FRule* query, SymTab* /*names*/) {
    if (!matcher || !matcher->isOk()) {
        centralErrorHandler().report(err4::InconsistentOM);
        return nullptr;
    }
    if (query == nullptr || !query->is(ParseTreeClass::FRule) || query->getBody() == nullptr ||
        query->getHead() != nullptr) {
        centralErrorHandler().report(err4::WrongArg);
        return nullptr;
    }
    Ref<Operand> result = matcher->retrieve(query, nullptr, access->giveSymTab());
    matcher->remove(query);
    return result;
}

void NaiveEval::beginQuery() {
    if (openQueries++ != 0) return;
    OM* base = access ? access->om() : nullptr;
    queryNameMark = base != nullptr ? base->nameMark() : 0;
}

void NaiveEval::endQuery() {
    if (openQueries == 0 || --openQueries != 0) return;
    if (OM* base = access ? access->om() : nullptr) base->forgetNamesMadeAfter(queryNameMark);
}

void NaiveEval::reset(int /*mode*/) {
    now->rounds = 0;
    matcher->clear();
}

SymTab* NaiveEval::baseSymTab() const {
    return access ? access->giveSymTab() : nullptr;
}

NaiveEval* NaiveEval::debugOn(FLSysArgs* args) {
    if (args == nullptr) return this;
    if (args->empty()) {
        flags = TraceGeneral;
        return this;
    }
    for (list_item it = args->first_item(); it != nullptr; it = args->next_item(it)) {
        auto* word = dynamic_cast<FLSysString*>(args->inf(it));
        if (word == nullptr) return nullptr;
        int number = -1;
        list_item next = args->next_item(it);
        const auto* count =
            next != nullptr ? dynamic_cast<FLSysInteger*>(args->inf(next)) : nullptr;
        if (count != nullptr) {
            number = count->value();
            it = next;
        }
        addDebugOption(word, number);
    }
    return this;
}

void NaiveEval::addDebugOption(FLSysString* word, int number) {
    const std::string text = word->value();
    for (const DebugWord& entry : debugWords) {
        if (text == entry.word) {
            flags |= entry.bit;
            return;
        }
    }
    watchedNames.push_back(Ref<FLSysString>::share(word));
    watchedNumbers.push_back(number);
    flags |= TraceFrames;
}

NaiveEval* NaiveEval::debugOff(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    flags = 0;
    watchedNames.clear();
    watchedNumbers.clear();
    return this;
}

NaiveEval* NaiveEval::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

FLSysRef NaiveEvalMeta::createInstance(FLSysArgs* args) {
    FLSysObject* matcher = nullptr;
    FLSysObject* access = nullptr;
    if (!checkArgs2(args, "Matcher", matcher, "OMAccess", access)) return nullptr;
    return Ref<NaiveEval>::make(static_cast<Matcher*>(matcher), static_cast<OMAccess*>(access),
                                printers);
}
