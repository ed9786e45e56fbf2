// The EnhIsaIter family: is-a closures over the stored class relations.
#include "access/EnhIsaIter.h"

#include <algorithm>
#include <span>

#include "access/OMAccess.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/OM.h"

namespace {

bool isBound(const InternalName& name) {
    return name != InternalName::UndefinedObject;
}

}  // namespace

EnhIsaIter::EnhIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind,
                       OMAccess* access)
    : object(object), cls(cls), kind(kind), access(Ref<OMAccess>::share(access)) {}

EnhIsaIter::~EnhIsaIter() = default;

void EnhIsaIter::reinitialize(const InternalName& newObject, const InternalName& newClass,
                              IsaRelation newKind, OMAccess* newAccess) {
    object = newObject;
    cls = newClass;
    kind = newKind;
    positioned = false;
    if (access != newAccess) access = Ref<OMAccess>::share(newAccess);
}

bool EnhIsaIter::fits(bool objectBound, bool classBound) const {
    if (access != nullptr && isBound(object) == objectBound && isBound(cls) == classBound)
        return true;
    centralErrorHandler().report(err6::InvalidInit_5);
    return false;
}

InternalName EnhIsaIter::atColumn(int col) {
    if (!positioned || col < 1 || col > 2) {
        centralErrorHandler().report(err6::InvalidUse_12);
        return InternalName::UndefinedObject;
    }
    return col == 1 ? rowObject() : rowClass();
}

template <class Take>
void EnhIsaIter::directStep(const InternalName& x, IsaRelation stepKind, bool up, Take take) {
    work.renew([&](Iterator* old) {
        return up ? access->makeIsaIter(x, InternalName::UndefinedObject, stepKind, old)
                  : access->makeIsaIter(InternalName::UndefinedObject, x, stepKind, old);
    });
    if (work == nullptr) return;
    const int column = up ? 2 : 1;
    for (bool more = work->first(); more && !stopPoll.stop(); more = work->next())
        take(work->atColumn(column));
}

bool EnhIsaIter::closeOver(set<InternalName>& found, std::vector<InternalName>& pending,
                           IsaRelation stepKind, bool up, const InternalName& target) {
    bool reached = false;
    // Without a stored step of the kind the closure is what was found (a closure over the
    // classes of every object of a large base walked them all once more, one lookup each).
    if (pending.empty() || access->holdsNoRelation(stepKind)) return false;
    for (std::size_t next = 0; next < pending.size() && !reached && !stopPoll.stop(); ++next) {
        const InternalName x = pending[next];
        directStep(x, stepKind, up, [&](const InternalName& y) {
            if (reached || found.member(y)) return;
            found.insert(y);
            pending.push_back(y);
            if (y == target) reached = true;
        });
    }
    return reached;
}

bool FullySpecifiedIsaIter::first() {
    positioned = false;
    stopPoll = controlEvents::StopPoll();
    if (!fits(true, true)) return false;
    if (kind == IsaRelation::Subclass && object == cls) return positioned = true;
    secondWork.renew([&](Iterator* old) { return access->makeIsaIter(object, cls, kind, old); });
    if (secondWork != nullptr && secondWork->first()) return positioned = true;
    set<InternalName> found;
    std::vector<InternalName> pending;
    bool reached = false;
    directStep(object, kind, true, [&](const InternalName& c) {
        if (found.member(c)) return;
        found.insert(c);
        pending.push_back(c);
        if (c == cls) reached = true;
    });
    positioned = reached || closeOver(found, pending, continuation(), true, cls);
    return positioned;
}

bool FullySpecifiedIsaIter::next() {
    positioned = false;
    return false;
}

bool EnhLeftIsaIter::copyDirectClasses() {
    if (!access->holdsNoRelation(continuation())) return false;
    OM* base = access->om();
    if (base == nullptr) return false;
    classes.clear();
    const ObjectFrameView frame = base->objectFrameOf(object);
    if (!frame) return true;
    if (const SetFrameView stored = base->setFrameOf(frame.setNameOf(kind))) {
        const std::span<const InternalName> members = stored.memberSet().ascending();
        classes.assign(members.begin(), members.end());
    }
    return true;
}

