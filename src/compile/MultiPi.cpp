// MultiPi: one pass over every group of the input, one row of the chosen columns per row.
#include "compile/MultiPi.h"

#include <ostream>

#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

MultiPi::MultiPi(const clib_list<FSymbol>& variables)
    : Operator(OperatorKind::MultiProjection, variables.size(), variables) {}

Ref<Operand> MultiPi::evaluate(clib_list<Operand*>* list, OMAccess* access,
                               const OperatorTrace& tracing) const {
    auto result = Ref<TupleSetOperand>::make(variables);
    Operand* input = list != nullptr && !list->empty() ? list->head() : nullptr;
    if (input == nullptr) return result;
    if (tracing.on) trace(input, access);
    std::vector<int> positions(std::size_t(arity > 0 ? arity : 0), 0);
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
    std::vector<InternalName> cells(positions.size(), InternalName::UndefinedObject);
    scan(input, RowOrder::Ordered, [&](const RowView& row) {
        for (std::size_t k = 0; k < positions.size(); ++k) cells[k] = row.cells[positions[k] - 1];
        result->insert(cells.data());
    });
    if (tracing.on) printResult(result.get(), access);
    return result;
}

bool MultiPi::isGroupedBy(const InternalName& var, int* out) const {
    int k = 0;
    for (const FSymbol& variable : variables) {
        if (variable == var) break;
        ++k;
    }
    if (k >= variables.size() || std::size_t(k) >= bindings.size()) return false;
    if (out != nullptr) *out = 1 + bindings[std::size_t(k)].cell;
    return true;
}

void MultiPi::trace(Operand* input, OMAccess* access) const {
    OutputChannel& out = debugChannel();
    out << std::endl << "MultiPi(";
    bool first = true;
    for (const FSymbol& variable : variables) {
        if (!first) out << ",";
        first = false;
        out << " " << lexicalText(access, variable);
    }
    out << ",op#1) " << std::endl;
    printContents(1, input, access);
}
