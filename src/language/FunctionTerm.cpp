// FunctionTerm: print, copies, equality, matching and the occurs check of function terms.
#include "language/FunctionTerm.h"

#include "foundation/OutputChannel.h"
#include "language/FVar.h"
#include "language/FunctionOrPredicateBase.h"

FunctionTerm::FunctionTerm(const FSymbol& name, clib_list<FTerm*>* args)
    : IdTerm(ParseTreeClass::FunctionTerm), base(Ref<FunctionOrPredicateBase>::make(name, args)) {}

FunctionTerm::FunctionTerm(const FunctionTerm& other)
    : IdTerm(other),
      base(Ref<FunctionOrPredicateBase>::adopt(
          static_cast<FunctionOrPredicateBase*>(other.base->clone()))) {
    if (base == nullptr) markIncomplete();
}

FunctionTerm::~FunctionTerm() = default;

bool FunctionTerm::isA(const std::string& className) const {
    return className == "FunctionTerm" || IdTerm::isA(className);
}

const FSymbol& FunctionTerm::getName() const {
    return base->getName();
}

clib_list<FTerm*>* FunctionTerm::getArgs() const {
    return base->getArgs();
}

void FunctionTerm::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    if (isParenthesized()) channel << "(";
    base->print(channel, names, vars);
    if (isParenthesized()) channel << ")";
}

void FunctionTerm::printListTail(OutputChannel& channel, const SymTab* names,
                                 const SymTab* vars) const {
    base->printTerm(channel, names, vars, 0);
}

ParseTreeNode* FunctionTerm::clone() const {
    return finishClone(new FunctionTerm(*this));
}

bool FunctionTerm::deepEqual(const ParseTreeNode& other) const {
    const auto* term = dynamic_cast<const FunctionTerm*>(&other);
    return term != nullptr && base->deepEqual(*term->base);
}

void FunctionTerm::collectVars(VarList& vars) const {
    base->collectVars(vars);
}

int FunctionTerm::compareSameClass(const ParseTreeNode& other) const {
    return base->compare(*static_cast<const FunctionTerm&>(other).base);
}

bool FunctionTerm::matches(const IdTerm& other, TermBindings& bindings) const {
    const auto* term = dynamic_cast<const FunctionTerm*>(&other);
    if (term == nullptr || term->getName() != getName()) return false;
    if (getName().getArity() == 0) return true;
    const clib_list<FTerm*>* mine = getArgs();
    const clib_list<FTerm*>* theirs = term->getArgs();
    if (mine == nullptr || theirs == nullptr || mine->length() != theirs->length()) return false;
    auto it = theirs->begin();
    for (FTerm* arg : *mine) {
        const auto* left = dynamic_cast<const IdTerm*>(arg);
        const auto* right = dynamic_cast<const IdTerm*>(*it);
        if (left == nullptr || right == nullptr || !left->matches(*right, bindings)) return false;
        ++it;
    }
    return true;
}

bool FunctionTerm::doesNotContain(const FVar& var) const {
    const clib_list<FTerm*>* args = getArgs();
    if (args == nullptr) return true;
    for (FTerm* arg : *args) {
        if (const auto* v = dynamic_cast<const FVar*>(arg)) {
            if (v->deepEqual(var)) return false;
        } else if (const auto* f = dynamic_cast<const FunctionTerm*>(arg)) {
            if (!f->doesNotContain(var)) return false;
        }
    }
    return true;
}
