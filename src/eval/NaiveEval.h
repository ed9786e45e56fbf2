// NaiveEval: the naive evaluation strategy, TP rounds over all rules until nothing changes, with
// its debugging traces; its class object.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "eval/DeltaRules.h"
#include "eval/Evaluation.h"
#include "eval/EvaluationState.h"
#include "eval/FixpointDriver.h"
#include "eval/PPProtocol.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "foundation/ShellCommands.h"

class FLSysString;
class FactList;
class Matcher;
class OMAccess;
class ProgramPlan;
class Timer;

class NaiveEval : public Evaluation, protected FixpointDriver::PartEvaluator {
  public:
    // Debug flag bits.
    enum : std::int32_t {
        TraceGeneral = 1,
        TraceInsert = 2,
        TraceDump = 4,
        TraceFrames = 8,
        TraceProgram = 16,
        TraceDelta = 32,
        TraceTrigger = 64
    };

    // Holds both; the embedded printer (insert traces) comes from `printers`, none when null.
    NaiveEval(Matcher* matcher, OMAccess* access, PrinterFactory printers = nullptr);
    NaiveEval(const NaiveEval&) = delete;
    NaiveEval& operator=(const NaiveEval&) = delete;

    // Shell methods "debugOn", "debugOff", "help", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // "aNaiveEval".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Runs the program to its fixpoint (runToFixpoint). A heap that runs out cancels the run as
    // an interrupt does, "evaluation cancelled at round N" followed by the reason, and what the
    // run held is given back; the session goes on.
    int evaluate(FProgram* program) final;
    Evaluation* tp(FProgram* program) override;
    Ref<Operand> retrieve(FRule* query, SymTab* names) override;
    void reset(int mode) override;
    void beginQuery() override;
    void endQuery() override;
    SymTab* baseSymTab() const override;
    // Null list: nothing; empty list: the flag word becomes 1; otherwise words, each optionally
    // followed by an integer. Null at the first element that is not a string.
    virtual NaiveEval* debugOn(FLSysArgs* args);
    virtual NaiveEval* debugOff(FLSysArgs* args);
    // Between the match half and the insert half of a round.
    virtual void beginInsertPhase() {}
    virtual NaiveEval* help();
    // One round: 1 something inserted, 0 nothing changed, -1 equalities applied.
    virtual int tpStep(FProgram* program);
    // One round of the rules a prepared delta program `rules` runs now
    // (DeltaRules::forEachOfRound), those `whole` marks as they are, named and traced through the
    // part `part`; answers as tpStep.
    virtual int deltaStep(const DeltaRules& rules, const DeltaRules::WholeRules& whole,
                          FProgram* part);
    // One round of the first stratum that still changes; 0 when every stratum is at its
    // fixpoint.
    int tpStepInStrata(FProgram* program);
    // Between two strata of single rounds, after the rounds of the lower one changed nothing:
    // completes what rounds do not make (of the whole program, planned as `plan`); non-zero
    // when it added facts.
    virtual int completeStratum(FProgram* /*program*/, const ProgramPlan& /*plan*/) { return 0; }

    // Sets the flag bit of the word, or watches the frame it names (number -1 for none).
    void addDebugOption(FLSysString* word, int number);

    std::int32_t debugFlags() const { return flags; }
    int rounds() const { return now->rounds; }

  protected:
    ~NaiveEval() override;

    // The evaluation proper: 1 at the fixpoint, 0 when it was cancelled or a round failed.
    virtual int runToFixpoint(FProgram* program);
    // Forgets what a run that ran out of memory left half done.
    virtual void abandonRun() {}

