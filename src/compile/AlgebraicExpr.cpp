// AlgebraicExpr: evaluation of an operator tree node and its printed forms.
#include "compile/AlgebraicExpr.h"

#include <ostream>

#include "compile/Operand.h"
#include "compile/Operator.h"
#include "foundation/OutputChannel.h"
#include "foundation/clib_list.h"

AlgebraicExpr::AlgebraicExpr(Operator* op, int keepInput, int marker)
    : op(Ref<Operator>::share(op)), keepInput(keepInput), marker(marker) {}

void AlgebraicExpr::addChild(AlgebraicExpr* child) {
    if (child == nullptr) return;
    children.push_back(Ref<AlgebraicExpr>::share(child));
}

void AlgebraicExpr::forgetKeptTables() const {
    if (op) op->forgetKeptTables();
    for (const Ref<AlgebraicExpr>& child : children) child->forgetKeptTables();
}

Ref<Operand> AlgebraicExpr::evaluate(OMAccess* access, Operand** current,
                                     const OperatorTrace& tracing) const {
    Operand* entry = *current;
    if (op && op->projects()) {
        // The projection reads the current operand without owning it.
        clib_list<Operand*> inputs;
        inputs.append(*current);
        return op->evaluate(&inputs, access, tracing);
    }
    // The children's results, held until this node's operator has run.
    std::vector<Ref<Operand>> held;
    clib_list<Operand*> inputs;
    Ref<Operand> result;
    bool shortCut = false;
    for (const Ref<AlgebraicExpr>& child : children) {
        Ref<Operand> r = child->evaluate(access, current, tracing);
        if ((!r || r->emptyAtHand()) && op && op->kind() == OperatorKind::Join) {
            result = Ref<Operand2>::make();
            shortCut = true;
            break;
        }
        inputs.append(r.get());
        held.push_back(std::move(r));
    }
    if (!shortCut && op) result = op->evaluate(&inputs, access, tracing);
    held.clear();
    *current = keepInput != 0 ? entry : result.get();
    return result;
}

void AlgebraicExpr::print(OutputChannel& out) const {
    if (op) out << op->getName();
    if (children.empty()) return;
    out << "(";
    bool first = true;
    for (const Ref<AlgebraicExpr>& child : children) {
        if (!first) out << ",";
        first = false;
        child->print(out);
    }
    out << ")";
}

void AlgebraicExpr::printPlan(OutputChannel& out, const SymTab* names, int depth) const {
    out << std::string(std::size_t(depth) * 2, ' ');
    if (op) {
        out << op->getName();
        const std::string how = op->strategy(names);
        if (!how.empty()) out << " : " << how;
    }
    out << std::endl;
    for (const Ref<AlgebraicExpr>& child : children) child->printPlan(out, names, depth + 1);
}
