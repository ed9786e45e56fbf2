// NumberedNameMap, a map from identifiers to small values that keeps the entry of a counter-made
// identifier at the place its number gives.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "objectbase/RankedRun.h"

// The symbol table numbers its symbols densely from 1 and the name handler numbers objects and
// strings densely too, so the object base's maps between symbols and names are keyed by almost
// every number below a high-water mark. Here such a key's entry sits in a page of slots at its
// number, and as the number is the slot's place a slot holds only the value's number and which
// of its page's three shapes (key kind and flag, value kind and flag) the entry has: 4 bytes a
// name, where a hash table kept at most 3/4 full cost about 50. A page rarely sees more than
// three shapes: symbols of one kind map to objects, strings to strings. A key whose number is
// negative or huge, whose value's number is negative or huge, whose shape finds no place in its
// page, or whose slot another key holds (same number, another kind or flag), goes to a hash map
// beside the pages. A page whose entries were made in the order of their keys, as a consult makes
// the names of its symbols, is kept as a run of one bit a key (see RankedRun) until an entry
// breaks it.
//
// Keys and values are identifiers (InternalName or a type derived from it). Values are handed
// out as copies.
template <class Key, class Value>
class NumberedNameMap {
  public:
    // The value of the key, if any.
    std::optional<Value> find(const Key& key) const {
        if (const Page* page = pageOf(key)) {
            const std::uint32_t slot = page->slot(placeOf(key));
            if (page->holds(slot, key)) return page->value(slot);
            if (page->spilled == 0) return std::nullopt;
        }
        auto other = others.find(key);
        if (other != others.end()) return other->second;
        return std::nullopt;
    }
    bool contains(const Key& key) const { return find(key).has_value(); }
    // find, writing the value into `out` (untouched when there is none): the hashed keys are
    // looked at in a call of their own, so that the usual paged key costs no saved registers.
    bool findInto(const Key& key, Value& out) const {
        if (const Page* page = pageOf(key)) {
            const std::uint32_t slot = page->slot(placeOf(key));
            if (page->holds(slot, key)) {
                out = page->value(slot);
                return true;
            }
            if (page->spilled == 0) return false;
        }
        return findOther(key, out);
    }

    // The value of the key; when it has none, make()'s value is inserted first and `inserted`
    // set. One look at the key's slot answers both, where find and then emplace took two: every
    // symbol of every consulted fact comes here.
    // Inline by force: emplace, which drops the value, would otherwise pay for handing it back.
    template <class Make>
    [[gnu::always_inline]] Value findOrInsert(const Key& key, Make make, bool& inserted) {
        Page* page = pageOf(key, true);
        const std::size_t at = page != nullptr ? placeOf(key) : 0;
        const std::uint32_t slot = page != nullptr ? page->slot(at) : 0;
        inserted = false;
        if (page != nullptr && page->holds(slot, key)) return page->value(slot);
        // The key may have gone to the hash map while another key held its slot.
        if (!others.empty() && (page == nullptr || page->spilled != 0)) {
            auto other = others.find(key);
            if (other != others.end()) return other->second;
        }
        const Value value = make();
        if (page == nullptr || slot != 0 || !page->store(at, key, value)) {
            others.emplace(key, value);
            if (page != nullptr) ++page->spilled;
        }
        ++used;
        inserted = true;
        return value;
    }

    // Inserts (key, value) when the pair continues its page's run: the key's number lies above
    // every number the page holds and the value's follows the run's last, as counters hand out
    // a fresh key and its value together. Such a key is no key of the map: its page holds only
    // lower numbers, and while none of the page's keys went to the hash map, no key of the page
    // is there. False, and nothing changed, for any other pair, which emplace then takes: a
    // fresh object's two entries take a third of emplace's instructions so.
    bool appendFresh(const Key& key, const Value& value) {
        Page* page = freshPage(key, value);
        if (page == nullptr || !page->run.append(placeOf(key), std::uint32_t(value.getValue())))
            return false;
        ++used;
        return true;
    }
    // How many of the pairs (key + i, value + i), i below `most`, appendFresh would take one
    // after the other, as their numbers count up together: those up to the end of the key's
    // page when the first joins its run, else none.
    std::size_t freshRoom(const Key& key, const Value& value, std::size_t most) {
        const Page* page = freshPage(key, value);
        if (page == nullptr || !page->run.continuedBy(placeOf(key), value.getValue())) return 0;
        std::size_t room = std::min(most, PageSize - placeOf(key));
        if (std::int64_t(value.getValue()) + std::int64_t(room) > MaxValue)
            room = std::size_t(MaxValue - value.getValue());
        return room;
    }
    // appendFresh for the `count` pairs (key + i, value + i), which freshRoom allows.
    void appendFreshRun(const Key& key, const Value& value, std::size_t count) {
        pages[std::size_t(key.getValue()) / PageSize]->run.appendRange(
            placeOf(key), std::uint32_t(value.getValue()), count);
        used += count;
    }

