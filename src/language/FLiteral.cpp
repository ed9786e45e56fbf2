// FLiteral: print, copies, order, safety and negation safety of body literals.
#include "language/FLiteral.h"

#include "foundation/OutputChannel.h"
#include "language/FTerm.h"

FLiteral::FLiteral(FTerm* term, int negated, int secondFlag)
    : ParseTreeNode(ParseTreeClass::FLiteral),
      negated(negated != 0),
      second(static_cast<std::uint8_t>(secondFlag)),
      term(Ref<FTerm>::share(term)) {}

FLiteral::FLiteral(const FLiteral& other)
    : ParseTreeNode(other), negated(other.negated), second(other.second), term(nullptr) {
    if (other.term != nullptr) {
        term = Ref<FTerm>::adopt(static_cast<FTerm*>(other.term->clone()));
        if (term == nullptr) markIncomplete();
    }
}

FLiteral::~FLiteral() = default;

bool FLiteral::isA(const std::string& className) const {
    return className == "FLiteral" || ParseTreeNode::isA(className);
}

void FLiteral::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    if (negated != 0) channel << "not ";
    if (term != nullptr) term->print(channel, names, vars);
}

ParseTreeNode* FLiteral::clone() const {
    return finishClone(new FLiteral(*this));
}

bool FLiteral::deepEqual(const ParseTreeNode& other) const {
    const auto* literal = dynamic_cast<const FLiteral*>(&other);
    return literal != nullptr && literal->negated == negated && literal->second == second &&
           deepEqualOrNull(term, literal->term);
}

void FLiteral::collectVars(VarList& vars) const {
    if (term != nullptr) term->collectVars(vars);
}

int FLiteral::compareSameClass(const ParseTreeNode& other) const {
    const auto& literal = static_cast<const FLiteral&>(other);
    if (negated != literal.negated) return negated < literal.negated ? -1 : 1;
    return compareOrNull(term, literal.term);
}

bool FLiteral::bindVars(VarSet& bound, const SymTab* names) const {
    if (term == nullptr) return false;
    if (negated != 0) return allVarsIn(bound);
    return term->bindVars(bound, names);
}

void FLiteral::setTerm(FTerm* newTerm) {
    term = Ref<FTerm>::share(newTerm);
}

bool FLiteral::negationSafe(const VarSet& bound, VarSet& dontCares, const SymTab* /*names*/) const {
    if (term == nullptr || negated == 0) return false;
    if (term->is(ParseTreeClass::PTerm) && term->isBuiltin()) return false;
    const std::unique_ptr<VarList> vars = giveVars();
    for (const FSymbol& var : *vars) {
        if (bound.member(var)) continue;
        if (var.getType() == InternalName::DontCare && !dontCares.member(var)) {
            dontCares.insert(var);
            continue;
        }
        return false;
    }
    return true;
}
