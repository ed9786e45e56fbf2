// FVar: printing, order and safety of variables.
#include "language/FVar.h"

#include "foundation/OutputChannel.h"
#include "objectbase/SymTab.h"

// A clause holds one of these for each occurrence of a variable: the node's class and the path
// flags share one word, so that a variable takes 40 bytes rather than 48.
static_assert(sizeof(void*) != 8 || sizeof(FVar) <= 40);

FVar::FVar(const FSymbol& name) : IdTerm(ParseTreeClass::FVar), name(name) {}

bool FVar::isA(const std::string& className) const {
    return className == "FVar" || IdTerm::isA(className);
}

void FVar::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    printVar(channel, names, vars, 0);
}

void FVar::printVar(OutputChannel& channel, const SymTab* /*names*/, const SymTab* vars,
                    int quote) const {
    if (isParenthesized()) channel << "(";
    printVariable(channel, name, vars, quote);
    if (isParenthesized()) channel << ")";
}

void printVariable(OutputChannel& channel, const FSymbol& name, const SymTab* vars, int quote) {
    if (vars == nullptr) {
        channel << name.ToString();
        return;
    }
    const std::string text = vars->giveName(name);
    // The symbol table names the variables it makes for "_" with "#" in second place.
    if (name.getType() == InternalName::DontCare && text.size() > 1 && text[1] == '#') {
        channel << "_";
    } else if (quote != 0 && text.find_first_of(".!") != std::string::npos) {
        channel << "(" << text << ")";
    } else {
        channel << text;
    }
}

ParseTreeNode* FVar::clone() const {
    return finishClone(new FVar(*this));
}

bool FVar::deepEqual(const ParseTreeNode& other) const {
    const auto* var = dynamic_cast<const FVar*>(&other);
    return var != nullptr && var->name == name;
}

void FVar::collectVars(VarList& vars) const {
    appendVar(vars, name);
}

int FVar::compareSameClass(const ParseTreeNode& other) const {
    return name.compare(static_cast<const FVar&>(other).name);
}

bool FVar::bindVars(VarSet& bound, const SymTab* /*names*/) const {
    return bound.member(name);
}

bool FVar::matches(const IdTerm& other, TermBindings& bindings) const {
    if (auto item = bindings.lookup(name)) return bindings.inf(item)->deepEqual(other);
    bindings.insert(name, const_cast<IdTerm*>(&other));
    return true;
}
