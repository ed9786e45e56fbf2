// FLiteralList: print, copies, the cursor walk and the safe ordering of a body.
#include "language/FLiteralList.h"

#include <vector>

#include "foundation/OwnedElements.h"
#include "language/FLiteral.h"
#include "language/NodeLists.h"

FLiteralList::FLiteralList(FLiteral* first) : ParseTreeNode(ParseTreeClass::FLiteralList) {
    if (first != nullptr) append(first);
}

FLiteralList::FLiteralList(const FLiteralList& other) : ParseTreeNode(other) {
    if (!nodelists::appendClones(literals, other.literals)) markIncomplete();
}

FLiteralList::~FLiteralList() {
    nodelists::releaseAll(literals);
}

bool FLiteralList::isA(const std::string& className) const {
    return className == "FLiteralList" || ParseTreeNode::isA(className);
}

void FLiteralList::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    nodelists::print(channel, literals, ", ", names, vars);
}

ParseTreeNode* FLiteralList::clone() const {
    return finishClone(new FLiteralList(*this));
}

bool FLiteralList::deepEqual(const ParseTreeNode& other) const {
    const auto* list = dynamic_cast<const FLiteralList*>(&other);
    return list != nullptr && nodelists::deepEqual(literals, list->literals);
}

void FLiteralList::collectVars(VarList& vars) const {
    nodelists::collectVars(&literals, vars);
}

int FLiteralList::compareSameClass(const ParseTreeNode& other) const {
    return nodelists::compare(literals, static_cast<const FLiteralList&>(other).literals);
}

void FLiteralList::clear() {
    nodelists::releaseAll(literals);
    cursor = nullptr;
}

void FLiteralList::appendAll(FLiteralList& other) {
    for (FLiteral* literal = other.first(); literal != nullptr; literal = other.next())
        append(literal);
}

void FLiteralList::append(FLiteral* literal) {
    owned::appendShared(literals, literal);
}

FLiteral* FLiteralList::first() {
    cursor = literals.first_item();
    return cursor != nullptr ? literals.inf(cursor) : nullptr;
}

FLiteral* FLiteralList::next() {
    cursor = literals.next_item(cursor);
    return cursor != nullptr ? literals.inf(cursor) : nullptr;
}

bool FLiteralList::hasNegation() const {
    for (FLiteral* literal : literals)
        if (literal != nullptr && literal->isNegated()) return true;
    return false;
}

FLiteralList* FLiteralList::safeOrder(VarSet& bound, const SymTab* names) const {
    std::vector<FLiteral*> waiting(literals.begin(), literals.end());
    auto ordered = Ref<FLiteralList>::make();
    // Passes in body order, each placing every literal that its predecessors made evaluable.
    bool placedSome = true;
    while (!waiting.empty() && placedSome) {
        placedSome = false;
        std::vector<FLiteral*> rest;
        for (FLiteral* literal : waiting) {
            if (literal->bindVars(bound, names)) {
                ordered->append(literal);
                placedSome = true;
            } else {
                rest.push_back(literal);
            }
        }
        waiting.swap(rest);
    }
    // What remains can only be negated literals whose unbound variables are don't-cares.
    VarSet dontCares;
    bool allSafe = true;
    for (FLiteral* literal : waiting) {
        if (!literal->negationSafe(bound, dontCares, names)) {
            allSafe = false;
            break;
        }
        ordered->append(literal);
    }
    if (allSafe)
        for (const FSymbol& var : dontCares) bound.insert(var);
    if (ordered->isEmpty() && !literals.empty()) return nullptr;
    return ordered.release();
}
