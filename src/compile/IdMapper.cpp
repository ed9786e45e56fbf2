// IdMapper: function-term rows matched against the inputs, and the name of a lone constant.
#include "compile/IdMapper.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

IdMapper::IdMapper(std::string typeName, int arity, const InternalName& function, int inputCount,
                   const clib_list<int*>& varEq, const clib_list<int*>& eqCon,
                   const clib_list<int*>& eqJoin, const clib_list<int*>& var,
                   const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
                   const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
                   const clib_list<FSymbol>& variables, const set<int>& excludedInputs,
                   const clib_list<int*>& inputBindings, const clib_list<int>& inputFlags)
    : BaseOperator(std::move(typeName), arity, inputCount, varEq, eqCon, eqJoin, var, givenVar,
                   constantPositions, constantSymbols, keyColumns, variables, set<int>(),
                   excludedInputs, inputBindings, inputFlags),
      function(function),
      patternCells(std::size_t(arity > 0 ? arity : 0), InternalName::UndefinedObject) {
    // Column 1 of a relation row is the function symbol.
    for (VarEqRecord& r : varEqs) {
        ++r.a;
        ++r.b;
    }
    for (EqConRecord& r : partEqCons) ++r.column;
    for (EqConRecord& r : eqCons) ++r.column;
    for (VarRecord& r : vars) ++r.column;
    columnOffset = 2;
    for (int i = 0; i < this->inputCount; ++i)
        if (this->inputFlags[std::size_t(i)] == 0) selectBySet(i);
}

Operand* IdMapper::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    if (valid == 0) return nullptr;
    if (arity > 0) return evaluateRelation(list, newAccess, patternCells.data());
    access = newAccess;
    inputs = list != nullptr ? *list : clib_list<Operand*>();
    result = new SetOperand(variables, 2);
    InternalName name;
    if (access != nullptr && access->internValue(function, name) != 0)
        result->insert(name, resultCells.data());
    if (debugging()) result->printLexical(debugChannel(), access);
    return result;
}

void IdMapper::matchRelation() {
    Iterator* rows = access->makeFunctionIter(function, patternCells.data(), arity,
                                              InternalName::UndefinedObject, nullptr);
    if (rows == nullptr) return;
    // Rows are keyed by the term's identifier whatever noKey says.
    for (bool more = rows->first(); more; more = rows->next())
        handleRow(rows, rows->atColumn(arity + 2));
    decRef(rows);
}

bool IdMapper::isGroupedBy(const InternalName& var, int* out) {
    return groupedBy(FSymbol(), var, out);
}

void IdMapper::print() {
    OutputChannel& out = debugChannel();
    out << std::endl << "Id-Term : " << lexicalText(access, function);
    if (arity > 0) out << "(" << positionsText(0, arity) << ")";
    out << std::endl;
    BaseOperator::print();
    printInputContents();
}
