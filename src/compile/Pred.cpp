// Pred: stored and built-in predicates matched against the inputs, and propositions.
#include "compile/Pred.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

Pred::Pred(std::string typeName, int arity, const InternalName& predicate, int inputCount,
           const clib_list<int*>& varEq, const clib_list<int*>& eqCon,
           const clib_list<int*>& eqJoin, const clib_list<int*>& var,
           const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
           const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
           const clib_list<FSymbol>& variables, const set<int>& excludedInputs, int perlInputCount,
           const clib_list<int*>& inputBindings, const clib_list<int>& inputFlags)
    : BaseOperator(std::move(typeName), arity, inputCount, varEq, eqCon, eqJoin, var, givenVar,
                   constantPositions, constantSymbols, keyColumns, variables, set<int>(),
                   excludedInputs, inputBindings, inputFlags),
      predicate(predicate),
      patternCells(std::size_t(arity > 0 ? arity : 0), InternalName::UndefinedObject),
      perlInputCount(perlInputCount) {
    // Only a stored predicate can be asked whether it holds a value; a built-in computes its
    // rows from the pattern, so its inputs are enumerated.
    if (predicate.getType() == InternalName::Predicate)
        for (int i = 0; i < this->inputCount; ++i)
            if (this->inputFlags[std::size_t(i)] == 0) selectBySet(i);
}

Pred::~Pred() {
    clearPerlRows();
}

Operand* Pred::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    if (valid == 0) return nullptr;
    access = newAccess;
    predicateText = lexicalText(access, predicate);
    inputs = list != nullptr ? *list : clib_list<Operand*>();
    const bool stored = predicate.getType() != InternalName::BuiltinPredicate;
    if (stored && predicate.getArity() > 0 && access->isEmptyPredicate(predicate))
        return new SetOperand(variables, 2);
    if (arity > 0) return evaluateRelation(list, newAccess, patternCells.data());
    // A proposition: one zero-width row when it holds.
    result = new SetOperand(variables, 2);
    if (debugging()) print();
    if (access->isPredicate(predicate)) result->insert(InternalName::UndefinedObject, nullptr);
    if (debugging()) result->printLexical(debugChannel(), access);
    return result;
}

void Pred::matchRelation() {
    Iterator* rows = predicateText == "perl" ? perlCall()
                                             : access->makeFuncOrPredIter(
                                                   predicate, patternCells.data(), arity, nullptr);
    if (rows == nullptr) return;
    for (bool more = rows->first(); more; more = rows->next())
        handleRow(rows, InternalName::UndefinedObject);
    decRef(rows);
}

bool Pred::isGroupedBy(const InternalName& var, int* out) {
    return groupedBy(FSymbol(), var, out);
}

void Pred::print() {
    OutputChannel& out = debugChannel();
    out << std::endl << "Predicate : " << predicateText;
    if (arity > 0) out << "(" << positionsText(0, arity) << ")";
    out << std::endl;
    BaseOperator::print();
    printInputContents();
}
