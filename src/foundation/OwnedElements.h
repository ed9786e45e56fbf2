// The crossings between Ref and the lists whose every element carries one reference of its own
// (the clib_list<T*> of parse-tree nodes, rules and declarations that the interfaces hand out).
#pragma once

#include "foundation/Ref.h"
#include "foundation/clib_list.h"

namespace owned {

// Appends the object; the list takes over the handle's reference.
template <class T, class U>
list_item append(clib_list<T*>& list, Ref<U> object) {
    return list.append(object.release());
}

// Appends the object with a new reference of the list's own; the caller keeps its own.
template <class T>
list_item appendShared(clib_list<T*>& list, T* object) {
    return append(list, Ref<T>::share(object));
}

// Takes a reference of the list's own on every element it holds (the elements were lent to it).
template <class T>
void shareAll(clib_list<T*>& list) {
    for (T*& element : list) element = Ref<T>::share(element).release();
}

// Gives up one reference on every element (null allowed) and leaves the list as it is: for a
// lender whose elements a holder has taken with references of its own.
template <class T>
void dropAll(const clib_list<T*>& list) {
    for (T* element : list) Ref<T>::adopt(element).reset();
}

// Releases every element and empties the list.
template <class T>
void releaseAll(clib_list<T*>& list) {
    dropAll(list);
    list.clear();
}

// Removes an item and hands over the reference its element carried.
template <class T>
Ref<T> take(clib_list<T*>& list, list_item item) {
    return Ref<T>::adopt(list.del_item(item));
}

}  // namespace owned
