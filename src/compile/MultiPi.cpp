// MultiPi: one pass over every group of the input, one row of the chosen columns per row.
#include "compile/MultiPi.h"

#include <ostream>

#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

MultiPi::MultiPi(std::string typeName, int arity, const clib_list<FSymbol>& variables)
    : Operator(std::move(typeName), arity, variables),
      positions(std::size_t(arity > 0 ? arity : 0), 0),
      cells(std::size_t(arity > 0 ? arity : 0), InternalName::UndefinedObject) {}

Operand* MultiPi::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    access = newAccess;
    auto* result = new TupleSetOperand(variables, 2);
    input = list != nullptr && !list->empty() ? list->head() : nullptr;
    if (input == nullptr) return result;
    if (debugging()) print();
    std::fill(positions.begin(), positions.end(), 0);
    int p = 1;
    for (const FSymbol& column : *input->getColumns()) {
        std::size_t k = 0;
        for (const FSymbol& variable : variables) {
            if (k < positions.size() && variable == column) positions[k] = p;
            ++k;
        }
        ++p;
    }
    for (std::size_t k = 0; k < positions.size(); ++k)
        if (positions[k] == 0) return result;
    forEachRow(input, [this, result](Iterator* row) {
        for (std::size_t k = 0; k < positions.size(); ++k) cells[k] = row->atColumn(positions[k]);
        result->insert(cells.data());
    });
    if (debugging()) printResult(result, access);
    return result;
}

bool MultiPi::isGroupedBy(const InternalName& var, int* out) {
    int k = 0;
    for (const FSymbol& variable : variables) {
        if (variable == var) break;
        ++k;
    }
    if (k >= variables.size()) return false;
    int index = 0;
    for (int* record : records) {
        if (index++ == k) {
            if (out != nullptr && record != nullptr) *out = 1 + record[0];
            return true;
        }
    }
    return false;
}

void MultiPi::print() {
    OutputChannel& out = debugChannel();
    out << std::endl << "MultiPi(";
    bool first = true;
    for (const FSymbol& variable : variables) {
        if (!first) out << ",";
        first = false;
        out << " " << lexicalText(access, variable);
    }
    out << ",op#1) " << std::endl;
    if (input != nullptr) printContents(1, input, access);
}
