// The registry of frames (or member sets) by name: numbered slots for names from counters, a
// hashed map for the rest.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "objectbase/FlatNameMap.h"
#include "objectbase/FrameBlocks.h"
#include "objectbase/InternalName.h"
#include "objectbase/RankedRun.h"

class MainMemObjFrame;
class MainMemSetFrame;

// A walk over the names of a registry in identifier order: the name it stands on, and the next
// hashed name above it as the registry's hashed names stood when it was found. A walk steps
// through numbered slots in place and searches the hashed names again only when they changed or
// when it steps onto one of them: searching them at every step cost a binary search and a pass
// over the names registered out of order for every name walked. Over the 84,000 names of an
// export of 80,000 objects a step went from about 217 instructions to 180.
struct RegistryWalk {
    InternalName current = InternalName::UndefinedObject;
    bool positioned = false;
    // `other` (when otherFound) is the smallest hashed name above `current`, valid while the
    // registry's hashed names are at change `othersAt`.
    bool otherKnown = false;
    bool otherFound = false;
    InternalName other = InternalName::UndefinedObject;
    std::uint64_t othersAt = 0;
};

// Object, set and parameter frames found by name. Object, set and parameter-frame names come from
// counters, so their numbers are dense: a frame whose name is an object, string, set or
// parameter-frame name sits in a slot indexed by its number, and only names of other kinds (or one
// whose slot another name holds) go to a hashed map, the others. Every stored value looks its
// host's object frame and its set frame up, and an import or a consult registers a frame per
// object: a tree descent and a tree node per frame were a quarter of a method-heavy evaluation and
// about 100 bytes per object. The slots come in pages made on first use, so frames of a few names
// among many numbers cost a page each, not an array up to the largest number.
//
// The object base's class-relation tables (class to members, superclass to subclasses, parent to
// children) use the same registry for their member sets: an imported element keys its own
// children's set, which took a tree node of about 100 bytes.
//
// Object and set frames belong to the frame manager's pools, and their registries only find them;
// every other registry (parameter and predicate frames, member sets) owns what it holds, and
// destroys it when its name is erased or the registry cleared.
template <class F>
class FrameRegistry {
    static constexpr std::size_t PageSize = 512;
    static constexpr bool Numbered = std::is_same_v<F, MainMemObjFrame>;
    static constexpr bool Packed = std::is_same_v<F, MainMemSetFrame>;

  public:
    static constexpr bool Owning = !Numbered && !Packed;
    // What the registry keeps of a frame: its owner, or a pointer into the pool.
    using Held = std::conditional_t<Owning, std::unique_ptr<F>, F*>;

    // A registry of object frames holds those of `numbering` by their numbers there; frames from
    // elsewhere go among the others.
    explicit FrameRegistry(const FrameBlocks<F>* numbering = nullptr) : numbering(numbering) {}

