// PrSemiNaive: evaluation with inheritance that, in mode "seminaive", runs the program once and
// then only its delta program over the facts of the round before; the delta rewriting; its class
// object.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <vector>

#include "eval/DeltaRules.h"
#include "eval/LastFixpoint.h"
#include "eval/NaiveEvalWithInherit.h"
#include "eval/PartDeltas.h"
#include "eval/RuleSummary.h"
#include "foundation/Ref.h"
#include "objectbase/FSymbol.h"

class ChangedRelations;
class ProgramPlan;
class DeltaTable;
class FLiteral;
class FTerm;
class FTermList;
class FVar;
class Normalizer;

class PrSemiNaive : public NaiveEvalWithInherit {
  public:
    enum Mode { Naive = 0, SemiNaive = 1 };

    // Mode naive, no delta program.
    PrSemiNaive(Matcher* matcher, OMAccess* access, PrinterFactory printers = nullptr);

    // "debugOn", "debugOff", "mode", "help", then NaiveEval's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // "aPrSemiNaive".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Also lets go of a remembered program that only this evaluator still holds.
    void reset(int mode) override;
    // Starts a fresh delta of the rule table before each insert half.
    void beginInsertPhase() override;
    NaiveEval* help() override;
    // "naive", "seminaive", "allTriggers", "oneTrigger"; any other word reports WrongArgument.
    PrSemiNaive* mode(FLSysArgs* args);

    // How the rule form being made reads a membership's delta: as the base now holds subclasses
    // (the delta program of a whole program), or in the form asked for (a part's, made before it
    // runs).
    enum class MemberForm : std::uint8_t { AsTheBaseHolds, Direct, ThroughSubclasses };
    // One rewriting of a program or part into its delta programs: the normalizer that splits its
    // literals into atoms, what its heads derive, the fresh variables of the atom rewritten, the
    // membership form asked for. Made where the program is rewritten and dropped once its delta
    // programs are made: the delta terms hold their own references to the fresh variables.
    struct Rewriting {
        // Atomizes `program` for the normalizer.
        explicit Rewriting(FProgram* program);
        ~Rewriting();
        Rewriting(const Rewriting&) = delete;
        Rewriting& operator=(const Rewriting&) = delete;

        Ref<Normalizer> normalizer;
        MemberForm memberForm = MemberForm::AsTheBaseHolds;
        // Whether the direct membership form is open to the part at all (set by the rule form).
        bool directPossible = false;
        // The fresh variables the atom being rewritten shares among its variants.
        std::vector<Ref<FVar>> freshVars;
        // What the heads of the program derive, collected by the rule-form rewriting.
        std::set<int> headPredicates;
        int headMethodTypes = 0;
        int headIsaBits = 0;
        bool anyHead = false;
        // Set when a kept rule reads facts that delta recording does not count.
        bool unrecordedSeen = false;
        // Makes sure `freshVars` holds at least `count` fresh variables.
        void newVariables(int count);
    };

    // The delta predicates of the program, in rule form or trigger form, read from the
    // summaries of its clauses the plan holds; the rule form first, as the trigger form reads
    // what it found the heads derive.
    std::unique_ptr<DeltaTable> rewriteProgram(Rewriting& rewriting, FProgram* program,
                                               const ProgramPlan& plan, int triggerForm);
    // One variant per body atom with a delta predicate, for every rule of the program; rules
    // that read derived facts no delta atom covers are kept unchanged. Each rule's entries are
    // recorded as its span (DeltaRules::addSpan), from which the rules of the first delta round
    // are chosen as the part starts (PartDeltas::Form::firstRound). `triggerForm` says the table
    // is the trigger form's.
    std::unique_ptr<DeltaRules> buildDeltaProgram(Rewriting& rewriting, FProgram* program,
                                                  const ProgramPlan& plan, DeltaTable* table,
                                                  bool triggerForm = false);
    void rewriteRule(Rewriting& rewriting, FRule* rule, DeltaTable* table, DeltaRules& deltas);
    void rewriteAtom(Rewriting& rewriting, FTerm* atom, FTermList* atoms, int position, int index,
                     FRule* rule, DeltaRules& deltas, DeltaTable* table);

    int evaluationMode() const { return evalMode; }

    // How a body membership o : c meets the new memberships: as planned for each part (as a new
    // o : c itself when no subclass fact can be made while the part runs), or always as a new
    // o : v with v :: c, the general road the shortcut must agree with.
    enum class MemberDeltas : std::uint8_t { Planned, ThroughSubclasses };
    void useMemberDeltas(MemberDeltas roads) { memberDeltas = roads; }

    // Whether the first delta round runs a rule as it is where a variant reads the delta of a
    // named method that held nothing (the chosen road), or always keeps its variants over method
    // deltas (the general road the shortcut must agree with).
    void useMethodVariants(PartDeltas::Form::MethodVariants roads) { methodVariants = roads; }

