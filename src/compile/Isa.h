// Isa: the operator of an is-a literal (O : C, O :: C or the child relation), keyed by the object.
#pragma once

#include <string>
#include <vector>

#include "compile/BaseOperator.h"

class Isa : public BaseOperator {
  public:
    // `kind` 1 instance of, 2 subclass, 3 child; the rest as for BaseOperator.
    Isa(std::string typeName, int arity, int kind, int inputCount, const clib_list<int*>& varEq,
        const clib_list<int*>& eqCon, const clib_list<int*>& eqJoin, const clib_list<int*>& var,
        const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
        const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
        const clib_list<FSymbol>& variables, const set<int>& columnSet,
        const set<int>& excludedInputs, const clib_list<int*>& inputBindings,
        const clib_list<int>& inputFlags);

    void print() override;
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    // True for the variable at the object position, when there is one; `*out` = 0.
    bool isGroupedBy(const InternalName& var, int* out) override;

  protected:
    ~Isa() override = default;
    void matchRelation() override;

  private:
    std::int32_t kind;
    FSymbol objectVariable;
    std::vector<InternalName> patternCells;
};