    // The frame registered under the name, or null.
    F* find(const InternalName& name) const {
        if (recent.frame != nullptr && recent.name == name) return recent.frame;
        F* frame = findRegistered(name);
        if (frame != nullptr) recent = {name, frame};
        return frame;
    }
    // find, read inline and without remembering the name: a walk over every object of a base
    // looks up the frames of thousands, where the calls down to the frame cost more than finding
    // it. The same steps as findRegistered.
    F* findInPlace(const InternalName& name) const {
        const int kind = name.getType();
        if ((kind == InternalName::Object || kind == InternalName::String ||
             kind == InternalName::SetName || kind == InternalName::ParamFrame) &&
            name.getValue() >= 0 && std::size_t(name.getValue()) < MaxNumber) {
            const std::size_t number = std::size_t(name.getValue());
            const std::size_t page = number / PageSize;
            if (page >= pages.size() || pages[page] == nullptr) return nullptr;
            const std::size_t at = number % PageSize;
            if (pages[page]->neverTaken(at)) return nullptr;
            if (pages[page]->holds(at, name)) return pages[page]->frame(at, numbering);
        }
        return findOther(name);
    }
    // Registers a name that is not registered yet.
    void insert(const InternalName& name, Held frame);
    // Registers the name unless it is registered already; false, and no change, when it is (an
    // owning registry then destroys the frame).
    bool insertNew(const InternalName& name, Held frame);
    // The frame registered under the name; without one, the frame `make` gives (a Held, null for
    // none), registered now, with `made` set. One look at the name's slot answers both for a new
    // name, where a find before the insert looked twice.
    template <class Make>
    F* findOrInsert(const InternalName& name, Make make, bool& made) {
        made = false;
        if constexpr (Numbered) {
            // The usual new object of an import or a consult: the next name of a page kept as
            // a run, given the next frame of the pool. Taken here without the calls to find
            // the slot and to register it, which cost an imported element about 40
            // instructions.
            const std::size_t number = std::uint32_t(name.getValue());
            if (number < MaxNumber && number / PageSize < pages.size()) {
                if (NumberedPage* page = pages[number / PageSize].get();
                    page != nullptr && page->followsRun(number % PageSize, name)) {
                    F* frame = make();
                    if (frame == nullptr) return nullptr;
                    if (page->appendToRun(number % PageSize, frame, numbering)) {
                        ++count;
                        recent = {name, frame};
                    } else {
                        insertAt(page, number % PageSize, name, frame);
                    }
                    made = true;
                    return frame;
                }
            }
        }
        const auto [page, at] = slotFor(name, true);
        if (page == nullptr || !page->neverTaken(at)) {
            if (F* frame = find(name)) return frame;
        }
        Held frame = make();
        F* const kept = rawOf(frame);
        if (kept == nullptr) return nullptr;
        insertAt(page, at, name, std::move(frame));
        made = true;
        return kept;
    }
    // False when the name was not registered; an owning registry destroys the frame.
    bool erase(const InternalName& name);
    // Unregisters the name and hands its frame over (null when the name was not registered).
    Held take(const InternalName& name);
    bool empty() const { return count == 0; }
    void clear();
    // The smallest registered name above `after` (the smallest of all when `after` is null);
    // false when there is none.
    bool nameAfter(const InternalName* after, InternalName& name) const;
    // Moves the walk to the next registered name (to the first when it is not positioned),
    // whatever was registered or unregistered since its last step; false, and the walk
    // unpositioned, when there is none.
    bool step(RegistryWalk& walk) const;
    // Calls `visit(name, frame)` for every registered frame, in no particular order.
    template <class Visit>
    void forEachFrame(Visit visit) const {
        for (std::size_t page = 0; page < pages.size(); ++page) {
            if (pages[page] == nullptr) continue;
            if constexpr (Numbered) {
                // A page kept as a run holds names of its first kind and flag only, and gives
                // the frame numbers in order without counting bits for each place: the string
                // cleanup after an import of a million elements walks every frame.
                const NumberedPage& numbers = *pages[page];
                if (!numbers.words) {
                    numbers.run.forEach([&](std::size_t at, std::uint32_t number) {
                        visit(InternalName(std::int32_t(page * PageSize + at), numbers.kinds[0],
                                           numbers.flags[0]),
                              numbering->at(number));
                    });
                    continue;
                }
            }
            for (std::size_t at = 0; at < PageSize; ++at)
                if (pages[page]->taken(at))
                    visit(pages[page]->name(at, page * PageSize + at),
                          pages[page]->frame(at, numbering));
        }
        for (const auto& [name, frame] : others) visit(name, rawOf(frame));
    }

  private:
    // The slots of PageSize numbers: a slot's frame, and the kind and flag of the name that holds
    // it (the number is the slot's place). Every object, string, set and parameter-frame name
    // takes a number, with a frame or not, so the pages hold a slot for each.
    //
    // Object frames come from the frame manager's numbered pool: a slot is one 32-bit word, the
    // frame's number plus one times 4 and the place of the name's kind and flag among the (at most
    // three) a page has seen; 0 and 1 mark a slot never taken and one given up. The values of
    // consulted molecules take numbers between those of their hosts, so the object frames' pages
    // cost 8 bytes a molecule instead of 16. A name of a fourth kind and flag in a page, or a frame
    // from outside the pool, is registered among the others. A page whose frames were made in
    // the order of their names, as a consult makes its hosts' frames, keeps one bit a number
    // until a frame breaks that order.
    //
    // Set frames live in the frame manager's blocks too: their slots are one word, the address in
    // the low 48 bits and the kind and flag in the high 16. A frame whose address does not fit in
    // 48 bits is registered among the others. Parameter frames and member sets are held by the
    // registry alone, so their addresses are kept whole (10 bytes a slot), where a leak checker's
    // scan finds them.
    //
    // A slot never taken: no name of its number is registered anywhere. A slot given up: a name of
    // its number may still be registered among the others (one that found the slot taken).
    static constexpr std::uint8_t NeverTaken = 0xff;
    static constexpr std::uint8_t GivenUp = 0xfe;

    struct NumberedPage {
        static constexpr std::uint32_t NeverTakenWord = 0;
        static constexpr std::uint32_t GivenUpWord = 1;
        static constexpr std::uint32_t MaxFrames = (std::uint32_t(1) << 30) - 1;

