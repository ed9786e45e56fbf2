// AlgebraicExpr: evaluation of an operator tree node and its printed form.
#include "compile/AlgebraicExpr.h"

#include "compile/Operand.h"
#include "compile/Operator.h"
#include "foundation/OutputChannel.h"

AlgebraicExpr::AlgebraicExpr(Operator* op, int keepInput, int marker)
    : op(Ref<Operator>::share(op)), keepInput(keepInput), marker(marker) {}

AlgebraicExpr::~AlgebraicExpr() {
    for (AlgebraicExpr* child : children) decRef(child);
    releaseInputs();
}

void AlgebraicExpr::releaseInputs() {
    for (Operand* operand : inputs) decRef(operand);
}

void AlgebraicExpr::addChild(AlgebraicExpr* child) {
    if (child == nullptr) return;
    incRef(child);
    children.append(child);
}

Operand* AlgebraicExpr::evaluate(OMAccess* access, Operand** current) {
    Operand* entry = *current;
    if (op && op->projects()) {
        // The projection reads the current operand without owning it.
        inputs.append(*current);
        Operand* projected = op->evaluate(&inputs, access);
        inputs.clear();
        return projected;
    }
    Operand* result = nullptr;
    bool shortCut = false;
    for (AlgebraicExpr* child : children) {
        Operand* r = child->evaluate(access, current);
        if ((r == nullptr || r->emptyAtHand()) && op && op->kind() == OperatorKind::Join) {
            decRef(r);
            result = new Operand2();
            shortCut = true;
            break;
        }
        inputs.append(r);
    }
    if (!shortCut && op) result = op->evaluate(&inputs, access);
    releaseInputs();
    inputs.clear();
    *current = keepInput != 0 ? entry : result;
    return result;
}

void AlgebraicExpr::print(OutputChannel& out) {
    if (op) out << op->getName();
    if (children.empty()) return;
    out << "(";
    bool first = true;
    for (AlgebraicExpr* child : children) {
        if (!first) out << ",";
        first = false;
        child->print(out);
    }
    out << ")";
}
