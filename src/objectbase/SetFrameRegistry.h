// The registry of set frames: frames of set names from the counter kept at their number, others
// registered by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "objectbase/FrameRegistry.h"
#include "objectbase/InternalName.h"
#include "objectbase/MainMemFrames.h"

// An imported element makes about ten set frames, nearly all of one member, each named by the
// set counter. A pooled frame and the registry slot pointing at it took 24 + 8 bytes; a frame
// made here lives in a page at its name's number, so the name finds it without a slot (24 bytes
// and two bits). Frames registered by name (any name, any frame) go to a FrameRegistry beside
// the pages, as before.
class SetFrameRegistry {
  public:
    // A new empty frame registered under the name and kept at its number, or null when the name
    // is not a set name of a counter, is registered, or its place was used before (the caller
    // then takes a pooled frame and inserts it).
    // Inline for the usual name, the next of the counter in a page made already: an imported
    // element makes two set frames, and the calls to make them cost more than the making.
    MainMemSetFrame* make(const InternalName& name) {
        const std::int64_t number = numberOf(name);
        const std::size_t page = std::size_t(number) / PageSize;
        if (number >= 0 && others.empty() && page < pages.size() && pages[page] != nullptr) {
            Page& slots = *pages[page];
            const std::size_t at = std::size_t(number) % PageSize;
            const std::uint64_t bit = std::uint64_t(1) << (at % 64);
            if ((slots.used[at / 64] & bit) == 0) {
                slots.used[at / 64] |= bit;
                slots.present[at / 64] |= bit;
                ++count;
                return &slots.frames[at];
            }
        }
        return makeElsewhere(name);
    }

    // The frame registered under the name, or null.
    MainMemSetFrame* find(const InternalName& name) const {
        if (const MainMemSetFrame* frame = kept(name)) return const_cast<MainMemSetFrame*>(frame);
        return others.find(name);
    }
    // find, read inline and without remembering the name: a walk over every object of a base
    // looks up the sets of thousands, where the calls down to the frame cost more than finding
    // it.
    [[gnu::always_inline]] const MainMemSetFrame* findInPlace(const InternalName& name) const {
        const std::int64_t number = numberOf(name);
        if (number >= 0) {
            const std::size_t page = std::size_t(number) / PageSize;
            if (page < pages.size() && pages[page] != nullptr) {
                const std::size_t at = std::size_t(number) % PageSize;
                if ((pages[page]->present[at / 64] >> (at % 64) & 1) != 0)
                    return &pages[page]->frames[at];
            }
        }
        return findOther(name);
    }
    // Registers a name that is not registered yet.
    void insert(const InternalName& name, MainMemSetFrame* frame) { others.insert(name, frame); }
    // False when the name was not registered. A frame kept at its number stays there, empty or
    // not, until the registry is cleared (a pooled frame stayed in its block likewise).
    bool erase(const InternalName& name);
    bool empty() const { return count == 0 && others.empty(); }
    // Forgets every name and destroys the frames kept at their numbers.
    void clear();
    // The smallest registered name above `after` (the smallest of all when `after` is null);
    // false when there is none.
    bool nameAfter(const InternalName* after, InternalName& name) const;
    // Moves the walk to the next registered name (to the first when it is not positioned); false,
    // and the walk unpositioned, when there is none.
    bool step(RegistryWalk& walk) const {
        walk.positioned = nameAfter(walk.positioned ? &walk.current : nullptr, walk.current);
        return walk.positioned;
    }

  private:
    static constexpr std::size_t PageSize = 512;
    static constexpr std::size_t Words = PageSize / 64;
    static constexpr std::size_t MaxNumber = std::size_t(1) << 27;

    struct Page {
        MainMemSetFrame frames[PageSize];
        // Registered now; ever handed out (a place is never handed out twice before a clear).
        std::uint64_t present[Words] = {};
        std::uint64_t used[Words] = {};
    };

    // The number of a name that may be kept at its number, or -1.
    static std::int64_t numberOf(const InternalName& name) {
        if (name.getType() != InternalName::SetName || name.getArity() != 1) return -1;
        if (name.getValue() < 0 || std::size_t(name.getValue()) >= MaxNumber) return -1;
        return name.getValue();
    }
    // make for any other name, or a name whose page is not made yet.
    MainMemSetFrame* makeElsewhere(const InternalName& name);
    // The frame registered by name, or null: findInPlace's rare case, apart so that the usual
    // one stays small enough to be read inline.
    const MainMemSetFrame* findOther(const InternalName& name) const;
    // The frame kept at the name's number while registered, or null.
    const MainMemSetFrame* kept(const InternalName& name) const;
    // The first registered number from `number` on, or -1.
    std::int64_t presentFrom(std::size_t number) const;

    std::vector<std::unique_ptr<Page>> pages;
    std::size_t count = 0;
    FrameRegistry<MainMemSetFrame> others;
};
