// The frame walk: taking the frames in name order and loading what they lead to ahead of the
// reader.
#include "objectbase/FrameWalk.h"

#include <algorithm>
#include <cstdint>

#include "objectbase/FSymbol.h"
#include "objectbase/FrameManager.h"
#include "objectbase/NumberedNameMap.h"
#include "objectbase/SymTab.h"

FrameWalk::FrameWalk(const FrameManager& frames, const FrameFilter& filter,
                     const NumberedNameMap<InternalName, FSymbol>& symbols, const SymTab& table)
    : sets(&frames.setFrameRegistry()), rows(&frames.paramFrameRegistry()) {
    take(frames, filter);
    if (filter.readAhead) planAhead(symbols, table);
}

void FrameWalk::take(const FrameManager& frames, const FrameFilter& filter) {
    // The frames are read in place, in the registry's order, and sorted: the names iterator
    // walks the registry from name to name, and a lookup of each name's frame after a search
    // for the next name costs far more than the test of its entries. The registry gives the
    // frames of numbered names in the order of their numbers, then the others in no order:
    // only the part after the first break of the order is sorted and merged in.
    if (!filter.byEntryTypes) steps.reserve(std::size_t(std::max(frames.objectCount(), 0)));
    frames.forEachObjFrame([&](const InternalName& name, const MainMemObjFrame* frame) {
        if (frame == nullptr) return;
        if (filter.byEntryTypes && !frame->holdsEntryOfType(filter.lowestType, filter.highestType))
            return;
        steps.emplace_back(name, ObjectFrameView(frame));
    });
    const auto byName = [](const Step& a, const Step& b) { return a.first < b.first; };
    const auto ordered = std::is_sorted_until(steps.begin(), steps.end(), byName);
    if (ordered != steps.end()) {
        std::sort(ordered, steps.end(), byName);
        std::inplace_merge(steps.begin(), ordered, steps.end(), byName);
    }
}

void FrameWalk::planAhead(const NumberedNameMap<InternalName, FSymbol>& symbols,
                          const SymTab& table) {
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
    const std::size_t count = steps.size();
    ahead.resize(count);
    Loads* const loads = ahead.data();
    for (std::size_t place = 0; place < count + 3 * Ahead; ++place) {
        if (place < count) {
            const auto* frame = reinterpret_cast<const char*>(steps[place].second.frame);
            __builtin_prefetch(frame);
            __builtin_prefetch(frame + sizeof(MainMemObjFrame) - 1);
        }
        if (place >= Ahead && place - Ahead < count) {
            // The frame came in: its entries and its class set.
            const MainMemObjFrame* frame = steps[place - Ahead].second.frame;
            const void** target = loads[place - Ahead].target;
            // Where there is nothing to load, the frame itself, which the walk loads anyway:
            // the walk gives its hints without a test.
            std::fill(target, target + Targets, frame);
            const MethodEntries& entries = frame->entries();
            if (!entries.empty()) {
                target[0] = entries.begin();
                target[1] = reinterpret_cast<const char*>(entries.end()) - 1;
                __builtin_prefetch(target[0]);
                __builtin_prefetch(target[1]);
            }
            if (const MainMemSetFrame* classes =
                    sets->findInPlace(frame->MainMemObjFrame::getSetName1())) {
                target[2] = classes;
                __builtin_prefetch(classes);
            }
        }
        if (place >= 2 * Ahead && place - 2 * Ahead < count) {
            // The entries and the class set came in: the sets and parameter frames named, and
            // the class set's members.
            const std::size_t at = place - 2 * Ahead;
            const void** target = loads[at].target;
            const MainMemObjFrame* frame = steps[at].second.frame;
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
                    if (target[Frames] == frame && symbols.findInto(value, bound))
                        if (const SymTabEntry* entry = table.entryOf(bound.getValue())) {
                            target[Frames] = entry;
                            __builtin_prefetch(entry);
                        }
                    continue;
                }
                if (free == Frames) continue;
                if (value.getType() == InternalName::SetName) {
                    if (const MainMemSetFrame* members = sets->findInPlace(value)) {
                        target[free] = members;
                        free += 2;
                    }
                } else if (value.getType() == InternalName::ParamFrame) {
                    if (const MainMemParamFrame* found = rows->findInPlace(value)) {
                        target[free] = reinterpret_cast<const void*>(
                            reinterpret_cast<std::uintptr_t>(found) | ParamMark);
                        free += 2;
                    }
                }
            }
        }
        if (place >= 3 * Ahead) {
            // The sets and parameter frames came in: where their members and rows lie.
            const MainMemObjFrame* frame = steps[place - 3 * Ahead].second.frame;
            const void** target = loads[place - 3 * Ahead].target;
            if (target[Frames] != frame)
                if (const void* text =
                        static_cast<const SymTabEntry*>(target[Frames])->textStorage())
                    target[Frames + 1] = text;
            for (std::size_t pair = 4; pair < Frames && target[pair] != frame; pair += 2) {
                const auto address = reinterpret_cast<std::uintptr_t>(target[pair]);
                if ((address & ParamMark) != 0) {
                    const auto* found = reinterpret_cast<const MainMemParamFrame*>(address - 1);
                    target[pair] = found;
                    if (const void* cells = found->storedRows().cellStorage())
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

void FrameWalk::loadAhead(std::size_t place) {
    if (place + 1 >= ahead.size()) {
        // The last object: a base of a million objects kept 80 MB of plan.
        if (place + 1 == ahead.size()) std::vector<Loads>().swap(ahead);
        return;
    }
    // Two objects ahead: an object takes the export about a microsecond, a miss a tenth of
    // that.
    constexpr std::size_t Ahead = 2;
    if (place + Ahead >= ahead.size()) return;
    const auto* frame = reinterpret_cast<const char*>(steps[place + Ahead].second.frame);
    __builtin_prefetch(frame);
    __builtin_prefetch(frame + sizeof(MainMemObjFrame) - 1);
    for (const void* target : ahead[place + Ahead].target) __builtin_prefetch(target);
}

void FrameWalk::truncate(std::size_t count) {
    if (count >= steps.size()) return;
    steps.resize(count);
    if (ahead.size() > count) ahead.resize(count);
}

void FrameWalk::clear() {
    steps.clear();
    std::vector<Loads>().swap(ahead);
    sets = nullptr;
    rows = nullptr;
}
