// Pi and Sort: one pass over every group of the input.
#include "compile/Pi.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <vector>

#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"

namespace {

// A name as a word whose order is the names' (value, then kind, then flag).
std::uint64_t wordOf(const InternalName& name) {
    return std::uint64_t(std::uint32_t(name.getValue()) ^ 0x80000000u) << 16 |
           std::uint64_t(std::uint8_t(name.getType())) << 8 |
           std::uint64_t(std::uint8_t(name.getArity()) ^ 0x80u);
}

InternalName nameOf(std::uint64_t word) {
    return InternalName(std::int32_t(std::uint32_t(word >> 16) ^ 0x80000000u),
                        std::uint8_t(word >> 8), std::int8_t(std::uint8_t(word) ^ 0x80u));
}

}  // namespace

Pi::Pi(const FSymbol& var) : Pi(OperatorKind::Projection, var) {}

Pi::Pi(OperatorKind kind, const FSymbol& var) : Operator(kind, 1), var(var) {
    variables.append(var);
}

Ref<Operand> Pi::evaluate(clib_list<Operand*>* list, OMAccess* access,
                          const OperatorTrace& tracing) const {
    auto result = Ref<Operand2>::make();
    Operand* input = list != nullptr && !list->empty() ? list->head() : nullptr;
    if (input == nullptr) return result;
    if (tracing.on) printAs("Pi", input, access);
    int pos = input->columnOf(var);
    if (pos == 0) return result;
    // The input's rows are read in the order they are kept, and only the projected names are
    // sorted, as words, before they are stored in ascending order: reading the rows in order
    // sorted all of them, and the delta of a round's memberships projected to their classes is
    // many rows over few names (on the closure of a random graph of 1000 nodes as memberships,
    // that sort was an eighth of the run).
    std::vector<std::uint64_t> words;
    scan(input, RowOrder::Unordered,
         [&words, pos](const RowView& row) { words.push_back(wordOf(row.cells[pos - 1])); });
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    for (const std::uint64_t word : words) result->insert(nameOf(word));
    if (tracing.on) printResult(result.get(), access);
    return result;
}

bool Pi::isGroupedBy(const InternalName& candidate, int* out) const {
    if (out != nullptr) *out = 0;
    return candidate == var;
}

void Pi::printAs(const char* name, Operand* input, OMAccess* access) const {
    OutputChannel& out = debugChannel();
    out << std::endl << name << "(";
    var.printOn(&out);
    out << ",op#1) " << std::endl;
    if (input != nullptr) printContents(1, input, access);
}

Sort::Sort(const FSymbol& var, const clib_list<FSymbol>* columns) : Pi(OperatorKind::Regroup, var) {
    variables.clear();
    if (columns != nullptr) variables = *columns;
}

Ref<Operand> Sort::evaluate(clib_list<Operand*>* list, OMAccess* access,
                            const OperatorTrace& tracing) const {
    Operand* input = list != nullptr && !list->empty() ? list->head() : nullptr;
    if (input == nullptr) return nullptr;
    return regroup(input, access, tracing.on);
}

Ref<SetOperand> Sort::regroup(Operand* input, OMAccess* access, bool traced) const {
    if (traced) printAs("Sort", input, access);
    clib_list<FSymbol>* columns = input->getColumns();
    auto result = Ref<SetOperand>::make(*columns);
    int pos = input->columnOf(var);
    if (pos == 0) return result;
    // Ctrl-C or a farewell stops the copy of a large input (scan polls); the evaluator throws
    // away the unfinished join it was made for.
    scan(input, RowOrder::Ordered,
         [&](const RowView& row) { result->insert(row.cells[pos - 1], row.cells); });
    if (traced) printResult(result.get(), access);
    return result;
}
