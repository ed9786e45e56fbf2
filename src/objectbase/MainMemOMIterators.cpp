// The iterators the main-memory object manager hands out, with their reuse protocol.
#include <algorithm>
#include <typeinfo>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/FrameManager.h"
#include "objectbase/FrameWalk.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SetFrameRegistry.h"
#include "objectbase/SetIterator.h"
#include "objectbase/SymTab.h"

namespace {

// A SetIterator over `names` (none: no rows): `reuse` re-targeted when it is one, otherwise
// reported, released and replaced.
Ref<Iterator> setIteratorOver(const MemberSet* names, Ref<Iterator> reuse) {
    set<InternalName>* none = nullptr;
    if (reuse) {
        if (typeid(*reuse) == typeid(SetIterator)) {
            auto* walk = static_cast<SetIterator*>(reuse.get());
            if (names != nullptr)
                walk->reset(*names);
            else
                walk->reset(none);
            return reuse;
        }
        centralErrorHandler().report(err5::UnknownIterType);
        reuse.reset();
    }
    return Ref<Iterator>::adopt(names != nullptr ? new SetIterator(*names) : new SetIterator(none));
}

}  // namespace

Iterator* MainMemOM::isaIterator(const InternalName& name, int kind, Iterator* reuse) {
    const MemberSet* members = nullptr;
    // The first walk over the members of a class after many memberships were stored indexes
    // them all (a quarter of a second for a million elements); Ctrl-C or a farewell cuts that
    // short, and the walk, whose work is being given up, meets nobody.
    const bool indexed = kind != 1 || indexInstances(true);
    if (NameSetTable* table = indexed ? relationTable(kind) : nullptr) members = table->find(name);
    return setIteratorOver(members, Ref<Iterator>::adopt(reuse)).release();
}

Iterator* MainMemOM::methodHostsIterator(const InternalName& method, std::int16_t type,
                                         std::int16_t argCount, Iterator* reuse) {
    return setIteratorOver(methodsTable.valueOr(MethodKey(type, argCount, method), nullptr),
                           Ref<Iterator>::adopt(reuse))
        .release();
}

Iterator* MainMemOM::setIterator(const InternalName& setName, Iterator* reuse) {
    MainMemSetFrame* members = getSetFrame(setName);
    if (members == nullptr) return noIterator(reuse);
    return members->getIterator(reuse);
}

Iterator* MainMemOM::methodIterator(const InternalName& host, int type, Iterator* reuse) {
    MainMemObjFrame* frame = getObjFrame(host);
    if (frame == nullptr) return noIterator(reuse);
    return frame->methodIterator(type, reuse);
}

Iterator* MainMemOM::objNamesIterator(Iterator* reuse) {
    return frameManager->objNames(reuse);
}

FrameWalk MainMemOM::walkFrames(const FrameFilter& filter) {
    FrameFilter taken = filter;
    if (walkPlan == WalkPlan::None) taken.readAhead = false;
    return FrameWalk(*frameManager, taken, nameToSymbol, *symTab);
}

Iterator* MainMemOM::setNamesIterator(Iterator* reuse) {
    return frameManager->setNames(reuse);
}

Iterator* MainMemOM::predNamesIterator(Iterator* reuse) {
    return frameManager->predNames(reuse);
}

Iterator* MainMemOM::paramNamesIterator(Iterator* reuse) {
    return frameManager->paramNames(reuse);
}
