// BigIterator: the concatenation of iterators.
#include "access/BigIterator.h"

BigIterator::~BigIterator() {
    for (list_item item = subs.first_item(); item != nullptr; item = subs.next_item(item))
        decRef(subs.inf(item));
    subs.clear();
}

bool BigIterator::add(Iterator* sub) {
    if (started || sub == nullptr || !sub->first()) return false;
    subs.append(sub);
    return true;
}

bool BigIterator::first() {
    started = true;
    currentItem = subs.first_item();
    current = currentItem != nullptr ? subs.inf(currentItem) : nullptr;
    return current != nullptr && current->first();
}

bool BigIterator::next() {
    if (!started || current == nullptr) return false;
    if (current->next()) return true;
    currentItem = subs.next_item(currentItem);
    if (currentItem == nullptr) return false;
    current = subs.inf(currentItem);
    return current->first();
}

InternalName BigIterator::atColumn(int col) {
    return current != nullptr ? current->atColumn(col) : InternalName::UndefinedObject;
}

int BigIterator::columns() {
    return current != nullptr ? current->columns() : 0;
}
