// The operations the parse tree needs on lists of owned node pointers (argument lists, result
// lists, literal and clause lists): sharing, cloning, releasing, printing, equality and order.
#pragma once

#include <memory>

#include "foundation/OutputChannel.h"
#include "foundation/OwnedElements.h"
#include "foundation/clib_list.h"
#include "language/ParseTreeNode.h"

namespace nodelists {

// A new list holding the same nodes, each with a reference taken; null for a null list.
template <class T>
clib_list<T*>* share(const clib_list<T*>* list) {
    if (list == nullptr) return nullptr;
    auto* copy = new clib_list<T*>(*list);
    owned::shareAll(*copy);
    return copy;
}

// Takes a reference to every node of the list.
template <class T>
void retain(clib_list<T*>* list) {
    if (list != nullptr) owned::shareAll(*list);
}

// Appends a clone of every node of `from` to `to`; false when some clone failed (the nodes
// cloned so far stay). Null elements stay null.
template <class T>
bool appendClones(clib_list<T*>& to, const clib_list<T*>& from) {
    for (T* node : from) {
        T* copy = nullptr;
        if (node != nullptr) {
            copy = static_cast<T*>(node->clone());
            if (copy == nullptr) return false;
        }
        to.append(copy);
    }
    return true;
}

// Releases every node of the list and empties it.
template <class T>
void releaseAll(clib_list<T*>& list) {
    owned::releaseAll(list);
}

// Gives up the caller's reference on every node of a list (null allowed) that a node has taken
// with references of its own; the list itself stays as it is.
template <class T>
void dropReferences(const clib_list<T*>* list) {
    if (list != nullptr) owned::dropAll(*list);
}

// Releases every node of the list and the list itself, which the caller hands over.
template <class T>
void release(clib_list<T*>* list) {
    const std::unique_ptr<clib_list<T*>> held(list);
    if (held != nullptr) releaseAll(*held);
}

// A new list of clones; null for a null list, and null with `failed` set when a clone failed.
template <class T>
clib_list<T*>* cloneList(const clib_list<T*>* list, bool& failed) {
    if (list == nullptr) return nullptr;
    auto* copy = new clib_list<T*>;
    if (!appendClones(*copy, *list)) {
        release(copy);
        failed = true;
        return nullptr;
    }
    return copy;
}

// Writes the nodes with the separator between them; a null node as "NULL".
template <class T>
void print(OutputChannel& channel, const clib_list<T*>& list, const char* separator,
           const SymTab* names, const SymTab* vars) {
    bool first = true;
    for (T* node : list) {
        if (!first) channel << separator;
        first = false;
        if (node == nullptr) {
            channel << "NULL";
        } else {
            node->print(channel, names, vars);
        }
    }
}

// True when the list is missing or holds nothing.
template <class T>
bool isEmpty(const clib_list<T*>* list) {
    return list == nullptr || list->empty();
}

// Pairwise deep equality of two lists of equal length (null nodes equal only null nodes).
template <class T>
bool deepEqual(const clib_list<T*>& a, const clib_list<T*>& b) {
    if (a.length() != b.length()) return false;
    auto other = b.begin();
    for (T* node : a) {
        if (!deepEqualOrNull(node, *other)) return false;
        ++other;
    }
    return true;
}

// As deepEqual, where two missing lists are equal and a missing one equals no present one.
template <class T>
bool deepEqual(const clib_list<T*>* a, const clib_list<T*>* b) {
    if (a == nullptr || b == nullptr) return a == b;
    return deepEqual(*a, *b);
}

// By length (shorter first), then pairwise by compare, the first difference deciding.
template <class T>
int compare(const clib_list<T*>& a, const clib_list<T*>& b) {
    const int la = a.length();
    const int lb = b.length();
    if (la != lb) return la < lb ? -1 : 1;
    auto other = b.begin();
    for (T* node : a) {
        const int c = compareOrNull(node, *other);
        if (c != 0) return c;
        ++other;
    }
    return 0;
}

// As compare, with a missing list before a present one.
template <class T>
int compare(const clib_list<T*>* a, const clib_list<T*>* b) {
    if (a == nullptr || b == nullptr) return a == b ? 0 : (a == nullptr ? -1 : 1);
    return compare(*a, *b);
}

// Every node's variables in list order.
template <class T>
void collectVars(const clib_list<T*>* list, VarList& vars) {
    if (list == nullptr) return;
    for (T* node : *list)
        if (node != nullptr) node->collectVars(vars);
}

}  // namespace nodelists
