// FTermList: printing, copying, equality and order of term lists.
#include "language/FTermList.h"

#include "foundation/OwnedElements.h"
#include "language/FTerm.h"
#include "language/NodeLists.h"

FTermList::FTermList(FTerm* first) : ParseTreeNode(ParseTreeClass::FTermList) {
    if (first != nullptr) append(first);
}

FTermList::FTermList(const FTermList& other) : ParseTreeNode(other) {
    if (!nodelists::appendClones(terms, other.terms)) markIncomplete();
}

FTermList::~FTermList() {
    nodelists::releaseAll(terms);
}

bool FTermList::isA(const std::string& className) const {
    return className == "FTermList" || ParseTreeNode::isA(className);
}

void FTermList::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    nodelists::print(channel, terms, ", ", names, vars);
}

ParseTreeNode* FTermList::clone() const {
    return finishClone(new FTermList(*this));
}

bool FTermList::deepEqual(const ParseTreeNode& other) const {
    const auto* list = dynamic_cast<const FTermList*>(&other);
    return list != nullptr && nodelists::deepEqual(terms, list->terms);
}

void FTermList::collectVars(VarList& vars) const {
    nodelists::collectVars(&terms, vars);
}

int FTermList::compareSameClass(const ParseTreeNode& other) const {
    return nodelists::compare(terms, static_cast<const FTermList&>(other).terms);
}

void FTermList::appendClones(const FTermList& other) {
    nodelists::appendClones(terms, other.terms);
}

list_item FTermList::append(FTerm* term) {
    return owned::appendShared(terms, term);
}
