// Apply: path steps and arithmetic terms; a set value gives one row per member, keyed by it.
#include "compile/Apply.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

namespace {

const char* stepText(int stepKind) {
    static const char* const steps[] = {".", "..", "/@", "!", "!!", "!!@"};
    static const char* const operators[] = {" + ", " - ", " * ", " div ", " / "};
    if (stepKind >= 0 && stepKind <= 5) return steps[stepKind];
    if (stepKind >= 100 && stepKind <= 104) return operators[stepKind - 100];
    return "";
}

}  // namespace

Apply::Apply(std::string typeName, int arity, int stepKind, int resultKind, int inputCount,
             const clib_list<int*>& varEq, const clib_list<int*>& eqCon,
             const clib_list<int*>& eqJoin, const clib_list<int*>& var,
             const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
             const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
             const clib_list<FSymbol>& variables, const set<int>& columnSet,
             const set<int>& excludedInputs, const clib_list<int*>& inputBindings,
             const clib_list<int>& inputFlags)
    : BaseOperator(std::move(typeName), arity, inputCount, varEq, eqCon, eqJoin, var, givenVar,
                   constantPositions, constantSymbols, keyColumns, variables, columnSet,
                   excludedInputs, inputBindings, inputFlags),
      stepKind(stepKind),
      resultKind(resultKind),
      patternCells(std::size_t(arity > 0 ? arity + 1 : 1), InternalName::UndefinedObject) {
    // An arithmetic operand must be a number in hand, and the host is what the step starts
    // from: both are enumerated; any other bound position may be tested by membership.
    if (arithmetic()) return;
    for (int i = 0; i < this->inputCount; ++i)
        if (this->keyColumns[std::size_t(i)] != 0 && this->inputFlags[std::size_t(i)] == 0)
            selectBySet(i);
}

Operand* Apply::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    return evaluateRelation(list, newAccess, patternCells.data());
}

void Apply::matchRelation() {
    const int width = arity + 1;
    patternCells[std::size_t(arity)] = InternalName::UndefinedObject;
    Iterator* rows = access->matchAxis(stepKind, resultKind, patternCells.data(), width, nullptr);
    if (rows == nullptr) return;
    Iterator* setIter = nullptr;
    for (bool more = rows->first(); more; more = rows->next()) {
        const InternalName value = rows->atColumn(width);
        if (value.getType() != InternalName::SetName) {
            handleRow(rows, noKey != 0 ? InternalName::UndefinedObject : value);
            continue;
        }
        setIter = access->setIterator(value, setIter);
        // A set the object base does not know is empty; its old iterator is already released.
        if (setIter == nullptr) continue;
        if (needsCheck != 0 && !match(rows)) continue;
        for (const VarRecord& r : vars) resultCells[std::size_t(r.cell)] = rows->atColumn(r.column);
        for (bool member = setIter->first(); member; member = setIter->next())
            emitRow(rows, noKey != 0 ? InternalName::UndefinedObject : setIter->atColumn(1));
    }
    decRef(setIter);
    decRef(rows);
}

bool Apply::isGroupedBy(const InternalName& var, int* out) {
    return groupedBy(FSymbol(), var, out);
}

void Apply::print() {
    OutputChannel& out = debugChannel();
    out << std::endl << "Apply : ";
    for (int p = 0; p < arity; ++p) {
        if (p == 1) out << stepText(stepKind);
        if (p == 2) out << "@(";
        out << positionText(p);
        if (p >= 2) out << (p + 1 < arity ? "," : ")");
    }
    out << std::endl;
    BaseOperator::print();
    printInputContents();
}
