// Merge: the join of the operand built so far for a rule body with the next literal's operand,
// run the way its plan chose when the rule was translated.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"
#include "compile/JoinTable.h"
#include "platform/ControlEvents.h"

// How a join of two inputs runs; chosen once from the columns its inputs will carry.
enum class JoinStrategy {
    // No result variables: the "true" row when one combination of rows satisfies every join
    // record; stops at the first.
    ExistenceTest,
    // The inputs share variables and both are keyed rows: the right rows are grouped by their
    // shared cells and the left rows stream past them; the result is made when it is read.
    HashJoin,
    // The inputs share variables but one is a set of names or of tuples (a projection): the
    // right input regrouped by the join value, the left walked group by group.
    RegroupedJoin,
    // Only the left (right) input carries result variables: its rows, projected.
    PassLeft,
    PassRight,
    // Both carry result variables but share none: every combination of their groups.
    NestedLoop,
};

// The printed name of a strategy ("hash join", ...).
const char* joinStrategyName(JoinStrategy strategy);

// What the translator decides for a join.
struct JoinSpec {
    PatternSpec pattern;
    JoinStrategy strategy = JoinStrategy::NestedLoop;
    // The variables both inputs carry, in the left input's column order.
    std::vector<FSymbol> shared;
    // Where a hash join finds the small tables other joins built over the same rows; none when
    // null.
    std::shared_ptr<JoinTableShelf> tables;

    // The strategy for inputs with these columns and this result; `keyedRows` when both inputs
    // give keyed rows (SetOperands), not names or tuples.
    static JoinStrategy choose(const clib_list<FSymbol>& left, const clib_list<FSymbol>& right,
                               const clib_list<FSymbol>& variables, bool keyedRows,
                               std::vector<FSymbol>& shared);
};

// Every result row is stored under UndefinedObject.
class Merge : public BaseOperator {
  public:
    explicit Merge(const JoinSpec& spec);

    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;
    bool isGroupedBy(const InternalName& var, int* out) const override;
    std::string strategy(const SymTab* names) const override;
    void forgetKeptTables() const override { tables->forget(); }
    JoinStrategy joinStrategy() const { return plan; }
    const std::vector<FSymbol>& sharedVariables() const { return shared; }

  protected:
    ~Merge() override = default;

  private:
    struct MergeRun;
    std::unique_ptr<Run> newRun(OMAccess* access) const override;
    void trace(const Run& run) const override;

    // Runs `visit` for every combination of the inputs' keys (input 0 turning fastest) until it
    // answers false. keyCells[i] holds the key of input i's current group.
    template <class Visit>
    void forEachKeyCombination(MergeRun& run, Visit visit) const;
    // One combination of input groups: the enumerated rows that satisfy the join records.
    void joinGroups(MergeRun& run) const;
    // Whether the tested inputs' groups have rows satisfying every "part eq join" record.
    bool partSatisfied(MergeRun& run) const;
    // The iterators are the run's (Ref) or borrowed ones.
    template <class Iters>
    void emitRow(MergeRun& run, const Iters& iters) const;
    // Whether the operands carry the shared variables the plan was made for.
    bool sharesPlanned(clib_list<Operand*>* inputs) const;
    // The 1-based columns of the shared variables in an input.
    std::vector<int> sharedPositions(Operand* input) const;
    // Joins the left input's rows with the right input's rows that agree on every shared
    // variable: the right input regrouped by the join value.
    void regroupedJoin(MergeRun& run, Operand* left, Operand* right) const;
    // The same join over two SetOperands read in place, deferred to the result's first read.
    // False (nothing done) when a position or join record names a column the inputs lack.
    bool hashJoin(MergeRun& run, SetOperand* left, SetOperand* right) const;
    // The product of two SetOperands without join records, deferred to the result's first read.
    // False (nothing done) when the join needs more than pairing every row with every row.
    bool crossProduct(MergeRun& run, clib_list<Operand*>* inputs) const;
    // The input's rows projected on the result variables.
    void projectThrough(MergeRun& run, Operand* input) const;

    JoinStrategy plan;
    std::vector<FSymbol> shared;
    // The table a hash join last built over a store's rows, kept for the join's next run over
    // the same rows (see JoinTableMemo). A cache beside the plan, not part of it; shared with
    // the joins whose results may be read after the plan is gone.
    std::shared_ptr<JoinTableMemo> tables;
};
