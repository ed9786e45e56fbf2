// The IsaIterator family: stored class relations matching a pattern.
#include "access/IsaIterator.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/OM.h"

IsaIterator::IsaIterator(const InternalName& object, const InternalName& cls, IsaRelation kind,
                         OM* om)
    : om(om), object(object), cls(cls), kind(kind) {}

void IsaIterator::reinitialize(const InternalName& newObject, const InternalName& newClass,
                               IsaRelation newKind, OM* newOM) {
    object = newObject;
    cls = newClass;
    kind = newKind;
    om = newOM;
    positioned = false;
}

bool IsaIterator::fits(bool objectBound, bool classBound) const {
    if (om != nullptr && isBound(object) == objectBound && isBound(cls) == classBound) return true;
    centralErrorHandler().report(err6::InvalidInit_4);
    return false;
}

SetFrameView IsaIterator::relationSet(ObjectFrameView frame) const {
    if (!frame) return {};
    return om->setFrameOf(frame.setNameOf(kind));
}

InternalName IsaIterator::atColumn(int col) {
    if (!positioned || col < 1 || col > 2) {
        reportInvalidUse();
        return InternalName::UndefinedObject;
    }
    return col == 1 ? rowObject() : rowClass();
}

bool FullySpecIsaIter::first() {
    positioned = false;
    if (!fits(true, true)) return false;
    const SetFrameView classes = relationSet(om->objectFrameOf(object));
    positioned = classes && classes.contains(cls);
    return positioned;
}

bool FullySpecIsaIter::next() {
    positioned = false;
    return false;
}

bool LeftSpecIsaIter::first() {
    positioned = false;
    if (!fits(true, false)) return false;
    const SetFrameView classes = relationSet(om->objectFrameOf(object));
    if (!classes) return false;
    members.renew([&](Iterator* old) { return classes.membersIterator(old); });
    positioned = members != nullptr && members->first();
    return positioned;
}

bool LeftSpecIsaIter::next() {
    if (!positioned) return false;
    positioned = members->next();
    return positioned;
}

bool RightSpecIsaIter::first() {
    positioned = false;
    if (!fits(false, true)) return false;
    members.renew([&](Iterator* old) { return om->isaIterator(cls, code(kind), old); });
    positioned = members != nullptr && members->first();
    return positioned;
}

bool RightSpecIsaIter::next() {
    if (!positioned) return false;
    positioned = members->next();
    return positioned;
}

bool UnspecIsaIter::seekObject() {
    do {
        currentObject = names->atColumn(1);
        const SetFrameView classes = relationSet(om->objectFrameOf(currentObject));
        if (!classes) continue;
        members.renew([&](Iterator* old) { return classes.membersIterator(old); });
        if (members != nullptr && members->first()) return true;
    } while (names->next());
    return false;
}

bool UnspecIsaIter::first() {
    positioned = false;
    if (!fits(false, false)) return false;
    names.renew([&](Iterator* old) { return om->objNamesIterator(old); });
    positioned = names != nullptr && names->first() && seekObject();
    return positioned;
}

bool UnspecIsaIter::next() {
    if (!positioned) return false;
    positioned = members->next() || (names->next() && seekObject());
    return positioned;
}
