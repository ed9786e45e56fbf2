// Minus: negation as failure, the rows of the left operand for which the negated literal's
// operand has no row agreeing on the shared variables.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "compile/Operator.h"
#include "compile/RowStore.h"

class SetOperand;
class Iterator;

class Minus : public Operator {
  public:
    // Reports NoBinding once for every right column and every result variable that the left
    // columns lack; such an operator answers the empty result at every evaluation.
    Minus(std::string typeName, const clib_list<FSymbol>& leftColumns,
          const clib_list<FSymbol>& rightColumns, const clib_list<FSymbol>& variables, int arity,
          int forcedEmpty);

    void print() override;
    // The first input is the left operand, the last the right; a single input is the right
    // alone. A ground negation that holds gives the left operand itself.
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    bool isGroupedBy(const InternalName& var, int* out) override;

  protected:
    ~Minus() override;

    // The surviving left rows, projected on the result variables.
    virtual void subtract(SetOperand* result);
    // Whether some right row agrees with the current left row on every shared column.
    virtual bool hasMatch();
    // Indexes the right operand's values at the shared columns, once per evaluation.
    void indexRight();

  private:
    struct Pair {
        int left, right;
    };

    OMAccess* access = nullptr;
    clib_list<FSymbol> rightColumns;
    std::int32_t forcedEmpty;
    std::vector<InternalName> cells;
    std::int32_t valid = 1;
    Iterator* leftGroupIter = nullptr;
    std::vector<Pair> pairs;
    std::vector<int> positions;
    Operand* left = nullptr;
    Operand* right = nullptr;
    // The right rows' values at the shared columns, so that each left row costs one lookup
    // instead of a scan of the right operand.
    std::unique_ptr<RowStore> rightValues;
    std::vector<InternalName> probe;
};