    Ref<Matcher> matcher;
    Ref<OMAccess> access;
    std::int32_t flags = 0;
    std::vector<Ref<FLSysString>> watchedNames;
    std::vector<int> watchedNumbers;
    // Where the rounds and trigger phases count: the state of the walk running (owned by the
    // driver's run, see countInto), or `betweenWalks` outside a walk.
    EvaluationState* now = &betweenWalks;
    // The base's name mark as the outermost open query began, and how many are open.
    std::int64_t queryNameMark = 0;
    int openQueries = 0;
    Ref<Timer> retrieveTimer;
    // Null until the printing layer has installed its factory.
    Ref<PPProtocol> printer;
    // With flag bit 16: "Program to evaluate:" and the program, before the first round.
    void traceProgram(FProgram* program);
    // One round of an evaluation: its trace line, the round and the count; a round that could
    // not finish (EvaluationState::roundFailed) is reported.
    int nextRound(FProgram* program);
    // nextRound of a round of the part's prepared delta program (deltaStep).
    int nextDeltaRound(const DeltaRules& rules, const DeltaRules::WholeRules& whole,
                       FProgram* part);
    // Runs rounds of `program` until one changes nothing (`changed` 0) or the evaluation is
    // interrupted; false when a round failed.
    bool roundsUntilStable(FProgram* program, int& changed);
    using Phase = FixpointDriver::Phase;
    // Walks the program's plan `plan` to its fixpoint, each part through partFixpoint: component
    // by component, or stratum by stratum where inherited values may reach the base (a trigger
    // phase may then give a read values another component makes). False as soon as one part
    // ends without its fixpoint. `own` is what the evaluator keeps of its own for the walk,
    // handed to the driver's run (FixpointDriver::holding).
    bool walkToFixpoint(FProgram* program, const ProgramPlan& plan,
                        std::unique_ptr<EvaluationState::Own> own = nullptr);
    // The part of the walk, whatever the evaluation: placed (placePart) and run to its fixpoint
    // (partFixpoint), or, where the walk takes single rounds, one round of it (oneRound); then
    // the join tables kept for it go.
    FixpointDriver::End evaluatePart(const Phase& phase) final;
    // Where the evaluation runs the walk's part `part` (it may change what runs, see
    // FixpointDriver::Phase::opening); false when the part is left as it is. Every part runs
    // in full here.
    virtual bool placePart(Phase& /*part*/) { return true; }
    // One round of the part, or the trigger phase over the whole program before it; the walk
    // stops at the first that changes something (EvaluationState::changed).
    FixpointDriver::End oneRound(const Phase& phase);
    std::vector<FSymbol> subclassesOf(const FSymbol& cls) final;
    EvaluationState* countInto(EvaluationState* state) final;
    // Translates the part's rules (Matcher::prepare) as the walk hands the part over, before its
    // first round. Not for every part before the first runs: the trees of a whole program held at
    // once cost a chain of many rules half its time again.
    void translatePart(FProgram* part);
    // The plan of the whole program as this evaluator draws it.
    std::unique_ptr<ProgramPlan> planOf(FProgram* program) const;
    // One part of an evaluation run to its fixpoint: its rounds (see partRounds).
    virtual bool partFixpoint(const Phase& phase);
    // The trigger phase after a pass over the components that change what is inherited:
    // Inherited when it added facts; without inheritance there is nothing to add.
    virtual FixpointDriver::End passTrigger() { return FixpointDriver::End::Fixpoint; }
    bool stoppedOnConflict() override { return conflictPending(); }
    // Whether a conflict to step back from is pending; only inheritance makes one.
    virtual bool conflictPending() const { return false; }
    // The rounds of one part until one changes nothing (`changed` 0); a part that is not
    // recursive runs one round, unless it applied equalities. False when a round failed.
    bool partRounds(FProgram* part, bool recursive, int& changed);
    // Whether this evaluation turns inheritable values into facts, which makes method reads
    // depend on the classes holding them.
    virtual bool inherits() const { return false; }
    // Whether inherited values may reach the base during the evaluation: the components of a
    // program then cannot run apart, since a trigger phase may give a read values another
    // component makes (the walk goes by strata).
    virtual bool inheritsValues() const { return inherits(); }
    // The statistic lines of the retrieve time and the number of rounds.
    void addRoundStatistics();

    // The warnings of the plans written so far (see FixpointDriver::Warned).
    FixpointDriver::Warned warned;

  private:
    // The state kept between calls, where the counts stand between walks until a reset: the
    // single steps of tp count on from one another, and the rounds and counts an evaluation
    // takes outside its walks count here (the step-back replays' resets, the closing fixpoint
    // and the statistic lines).
    EvaluationState betweenWalks;
    // The shell commands and help lines of the class.
    static const ShellCommands<NaiveEval>& shellCommands();

    // What a round inserts, in program order: a clause with the rows of its body (none for a
    // fact), or a run of facts kept compact (count of them from fact on).
    struct PendingInsert {
        FRule* clause;
        Ref<Operand> bindings;
        const FactList* facts;
        std::size_t fact;
        std::size_t count;
    };
    using Pending = std::vector<PendingInsert>;
    // The round of tpStep and deltaStep: matches the clauses `walk` visits
    // (walk(onRule, onFact)), then inserts what they derived; names through `program`.
    template <class Walk>
    int roundOver(FProgram* program, Walk walk);
    // The trace line, the count and the report of a round taken by `step`.
    template <class Step>
    int countedRound(Step step);
    void traceInsert(FRule* clause, Operand* bindings, FProgram* program);
};

// The debugOn and debugOff commands of an evaluator's table. The evaluators name them in their own
// tables for their help, which differs only in the line saying what "delta" shows; the handlers
// reach the evaluator's own (virtual) operations.
template <class Evaluator>
typename ShellCommands<Evaluator>::Command debugOnCommand(const char* deltaHelp) {
    return {
        "debugOn",
        ShellArgs::Any,
        [](Evaluator& self, FLSysArgs* args) -> FLSysRef {
            return FLSysRef::share(self.debugOn(args));
        },
        {"    - debugOn@(ListOfStrings)", "          enable debug output. Possible arguments are:",
         "          \"program\" : display the program to evaluate",
         "          \"dump\"    : dump OM after each TP round",
         "          \"insert\"  : display all inserts into OM", deltaHelp,
         "          All other strings are interpreted as names of frames to watch."}};
}

template <class Evaluator>
typename ShellCommands<Evaluator>::Command debugOffCommand() {
    return {"debugOff",
            ShellArgs::Any,
            [](Evaluator& self, FLSysArgs* args) -> FLSysRef {
                return FLSysRef::share(self.debugOff(args));
            },
            {"    - debugOff "}};
}

// Registered as "classNaiveEval": new@(Matcher, OMAccess).
class NaiveEvalMeta : public XMeta {
  public:
    // Every evaluator made embeds a printer from `printers`.
    explicit NaiveEvalMeta(PrinterFactory printers = nullptr)
        : XMeta("NaiveEval"), printers(printers) {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    PrinterFactory printers;
};
