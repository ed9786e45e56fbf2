// Pred: the operator of a predicate literal p(t1, ..., tn): a stored predicate, a built-in
// predicate, or the "perl" predicate that runs Perl code; its rows are unkeyed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"
#include "foundation/set.h"
#include "objectbase/Tuple.h"

class Pred : public BaseOperator {
  public:
    // `perlInputCount`: the leading pattern positions that are inputs of a "perl" call, its code
    // position included. The rest as for BaseOperator.
    Pred(std::string typeName, int arity, const InternalName& predicate, int inputCount,
         const clib_list<int*>& varEq, const clib_list<int*>& eqCon, const clib_list<int*>& eqJoin,
         const clib_list<int*>& var, const clib_list<int*>& givenVar,
         const clib_list<int>& constantPositions, const clib_list<FSymbol>& constantSymbols,
         const clib_list<int>& keyColumns, const clib_list<FSymbol>& variables,
         const set<int>& excludedInputs, int perlInputCount, const clib_list<int*>& inputBindings,
         const clib_list<int>& inputFlags);

    void print() override;
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    // Rows are never keyed by a variable.
    bool isGroupedBy(const InternalName& var, int* out) override;

  protected:
    ~Pred() override;
    void matchRelation() override;

  private:
    // Matches the pattern against a stored predicate's rows read in place; false (nothing
    // done) when the literal needs the row iterator: a built-in or "perl", or conditions beyond
    // bound cells, equal columns and result cells.
    bool scanStoredRows();
    // Runs the "perl" call on the current pattern and answers an iterator over its rows.
    Iterator* perlCall();
    // Adds a row of `arity` cells to perlRows unless it is there.
    void addPerlRow(const InternalName* cells);
    void clearPerlRows();
    // The name of one value read back from @out.
    InternalName perlValue(const std::string& text, long asInt, double asDouble);

    FSymbol predicate;
    std::vector<InternalName> patternCells;
    std::int32_t perlInputCount;
    std::string predicateText;
    // The rows of the last "perl" call; their cells come from perlCells.
    set<Tuple> perlRows;
    std::unique_ptr<RowCellPool> perlCells;
};
