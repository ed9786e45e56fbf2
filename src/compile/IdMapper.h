// IdMapper: the operator that maps function terms (and lone constants) to the identifiers the
// object base gives them, keyed by the identifier.
#pragma once

#include <string>
#include <vector>

#include "compile/BaseOperator.h"

// Relation rows are [function, arguments..., identifier]: pattern position p is column p + 2.
class IdMapper : public BaseOperator {
  public:
    // Relation columns of the records count over the pattern; the constructor shifts them.
    IdMapper(std::string typeName, int arity, const InternalName& function, int inputCount,
             const clib_list<int*>& varEq, const clib_list<int*>& eqCon,
             const clib_list<int*>& eqJoin, const clib_list<int*>& var,
             const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
             const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
             const clib_list<FSymbol>& variables, const set<int>& excludedInputs,
             const clib_list<int*>& inputBindings, const clib_list<int>& inputFlags);

    void print() override;
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    // Always false; `*out` = 0.
    bool isGroupedBy(const InternalName& var, int* out) override;

  protected:
    ~IdMapper() override = default;
    void matchRelation() override;

  private:
    FSymbol function;
    std::vector<InternalName> patternCells;
};
