// The iterators the main-memory object manager hands out, with their reuse protocol.
#include <algorithm>
#include <typeinfo>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/FrameManager.h"
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
    if (ordered != out.end()) {
        std::sort(ordered, out.end(), byName);
        std::inplace_merge(out.begin(), ordered, out.end(), byName);
    }
    if (walkPlan == WalkPlan::Ahead)
        planWalkAhead(out);
    else
        walkAhead = WalkAhead();
}

void MainMemOM::planWalkAhead(
    const std::vector<std::pair<InternalName, const MainMemObjFrame*>>& walked) {
    // The frames lie in the order they were made and the names in the order they were first
    // met, so a walk in name order jumps about memory: of the 84,000 objects of a consulted
    // base whose molecules name their successors, fewer than one in ten has its frame within a
    // cache line of the last one's. An object leads to its frame, the frame to its entries and
    // its class set, an entry to a set or a parameter frame, and those to their members and
    // rows: a chain of misses the walks waited for link by link. Here the chains are followed
    // once, each link loaded several objects ahead of the step that reads it, and their ends
    // are kept: a walk then loads all of an object's at once, a few objects ahead of it.
    //
    // An object's line: its entries (first and last byte), then pairs of a frame and where its
    // members or rows lie: its class set, and the sets and parameter frames of its first
    // entries that name one (a parameter frame is marked in the low bit of its address until
    // its rows are found); then the symbol's entry of its first string value and the text the
    // entry keeps apart, which the writing walk reads.
    constexpr std::size_t Ahead = 6;
    constexpr std::uintptr_t ParamMark = 1;
    constexpr std::size_t Frames = WalkAhead::Frames;
    WalkAhead& ahead = walkAhead;
    const std::size_t count = walked.size();
    ahead.walk = walked.data();
    ahead.objects = count;
    ahead.next = 0;
    ahead.loads.resize(count);
    WalkAhead::Object* const loads = ahead.loads.data();
    const SetFrameRegistry& sets = frameManager->setFrameRegistry();
    const FrameRegistry<MainMemParamFrame>& params = frameManager->paramFrameRegistry();
    for (std::size_t place = 0; place < count + 3 * Ahead; ++place) {
        if (place < count) {
            const auto* frame = reinterpret_cast<const char*>(walked[place].second);
            __builtin_prefetch(frame);
            __builtin_prefetch(frame + sizeof(MainMemObjFrame) - 1);
        }
        if (place >= Ahead && place - Ahead < count) {
            // The frame came in: its entries and its class set.
            const MainMemObjFrame* frame = walked[place - Ahead].second;
            const void** target = loads[place - Ahead].target;
            // Where there is nothing to load, the frame itself, which the walk loads anyway:
            // the walk gives its hints without a test.
            std::fill(target, target + WalkAhead::Targets, frame);
            const MethodEntries& entries = frame->entries();
            if (!entries.empty()) {
                target[0] = entries.begin();
                target[1] = reinterpret_cast<const char*>(entries.end()) - 1;
                __builtin_prefetch(target[0]);
                __builtin_prefetch(target[1]);
            }
            if (const MainMemSetFrame* classes =
                    sets.findInPlace(frame->MainMemObjFrame::getSetName1())) {
                target[2] = classes;
                __builtin_prefetch(classes);
            }
        }
        if (place >= 2 * Ahead && place - 2 * Ahead < count) {
            // The entries and the class set came in: the sets and parameter frames named, and
            // the class set's members.
            const std::size_t at = place - 2 * Ahead;
            const void** target = loads[at].target;
            const MainMemObjFrame* frame = walked[at].second;
            if (target[2] != frame) {
                const auto* classes = static_cast<const MainMemSetFrame*>(target[2]);
                if (const void* members = classes->memberSet().ascendingStorage())
                    target[3] = members;
            }
            std::size_t free = 4;
            for (const MethodSlot& slot : frame->entries()) {
                const InternalName value = slot.value();
                if (value.getType() == InternalName::String) {
                    // The text of the first string value, mostly kept apart from its entry.
                    FSymbol bound;
                    if (target[Frames] == frame && nameToSymbol.findInto(value, bound))
                        if (const SymTabEntry* entry = symTab->entryOf(bound.getValue())) {
                            target[Frames] = entry;
                            __builtin_prefetch(entry);
                        }
                    continue;
                }
                if (free == Frames) continue;
                if (value.getType() == InternalName::SetName) {
                    if (const MainMemSetFrame* members = sets.findInPlace(value)) {
                        target[free] = members;
                        free += 2;
                    }
                } else if (value.getType() == InternalName::ParamFrame) {
                    if (const MainMemParamFrame* rows = params.findInPlace(value)) {
                        target[free] = reinterpret_cast<const void*>(
                            reinterpret_cast<std::uintptr_t>(rows) | ParamMark);
                        free += 2;
                    }
                }
            }
        }
        if (place >= 3 * Ahead) {
            // The sets and parameter frames came in: where their members and rows lie.
            const MainMemObjFrame* frame = walked[place - 3 * Ahead].second;
            const void** target = loads[place - 3 * Ahead].target;
            if (target[Frames] != frame)
                if (const void* text =
                        static_cast<const SymTabEntry*>(target[Frames])->textStorage())
                    target[Frames + 1] = text;
            for (std::size_t pair = 4; pair < Frames && target[pair] != frame; pair += 2) {
                const auto address = reinterpret_cast<std::uintptr_t>(target[pair]);
                if ((address & ParamMark) != 0) {
                    const auto* rows = reinterpret_cast<const MainMemParamFrame*>(address - 1);
                    target[pair] = rows;
                    if (const void* cells = rows->storedRows().cellStorage())
                        target[pair + 1] = cells;
                } else if (const void* members = static_cast<const MainMemSetFrame*>(target[pair])
                                                     ->memberSet()
                                                     .ascendingStorage()) {
                    target[pair + 1] = members;
                }
            }
        }
    }
}

void MainMemOM::prefetchFramesOf(
    const std::vector<std::pair<InternalName, const MainMemObjFrame*>>& walked,
    const InternalName& at) const {
    const WalkAhead& ahead = walkAhead;
    if (ahead.walk != walked.data() || ahead.objects != walked.size()) return;
    std::size_t place = ahead.next;
    if (place >= walked.size() || walked[place].first != at) [[unlikely]] {
        place = std::size_t(
            std::lower_bound(walked.begin(), walked.end(), at,
                             [](const std::pair<InternalName, const MainMemObjFrame*>& each,
                                const InternalName& name) { return each.first < name; }) -
            walked.begin());
        if (place == walked.size() || walked[place].first != at) return;
    }
    walkAhead.next = place + 1;
    if (place + 1 == walked.size()) {
        walkAhead = WalkAhead();
        return;
    }
    // Two objects ahead: an object takes the export about a microsecond, a miss a tenth of
    // that.
    constexpr std::size_t Ahead = 2;
    if (place + Ahead >= walked.size()) return;
    const auto* frame = reinterpret_cast<const char*>(walked[place + Ahead].second);
    __builtin_prefetch(frame);
    __builtin_prefetch(frame + sizeof(MainMemObjFrame) - 1);
    for (const void* target : ahead.loads[place + Ahead].target) __builtin_prefetch(target);
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