    // Inserts (key, value) unless the key is present; true when inserted.
    bool emplace(const Key& key, const Value& value) {
        bool inserted = false;
        findOrInsert(
            key, [&value] { return value; }, inserted);
        return inserted;
    }
    void insert_or_assign(const Key& key, const Value& value) {
        if (Page* page = pageOf(key)) {
            const std::size_t at = placeOf(key);
            const std::uint32_t slot = page->slot(at);
            if (page->holds(slot, key)) {
                if (page->value(slot) == value) return;
                // A value the slot cannot hold moves the entry to the hash map.
                page->free(at);
                if (!page->store(at, key, value)) {
                    others.emplace(key, value);
                    ++page->spilled;
                }
                return;
            }
        }
        auto other = others.find(key);
        if (other != others.end()) {
            other->second = value;
            return;
        }
        emplace(key, value);
    }
    // The number of entries removed (0 or 1).
    std::size_t erase(const Key& key) {
        if (Page* page = pageOf(key)) {
            if (page->holds(page->slot(placeOf(key)), key)) {
                page->free(placeOf(key));
                --used;
                return 1;
            }
        }
        if (others.erase(key) == 0) return 0;
        if (Page* page = pageOf(key)) --page->spilled;
        --used;
        return 1;
    }
    void clear() {
        pages.clear();
        others.clear();
        used = 0;
    }
    std::size_t size() const { return used; }
    bool empty() const { return used == 0; }

    // Calls visit(key, value) for every entry: the paged ones by number, then the others in no
    // particular order.
    template <class Visit>
    void forEach(Visit visit) const {
        for (std::size_t number = 0; number < pages.size(); ++number) {
            const Page* page = pages[number].get();
            if (page == nullptr) continue;
            for (std::size_t i = 0; i < PageSize; ++i) {
                const std::uint32_t slot = page->slot(i);
                if (slot != 0)
                    visit(page->key(slot, std::int32_t(number * PageSize + i)), page->value(slot));
            }
        }
        for (const auto& [key, value] : others) visit(key, value);
    }

  private:
    static constexpr std::size_t PageSize = 1024;
    // Beyond this number a key goes to the hash map: the page table stays small.
    static constexpr std::size_t MaxNumber = std::size_t(1) << 28;
    // A slot is the value's number times 4 plus its shape's place in the page (1 to 3); 0 is a
    // free slot.
    static constexpr std::int64_t MaxValue = std::int64_t(1) << 30;

    struct Shape {
        std::uint8_t keyKind;
        std::int8_t keyFlag;
        std::uint8_t valueKind;
        std::int8_t valueFlag;

        bool operator==(const Shape&) const = default;
    };

    // A page is a run (see RankedRun) of entries of its first shape until an entry breaks the
    // run; from then on it keeps a slot a number.
    struct Page {
        Shape shapes[3] = {};
        std::uint8_t shapeCount = 0;
        // The entries of the page's numbers that went to the hash map: while there are none, a
        // key the page does not hold is no key of the map, without a look at the hash map. One
        // key elsewhere (a number shared by two kinds) made every new name of an import look
        // there, a third of the making of a name.
        std::uint32_t spilled = 0;
        RankedRun<PageSize> run;
        std::unique_ptr<std::uint32_t[]> slots;

