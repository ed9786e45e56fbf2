// The registry of frames (or member sets) by name: numbered slots for names from counters, an
// ordered map for the rest.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "objectbase/InternalName.h"

class MainMemObjFrame;
class MainMemSetFrame;

// Object, set and parameter frames found by name. Object, set and parameter-frame names come from
// counters, so their numbers are dense: a frame whose name is an object, string, set or
// parameter-frame name sits in a slot indexed by its number, and only names of other kinds (or one
// whose slot another name holds) go to an ordered map. Every stored value looks its host's object
// frame and its set frame up, and an import or a consult registers a frame per object: a tree
// descent and a tree node per frame were a quarter of a method-heavy evaluation and about 100 bytes
// per object. The slots come in pages made on first use, so frames of a few names among many
// numbers cost a page each, not an array up to the largest number.
//
// The object base's class-relation tables (class to members, superclass to subclasses, parent to
// children) use the same registry for their member sets: an imported element keys its own
// children's set, which took a tree node of about 100 bytes.
// The registry does not own what it holds.
template <class F>
class FrameRegistry {
    static constexpr std::size_t PageSize = 512;

  public:
    // The frame registered under the name, or null.
    F* find(const InternalName& name) const;
    // Registers a name that is not registered yet.
    void insert(const InternalName& name, F* frame);
    // False when the name was not registered.
    bool erase(const InternalName& name);
    bool empty() const { return count == 0; }
    void clear();
    // The smallest registered name above `after` (the smallest of all when `after` is null);
    // false when there is none.
    bool nameAfter(const InternalName* after, InternalName& name) const;
    // Calls `visit(name, frame)` for every registered frame, in no particular order.
    template <class Visit>
    void forEachFrame(Visit visit) const {
        for (std::size_t page = 0; page < pages.size(); ++page) {
            if (pages[page] == nullptr) continue;
            for (std::size_t at = 0; at < PageSize; ++at)
                if (F* frame = pages[page]->frame(at))
                    visit(pages[page]->name(at, page * PageSize + at), frame);
        }
        for (const auto& [name, frame] : others) visit(name, frame);
    }

  private:
    // The slots of PageSize numbers: a slot's frame address, and the kind and flag of the name
    // that holds it (the number is the slot's place). Every object, string, set and
    // parameter-frame name takes a number, with a frame or not, so the pages hold a slot for
    // each.
    //
    // Object and set frames live in the frame manager's blocks, which it lists: their slots are
    // one word, the address in the low 48 bits and the kind and flag in the high 16 (8 bytes
    // where a (name, frame) pair took 16; 100,000 consulted molecules: 16 bytes a fact less). A
    // frame whose address does not fit in 48 bits is registered among the others. Parameter
    // frames and member sets are held by the registry alone, so their addresses are kept whole
    // (10 bytes a slot), where a leak checker's scan finds them.
    static constexpr bool Packed =
        std::is_same_v<F, MainMemObjFrame> || std::is_same_v<F, MainMemSetFrame>;
    struct Page {
        static constexpr int AddressBits = 48;
        // A slot never taken: no name of its number is registered anywhere. A slot given up: a
        // name of its number may still be registered among the others (one that found the slot
        // taken).
        static constexpr std::uint8_t NeverTaken = 0xff;
        static constexpr std::uint8_t GivenUp = 0xfe;

        Page() {
            if constexpr (Packed)
                std::fill(std::begin(words), std::end(words),
                          std::uint64_t(NeverTaken) << AddressBits);
            else
                std::fill(std::begin(kinds), std::end(kinds), NeverTaken);
        }
        static bool fits(const F* frame) {
            return !Packed || (reinterpret_cast<std::uintptr_t>(frame) >> AddressBits) == 0;
        }
        F* frame(std::size_t at) const {
            if constexpr (Packed)
                return reinterpret_cast<F*>(static_cast<std::uintptr_t>(
                    words[at] & ((std::uint64_t(1) << AddressBits) - 1)));
            else
                return frames[at];
        }
        std::uint8_t kind(std::size_t at) const {
            if constexpr (Packed)
                return std::uint8_t(words[at] >> AddressBits);
            else
                return kinds[at];
        }
        std::int8_t flag(std::size_t at) const {
            if constexpr (Packed)
                return std::int8_t(words[at] >> (AddressBits + 8));
            else
                return flags[at];
        }
        void hold(std::size_t at, const InternalName& name, F* frame) {
            if constexpr (Packed) {
                words[at] = reinterpret_cast<std::uintptr_t>(frame) |
                            std::uint64_t(std::uint8_t(name.getType())) << AddressBits |
                            std::uint64_t(std::uint8_t(name.getArity())) << (AddressBits + 8);
            } else {
                frames[at] = frame;
                kinds[at] = std::uint8_t(name.getType());
                flags[at] = name.getArity();
            }
        }
        void mark(std::size_t at, std::uint8_t state) {
            if constexpr (Packed) {
                words[at] = std::uint64_t(state) << AddressBits;
            } else {
                frames[at] = nullptr;
                kinds[at] = state;
            }
        }
        bool holds(std::size_t at, const InternalName& name) const {
            return frame(at) != nullptr && kind(at) == name.getType() &&
                   flag(at) == name.getArity();
        }
        InternalName name(std::size_t at, std::size_t number) const {
            return {std::int32_t(number), kind(at), flag(at)};
        }

        struct Split {};
        [[no_unique_address]] std::conditional_t<Packed, std::uint64_t[PageSize], Split> words;
        [[no_unique_address]] std::conditional_t<Packed, Split, F* [PageSize]> frames {};
        [[no_unique_address]] std::conditional_t<Packed, Split, std::uint8_t[PageSize]> kinds;
        [[no_unique_address]] std::conditional_t<Packed, Split, std::int8_t[PageSize]> flags{};
    };
    static constexpr std::size_t MaxNumber = std::size_t(1) << 27;

    // The page of a name's slot and the slot's place in it; a null page when the name has no
    // slot (made when `making`).
    std::pair<Page*, std::size_t> slotFor(const InternalName& name, bool making);
    std::pair<const Page*, std::size_t> slotFor(const InternalName& name) const;
    // The name of the first slot holding a frame at a number from `number` on whose name is
    // above `after`; false when there is none.
    bool slotFrom(std::size_t number, const InternalName* after, InternalName& name) const;

    std::vector<std::unique_ptr<Page>> pages;
    std::map<InternalName, F*> others;
    std::size_t count = 0;
};
