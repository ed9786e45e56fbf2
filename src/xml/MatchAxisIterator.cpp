// MatchAxisIterator: the rows of one XML axis step, read from up to three stage iterators.
#include "xml/MatchAxisIterator.h"

#include <algorithm>
#include <iostream>

#include "access/OMAccess.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

bool isBound(const InternalName& name) {
    return name != Free;
}

enum Axis {
    Child = 1,
    Descendant = 2,
    Parent = 3,
    Ancestor = 4,
    Sibling = 5,
    AttributeAxis = 6,
    Self = 7
};

}  // namespace

MatchAxisIterator::MatchAxisIterator(const InternalName* tuple, int count, int axis, int,
                                     int valueColumn, OMAccess* access, Iterator* firstStage,
                                     Iterator* secondStage, Iterator* thirdStage)
    : cells(static_cast<std::size_t>(std::max(count, 3)), Free),
      length(count),
      axis(axis),
      stages{Ref<Iterator>::adopt(firstStage), Ref<Iterator>::adopt(secondStage),
             Ref<Iterator>::adopt(thirdStage)},
      valueColumn(valueColumn),
      access(Ref<OMAccess>::share(access)) {
    if (tuple != nullptr) std::copy(tuple, tuple + std::max(count, 0), cells.begin());
}

MatchAxisIterator::~MatchAxisIterator() = default;

void MatchAxisIterator::reinitialize() {
    std::cout << "MatchAxisIterator::reinitialize removed with version 3.30" << std::endl;
}

bool MatchAxisIterator::first() {
    positioned = false;
    stopPoll = controlEvents::StopPoll();
    current = 0;
    label = Free;
    if (stage() == nullptr || !access) return false;
    return settle(enterRow(stage()->first()));
}

bool MatchAxisIterator::next() {
    if (!positioned) return false;
    positioned = false;
    return settle(advance());
}

bool MatchAxisIterator::enterRow(bool stageHasRow) {
    inSet = false;
    label = Free;
    while (stageHasRow) {
        const InternalName cell = stage()->atColumn(valueColumn);
        if (cell.getType() != InternalName::SetName) {
            value = cell;
            return true;
        }
        members.renew([&](Iterator* old) { return access->setIterator(cell, old); });
        if (members && members->first()) {
            inSet = true;
            value = members->atColumn(1);
            return true;
        }
        stageHasRow = stage()->next();
    }
    return false;
}

bool MatchAxisIterator::advance() {
    if (inSet && members->next()) {
        label = Free;
        value = members->atColumn(1);
        return true;
    }
    return enterRow(stage()->next());
}

bool MatchAxisIterator::stageExhausted() {
    if (current == 2 || stages[current + 1] == nullptr) return false;
    ++current;
    return enterRow(stage()->first());
}

bool MatchAxisIterator::settle(bool onRow) {
    for (;;) {
        if (!onRow && !stageExhausted()) return false;
        // A step that passes over many rows before one matches (a name test over a large
        // document) stops at Ctrl-C or a farewell, as a step that yields them does.
        if (stopPoll.stop()) return false;
        if (matches()) {
            positioned = true;
            return true;
        }
        onRow = advance();
    }
}

InternalName MatchAxisIterator::host() {
    // A parent step from a bound node keeps the node as host; its stage holds only the parents.
    if (axis == Parent && isBound(pattern(0))) return pattern(0);
    return stage()->atColumn(axis == Descendant ? 2 : 1);
}

bool MatchAxisIterator::matches() {
    if (isBound(pattern(2)) && pattern(2) != value) return false;
    // These two hold for text rows too, which otherwise pass on their method alone: a node is
    // never its own sibling, and the method of a parent step names the class of the parent, as
    // on the descendant and ancestor axes.
    if (axis == Sibling && value == host()) return false;
    if (axis == Parent && isBound(pattern(1)) &&
        access->isaTest(value, pattern(1), IsaRelation::Member) == 0)
        return false;
    // The document above the root element is no element: the root has no parent row.
    if (axis == Parent && isDocument(value)) return false;
    if (axis == Self) return selfMatches();
    const InternalName method = stage()->atColumn(2);
    if (isBound(method) && access->isaTest(method, builtinObject::Text, IsaRelation::Member) != 0)
        return true;
    switch (axis) {
        case Child:
        case Sibling:
            return access->isaTest(method, builtinObject::Tag, IsaRelation::Member) != 0;
        case AttributeAxis:
        case Parent:
            return true;
        case Descendant:
        case Ancestor:
            if (isBound(pattern(1)) && access->isaTest(value, pattern(1), IsaRelation::Member) == 0)
                return false;
            if (value == host()) return false;
            access->parentMethod(label, value);
            return isBound(label);
        default:
            return axis != 0;
    }
}

bool MatchAxisIterator::isDocument(const InternalName& x) {
    InternalName webdoc;
    access->internName(webdoc, "webdoc", 1);
    return access->isaTest(x, webdoc, IsaRelation::Member) != 0;
}

bool MatchAxisIterator::selfMatches() {
    const InternalName method = pattern(1);
    // An unnamed self step names the node as the other name tests do, by the name it hangs
    // under; a node under nothing (a document) has no name to give.
    if (!isBound(method)) {
        access->parentMethod(label, value);
        return isBound(label);
    }
    InternalName self;
    access->internName(self, "self", 1);
    return method == self || access->isaTest(value, method, IsaRelation::Member) != 0;
}

InternalName MatchAxisIterator::atColumn(int col) {
    if (col < 1 || col > length) {
        centralErrorHandler().report(err6::InvalidUse_3);
        return Free;
    }
    if (!positioned) return Free;
    switch (col) {
        case 1:
            return host();
        case 2:
            if (axis == Child || axis == Sibling || axis == AttributeAxis)
                return stage()->atColumn(2);
            if (isBound(pattern(1))) return pattern(1);
            if (!isBound(label)) access->parentMethod(label, value);
            return label;
        case 3:
            return value;
        default:
            return stage()->atColumn(col);
    }
}
