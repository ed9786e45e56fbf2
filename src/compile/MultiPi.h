// MultiPi: the projection of a keyed operand on several variables, without keys.
#pragma once

#include <string>
#include <vector>

#include "compile/Operator.h"

class MultiPi : public Operator {
  public:
    // `arity` is the number of variables.
    MultiPi(std::string typeName, int arity, const clib_list<FSymbol>& variables);

    void print() override;
    // A TupleSetOperand over the variables; only the first input is read. A variable that is not
    // a column of the input gives the empty result.
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    // The k-th variable is grouped by pattern position 1 + the first field of the k-th record.
    bool isGroupedBy(const InternalName& var, int* out) override;

  protected:
    ~MultiPi() override = default;

  private:
    Operand* input = nullptr;
    std::vector<int> positions;
    std::vector<InternalName> cells;
    OMAccess* access = nullptr;
};
