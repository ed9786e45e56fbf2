// The iterators the main-memory object manager hands out, with their reuse protocol.
#include <algorithm>
#include <typeinfo>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/FrameManager.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SetIterator.h"

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
    if (NameSetTable* table = relationTable(kind)) members = table->find(name);
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

void MainMemOM::hostsOfEntryTypes(
    int lowest, int highest, std::vector<std::pair<InternalName, const MainMemObjFrame*>>& out) {
    // The frames are read in place, in the registry's order; sorted, the names come in the
    // order of the names iterator, which walks the registry from name to name (a lookup of each
    // name's frame after a search for the next name cost far more than the test of its entries).
    out.clear();
    frameManager->forEachObjFrame([&](const InternalName& name, const MainMemObjFrame* frame) {
        if (frame->holdsEntryOfType(lowest, highest)) out.emplace_back(name, frame);
    });
    std::sort(
        out.begin(), out.end(),
        [](const std::pair<InternalName, const MainMemObjFrame*>& a,
           const std::pair<InternalName, const MainMemObjFrame*>& b) { return a.first < b.first; });
}

void MainMemOM::objFramesInOrder(
    std::vector<std::pair<InternalName, const MainMemObjFrame*>>& out) {
    // The registry gives the frames of numbered names in the order of their numbers, then the
    // others in no order: only the part after the first break of the order is sorted and
    // merged in.
    out.clear();
    out.reserve(std::size_t(std::max(frameManager->objectCount(), 0)));
    frameManager->forEachObjFrame([&](const InternalName& name, const MainMemObjFrame* frame) {
        if (frame != nullptr) out.emplace_back(name, frame);
    });
    const auto byName = [](const std::pair<InternalName, const MainMemObjFrame*>& a,
                           const std::pair<InternalName, const MainMemObjFrame*>& b) {
        return a.first < b.first;
    };
    const auto ordered = std::is_sorted_until(out.begin(), out.end(), byName);
    if (ordered == out.end()) return;
    std::sort(ordered, out.end(), byName);
    std::inplace_merge(out.begin(), ordered, out.end(), byName);
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