void EnhLeftIsaIter::computeClasses() {
    if (copyDirectClasses()) return;
    set<InternalName> result;
    std::vector<InternalName> pending;
    directStep(object, kind, true, [&](const InternalName& c) {
        if (result.member(c)) return;
        result.insert(c);
        pending.push_back(c);
    });
    closeOver(result, pending, continuation(), true);
    classes.clear();
    classes.reserve(std::size_t(result.size()));
    for (auto it = result.first_item(); it != nullptr; it = result.next_item(it))
        classes.push_back(result.key(it));
}

bool EnhLeftIsaIter::first() {
    positioned = false;
    stopPoll = controlEvents::StopPoll();
    if (!fits(true, false)) return false;
    computeClasses();
    if (kind == IsaRelation::Subclass) {
        // Every name is a subclass of itself.
        auto at = std::lower_bound(classes.begin(), classes.end(), object);
        if (at == classes.end() || *at != object) classes.insert(at, object);
    }
    current = 0;
    positioned = !classes.empty();
    return positioned;
}

bool EnhLeftIsaIter::next() {
    if (!positioned) return false;
    ++current;
    positioned = current < classes.size();
    return positioned;
}

void EnhRightIsaIter::computeSubclasses() {
    result.clear();
    std::vector<InternalName> pending;
    directStep(cls, kind, false, [&](const InternalName& m) {
        if (result.member(m)) return;
        result.insert(m);
        pending.push_back(m);
    });
    closeOver(result, pending, kind, false);
}

void EnhRightIsaIter::computeInstances() {
    result.clear();
    // The members of one class come from the second work iterator while the first walks the
    // subclasses, so neither is re-targeted in the middle of its rows.
    auto takeMembers = [&](const InternalName& c) {
        secondWork.renew([&](Iterator* old) {
            return access->makeIsaIter(InternalName::UndefinedObject, c, IsaRelation::Member, old);
        });
        if (secondWork == nullptr) return;
        for (bool more = secondWork->first(); more && !stopPoll.stop(); more = secondWork->next())
            result.insert(secondWork->atColumn(1));
    };
    takeMembers(cls);
    set<InternalName> visited;
    visited.insert(cls);
    std::vector<InternalName> pending{cls};
    for (std::size_t next = 0; next < pending.size() && !stopPoll.stop(); ++next) {
        directStep(pending[next], IsaRelation::Subclass, false, [&](const InternalName& s) {
            if (visited.member(s)) return;
            visited.insert(s);
            pending.push_back(s);
        });
    }
    for (std::size_t i = 1; i < pending.size(); ++i) takeMembers(pending[i]);
}

bool EnhRightIsaIter::first() {
    positioned = false;
    stopPoll = controlEvents::StopPoll();
    if (!fits(false, true)) return false;
    if (kind == IsaRelation::Member) {
        computeInstances();
    } else {
        computeSubclasses();
        if (kind == IsaRelation::Subclass) result.insert(cls);
    }
    current = result.first_item();
    positioned = current != nullptr;
    return positioned;
}

bool EnhRightIsaIter::next() {
    if (!positioned) return false;
    current = result.next_item(current);
    positioned = current != nullptr;
    return positioned;
}

UnspecifiedIsaIter::UnspecifiedIsaIter(const InternalName& object, const InternalName& cls,
                                       IsaRelation kind, OMAccess* access)
    : EnhIsaIter(object, cls, kind, access),
      inner(Ref<EnhLeftIsaIter>::make(object, cls, kind, access)) {}

void UnspecifiedIsaIter::reinitialize(const InternalName& newObject, const InternalName& newClass,
                                      IsaRelation newKind, OMAccess* newAccess) {
    EnhIsaIter::reinitialize(newObject, newClass, newKind, newAccess);
    inner->reinitialize(newObject, newClass, newKind, newAccess);
}

bool UnspecifiedIsaIter::seekObject() {
    do {
        currentObject = work->atColumn(1);
        inner->reinitialize(currentObject, InternalName::UndefinedObject, kind, access.get());
        if (inner->first()) return true;
    } while (work->next());
    return false;
}

bool UnspecifiedIsaIter::first() {
    positioned = false;
    if (!fits(false, false)) return false;
    work.renew([&](Iterator* old) { return access->objNamesIterator(old); });
    positioned = work != nullptr && work->first() && seekObject();
    return positioned;
}

bool UnspecifiedIsaIter::next() {
    if (!positioned) return false;
    positioned = inner->next() || (work->next() && seekObject());
    return positioned;
}
