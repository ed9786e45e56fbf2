// Merge: sort-merge join, pass-through, group enumeration and the existence test.
#include "compile/Merge.h"

#include <algorithm>
#include <ostream>

#include "compile/Operand.h"
#include "compile/Pi.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

Merge::Merge(std::string typeName, int arity, int inputCount, const clib_list<int*>& varEq,
             const clib_list<int*>& eqCon, const clib_list<int*>& eqJoin,
             const clib_list<int*>& var, const clib_list<int*>& givenVar,
             const clib_list<int>& constantPositions, const clib_list<FSymbol>& constantSymbols,
             const clib_list<int>& keyColumns, const clib_list<FSymbol>& variables,
             const set<int>& columnSet, const set<int>& excludedInputs,
             const clib_list<int*>& inputBindings, const clib_list<int>& inputFlags)
    : BaseOperator(std::move(typeName), arity, inputCount, varEq, eqCon, eqJoin, var, givenVar,
                   constantPositions, constantSymbols, keyColumns, variables, columnSet,
                   excludedInputs, inputBindings, inputFlags),
      keyCells(std::size_t(std::max(arity, this->inputCount)), InternalName::UndefinedObject) {
    std::fill(setSelected.begin(), setSelected.end(), 0);
}

Merge::~Merge() {
    decRef(leftGroup);
    decRef(rightGroup);
}

Operand* Merge::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    if (valid == 0) return nullptr;
    access = newAccess;
    inputs = list != nullptr ? *list : clib_list<Operand*>();
    result = new SetOperand(variables, 2);
    stopPoll = controlEvents::StopPoll();
    if (!openInputs(list)) return result;
    if (debugging()) print();
    for (int i = 0; i < inputCount; ++i)
        keyCells[std::size_t(i)] = inputIters[std::size_t(i)]->atColumn(1);

    bool resultLine = true;
    if (variables.empty()) {
        // Every join record counts, the enumerated inputs' as well as the tested ones': the
        // "true" row needs one combination of rows that satisfies them all.
        firstOnly = true;
        found = false;
        forEachKeyCombination([this] {
            if (partSatisfied()) joinGroups();
            return !found;
        });
        firstOnly = false;
        resultLine = false;
    } else {
        Operand* left = list->head();
        Operand* right = list->tail();
        clib_list<FSymbol> common;
        commonVariables(list, &common);
        if (!common.empty()) {
            sortMergeJoin(left, right, common.head());
        } else {
            bool fromLeft = providesVariables(left);
            bool fromRight = providesVariables(right);
            if (fromLeft != fromRight) {
                projectThrough(fromLeft ? left : right);
                resultLine = false;
            } else {
                forEachKeyCombination([this] {
                    joinGroups();
                    return !stopPoll.stop();
                });
            }
        }
    }
    if (debugging()) {
        if (resultLine)
            printResult(result, access);
        else
            result->printLexical(debugChannel(), access);
    }
    return result;
}

template <class Visit>
void Merge::forEachKeyCombination(Visit visit) {
    if (!visit()) return;
    for (int i = 0; i < inputCount;) {
        if (inputIters[std::size_t(i)]->next()) {
            for (int j = 0; j < inputCount; ++j)
                keyCells[std::size_t(j)] = inputIters[std::size_t(j)]->atColumn(1);
            if (!visit()) return;
            i = 0;
        } else {
            inputIters[std::size_t(i)]->first();
            ++i;
        }
    }
}

void Merge::emitRow(const std::vector<Iterator*>& iters) {
    if (stopPoll.stop() || !combinationHolds(iters, nullptr)) return;
    copyGivenVars(iters, resultCells.data());
    result->insert(InternalName::UndefinedObject, resultCells.data());
    found = true;
}

void Merge::joinGroups() {
    if (!selectGroups(enumerated, [this](int input) { return keyCells[std::size_t(input)]; }))
        return;
    forEachCombination(enumerated.iters, [this] {
        emitRow(enumerated.iters);
        return !(firstOnly && found) && !stopPoll.stop();
    });
}

