// ParentIter: the base rows of a parent step from a free node, every node that has a parent.
#include "xml/ParentIter.h"

#include <algorithm>

#include "access/OMAccess.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

ParentIter::ParentIter(const InternalName* tuple, int count, OMAccess* access)
    : cells(static_cast<std::size_t>(std::max(count, 0)), Free),
      length(count),
      access(Ref<OMAccess>::share(access)) {
    if (tuple != nullptr) std::copy(tuple, tuple + std::max(count, 0), cells.begin());
}

ParentIter::~ParentIter() = default;

bool ParentIter::first() {
    positioned = false;
    if (!access) {
        centralErrorHandler().report(err6::InvalidInit);
        return false;
    }
    names.renew([&](Iterator* old) { return access->objNamesIterator(old); });
    if (!names || !names->first()) return false;
    positioned = hasParent() || nextObject();
    return positioned;
}

bool ParentIter::next() {
    if (!positioned) return false;
    positioned = nextObject();
    return positioned;
}

bool ParentIter::hasParent() {
    node = names->atColumn(1);
    if (access->parentElement(parent, node) == Free) return false;
    return access->parentMethod(label, node) != Free;
}

bool ParentIter::nextObject() {
    while (names->next())
        if (hasParent()) return true;
    return false;
}

InternalName ParentIter::atColumn(int col) {
    if (!positioned) return Free;
    switch (col) {
        case 1:
            return node;
        case 2:
            return label;
        case 3:
            return parent;
        default:
            return Free;
    }
}
