// NaiveEvalWithInherit: naive evaluation for programs with inheritance, alternating TP rounds to
// a fixpoint with trigger phases that turn inherited values into facts; its class object.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "access/InheritancePhases.h"
#include "eval/BaseSnapshot.h"
#include "eval/NaiveEval.h"
#include "foundation/Ref.h"
#include "objectbase/InternalName.h"

class HeldOutput;
class TriggerProgram;

class NaiveEvalWithInherit : public NaiveEval {
  public:
    // Takes a second reference on the access layer, through which the phases run.
    NaiveEvalWithInherit(Matcher* matcher, OMAccess* access, PrinterFactory printers = nullptr);

    // "aNaiveEvalWithInherit".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Evaluates the program (evaluateOnce). When an own value replaced an inherited one that
    // rules may have read, or a more specific class with another value came to reach the host,
    // the evaluation steps back: that inheritance is blocked for the host, method and arguments
    // (from every class, or from the class that gave way), the base is emptied, filled again
    // from the journal (the base before the evaluations since inherited values could give way,
    // and those evaluations again with the blockings), and the program evaluated again, until a
    // run has no such conflict. A blocking whose cause does not come in the run that stands goes
    // and the program is evaluated again; a blocking goes at most once, so this ends. Where the
    // journal starts on a base that held facts, it starts from the base's printed form (see
    // BaseSnapshot); values inherited before are then recomputed, withdrawn when blocked, but what
    // was derived from them before stays. A base whose form does not read back is not stepped back
    // on: the own value replaces the inherited one and what was derived from it stays.
    int runToFixpoint(FProgram* program) override;
    // One step: a round, or a trigger phase at a fixpoint. A step that meets a conflict steps
    // back as evaluate does: to the base as it was before the first of the steps taken one after
    // the other on it, where the same steps are taken again with the inheritance blocked; the
    // step then says what it did in the model so found.
    Evaluation* tp(FProgram* program) override;
    // A round that ends with a conflict to step back from counts as the last of its fixpoint.
    int tpStep(FProgram* program) override;
    int deltaStep(const DeltaRules& rules, const DeltaRules::WholeRules& whole,
                  FProgram* part) override;
    // Matches the query once inside a full phase: every atom inherits all it can before it is
    // answered, so the answers are final and the query's built-ins act once per row.
    Ref<Operand> retrieve(FRule* query, SymTab* names) override;
    // A non-zero mode also forgets that any program used inheritance.
    void reset(int mode) override;
    // One trigger phase; non-zero when it added facts. The phase leaves the methods that rule
    // heads give values of their own for a second phase, run only when the first adds nothing.
    virtual int fireTrigger();

    // What the trigger phases of the evaluation running (or the last one) match; null before
    // one drew it, and after a reset.
    const TriggerProgram* triggerProgram() const { return now->triggerProgram.get(); }
    int triggerCount() const { return now->triggers; }
    int inheritance() const { return inheritanceFlag; }
    int triggerMode() const { return allTriggers; }

  protected:
    ~NaiveEvalWithInherit() override;

    // One evaluation of the program over the base as it is.
    virtual int evaluateOnce(FProgram* program);
    // A run that ran out of memory: no step back is open, and no journal explains the base.
    void abandonRun() override;
    // Whether the run is to stop and start again: a conflict came while stepping back is
    // possible.
    bool steppingBack() const;
    // After an interrupt: says at which round the evaluation was cancelled, clears the
    // interrupt, and runs it no more.
    void cancelled();

    void addTimingStatistics();
    // Rounds to a fixpoint, then a trigger phase, until a phase adds nothing; `changed` is the
    // answer of the last round (start with -1); a part that is not `recursive` runs one round
    // before its first trigger phase. False when a round failed or the user interrupted.
    bool fixpointWithTriggers(FProgram* program, int& changed, bool recursive = true);
    bool inherits() const override { return inheritanceFlag != 0; }
    bool inheritsValues() const override;
    // A trigger phase over the whole program's triggers: a stratum read next sees the values
    // inherited from the one below.
    int completeStratum(FProgram* program, const ProgramPlan& plan) override;
    // Rounds to a fixpoint alternating with trigger phases (fixpointWithTriggers), or rounds
    // alone for a component the plan gives no trigger phases.
    bool partFixpoint(const Phase& phase) override;
    // Whether the part's rounds alternate with trigger phases.
    static bool triggersWith(const Phase& phase);
    // One trigger phase, counted and traced as the fixpoint before it; nothing without
    // inheritance.
    FixpointDriver::End passTrigger() override;
    // The fixpoint of the evaluation that a trigger phase follows: its line "k. Fixpoint", k
    // counting the fixpoints before it, or, where the evaluator counts productive phases
    // (countsProductivePhases), the phases before it that added facts.
    void fixpointBeforePhase();
    // One trigger phase, timed; non-zero when it added facts (counted where the evaluator counts
    // productive phases).
    int triggerPhase();
    // At the end of an evaluation that ran no trigger phase, the one fixpoint it reached (a
    // program without inheritance ends at its first fixpoint, however many parts it has).
    void closingFixpoint();
    // Whether the trigger count counts the phases that added facts rather than the fixpoints.
    virtual bool countsProductivePhases() const { return false; }
    bool conflictPending() const override;

