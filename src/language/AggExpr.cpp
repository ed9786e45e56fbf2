// AggExpr: print, copies, equality, order and safety of aggregate terms.
#include "language/AggExpr.h"

#include <utility>

#include "foundation/OutputChannel.h"
#include "language/FLiteralList.h"
#include "language/FVar.h"

AggExpr::AggExpr(FLiteralList* body, const FSymbol& aggVar, std::string op,
                 const VarList& groupVars)
    : Path(ParseTreeClass::AggExpr),
      body(Ref<FLiteralList>::share(body)),
      aggVar(aggVar),
      op(std::move(op)),
      groupVars(groupVars) {}

AggExpr::AggExpr(const AggExpr& other)
    : Path(other), body(nullptr), aggVar(other.aggVar), op(other.op), groupVars(other.groupVars) {
    if (other.body != nullptr) {
        body = Ref<FLiteralList>::adopt(static_cast<FLiteralList*>(other.body->clone()));
        if (body == nullptr) markIncomplete();
    }
}

AggExpr::~AggExpr() = default;

bool AggExpr::isA(const std::string& className) const {
    return className == "AggExpr" || Path::isA(className);
}

void AggExpr::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    channel << op << "{";
    printVariable(channel, aggVar, vars, 0);
    if (!groupVars.empty()) {
        channel << " [";
        bool first = true;
        for (const FSymbol& var : groupVars) {
            if (!first) channel << ",";
            first = false;
            printVariable(channel, var, vars, 0);
        }
        channel << "]";
    }
    channel << " ; ";
    if (body != nullptr) body->print(channel, names, vars);
    channel << "}";
}

ParseTreeNode* AggExpr::clone() const {
    return finishClone(new AggExpr(*this));
}

namespace {

// By length, then pairwise in identifier order.
int compareVarLists(const VarList& a, const VarList& b) {
    if (a.length() != b.length()) return a.length() < b.length() ? -1 : 1;
    auto other = b.begin();
    for (const FSymbol& var : a) {
        const int c = var.compare(*other);
        if (c != 0) return c;
        ++other;
    }
    return 0;
}

}  // namespace

bool AggExpr::deepEqual(const ParseTreeNode& other) const {
    const auto* agg = dynamic_cast<const AggExpr*>(&other);
    return agg != nullptr && agg->op == op && agg->aggVar == aggVar &&
           compareVarLists(groupVars, agg->groupVars) == 0 && deepEqualOrNull(body, agg->body);
}

void AggExpr::collectVars(VarList& vars) const {
    for (const FSymbol& var : groupVars) appendVar(vars, var);
}

int AggExpr::compareSameClass(const ParseTreeNode& other) const {
    const auto& agg = static_cast<const AggExpr&>(other);
    if (op != agg.op) return op < agg.op ? -1 : 1;
    if (const int c = aggVar.compare(agg.aggVar); c != 0) return c;
    if (const int c = compareVarLists(groupVars, agg.groupVars); c != 0) return c;
    return compareOrNull(body, agg.body);
}

bool AggExpr::bindVars(VarSet& bound, const SymTab* /*names*/) const {
    for (const FSymbol& var : groupVars) bound.insert(var);
    return true;
}
