// ArithmeticExpr: print, copies, order, safety and relative starts of arithmetic terms.
#include "language/ArithmeticExpr.h"

#include <utility>

#include "foundation/OutputChannel.h"
#include "language/FVar.h"

namespace {

// The start kind of an operand: only paths can start at the implicit context object.
int operandStart(const FTerm* term) {
    const auto* path = dynamic_cast<const Path*>(term);
    return path != nullptr ? path->startKind() : 2;
}

void replaceOperandStart(FTerm* term, Path* start) {
    auto* path = dynamic_cast<Path*>(term);
    if (path != nullptr && path->startKind() == 1) path->replaceStart(start);
}

// An operand that computes or is a variable must be evaluable; constants always are.
bool operandSafe(const FTerm* term, VarSet& bound, const SymTab* names) {
    if (term == nullptr) return true;
    if (dynamic_cast<const ArithmeticExpr*>(term) != nullptr ||
        dynamic_cast<const FVar*>(term->reduce()) != nullptr)
        return term->bindVars(bound, names);
    return true;
}

FTerm* cloneOperand(const FTerm* term, bool& failed) {
    if (term == nullptr) return nullptr;
    auto* copy = static_cast<FTerm*>(term->clone());
    if (copy == nullptr) failed = true;
    return copy;
}

}  // namespace

ArithmeticExpr::ArithmeticExpr(FTerm* left, FTerm* right, std::string op)
    : Path(ParseTreeClass::ArithmeticExpr),
      left(Ref<FTerm>::share(left)),
      right(Ref<FTerm>::share(right)),
      op(std::move(op)) {}

ArithmeticExpr::ArithmeticExpr(const ArithmeticExpr& other) : Path(other), op(other.op) {
    bool failed = false;
    left = Ref<FTerm>::adopt(cloneOperand(other.left.get(), failed));
    right = Ref<FTerm>::adopt(cloneOperand(other.right.get(), failed));
    if (failed) markIncomplete();
}

ArithmeticExpr::~ArithmeticExpr() = default;

bool ArithmeticExpr::isA(const std::string& className) const {
    return className == "ArithmeticExpr" || Path::isA(className);
}

void ArithmeticExpr::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    if (isParenthesized()) channel << "(";
    if (left != nullptr) left->print(channel, names, vars);
    channel << " " << op << " ";
    if (right != nullptr) right->print(channel, names, vars);
    if (isParenthesized()) channel << ")";
}

ParseTreeNode* ArithmeticExpr::clone() const {
    return finishClone(new ArithmeticExpr(*this));
}

bool ArithmeticExpr::deepEqual(const ParseTreeNode& other) const {
    const auto* expr = dynamic_cast<const ArithmeticExpr*>(&other);
    return expr != nullptr && expr->op == op && deepEqualOrNull(left, expr->left) &&
           deepEqualOrNull(right, expr->right);
}

void ArithmeticExpr::collectVars(VarList& vars) const {
    if (left != nullptr) left->collectVars(vars);
    if (right != nullptr) right->collectVars(vars);
}

int ArithmeticExpr::compareSameClass(const ParseTreeNode& other) const {
    const auto& expr = static_cast<const ArithmeticExpr&>(other);
    if (op != expr.op) return op < expr.op ? -1 : 1;
    const int byLeft = compareOrNull(left, expr.left);
    return byLeft != 0 ? byLeft : compareOrNull(right, expr.right);
}

bool ArithmeticExpr::bindVars(VarSet& bound, const SymTab* names) const {
    return operandSafe(left.get(), bound, names) && operandSafe(right.get(), bound, names);
}

int ArithmeticExpr::startKind() const {
    return operandStart(left.get()) == 1 || operandStart(right.get()) == 1 ? 1 : 2;
}

void ArithmeticExpr::replaceStart(Path* start) {
    replaceOperandStart(left.get(), start);
    replaceOperandStart(right.get(), start);
}

void ArithmeticExpr::setLeft(FTerm* term) {
    left = Ref<FTerm>::share(term);
}

void ArithmeticExpr::setRight(FTerm* term) {
    right = Ref<FTerm>::share(term);
}
