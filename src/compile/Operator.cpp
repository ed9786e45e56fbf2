// The operator base: kinds and their names and the shared debug texts.
#include "compile/Operator.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"

const char* operatorName(OperatorKind kind) {
    switch (kind) {
        case OperatorKind::Predicate:
            return "pred";
        case OperatorKind::Isa:
            return "isa";
        case OperatorKind::Property:
            return "prop";
        case OperatorKind::Apply:
            return "apply";
        case OperatorKind::IdMapper:
            return "idmapper";
        case OperatorKind::Join:
            return "merge";
        case OperatorKind::Negation:
            return "minus";
        case OperatorKind::Projection:
            return "pi";
        case OperatorKind::MultiProjection:
            return "multipi";
        case OperatorKind::Regroup:
            return "sort";
        case OperatorKind::Aggregation:
            return "aggregation";
    }
    return "";
}

Operator::Operator(OperatorKind kind, int arity, const clib_list<FSymbol>& variables)
    : arity(arity), variables(variables), kindValue(kind) {}

Operator::Operator(OperatorKind kind, int arity) : arity(arity), kindValue(kind) {}

namespace {

// The rows of an operand for a trace. Rows that still wait in a source are printed from a copy,
// so that the operand itself is read afterwards exactly as in an untraced run (a join that
// streams its input keeps streaming it); the copy prints as the stored rows would.
Ref<Operand> printable(Operand* operand) {
    auto* keyed = dynamic_cast<SetOperand*>(operand);
    if (keyed == nullptr || !keyed->holdsSource()) return Ref<Operand>::share(operand);
    auto* copy = new SetOperand(*keyed->getColumns());
    keyed->scan(RowOrder::Repeating, [copy](const RowView& row) {
        copy->insert(InternalName::UndefinedObject, row.cells);
    });
    return Ref<Operand>::adopt(copy);
}

}  // namespace

void Operator::printContents(int number, Operand* operand, OMAccess* access) {
    OutputChannel& out = debugChannel();
    out << "contents of op#" << number << std::endl;
    printable(operand)->printLexical(out, access);
    out << std::endl;
}

void Operator::printResult(Operand* result, OMAccess* access) {
    OutputChannel& out = debugChannel();
    out << "RESULT : " << std::endl;
    printable(result)->printLexical(out, access);
}
