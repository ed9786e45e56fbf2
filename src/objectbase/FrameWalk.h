// FrameWalk, a cursor over the object frames of a base in the order of their names, and
// FrameFilter, which of them it walks.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

#include "objectbase/FrameRegistry.h"
#include "objectbase/InternalName.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/ObjectFrameView.h"
#include "objectbase/ParamFrameView.h"
#include "objectbase/SetFrameRegistry.h"
#include "objectbase/SetFrameView.h"

class FrameManager;
class FSymbol;
class SymTab;
template <class Key, class Value>
class NumberedNameMap;

// Which objects a walk meets, decided when the walk is opened.
struct FrameFilter {
    // Only the objects whose frames hold an entry of a method type from lowestType to
    // highestType (a writer of the signatures reads the frames of their hosts only); every
    // object with a frame when not `byEntryTypes`.
    bool byEntryTypes = false;
    int lowestType = 0;
    int highestType = 0;
    // Whether the reader will go through what each frame leads to (its entries, its class set,
    // the sets and rows its entries name, the text of its first string): the walk then finds
    // those once and loads them a few objects ahead of visit.
    bool readAhead = false;

    static FrameFilter everyObject() { return FrameFilter{}; }
    static FrameFilter hostsOfEntryTypes(int lowest, int highest) {
        return FrameFilter{true, lowest, highest, false};
    }
    FrameFilter readingAhead() const {
        FrameFilter with = *this;
        with.readAhead = true;
        return with;
    }
};

// The objects and their frames, taken at once in the order the names iterator walks them: a
// reader of every frame of a base that stays as it is takes them so, where a step of the names
// iterator and a lookup of each name's frame cost about 300 instructions an object. While the
// walk is kept the base must not change: the frames are read in place. A walk built by hand
// (append) is a plain list: it finds no frames and loads nothing ahead.
class FrameWalk {
  public:
    using Step = std::pair<InternalName, ObjectFrameView>;

    FrameWalk() = default;
    // The walk over the frames `frames` keeps that pass `filter`; the symbols and the table
    // give the texts of string values for a walk that reads ahead.
    FrameWalk(const FrameManager& frames, const FrameFilter& filter,
              const NumberedNameMap<InternalName, FSymbol>& symbols, const SymTab& table);
    FrameWalk(FrameWalk&&) noexcept = default;
    FrameWalk& operator=(FrameWalk&&) noexcept = default;
    FrameWalk(const FrameWalk&) = delete;
    FrameWalk& operator=(const FrameWalk&) = delete;

    std::size_t size() const { return steps.size(); }
    bool empty() const { return steps.empty(); }
    const Step* data() const { return steps.data(); }
    const Step& operator[](std::size_t place) const { return steps[place]; }
    std::vector<Step>::const_iterator begin() const { return steps.begin(); }
    std::vector<Step>::const_iterator end() const { return steps.end(); }

    // The object at `place`, read now: while the reader takes it, what the objects a few places
    // ahead lead to is loaded. Readers visit the places in turn; the plan of what to load is
    // given back once the last place is visited.
    [[gnu::always_inline]] const Step& visit(std::size_t place) {
        if (!ahead.empty()) loadAhead(place);
        return steps[place];
    }

    // Whether the walk reads the set and parameter frames in place (it was opened on a base).
    bool readsInPlace() const { return sets != nullptr; }
    // The set frame or the parameter frame of a name, found in place; null when there is none.
    // Only for a walk that readsInPlace.
    [[gnu::always_inline]] SetFrameView findSet(const InternalName& name) const {
        return SetFrameView(sets->findInPlace(name));
    }
    [[gnu::always_inline]] ParamFrameView findRows(const InternalName& name) const {
        return ParamFrameView(rows->findInPlace(name));
    }

    // For a reader that takes the steps by their places in an order of its own rather than
    // through visit: asks for the frame of the object at `place`, or for its entries, to be
    // loaded while the reader works on an object before it.
    [[gnu::always_inline]] void loadFrame(std::size_t place) const {
        __builtin_prefetch(steps[place].second.frame);
    }
    [[gnu::always_inline]] void loadEntries(std::size_t place) const {
        __builtin_prefetch(steps[place].second.frame->entries().begin());
    }
    // What an object's frame leads to, found in place: the set of its direct classes, and the
    // set or parameter frame that the value of each of its first entries names (empty where it
    // names none). `entriesKnown` is false for an object of more entries than are kept.
    struct Leads {
        static constexpr std::size_t Entries = 8;
        SetFrameView classes;
        bool entriesKnown = false;
        SetFrameView sets[Entries];
        ParamFrameView rows[Entries];
    };
    // Finds what the object at `place` leads to and asks for it to be loaded, for a reader a
    // few objects behind. Only for a walk that readsInPlace.
    [[gnu::always_inline]] void findLeads(std::size_t place, Leads& leads) const {
        const MainMemObjFrame* const frame = steps[place].second.frame;
        leads.classes = findSet(frame->MainMemObjFrame::getSetName1());
        if (leads.classes) __builtin_prefetch(leads.classes.frame);
        const MethodEntries& entries = frame->entries();
        const std::size_t count = entries.size();
        leads.entriesKnown = count <= Leads::Entries;
        if (!leads.entriesKnown) return;
        const MethodSlot* const slots = entries.begin();
        for (std::size_t at = 0; at < count; ++at) {
            const InternalName value = slots[at].value();
            if (value.getType() == InternalName::SetName) {
                const SetFrameView set = findSet(value);
                leads.sets[at] = set;
                if (set) __builtin_prefetch(set.frame);
            } else if (value.getType() == InternalName::ParamFrame) {
                const ParamFrameView found = findRows(value);
                leads.rows[at] = found;
                if (found) __builtin_prefetch(found.frame);
            }
        }
    }

    // A walk built by the reader: it adds the object and its frame after the others.
    void append(const InternalName& name, ObjectFrameView frame) {
        steps.emplace_back(name, frame);
    }
    // Keeps the first `count` objects.
    void truncate(std::size_t count);
    // Empty again, reading nothing in place.
    void clear();

  private:
    // Entries, class set, two sets or parameter frames (with where their members or rows lie),
    // and a string's symbol with its text.
    static constexpr std::size_t Frames = 8;
    static constexpr std::size_t Targets = 10;
    struct Loads {
        const void* target[Targets];
    };

    void take(const FrameManager& frames, const FrameFilter& filter);
    void planAhead(const NumberedNameMap<InternalName, FSymbol>& symbols, const SymTab& table);
    void loadAhead(std::size_t place);

    std::vector<Step> steps;
    const SetFrameRegistry* sets = nullptr;
    const FrameRegistry<MainMemParamFrame>* rows = nullptr;
    // What each object leads to, found once: ten addresses an object, its own frame where there
    // is nothing to load. Only cache hints are given from them.
    std::vector<Loads> ahead;
};