        bool neverTaken(std::size_t at) const { return word(at) == NeverTakenWord; }
        // A run's taken places hold frames: no value needs counting to tell.
        bool taken(std::size_t at) const { return words ? words[at] > GivenUpWord : run.taken(at); }
        // The first taken place from `at` on, or PageSize; a run finds it by its bits.
        std::size_t takenFrom(std::size_t at) const {
            if (!words) return run.takenFrom(at);
            while (at < PageSize && words[at] <= GivenUpWord) ++at;
            return at;
        }
        F* frame(std::size_t at, const FrameBlocks<F>* numbering) const {
            const std::uint32_t held = word(at);
            return held > GivenUpWord ? numbering->at((held >> 2) - 1) : nullptr;
        }
        bool holds(std::size_t at, const InternalName& name) const {
            const std::uint32_t held = word(at);
            if (held <= GivenUpWord) return false;
            const std::size_t shape = held & 3;
            return kinds[shape] == name.getType() && flags[shape] == name.getArity();
        }
        InternalName name(std::size_t at, std::size_t number) const {
            const std::size_t shape = word(at) & 3;
            return {std::int32_t(number), kinds[shape], flags[shape]};
        }
        // False (and the slot unchanged) when the frame is not in the pool or the page knows
        // three other kinds and flags.
        bool hold(std::size_t at, const InternalName& name, F* frame,
                  const FrameBlocks<F>* numbering) {
            std::uint32_t number = 0;
            if (numbering == nullptr || !numbering->numberOf(frame, number) || number >= MaxFrames)
                return false;
            std::uint32_t shape = 0;
            while (shape < shapes &&
                   (kinds[shape] != name.getType() || flags[shape] != name.getArity()))
                ++shape;
            if (shape == 3) return false;
            if (shape == shapes) {
                kinds[shape] = std::uint8_t(name.getType());
                flags[shape] = std::int8_t(name.getArity());
                ++shapes;
            }
            if (!words && shape == 0 && run.append(at, number)) return true;
            writeOut();
            words[at] = (number + 1) << 2 | shape;
            return true;
        }
        void giveUp(std::size_t at) {
            writeOut();
            words[at] = GivenUpWord;
        }
        // Whether a name of the page's first kind and flag at the place lies above every place
        // the run has taken: no name of its number is registered then, here or elsewhere (the
        // place is never taken), and the run may take it.
        bool followsRun(std::size_t at, const InternalName& name) const {
            return !words && !run.empty() && run.lastTaken() < at && shapes > 0 &&
                   kinds[0] == name.getType() && flags[0] == name.getArity();
        }
        // Takes the place for the frame in the run when its number follows the run's last;
        // false, and no change, otherwise. Always inline: the call took about 60 instructions
        // of every imported element's frame.
        [[gnu::always_inline]] bool appendToRun(std::size_t at, F* frame,
                                                const FrameBlocks<F>* numbering) {
            std::uint32_t number = 0;
            return numbering != nullptr && numbering->numberOf(frame, number) &&
                   number < MaxFrames && run.append(at, number);
        }

        // A page is a run (see RankedRun) of frame numbers under names of its first kind and
        // flag, the frames made in the order of their names, until a name breaks it; from then
        // on it keeps a word a number.
        std::uint32_t word(std::size_t at) const {
            if (words) return words[at];
            return run.taken(at) ? (run.valueAt(at) + 1) << 2 : NeverTakenWord;
        }
        void writeOut() {
            if (words) return;
            words = std::make_unique<std::uint32_t[]>(PageSize);
            run.forEach(
                [this](std::size_t at, std::uint32_t number) { words[at] = (number + 1) << 2; });
            run.clear();
        }

        RankedRun<PageSize> run;
        std::unique_ptr<std::uint32_t[]> words;
        std::uint8_t kinds[3] = {};
        std::int8_t flags[3] = {};
        std::uint32_t shapes = 0;
    };

    struct WordPage {
        static constexpr int AddressBits = 48;

        WordPage() {
            std::fill(std::begin(words), std::end(words), std::uint64_t(NeverTaken) << AddressBits);
        }
        bool neverTaken(std::size_t at) const { return kind(at) == NeverTaken; }
        bool taken(std::size_t at) const { return frame(at, nullptr) != nullptr; }
        std::size_t takenFrom(std::size_t at) const {
            while (at < PageSize && !taken(at)) ++at;
            return at;
        }
        F* frame(std::size_t at, const FrameBlocks<F>*) const {
            return reinterpret_cast<F*>(
                static_cast<std::uintptr_t>(words[at] & ((std::uint64_t(1) << AddressBits) - 1)));
        }
        std::uint8_t kind(std::size_t at) const { return std::uint8_t(words[at] >> AddressBits); }
        std::int8_t flag(std::size_t at) const {
            return std::int8_t(words[at] >> (AddressBits + 8));
        }
        bool holds(std::size_t at, const InternalName& name) const {
            return taken(at) && kind(at) == name.getType() && flag(at) == name.getArity();
        }
        InternalName name(std::size_t at, std::size_t number) const {
            return {std::int32_t(number), kind(at), flag(at)};
        }
        bool hold(std::size_t at, const InternalName& name, F* frame, const FrameBlocks<F>*) {
            if ((reinterpret_cast<std::uintptr_t>(frame) >> AddressBits) != 0) return false;
            words[at] = reinterpret_cast<std::uintptr_t>(frame) |
                        std::uint64_t(std::uint8_t(name.getType())) << AddressBits |
                        std::uint64_t(std::uint8_t(name.getArity())) << (AddressBits + 8);
            return true;
        }
        void giveUp(std::size_t at) { words[at] = std::uint64_t(GivenUp) << AddressBits; }

