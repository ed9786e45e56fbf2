// PTerm: print forms of predicate and built-in terms, copies, order and the built-ins' binding
// patterns.
#include "language/PTerm.h"

#include <algorithm>
#include <vector>

#include "foundation/OutputChannel.h"
#include "language/FVar.h"
#include "language/FunctionOrPredicateBase.h"
#include "language/NodeLists.h"
#include "objectbase/SymTab.h"

namespace {

std::vector<FTerm*> argVector(const clib_list<FTerm*>* args) {
    std::vector<FTerm*> out;
    if (args != nullptr)
        for (FTerm* arg : *args) out.push_back(arg);
    return out;
}

// An argument counts as a variable when it reduces to one.
const FVar* asVariable(const FTerm* arg) {
    return arg == nullptr ? nullptr : dynamic_cast<const FVar*>(arg->reduce());
}

bool isUnboundVariable(const FTerm* arg, const VarSet& bound) {
    const FVar* var = asVariable(arg);
    return var != nullptr && !bound.member(var->getName());
}

// True when no variable among the arguments from..to (1-based, inclusive) is unbound, also
// none inside an arithmetic term, which needs all its operands to compute its value.
bool inputsBound(const std::vector<FTerm*>& args, int from, int to, const VarSet& bound,
                 const SymTab* names) {
    for (int i = from; i <= to && i <= static_cast<int>(args.size()); ++i) {
        if (isUnboundVariable(args[i - 1], bound)) return false;
        VarSet trial(bound);
        if (args[i - 1] != nullptr && args[i - 1]->is(ParseTreeClass::ArithmeticExpr) &&
            !args[i - 1]->bindVars(trial, names))
            return false;
    }
    return true;
}

// The two-argument built-ins that keep the prefix form.
bool prefixWithTwoArgs(const std::string& name) {
    return name == "substr" || name == "strlen" || name == "string2integer" ||
           name == "string2float" || name == "string2object" || name == "sgmlprint" ||
           name == "equiv";
}

}  // namespace

PTerm::PTerm(const FSymbol& name, int firstGroupStart, int firstGroupEnd, clib_list<FTerm*>* args)
    : FTerm(ParseTreeClass::PTerm),
      groupStart(firstGroupStart),
      groupEnd(firstGroupEnd),
      base(Ref<FunctionOrPredicateBase>::make(name, args)) {}

PTerm::PTerm(const FSymbol& name, const PTerm& other)
    : FTerm(ParseTreeClass::PTerm),
      groupStart(other.groupStart),
      groupEnd(other.groupEnd),
      base(Ref<FunctionOrPredicateBase>::make(name, *other.base)) {}

PTerm::PTerm(const PTerm& other)
    : FTerm(other),
      groupStart(other.groupStart),
      groupEnd(other.groupEnd),
      base(Ref<FunctionOrPredicateBase>::adopt(
          static_cast<FunctionOrPredicateBase*>(other.base->clone()))) {
    if (base == nullptr) markIncomplete();
}

PTerm::~PTerm() = default;

bool PTerm::isA(const std::string& className) const {
    return className == "PTerm" || FTerm::isA(className);
}

const FSymbol& PTerm::getName() const {
    return base->getName();
}

void PTerm::setName(const FSymbol& name) {
    base->setName(name);
}

clib_list<FTerm*>* PTerm::getArgs() const {
    return base->getArgs();
}

void PTerm::setArgs(clib_list<FTerm*>* args) {
    auto fresh = Ref<FunctionOrPredicateBase>::make(base->getName(), args);
    nodelists::dropReferences(args);  // the caller's references pass to the term
    base = std::move(fresh);
}

bool PTerm::isBuiltin() const {
    return getName().getType() == InternalName::BuiltinPredicate;
}

void PTerm::printArgs(OutputChannel& channel, int from, int to, const SymTab* names,
                      const SymTab* vars) const {
    const std::vector<FTerm*> args = argVector(getArgs());
    for (int i = from; i <= to; ++i) {
        if (i > from) channel << ",";
        if (args[i - 1] == nullptr) {
            channel << "NULL";
        } else {
            args[i - 1]->print(channel, names, vars);
        }
    }
}

