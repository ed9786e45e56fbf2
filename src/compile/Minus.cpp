// Minus: the binding checks at construction and the subtraction.
#include "compile/Minus.h"

#include <ostream>

#include "compile/Operand.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

Minus::Minus(std::string typeName, const clib_list<FSymbol>& leftColumns,
             const clib_list<FSymbol>& rightColumnList, const clib_list<FSymbol>& variables,
             int arity, int forcedEmpty)
    : Operator(std::move(typeName), arity, variables),
      rightColumns(rightColumnList),
      forcedEmpty(forcedEmpty),
      cells(std::size_t(this->variables.size()), InternalName::UndefinedObject) {
    if (rightColumns.size() > leftColumns.size()) {
        centralErrorHandler().report(err6::NoBinding);
        valid = 0;
    }
    int j = 1;
    for (const FSymbol& column : rightColumns) {
        int i = leftColumns.rank(column);
        if (i == 0) {
            centralErrorHandler().report(err6::NoBinding);
            valid = 0;
        } else {
            pairs.push_back({i, j});
        }
        ++j;
    }
    for (const FSymbol& variable : this->variables) {
        int i = leftColumns.rank(variable);
        if (i == 0) {
            centralErrorHandler().report(err6::NoBinding);
            valid = 0;
        } else {
            positions.push_back(i);
        }
    }
}

Minus::~Minus() {
    decRef(leftGroupIter);
}

Operand* Minus::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    access = newAccess;
    inputs = list != nullptr ? *list : clib_list<Operand*>();
    auto* result = new SetOperand(variables, 2);
    if (list == nullptr || list->empty() || forcedEmpty != 0 || valid == 0) return result;
    // A missing operand counts as an empty one.
    const bool twoInputs = list->size() >= 2;
    right = list->tail();
    left = twoInputs ? list->head() : nullptr;
    if (debugging()) print();
    const bool rightEmpty = right == nullptr || right->isEmpty();
    if (rightColumns.empty()) {
        if (!rightEmpty) return result;
        if (twoInputs) {
            if (left == nullptr) return result;
            incRef(left);
            decRef(result);
            return left;
        }
        result->insert(InternalName::UndefinedObject, cells.data());
    } else if (left != nullptr) {
        indexRight();
        subtract(result);
        rightValues.reset();
    }
    if (debugging()) printResult(result, access);
    return result;
}

void Minus::subtract(SetOperand* result) {
    Iterator* keys = left->makeIterator(nullptr);
    for (bool more = keys->first(); more; more = keys->next()) {
        leftGroupIter = left->makeGroupIterator(keys->atColumn(1), leftGroupIter);
        for (bool row = leftGroupIter != nullptr && leftGroupIter->first(); row;
             row = leftGroupIter->next()) {
            if (hasMatch()) continue;
            for (std::size_t k = 0; k < positions.size(); ++k)
                cells[k] = leftGroupIter->atColumn(positions[k]);
            result->insert(InternalName::UndefinedObject, cells.data());
            // Without result variables the one zero-width row is known.
            if (positions.empty()) {
                decRef(keys);
                return;
            }
        }
    }
    decRef(keys);
}

void Minus::indexRight() {
    rightValues = std::make_unique<RowStore>(int(pairs.size()));
    probe.assign(pairs.size(), InternalName::UndefinedObject);
    if (right == nullptr) return;
    forEachRow(right, [this](Iterator* row) {
        for (std::size_t k = 0; k < pairs.size(); ++k) probe[k] = row->atColumn(pairs[k].right);
        rightValues->insert(probe.data());
    });
}

bool Minus::hasMatch() {
    if (rightValues == nullptr) indexRight();
    if (rightValues->empty()) return false;
    for (std::size_t k = 0; k < pairs.size(); ++k)
        probe[k] = leftGroupIter->atColumn(pairs[k].left);
    return rightValues->contains(probe.data());
}

bool Minus::isGroupedBy(const InternalName&, int* out) {
    if (out != nullptr) *out = 0;
    return false;
}

void Minus::print() {
    OutputChannel& out = debugChannel();
    out << std::endl << "Minus( ";
    if (left != nullptr) out << "op#1,";
    out << "op#2)" << std::endl << std::endl;
    if (left != nullptr) printContents(1, left, access);
    if (right != nullptr) printContents(2, right, access);
}
