// FunctionOrPredicateBase: prefix and list print forms, copies, equality and order.
#include "language/FunctionOrPredicateBase.h"

#include "foundation/OutputChannel.h"
#include "language/FTerm.h"
#include "language/FunctionTerm.h"
#include "language/NodeLists.h"

FunctionOrPredicateBase::FunctionOrPredicateBase(const FSymbol& name, clib_list<FTerm*>* args)
    : ParseTreeNode(ParseTreeClass::FunctionOrPredicateBase), name(name), args(args) {
    nodelists::retain(args);
}

FunctionOrPredicateBase::FunctionOrPredicateBase(const FunctionOrPredicateBase& other)
    : ParseTreeNode(other), name(other.name) {
    bool failed = false;
    args = nodelists::cloneList(other.args, failed);
    if (failed) markIncomplete();
}

FunctionOrPredicateBase::FunctionOrPredicateBase(const FSymbol& name,
                                                 const FunctionOrPredicateBase& other)
    : ParseTreeNode(ParseTreeClass::FunctionOrPredicateBase),
      name(name),
      args(nodelists::share(other.args)) {}

FunctionOrPredicateBase::~FunctionOrPredicateBase() {
    nodelists::release(args);
}

bool FunctionOrPredicateBase::isA(const std::string& className) const {
    return className == "FunctionOrPredicateBase" || ParseTreeNode::isA(className);
}

bool FunctionOrPredicateBase::isListCell() const {
    return name.getType() != InternalName::Integer &&
           name.getValue() == builtinSymbol::Cons.getValue() && args != nullptr &&
           args->length() == 2;
}

void FunctionOrPredicateBase::print(OutputChannel& channel, const SymTab* names,
                                    const SymTab* vars) const {
    if (isListCell()) {
        printTerm(channel, names, vars, 1);
        return;
    }
    channel << symbolText(name, names);
    if (!nodelists::isEmpty(args)) {
        channel << "(";
        nodelists::print(channel, *args, ",", names, vars);
        channel << ")";
    }
}

void FunctionOrPredicateBase::printTerm(OutputChannel& channel, const SymTab* names,
                                        const SymTab* vars, int first) const {
    if (name.getType() != InternalName::Integer &&
        name.getValue() == builtinSymbol::Nil.getValue()) {
        channel << "]";
        return;
    }
    if (!isListCell()) {
        channel << "|";
        print(channel, names, vars);
        channel << "]";
        return;
    }
    channel << (first != 0 ? "[" : ",");
    FTerm* head = args->head();
    FTerm* tail = args->inf(args->next_item(args->first_item()));
    if (head == nullptr) {
        channel << "NULL";
    } else {
        head->print(channel, names, vars);
    }
    if (const auto* rest = dynamic_cast<const FunctionTerm*>(tail)) {
        rest->printListTail(channel, names, vars);
    } else {
        channel << "|";
        if (tail == nullptr) {
            channel << "NULL";
        } else {
            tail->print(channel, names, vars);
        }
        channel << "]";
    }
}

ParseTreeNode* FunctionOrPredicateBase::clone() const {
    return finishClone(new FunctionOrPredicateBase(*this));
}

bool FunctionOrPredicateBase::deepEqual(const ParseTreeNode& other) const {
    const auto* base = dynamic_cast<const FunctionOrPredicateBase*>(&other);
    return base != nullptr && base->name == name && nodelists::deepEqual(args, base->args);
}

void FunctionOrPredicateBase::collectVars(VarList& vars) const {
    nodelists::collectVars(args, vars);
}

int FunctionOrPredicateBase::compareSameClass(const ParseTreeNode& other) const {
    const auto& base = static_cast<const FunctionOrPredicateBase&>(other);
    const int byName = name.compare(base.name);
    if (byName != 0) return byName;
    return nodelists::compare(args, base.args);
}
