// The walk of SetIterator over the members of a set, in ascending identifier order.
#include "objectbase/SetIterator.h"

#include <algorithm>
#include <span>

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
        const std::span<const InternalName> sorted = members->ascending();
        index = 0;
        positioned = !sorted.empty();
        if (positioned) member = sorted.front();
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
        // Members can be added while the set is walked; the walk goes on after the member it
        // stands on, as a walk of a search tree would.
        const std::span<const InternalName> sorted = members->ascending();
        if (index < sorted.size() && sorted[index] == member)
            ++index;
        else
            index = std::size_t(std::upper_bound(sorted.begin(), sorted.end(), member) -
                                sorted.begin());
        positioned = index < sorted.size();
        if (positioned) member = sorted[index];
        return positioned;
    }
    current = names->next_item(current);
    positioned = current != Item{};
    return positioned;
}

InternalName SetIterator::atColumn(int col) {
    if (positioned && col == 1) return members == nullptr ? names->key(current) : member;
    centralErrorHandler().report(err6::InvalidUse_6);
    return InternalName::UndefinedObject;
}

bool SetIterator::isA(const std::string& className) const {
    return className == "SetIterator";
}