void PTerm::printGroup(OutputChannel& channel, int from, int to, const SymTab* names,
                       const SymTab* vars) const {
    channel << "[";
    printArgs(channel, from, to, names, vars);
    channel << "]";
}

void PTerm::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    const FSymbol& symbol = getName();
    if (names == nullptr || names->getType(symbol) != InternalName::BuiltinPredicate) {
        base->print(channel, names, vars);
        return;
    }
    const std::string name = names->giveName(symbol);
    const int n = getArgs() == nullptr ? 0 : getArgs()->length();
    const bool matchLike = name == "match" || name == "pmatch";
    if (n == 2 && !prefixWithTwoArgs(name)) {
        printArgs(channel, 1, 1, names, vars);
        channel << " " << name << " ";
        printArgs(channel, 2, 2, names, vars);
    } else if (n >= 3 && matchLike && n != 4) {
        const int k = (n - 2) / 2;
        channel << name << "(";
        printArgs(channel, 1, 2, names, vars);
        channel << ",";
        printGroup(channel, 3, k + 2, names, vars);
        channel << ",";
        printGroup(channel, k + 3, n, names, vars);
        channel << ")";
    } else if (n >= 3 && name == "perl") {
        // Leading arguments, then the first bracketed group, then the rest in a second one.
        const int start = std::min(std::max(groupStart, 0), n);
        const int end = std::min(std::max(groupEnd, start), n);
        channel << name << "(";
        printArgs(channel, 1, start, names, vars);
        if (start > 0) channel << ",";
        printGroup(channel, start + 1, end, names, vars);
        channel << ",";
        printGroup(channel, end + 1, n, names, vars);
        channel << ")";
    } else {
        base->print(channel, names, vars);
    }
}

ParseTreeNode* PTerm::clone() const {
    return finishClone(new PTerm(*this));
}

bool PTerm::deepEqual(const ParseTreeNode& other) const {
    const auto* term = dynamic_cast<const PTerm*>(&other);
    return term != nullptr && base->deepEqual(*term->base);
}

void PTerm::collectVars(VarList& vars) const {
    base->collectVars(vars);
}

int PTerm::compareSameClass(const ParseTreeNode& other) const {
    return base->compare(*static_cast<const PTerm&>(other).base);
}

bool PTerm::bindVars(VarSet& bound, const SymTab* names) const {
    if (isBuiltin()) {
        const std::string name = names != nullptr ? names->giveName(getName()) : std::string();
        if (!builtinBindVars(name, bound, names)) return false;
    }
    addVarsTo(bound);
    return true;
}

bool PTerm::builtinBindVars(const std::string& name, VarSet& bound, const SymTab* names) const {
    const std::vector<FTerm*> args = argVector(getArgs());
    const int n = static_cast<int>(args.size());
    if (name == "describe") return true;
    if (name == "=" && n == 2) {
        if (args[0] == nullptr || args[1] == nullptr) return false;
        if (isUnboundVariable(args[0], bound)) return args[1]->bindVars(bound, names);
        if (isUnboundVariable(args[1], bound)) return args[0]->bindVars(bound, names);
        for (FTerm* side : args)
            if (side->is(ParseTreeClass::ArithmeticExpr) && !side->bindVars(bound, names))
                return false;
        return true;
    }
    if (name == "strcat" || name == "string2integer" || name == "string2float" ||
        name == "string2object") {
        int unbound = 0;
        for (FTerm* arg : args)
            if (isUnboundVariable(arg, bound)) ++unbound;
        return unbound <= 1;
    }
    if (name == "strlen") return inputsBound(args, 1, 1, bound, names);
    if (name == "match" || name == "pmatch") return inputsBound(args, 1, n / 2 + 1, bound, names);
    if (name == "perl") return inputsBound(args, 1, groupEnd, bound, names);
    // "equiv", "sgmlprint", the comparisons and every other built-in: all inputs.
    return inputsBound(args, 1, n, bound, names);
}