        std::uint64_t words[PageSize];
    };

    struct SplitPage {
        SplitPage() { std::fill(std::begin(kinds), std::end(kinds), NeverTaken); }
        bool neverTaken(std::size_t at) const { return kinds[at] == NeverTaken; }
        bool taken(std::size_t at) const { return frames[at] != nullptr; }
        std::size_t takenFrom(std::size_t at) const {
            while (at < PageSize && frames[at] == nullptr) ++at;
            return at;
        }
        F* frame(std::size_t at, const FrameBlocks<F>*) const { return rawOf(frames[at]); }
        bool holds(std::size_t at, const InternalName& name) const {
            return taken(at) && kinds[at] == name.getType() && flags[at] == name.getArity();
        }
        InternalName name(std::size_t at, std::size_t number) const {
            return {std::int32_t(number), kinds[at], flags[at]};
        }
        bool hold(std::size_t at, const InternalName& name, Held& frame, const FrameBlocks<F>*) {
            frames[at] = std::move(frame);
            kinds[at] = std::uint8_t(name.getType());
            flags[at] = std::int8_t(name.getArity());
            return true;
        }
        void giveUp(std::size_t at) {
            frames[at] = nullptr;
            kinds[at] = GivenUp;
        }

        Held frames[PageSize] = {};
        std::uint8_t kinds[PageSize];
        std::int8_t flags[PageSize] = {};
    };

    using Page =
        std::conditional_t<Numbered, NumberedPage, std::conditional_t<Packed, WordPage, SplitPage>>;
    static constexpr std::size_t MaxNumber = std::size_t(1) << 27;

    static F* rawOf(const Held& held) {
        if constexpr (Owning)
            return held.get();
        else
            return held;
    }
    // find without the recent name.
    F* findRegistered(const InternalName& name) const;
    // The frame registered among the others, or null: findInPlace's rare case, apart so that
    // the usual one stays small enough to be read inline.
    F* findOther(const InternalName& name) const;
    // Registers a new name whose slot slotFor(name, true) gave.
    void insertAt(Page* page, std::size_t at, const InternalName& name, Held frame);

    // The page of a name's slot and the slot's place in it; a null page when the name has no
    // slot (made when `making`).
    std::pair<Page*, std::size_t> slotFor(const InternalName& name, bool making);
    std::pair<const Page*, std::size_t> slotFor(const InternalName& name) const;
    // The name of the first slot holding a frame at a number from `number` on whose name is
    // above `after`; false when there is none.
    bool slotFrom(std::size_t number, const InternalName* after, InternalName& name) const;

    // The smallest of the others above `after` (of all when null); false when there is none.
    bool otherAfter(const InternalName* after, InternalName& name) const;
    // Merges the late names into the ordered ones, and drops erased names.
    void settleOrder();

    std::vector<std::unique_ptr<Page>> pages;
    FlatNameMap<InternalName, Held> others;
    // The names of the others for walks: those that came in ascending order, and the few that
    // came out of order since the last merge (unsorted). Both may still hold names erased since.
    // A walk goes from name to name while names come and go; a search tree did that in a
    // logarithm, and the pair does it in a logarithm plus the late names, which are merged in
    // once they are more than a sixteenth of the others.
    std::vector<InternalName> othersInOrder;
    std::vector<InternalName> othersLate;
    // Counts the changes of the others (and of their order), for the walks that keep the next
    // one.
    std::uint64_t othersChanges = 0;
    std::size_t count = 0;
    const FrameBlocks<F>* numbering;
    // The name last registered or found, and its frame: a consulted molecule's host is asked for
    // its frame once for each of its atoms, right after the frame was made. Reset when the name
    // is erased, so it never names a frame that is not registered under it.
    struct Recent {
        InternalName name;
        F* frame = nullptr;
    };
    mutable Recent recent;
};