    Ref<OMAccess> phases;
    int inheritanceFlag = 0;
    // 0 one trigger per phase, 1 all triggers with buffered inserts.
    int allTriggers = 0;
    Ref<Timer> triggerTimer;
    // Draws the trigger program of `program`, planned as `plan`, into the evaluation's state
    // ("TriggerList:" and its queries in the debug trace).
    void drawTriggers(FProgram* program, const ProgramPlan& plan);
    // One phase matching the queries of `triggers` (none when null); the methods in `deferred`
    // are left out where it is not null, `full` inserts all a trigger inherits (one-trigger
    // mode).
    int runPhase(const TriggerProgram* triggers, const std::set<InternalName>* deferred, bool full,
                 int traceFlag);
    // One step of tp, without stepping back.
    void tpOnce(FProgram* program);
    // The steps of tp taken one after the other on a base that nothing else changed between
    // them: the base they started on unless it was empty, where each step started, and the
    // base's change stamp after the last one.
    struct StepSequence {
        explicit StepSequence(FProgram* stepped);
        // Held so that no other program takes its place.
        Ref<FProgram> program;
        std::optional<BaseSnapshot> before;
        // The steps started on the base the journal's evaluations left: a step back goes through
        // the journal, and no base is written out for them.
        bool afterJournal = false;
        // The round and trigger count each step started at.
        std::vector<std::pair<int, int>> starts;
        std::uint64_t stamp = 0;
    };
    std::optional<StepSequence> stepSequence;
    // Where the evaluation (runToFixpoint) or the step of tp now running stands towards a step
    // back. Owned by that call, which the evaluator points to while it runs; nothing of it
    // outlives the call (the journal and the step sequence are what does).
    struct StepBackPosition {
        // Whether the run can step back: the journal, or the base before the steps, can be
        // filled in again.
        bool open = false;
        // The blockings that went when the evaluation began (with those of the evaluation of the
        // same program it takes the place of); empty for the steps of tp.
        InheritancePhases::Blockings liftedAtStart;
        // The warnings written before the output now held: a run stepped back from drops what
        // it wrote, its warnings among them, and the run that takes its place writes them again.
        FixpointDriver::Warned warnedBeforeHeld;
    };
    // The running call's; null between calls.
    StepBackPosition* position = nullptr;
    // Points the evaluator to a call's position for the call's extent.
    class HoldPosition {
      public:
        HoldPosition(NaiveEvalWithInherit& self, StepBackPosition& held);
        HoldPosition(const HoldPosition&) = delete;
        HoldPosition& operator=(const HoldPosition&) = delete;
        ~HoldPosition();

      private:
        NaiveEvalWithInherit& self;
        StepBackPosition* outer;
    };
    // While inherited values may give way: the base before the first of the evaluations since
    // (none when it was empty), each evaluation's program as it was (a reference each, so that
    // no other program takes its place, and its length), and the base's change stamp after the
    // last. A step back fills the base again from the origin and evaluates those programs again
    // with the blockings, then the current one; a program's facts and what a load stored
    // enter again, what was derived from a value that gives way does not.
    struct Journal {
        Journal();
        struct Entry {
            Entry(FProgram* evaluated, InheritancePhases::Blockings lifted);
            Ref<FProgram> program;
            std::size_t clauses = 0;
            // The blockings that went when the evaluation began: the evaluations before it ran
            // with them, and run with them again.
            InheritancePhases::Blockings lifted;
        };
        std::optional<BaseSnapshot> origin;
        std::vector<Entry> entries;
        std::uint64_t stamp = 0;
    };
    std::optional<Journal> journal;
    // Empties the base, fills it from the journal with the blockings, and evaluates the program
    // again; the output held so far is dropped.
    int stepBack(FProgram* program, HeldOutput& held);
    // From a run's result: steps back while the run met a conflict not blocked before, or met
    // blockings whose cause did not come in it (they go), until a run stands; its result. Null
    // `held` when no step back is possible.
    int untilRunStands(FProgram* program, HeldOutput* held, int reached);
    // Empties the base and fills it from the journal: the origin, then the evaluations since,
    // again with the blockings. False when one of them met a conflict not blocked before (it is
    // blocked now, and the refill is to start again).
    bool refill();
    // Whether the base is still as the journal's last evaluation left it, but for values queries
    // inherited since (the same inheritance stores them again).
    bool journalGoesOn() const;
};

// Registered as "classNaiveEvalWithInherit": new@(Matcher, OMAccess).
class NaiveEvalWithInheritMeta : public XMeta {
  public:
    explicit NaiveEvalWithInheritMeta(PrinterFactory printers = nullptr)
        : XMeta("NaiveEvalWithInherit"), printers(printers) {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    PrinterFactory printers;
};
