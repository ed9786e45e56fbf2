// Isa: rows of the inheritance-aware is-a relation matched against the inputs.
#include "compile/Isa.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

Isa::Isa(std::string typeName, int arity, int kind, int inputCount, const clib_list<int*>& varEq,
         const clib_list<int*>& eqCon, const clib_list<int*>& eqJoin, const clib_list<int*>& var,
         const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
         const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
         const clib_list<FSymbol>& variables, const set<int>& columnSet,
         const set<int>& excludedInputs, const clib_list<int*>& inputBindings,
         const clib_list<int>& inputFlags)
    : BaseOperator(std::move(typeName), arity, inputCount, varEq, eqCon, eqJoin, var, givenVar,
                   constantPositions, constantSymbols, keyColumns, variables, columnSet,
                   excludedInputs, inputBindings, inputFlags),
      kind(kind),
      patternCells(std::size_t(arity < 2 ? 2 : arity), InternalName::UndefinedObject) {
    objectVariable = variableOfColumn(1);
    // A class given as a constant lets an input select by membership instead of enumeration.
    const bool classConstant = constants.count(2) != 0;
    for (int i = 0; i < this->inputCount; ++i) {
        if (this->keyColumns[std::size_t(i)] == 0) continue;
        bool qualifies = kind == 1 || this->inputCount == 2 || classConstant;
        if (qualifies && this->inputFlags[std::size_t(i)] == 0) selectBySet(i);
    }
}

Operand* Isa::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    return evaluateRelation(list, newAccess, patternCells.data());
}

void Isa::matchRelation() {
    InternalName object = patternCells[0];
    InternalName cls = patternCells[1];
    Iterator* rows = access->makeEnhIsaIter(object, cls, kind, nullptr);
    if (rows == nullptr) return;
    for (bool more = rows->first(); more; more = rows->next())
        handleRow(rows, noKey != 0 ? InternalName::UndefinedObject : rows->atColumn(1));
    decRef(rows);
}

bool Isa::isGroupedBy(const InternalName& var, int* out) {
    return groupedBy(objectVariable, var, out);
}

void Isa::print() {
    OutputChannel& out = debugChannel();
    out << std::endl << "Isa-Relationship : ";
    for (int c = 0; c < arity; ++c) {
        if (c > 0) out << (kind == 1 ? " : " : " :: ");
        out << positionText(c);
    }
    out << std::endl;
    BaseOperator::print();
    printInputContents();
}