  protected:
    ~PrSemiNaive() override;
    // In mode "seminaive", evaluating again a program brought to its fixpoint before, to which
    // clauses were only appended since, starts from the new facts and runs the new rules once
    // (see evaluateAddedFacts); with inheritance, only when they cannot change what is inherited
    // (see startOf).
    int evaluateOnce(FProgram* program) override;

    // Makes the delta programs of a part the walk is about to run (PartDeltas), before any part
    // of the plan runs: a recursive part in mode "seminaive", in trigger form too where its
    // rounds alternate with trigger phases.
    void preparePart(const Phase& phase) override;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<PrSemiNaive>& shellCommands();

    // The delta programs of a part run as `phase` says, made now unless the walk prepared them.
    PartDeltas& deltasOf(const Phase& phase, bool triggers);
    // Makes and keeps the delta programs of `part`, in trigger form too with `triggers`.
    PartDeltas& prepareDeltas(FProgram* part, const ProgramPlan& plan, bool triggers);

    // The steps of a part's semi-naive fixpoint: the first round over the clauses added since
    // the last fixpoint, a round of the whole part, the first delta round (see
    // PartDeltas::Form::firstRound), a delta round, a round of the whole part without recording
    // that confirms a fixpoint (see unrecordedReads), and a trigger phase with its round of the
    // trigger delta program.
    enum class Step : std::uint8_t { Opening, Whole, FirstDelta, Delta, Confirm, Trigger };

    // Where an evaluation in mode "seminaive" starts, decided once as it begins (startOf).
    enum class Start : std::uint8_t {
        // Every rule against the whole base, as a first evaluation does.
        WholeBase,
        // The clauses appended since the last fixpoint as the first delta (evaluateAddedFacts).
        AddedClauses,
    };
    // `changed` says what the clauses appended since the last fixpoint may change; null when
    // those clauses are not known.
    Start startOf(const ChangedRelations* changed) const;
    // With flag bit 16, "Program rewritten:" and the delta program of the whole program, and,
    // with inheritance, "and for the triggers:" and its trigger delta program.
    void traceRewritten(FProgram* program, const ProgramPlan& plan);
    // In mode "seminaive" the trigger count counts the trigger phases that added facts.
    bool countsProductivePhases() const override { return evalMode == SemiNaive; }

    // The semi-naive rounds of one stratum (or of the whole program) to its fixpoint, with the
    // trigger phases and their delta program; false when a round failed or the user interrupted.
    // With the phase's `opening`, the first round runs that program (the facts added since the
    // last fixpoint) instead of the part, whose delta program then starts from its facts.
    // A part that is not recursive runs one round, as naive evaluation does, with no delta
    // program. The delta programs are those the walk prepared for the part (preparePart); the
    // pass only chooses the membership form and the first delta round from them.
    bool semiNaiveFixpoint(const Phase& phase);
    // In mode "seminaive" the semi-naive rounds of the part (semiNaiveFixpoint).
    bool partFixpoint(const Phase& phase) override;
    // The evaluation of a program at its fixpoint after the clauses `added` were appended, as
    // the driver walks the whole program's plan by strata (and the plans of its rest): the
    // lowest strata that read no relation the added clauses may change under negation or in an
    // aggregate run as one, their first round inserting only the added facts and running only
    // the added rules, and their delta program starting from what that round made; the strata
    // from the first one that does are evaluated in full, one after the other.
    bool evaluateAddedFacts(const ProgramPlan& plan, FProgram* program, FProgram* added,
                            const ChangedRelations& changed);
    // The same, component by component, where the program's components may run apart: the
    // first round inserts the added facts, then each component in dependency order runs to its
    // fixpoint when it holds a new rule or reads a relation the added facts may change, and is
    // left as it is otherwise; from the first one that reads such a relation under negation or
    // in an aggregate on, every component runs.
    bool evaluateAddedByComponent(const ProgramPlan& plan, FProgram* program, FProgram* added,
                                  const ChangedRelations& changed);
    // What evaluating again knows of the clauses added since the last fixpoint: a component
    // runs to its semi-naive fixpoint when it holds a new rule or reads a relation the added
    // clauses may change; from the first one that reads such a relation under negation or in an
    // aggregate on (from the first one, when the opening round equated objects), every component
    // runs. Part of the evaluation's state (Run), read as the walk hands each part over.
    struct AddedClauses {
        // Defined out of the enclosing class, so that the record counts as default-constructible
        // where `std::optional` asks inside it (a compiler may not yet know its member
        // initializers there).
        AddedClauses();
        const ChangedRelations* changed = nullptr;
        // The rules among the added clauses.
        std::set<const FRule*> newRules;
        // Every part runs from here on.
        bool all = false;
        // The same as the parts prepared so far leave it: the walk prepares a plan's parts before
        // it runs them, in the order it runs them.
        std::optional<bool> preparedAll;
        // In a walk by strata: the lowest `merged` strata of the whole program's plan run as one
        // part, `lowest`, whose first round runs `opening` (see evaluateAddedFacts).
        std::size_t merged = 0;
        FProgram* lowest = nullptr;
        FProgram* opening = nullptr;
        // In a walk by components: what the round the walk opens with runs (the added facts and
        // every added clause but the rules, see openWalk).
        FProgram* openingRound = nullptr;
        // Whether the component runs, with `allSoFar` the flag of `all` (set on the way).
        bool runs(FProgram* part, bool& allSoFar) const;
        // The part the evaluation runs for the walk's phase, placed in `part`; false when the
        // part is left as it is.
        bool place(Phase& part, bool& allSoFar) const;
    };
    // Evaluating again places the parts as its AddedClauses say; a first evaluation runs them
    // all.
    bool placePart(Phase& part) override;
    // Evaluating again by components opens with a round of the added clauses but the rules
    // (where it equated objects, every component runs), and starts at the first component the
    // added clauses change.
    std::optional<std::size_t> openWalk(const Phase& phase) override;
    // Whether the rule (by its summary) reads derived facts through a part no delta atom of the
    // table's form covers.
    bool keptEveryRound(Rewriting& rewriting, const RuleSummary& rule, bool triggerForm);
    // The summary the plan holds of a clause; a clause it does not hold is summarised into
    // `scratch`.
    static const RuleSummary& summaryFor(const ProgramPlan& plan, FRule* clause,
                                         std::optional<RuleSummary>& scratch);
    // Gives the normaliser a copy of the rule's table for its next literal. The copy the literal
    // before had is kept while nothing was added to it and no delta rule holds it (`copiedFrom`
    // null): a long body would otherwise copy its table once per literal.
    static void tableForLiteral(Normalizer& normalizer, SymTab* names, SymTab*& copiedFrom,
                                std::int32_t& copiedNext);
    // Whether a relation a body (or an aggregate's body) reads can meet facts derived later.
    bool derivable(const Rewriting& rewriting, const RelationRef& relation) const;
    // Lets go of the part's delta programs.
    void dropDeltas();

