// ParseTreeNode, the contract every node of a parsed program keeps: rule-syntax printing, deep
// copies, variable collection, structural equality, a total order and the safety step.
#pragma once

#include <memory>
#include <string>

#include "foundation/FLSysObject.h"
#include "foundation/ParseTreeClassNames.h"
#include "foundation/clib_list.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"

class OutputChannel;
class SymTab;

// Variables are symbols of kind 5 or 6: collected in lists in order of first occurrence, and
// bound in sets.
using VarList = clib_list<FSymbol>;
using VarSet = set<FSymbol>;

class ParseTreeNode : public FLSysObject {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::ParseTreeNode;
    ParseTreeNode() : ParseTreeNode(ParseTreeClass::ParseTreeNode) {}
    // The copy keeps the source's class name.
    ParseTreeNode(const ParseTreeNode& other) = default;
    ParseTreeNode& operator=(const ParseTreeNode&) = delete;

    // The shell protocol: always ok; display writes the rule syntax without tables and without an
    // end of line; print writes "a" and the class name.
    bool isOk() const override { return true; }
    void display(OutputChannel& channel) const override;
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Writes the node in rule syntax. `names` turns predicate, function and constant symbols into
    // text, `vars` variable symbols; a null table leaves its symbols in the identifier form.
    // Every name is read through the table's giveName, so a table that overrides it may print
    // values in place of variables.
    virtual void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const = 0;
    // A deep copy; null (after an OutOfMemory report) when some part could not be copied.
    virtual ParseTreeNode* clone() const = 0;
    // A new list of the node's distinct variables in order of first occurrence, owned by the
    // caller. A node without variables gives an empty list.
    virtual std::unique_ptr<VarList> giveVars() const;

    // Comparisons through compare; the four orderings report NoOrderPossible and answer false
    // when compare answers something other than -1, 0 or 1.
    bool operator==(const ParseTreeNode& other) const { return compare(other) == 0; }
    bool operator!=(const ParseTreeNode& other) const { return compare(other) != 0; }
    bool operator<(const ParseTreeNode& other) const;
    bool operator>(const ParseTreeNode& other) const;
    bool operator<=(const ParseTreeNode& other) const;
    bool operator>=(const ParseTreeNode& other) const;

    // Structural equality. The base answers whether the class names agree, after saying on the
    // error channel that the class has no equality of its own.
    virtual bool deepEqual(const ParseTreeNode& other) const;
    // Appends the node's variables that the list does not hold yet.
    virtual void collectVars(VarList& list) const = 0;
    // Appends the variable unless the list holds it. The list that giveVars is filling keeps an
    // index of what it holds: a body with many variables would otherwise search its list once
    // per occurrence, at a cost that grows with the square of its length.
    static void appendVar(VarList& list, const FSymbol& var);
    // -1, 0 or 1: by class-name text first, then by compareSameClass.
    virtual int compare(const ParseTreeNode& other) const;
    // The order of two nodes of the same class name.
    virtual int compareSameClass(const ParseTreeNode& other) const = 0;
    // The safety step of a body literal: whether the node can be evaluated with the variables of
    // `bound` bound, adding those it binds. The base binds all its variables.
    virtual bool bindVars(VarSet& bound, const SymTab* names) const;
    virtual void addVarsTo(VarSet& bound) const;
    // True when every variable of the node is in the set.
    virtual bool allVarsIn(const VarSet& bound) const;
    // The node that stands for this one when its wrapping adds nothing.
    virtual ParseTreeNode* reduce() { return this; }
    const ParseTreeNode* reduce() const { return const_cast<ParseTreeNode*>(this)->reduce(); }

    const std::string& className() const { return parseTreeClassName(kindValue); }
    // Whether the node is of exactly this class (not of a class derived from it): one
    // comparison, where isA compares texts along the class chain.
    bool isClass(ParseTreeClass kind) const { return kindValue == kind; }
    // Whether the node is a `base`, as isA with the class's name answers; for the hot walks over
    // clauses, which would otherwise compare texts along the class chain at every node. (The
    // other dialect's classes carry the class they derive from and answer alike for it.)
    bool is(ParseTreeClass base) const { return parseTreeClassIs(kindValue, base); }

  protected:
    explicit ParseTreeNode(ParseTreeClass kind) : kindValue(kind) {}
    ~ParseTreeNode() override = default;

    // Finishes a clone: a copy whose constructor could not copy every part is reported and
    // released, and null answers for it.
    static ParseTreeNode* finishClone(ParseTreeNode* copy);
    // Copy constructors set this when a part could not be copied.
    void markIncomplete() { incomplete = true; }

  private:
    bool incomplete = false;
    ParseTreeClass kindValue;
};

// The node as a `T` when it is one (of T's class or a class derived from it), else null; null
// gives null. `T` names its class in `nodeClass`; a class that shares its base's class name
// (the other dialect's) is told apart by its type, not by this cast.
template <class T>
T* node_cast(ParseTreeNode* node) {
    return node != nullptr && node->is(T::nodeClass) ? static_cast<T*>(node) : nullptr;
}
template <class T>
const T* node_cast(const ParseTreeNode* node) {
    return node != nullptr && node->is(T::nodeClass) ? static_cast<const T*>(node) : nullptr;
}

// Deep-equality of two possibly null nodes: null equals only null.
bool deepEqualOrNull(const ParseTreeNode* a, const ParseTreeNode* b);
// Order of two possibly null nodes: null before any node.
int compareOrNull(const ParseTreeNode* a, const ParseTreeNode* b);
// The same for the children a node holds.
template <class A, class B>
bool deepEqualOrNull(const Ref<A>& a, const Ref<B>& b) {
    return deepEqualOrNull(a.get(), b.get());
}
template <class A, class B>
int compareOrNull(const Ref<A>& a, const Ref<B>& b) {
    return compareOrNull(a.get(), b.get());
}

// Writes the symbol's text from the table (a string with its inner quotes escaped, as read),
// or its identifier form without one.
std::string symbolText(const FSymbol& symbol, const SymTab* table);