        // The slot of a number (0 when free).
        std::uint32_t slot(std::size_t at) const {
            if (slots) return slots[at];
            return run.taken(at) ? run.valueAt(at) << 2 | 1 : 0;
        }
        const Shape& shapeOf(std::uint32_t slot) const { return shapes[(slot & 3) - 1]; }
        bool holds(std::uint32_t slot, const Key& key) const {
            if (slot == 0) return false;
            const Shape& shape = shapeOf(slot);
            return shape.keyKind == key.getType() && shape.keyFlag == std::int8_t(key.getArity());
        }
        Key key(std::uint32_t slot, std::int32_t number) const {
            const Shape& shape = shapeOf(slot);
            return Key(InternalName(number, shape.keyKind, shape.keyFlag));
        }
        Value value(std::uint32_t slot) const {
            const Shape& shape = shapeOf(slot);
            return Value(InternalName(std::int32_t(slot >> 2), shape.valueKind, shape.valueFlag));
        }
        // Writes the entry into the free slot `at`; false, the slot unchanged, when the value's
        // number or its shape does not fit.
        bool store(std::size_t at, const Key& key, const Value& value) {
            if (value.getValue() < 0 || value.getValue() >= MaxValue) return false;
            const Shape shape{std::uint8_t(key.getType()), std::int8_t(key.getArity()),
                              std::uint8_t(value.getType()), std::int8_t(value.getArity())};
            // The common case first: the next entry of the page's run.
            if (!slots && shapeCount != 0 && shapes[0] == shape &&
                run.append(at, std::uint32_t(value.getValue())))
                return true;
            return storeShaped(at, shape, value);
        }
        [[gnu::noinline]] bool storeShaped(std::size_t at, const Shape& shape, const Value& value) {
            std::uint32_t place = 0;
            while (place < shapeCount && !(shapes[place] == shape)) ++place;
            if (place == shapeCount) {
                if (shapeCount == 3) return false;
                shapes[shapeCount++] = shape;
            }
            if (!slots && place == 0 && run.append(at, std::uint32_t(value.getValue())))
                return true;
            writeOut();
            slots[at] = std::uint32_t(value.getValue()) << 2 | (place + 1);
            return true;
        }
        void free(std::size_t at) {
            writeOut();
            slots[at] = 0;
        }
        // Turns the run into slots.
        void writeOut() {
            if (slots) return;
            slots = std::make_unique<std::uint32_t[]>(PageSize);
            run.forEach(
                [this](std::size_t at, std::uint32_t value) { slots[at] = value << 2 | 1; });
            run.clear();
        }
    };

    std::size_t placeOf(const Key& key) const { return std::size_t(key.getValue()) % PageSize; }
    // findInto among the hashed keys.
    [[gnu::noinline]] bool findOther(const Key& key, Value& out) const {
        auto other = others.find(key);
        if (other == others.end()) return false;
        out = other->second;
        return true;
    }
    // The page whose run a fresh pair may join: the key's page exists, is a run, had none of its
    // keys go to the hash map and has the pair's shape first; else null.
    Page* freshPage(const Key& key, const Value& value) {
        if (key.getValue() < 0 || std::size_t(key.getValue()) >= MaxNumber) return nullptr;
        const std::size_t number = std::size_t(key.getValue()) / PageSize;
        if (number >= pages.size() || !pages[number]) return nullptr;
        Page* page = pages[number].get();
        if (page->slots || page->spilled != 0 || page->shapeCount == 0) return nullptr;
        if (value.getValue() < 0 || value.getValue() >= MaxValue) return nullptr;
        const Shape shape{std::uint8_t(key.getType()), std::int8_t(key.getArity()),
                          std::uint8_t(value.getType()), std::int8_t(value.getArity())};
        if (std::bit_cast<std::uint32_t>(page->shapes[0]) != std::bit_cast<std::uint32_t>(shape))
            return nullptr;
        return page;
    }
    // The page of the key's number, or null when the number has none (made first when
    // `making`).
    Page* pageOf(const Key& key, bool making = false) {
        if (key.getValue() < 0 || std::size_t(key.getValue()) >= MaxNumber) return nullptr;
        const std::size_t page = std::size_t(key.getValue()) / PageSize;
        if (page < pages.size() && pages[page]) return pages[page].get();
        return making ? makePage(page) : nullptr;
    }
    // Kept apart from pageOf, which every lookup of every consulted symbol runs and which is
    // inlined so.
    [[gnu::noinline]] Page* makePage(std::size_t page) {
        if (page >= pages.size()) pages.resize(page + 1);
        if (!pages[page]) pages[page] = std::make_unique<Page>();
        return pages[page].get();
    }
    const Page* pageOf(const Key& key) const {
        return const_cast<NumberedNameMap*>(this)->pageOf(key, false);
    }

    std::vector<std::unique_ptr<Page>> pages;
    FlatNameMap<Key, Value> others;
    std::size_t used = 0;
};
