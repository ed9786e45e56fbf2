// Pi and Sort: the single-input operators that project a keyed operand on one variable and
// regroup it under one variable's values.
#pragma once

#include <string>

#include "compile/Operator.h"

class SetOperand;

// The distinct values of one variable, as an Operand2.
class Pi : public Operator {
  public:
    explicit Pi(const FSymbol& var);

    // Only the first input is read; no input, or no column `var`, gives the empty result.
    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;
    // True for the projected variable; `*out` = 0.
    bool isGroupedBy(const InternalName& var, int* out) const override;

  protected:
    Pi(OperatorKind kind, const FSymbol& var);
    ~Pi() override = default;
    // The debug lines of Pi and Sort, which differ only in the name.
    void printAs(const char* name, Operand* input, OMAccess* access) const;

    FSymbol var;
};

// The rows of the input under the value of one variable (the first column holding it), as a
// SetOperand over the same columns; rows of different old keys may meet in one group.
class Sort : public Pi {
  public:
    Sort(const FSymbol& var, const clib_list<FSymbol>* variables);

    // Null without an input.
    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;
    // The regrouped rows of `input` (not null), typed for a caller that reads them as a set;
    // traced when `traced`.
    Ref<SetOperand> regroup(Operand* input, OMAccess* access, bool traced) const;

  protected:
    ~Sort() override = default;
};
