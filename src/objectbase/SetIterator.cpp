// The walk of SetIterator over the members of a set, in ascending identifier order.
#include "objectbase/SetIterator.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

SetIterator::SetIterator(set<InternalName>* names) : names(names) {}

SetIterator::SetIterator(const MemberSet& walked) : members(&walked) {}

void SetIterator::reset(set<InternalName>* newNames) {
    names = newNames;
    members = nullptr;
    positioned = false;
    current = Item{};
}

void SetIterator::reset(const MemberSet& newMembers) {
    names = nullptr;
    members = &newMembers;
    positioned = false;
    current = Item{};
}

bool SetIterator::first() {
    if (members != nullptr) {
        index = 0;
        positioned = !members->ascending().empty();
        return positioned;
    }
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
    if (!positioned) return false;
    if (members != nullptr) {
        ++index;
        positioned = index < members->ascending().size();
        return positioned;
    }
    current = names->next_item(current);
    positioned = current != Item{};
    return positioned;
}

InternalName SetIterator::atColumn(int col) {
    if (positioned && col == 1) {
        if (members == nullptr) return names->key(current);
        // A set changed under the walk (which its owner must not do) ends it rather than
        // reading past the members.
        const std::vector<InternalName>& sorted = members->ascending();
        if (index < sorted.size()) return sorted[index];
    }
    centralErrorHandler().report(err6::InvalidUse_6);
    return InternalName::UndefinedObject;
}

bool SetIterator::isA(const std::string& className) const {
    return className == "SetIterator";
}
