// The walk of SetIterator over the members of a set, in ascending identifier order.
#include "objectbase/SetIterator.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

SetIterator::SetIterator(set<InternalName>* names) : names(names) {}

void SetIterator::reset(set<InternalName>* newNames) {
    names = newNames;
    positioned = false;
    current = Item{};
}

bool SetIterator::first() {
    if (names == nullptr) {
        positioned = false;
        current = Item{};
        return false;
    }
    current = names->first_item();
    positioned = current != Item{};
    return positioned;
}

bool SetIterator::next() {
    if (names == nullptr || !positioned) {
        positioned = false;
        current = Item{};
        return false;
    }
    current = names->next_item(current);
    positioned = current != Item{};
    return positioned;
}

InternalName SetIterator::atColumn(int col) {
    if (names != nullptr && positioned && col == 1) return names->key(current);
    centralErrorHandler().report(err6::InvalidUse_6);
    return InternalName::UndefinedObject;
}

bool SetIterator::isA(const std::string& className) const {
    return className == "SetIterator";
}
