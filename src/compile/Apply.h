// Apply: the operator of a term that yields a value, a path step host.m@(args) or an arithmetic
// term a op b; each row is keyed by the value the term yields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"

class Apply : public BaseOperator {
  public:
    // `stepKind`: the step's method type ("." 0, ".." 1, "/@" 2, "!" 3, "!!" 4, "!!@" 5) or the
    // arithmetic operator (100 "+", 101 "-", 102 "*", 103 "div", 104 "/"); `resultKind` goes
    // unchanged to OMAccess::matchAxis as the axis. The rest as for BaseOperator; `arity` counts
    // the pattern positions without the result.
    Apply(std::string typeName, int arity, int stepKind, int resultKind, int inputCount,
          const clib_list<int*>& varEq, const clib_list<int*>& eqCon, const clib_list<int*>& eqJoin,
          const clib_list<int*>& var, const clib_list<int*>& givenVar,
          const clib_list<int>& constantPositions, const clib_list<FSymbol>& constantSymbols,
          const clib_list<int>& keyColumns, const clib_list<FSymbol>& variables,
          const set<int>& columnSet, const set<int>& excludedInputs,
          const clib_list<int*>& inputBindings, const clib_list<int>& inputFlags);

    void print() override;
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    bool isGroupedBy(const InternalName& var, int* out) override;

  protected:
    ~Apply() override = default;
    void matchRelation() override;

  private:
    bool arithmetic() const { return stepKind >= 100 && stepKind <= 104; }

    std::int32_t stepKind;
    std::int32_t resultKind;
    // The pattern positions followed by the result position, which is always left free.
    std::vector<InternalName> patternCells;
};