    int evalMode = Naive;
    MemberDeltas memberDeltas = MemberDeltas::Planned;
    PartDeltas::Form::MethodVariants methodVariants =
        PartDeltas::Form::MethodVariants::WholeWhereEmpty;

    // What one evaluation in mode "seminaive" holds: the delta programs of its parts, made as the
    // walk prepares them, those of the part running and how its rounds record, and what
    // evaluating again knows of the added clauses. Made before the walk and handed to the
    // driver's run, which owns it (EvaluationState::own); the evaluator reads it through the
    // state it is pointed to for that run (running).
    struct Run : EvaluationState::Own {
        PreparedDeltas prepared;
        // The delta programs of the part running, held in `prepared`.
        DeltaRules* deltaProgram = nullptr;
        DeltaRules* triggerDeltaProgram = nullptr;
        // The rules of the delta program that run as they are in the first delta round
        // (PartDeltas::Form::firstRound), used once; empty when that round is a delta round.
        DeltaRules::WholeRules firstDeltaRound;
        // The access layer records through the table in use while it is set there (initDelta):
        // dropDeltas clears that before the part lets go of it.
        DeltaTable* deltaTable = nullptr;
        DeltaTable* triggerDeltaTable = nullptr;
        // Some kept rule of the part reads facts that delta recording does not count
        // (signatures, bare objects): a delta round that changed nothing is then confirmed by
        // full rounds without recording.
        bool unrecordedReads = false;
        bool recordingOff = false;
        // Evaluating again from the clauses added since the last fixpoint.
        std::optional<AddedClauses> added;
    };
    // The state of the evaluation walking now; null outside a walk in mode "seminaive" (the
    // single rounds of tp, a walk in mode "naive"). Only this evaluator hands a walk its own
    // state, and only a Run.
    Run* running() const { return static_cast<Run*>(now->own.get()); }
    // The walk ends: the base stops recording through the tables of the delta programs, which
    // go with the run's state.
    void releaseOwn() override;
    // Makes one rule form of a part, in the membership form the rewriting asks for.
    void makeForm(Rewriting& rewriting, PartDeltas::Form& form, FProgram* part,
                  const ProgramPlan& plan);
    // The program last brought to its fixpoint in mode "seminaive".
    LastFixpoint lastFixpoint;
};

// Registered as "classPrSemiNaive": new@(Matcher, OMAccess).
class PrSemiNaiveMeta : public XMeta {
  public:
    explicit PrSemiNaiveMeta(PrinterFactory printers = nullptr)
        : XMeta("PrSemiNaive"), printers(printers) {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    PrinterFactory printers;
};
