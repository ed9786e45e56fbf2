// MultiPi: the projection of a keyed operand on several variables, without keys.
#pragma once

#include <string>
#include <vector>

#include "compile/Operator.h"

class MultiPi : public Operator {
  public:
    explicit MultiPi(const clib_list<FSymbol>& variables);

    // A TupleSetOperand over the variables; only the first input is read. A variable that is not
    // a column of the input gives the empty result.
    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;
    // The k-th variable is grouped by pattern position 1 + the cell of the k-th binding.
    bool isGroupedBy(const InternalName& var, int* out) const override;

  protected:
    ~MultiPi() override = default;

  private:
    void trace(Operand* input, OMAccess* access) const;
};
