// ExplicitSetIterator: one column over a set of names that the caller keeps.
#include "access/ExplicitSetIterator.h"

bool ExplicitSetIterator::first() {
    current = names != nullptr ? names->first_item() : Item{};
    return current != Item{};
}

bool ExplicitSetIterator::next() {
    if (current == Item{}) return false;
    current = names->next_item(current);
    return current != Item{};
}

InternalName ExplicitSetIterator::atColumn(int col) {
    if (col != 1 || current == Item{}) return InternalName::UndefinedObject;
    return names->key(current);
}
