// SiblingIter: the base rows of a sibling step, the children of each node's parent.
#include "xml/SiblingIter.h"

#include <algorithm>

#include "access/OMAccess.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

SiblingIter::SiblingIter(const InternalName* tuple, int count, OMAccess* access)
    : access(Ref<OMAccess>::share(access)),
      cells(static_cast<std::size_t>(std::max(count, 3)), Free),
      length(count) {
    if (tuple != nullptr) std::copy(tuple, tuple + std::max(count, 0), cells.begin());
}

SiblingIter::~SiblingIter() = default;

bool SiblingIter::first() {
    positioned = false;
    if (!access) {
        centralErrorHandler().report(err6::InvalidInit_2);
        return false;
    }
    if (cells[0] != Free) {
        node = cells[0];
        positioned = openNode();
        return positioned;
    }
    names.renew([&](Iterator* old) { return access->objNamesIterator(old); });
    if (!names || !names->first()) return false;
    node = names->atColumn(1);
    positioned = openNode() || nextNode();
    return positioned;
}

bool SiblingIter::next() {
    if (!positioned) return false;
    positioned = inner->next() || nextNode();
    return positioned;
}

bool SiblingIter::nextNode() {
    if (cells[0] != Free) return false;
    while (names->next()) {
        node = names->atColumn(1);
        if (openNode()) return true;
    }
    return false;
}

bool SiblingIter::openNode() {
    InternalName parent;
    access->parentElement(parent, node);
    if (parent == Free) return false;
    const InternalName children[3] = {parent, cells[1], cells[2]};
    inner.renew([&](Iterator* old) {
        return access->matchAxis(MethodType::Set, Axis::Child, children, 3, old);
    });
    return inner && inner->first();
}

InternalName SiblingIter::atColumn(int col) {
    if (!positioned || col < 1 || col > length) return Free;
    return col == 1 ? node : inner->atColumn(col);
}
