// BigIterator: the concatenation of iterators.
#include "access/BigIterator.h"

bool BigIterator::add(Iterator* sub) {
    if (started || sub == nullptr || !sub->first()) return false;
    subs.push_back(Ref<Iterator>::adopt(sub));
    return true;
}

bool BigIterator::first() {
    started = true;
    currentIndex = 0;
    current = subs.empty() ? nullptr : subs.front().get();
    return current != nullptr && current->first();
}

bool BigIterator::next() {
    if (!started || current == nullptr) return false;
    if (current->next()) return true;
    if (++currentIndex >= subs.size()) return false;
    current = subs[currentIndex].get();
    return current->first();
}

InternalName BigIterator::atColumn(int col) {
    return current != nullptr ? current->atColumn(col) : InternalName::UndefinedObject;
}

int BigIterator::columns() {
    return current != nullptr ? current->columns() : 0;
}