void Merge::commonVariables(clib_list<Operand*>* list, clib_list<FSymbol>* out) {
    if (list == nullptr || list->empty()) return;
    clib_list<FSymbol>* left = list->head()->getColumns();
    clib_list<FSymbol>* right = list->tail()->getColumns();
    if (left == nullptr || right == nullptr) return;
    for (const FSymbol& x : *left)
        for (const FSymbol& y : *right)
            if (x == y) out->append(x);
}

bool Merge::partSatisfied() {
    return selectGroups(testedByJoin, [this](int input) { return keyCells[std::size_t(input)]; }) &&
           partJoinsHold();
}

void Merge::sortMergeJoin(Operand* left, Operand* right, const FSymbol& var) {
    auto* sorter = new Sort("sort", 1, var, right->getColumns());
    clib_list<Operand*> one;
    one.append(right);
    auto* sorted = static_cast<SetOperand*>(sorter->evaluate(&one, access));
    const int pos = left->columnOf(var);
    // The join records name the first input's iterator and the last input's by their slots.
    std::vector<Iterator*> iters(enumerated.inputs.size(), nullptr);
    // The lookups of a large join wait on memory; started some rows ahead as cache hints, they
    // overlap instead (measured: the join of a million rows takes about half the time).
    constexpr std::size_t Ahead = 16;
    std::vector<InternalName> values;
    Iterator* keys = left->makeIterator(nullptr);
    for (bool more = sorted != nullptr && pos > 0 && keys->first(); more && !stopPoll.stop();
         more = keys->next()) {
        leftGroup = left->makeGroupIterator(keys->atColumn(1), leftGroup);
        values.clear();
        for (bool row = leftGroup != nullptr && leftGroup->first(); row; row = leftGroup->next())
            values.push_back(leftGroup->atColumn(pos));
        std::size_t i = 0;
        for (bool row = leftGroup != nullptr && leftGroup->first(); row;
             row = leftGroup->next(), ++i) {
            if (i + 2 * Ahead < values.size()) sorted->prefetchGroup(values[i + 2 * Ahead]);
            if (i + Ahead < values.size()) sorted->prefetchGroupRows(values[i + Ahead]);
            if (!sorted->contains(values[i])) continue;
            rightGroup = sorted->makeGroupIterator(values[i], rightGroup);
            for (std::size_t k = 0; k < iters.size(); ++k)
                iters[k] = enumerated.inputs[k] == 0 ? leftGroup : rightGroup;
            for (bool partner = rightGroup->first(); partner; partner = rightGroup->next())
                emitRow(iters);
        }
    }
    decRef(keys);
    decRef(sorted);
    decRef(sorter);
}

bool Merge::providesVariables(Operand* input) {
    clib_list<FSymbol>* columns = input->getColumns();
    if (columns == nullptr || columns->empty()) return false;
    for (const FSymbol& variable : variables)
        if (input->columnOf(variable) != 0) return true;
    return false;
}

void Merge::projectThrough(Operand* input) {
    std::vector<int> positions;
    for (const FSymbol& variable : variables) {
        int pos = input->columnOf(variable);
        if (pos == 0) return;
        positions.push_back(pos);
    }
    forEachRow(input, [this, &positions](Iterator* row) {
        for (std::size_t k = 0; k < positions.size(); ++k)
            resultCells[k] = row->atColumn(positions[k]);
        result->insert(InternalName::UndefinedObject, resultCells.data());
    });
}

bool Merge::isGroupedBy(const InternalName&, int* out) {
    if (out != nullptr) *out = 0;
    return false;
}

void Merge::print() {
    OutputChannel& out = debugChannel();
    out << std::endl << "Merge(";
    for (int p = 0; p < arity; ++p) {
        for (int i = 0; i < inputCount; ++i) {
            if (keyColumns[std::size_t(i)] == p) {
                out << "op#" << i + 1;
                break;
            }
        }
    }
    out << ")" << std::endl;
    BaseOperator::print();
    for (int i = 0; i < arity && i < inputCount; ++i)
        if (inputOperands[std::size_t(i)] != nullptr)
            printContents(i + 1, inputOperands[std::size_t(i)], access);
}
