// Minus: negation as failure, the rows of the left operand for which the negated literal's
// operand has no row agreeing on the shared variables.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"
#include "compile/Operator.h"
#include "compile/RowStore.h"
#include "foundation/Ref.h"

class SetOperand;
class Iterator;

// How a negation runs; chosen once from the columns of its two sides.
enum class NegationStrategy {
    // A negated free variable: never holds, the result is always empty.
    NeverHolds,
    // The negated literal shares no variable: one test whether it has a row at all; the left
    // operand passes whole when it has none.
    ExistenceTest,
    // The right rows indexed by their shared cells, each left row kept unless its cells are
    // found.
    AntiJoin,
    // The negated literal is a stored predicate or a class membership whose pattern the left rows
    // bind: each left row, as it comes, is looked up in the stored rows or memberships. Neither
    // side is copied, and a
    // left operand whose rows wait in a source (a product) is never stored.
    ProbedAntiJoin,
    // The negated literal is a built-in test (`not X = Z`, `not X < Y`, `not strlen(X, 3)`)
    // whose cells the left rows bind: each left row, as it comes, is tested and kept when the
    // test fails. No set of the negated literal's rows is made and no difference taken.
    RowFilter,
};

// The rows a filter keeps: a negated test keeps the failing rows, a positive one the passing.
enum class TestSense { Failing, Passing };

// The printed name of a strategy ("existence test", ...).
const char* negationStrategyName(NegationStrategy strategy);

struct MinusSpec {
    // The columns of the left operand (empty for a negation that stands first) and of the
    // negated literal's operand, and the result variables.
    clib_list<FSymbol> leftColumns;
    clib_list<FSymbol> rightColumns;
    clib_list<FSymbol> variables;
    // A negated free variable.
    bool neverHolds = false;
    // A negated literal probed once per left row (BaseOperator::probesEachInputRow: a stored
    // predicate, a class membership), and the variables of its input's columns; the operator
    // then has the left operand as its only input.
    Ref<BaseOperator> probed{};
    clib_list<FSymbol> probedColumns{};
    // The probed literal is a built-in test computed from the row's cells alone.
    bool filters = false;
    // Which rows such a filter keeps: those failing the test (a negated literal) or those
    // passing it (a positive test whose cells the rows before it bind).
    TestSense keeps = TestSense::Failing;
};

class Minus : public Operator {
  public:
    // Reports NoBinding once for every right column and every result variable that the left
    // columns lack; such an operator answers the empty result at every evaluation.
    explicit Minus(const MinusSpec& spec);

    // The first input is the left operand, the last the right; a single input is the right
    // alone. A ground negation that holds gives the left operand itself.
    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;
    bool isGroupedBy(const InternalName& var, int* out) const override;
    std::string strategy(const SymTab* names) const override;
    NegationStrategy negationStrategy() const { return plan; }

  protected:
    ~Minus() override = default;

  private:
    struct Pair {
        int left, right;
    };
    // The surviving left rows, projected on the result variables.
    void subtract(Operand* left, const RowStore& rightValues, SetOperand* result) const;
    // The right operand's values at the shared columns, so that each left row costs one lookup
    // instead of a scan of the right operand.
    std::unique_ptr<RowStore> indexRight(Operand* right) const;
    // The surviving left rows, each probed by the negated literal.
    void probeEach(Operand* left, OMAccess* access, SetOperand* result) const;
    // The left rows the built-in's test keeps, each tested as it comes.
    void filterEach(Operand* left, OMAccess* access, SetOperand* result) const;
    // Stores a surviving left row, projected on the result variables; false when no more are
    // wanted.
    bool keep(const InternalName* row, std::vector<InternalName>& cells, SetOperand* result) const;
    void trace(Operand* left, Operand* right, OMAccess* access) const;

    clib_list<FSymbol> rightColumns;
    std::int32_t valid = 1;
    std::vector<Pair> pairs;
    std::vector<int> positions;
    NegationStrategy plan;
    Ref<BaseOperator> probed{};
    // The 0-based left cell of each column of the probed literal's input.
    std::vector<int> probedCells;
    TestSense keeps = TestSense::Failing;
};
