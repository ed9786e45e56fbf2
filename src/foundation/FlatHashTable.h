// FlatHashTable, the open-addressing hash table every hashed store of the system probes, and
// EntryIndex, the table of numbered entries kept beside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/LargeArrays.h"

// Linear probing over a power-of-two array of slots, grown before one more entry would fill it
// past LoadNum / LoadDen (half by default), and erasure by shifting the following slots back (no
// tombstones). A slot is the user's own small struct: `Slot{}` is free and `slot.isFree()` says so.
// A slot may hold its key itself (a member of a set), or the number of an entry the user keeps
// elsewhere with a few bits of its hash (see EntryIndex). The table stores no hash of its own:
// growing and erasing ask the user's `hashOf(slot)`, which the slot may answer from its stored
// bits.
//
// One table serves the row stores, joins, groupings, member sets and symbol maps: each used to
// probe, grow and erase by a loop of its own, with a mixer of its own.
template <class Slot, unsigned LoadNum = 1, unsigned LoadDen = 2>
class FlatHashTable {
    static_assert(LoadNum >= 1 && LoadNum < LoadDen, "a table keeps free slots to end probes");

  public:
    std::size_t size() const { return used; }
    bool empty() const { return used == 0; }
    // The number of slots: 0 before the first growth, then a power of two.
    std::size_t capacity() const { return slots.size(); }
    std::span<const Slot> allSlots() const { return slots; }

    const Slot& operator[](std::size_t at) const { return slots[at]; }
    Slot& operator[](std::size_t at) { return slots[at]; }

    // The slot from `hash` on that `matches` accepts, else the first free one (where the key
    // would go). The table has slots.
    template <class Matches>
    std::size_t probe(std::uint64_t hash, Matches matches) const {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t at = std::size_t(hash) & mask;; at = (at + 1) & mask) {
            const Slot& slot = slots[at];
            if (slot.isFree() || matches(slot)) return at;
        }
    }
    // The slot `matches` accepts, or null.
    template <class Matches>
    const Slot* find(std::uint64_t hash, Matches matches) const {
        if (used == 0) return nullptr;
        const Slot& slot = slots[probe(hash, matches)];
        return slot.isFree() ? nullptr : &slot;
    }

    // Makes room for `more` entries beyond those held; true when the slots moved, so that a
    // slot found before is stale.
    template <class HashOf>
    bool reserve(std::size_t more, HashOf hashOf) {
        const std::size_t want = used + more;
        if (!slots.empty() && want * LoadDen <= slots.size() * LoadNum) return false;
        std::size_t size = slots.empty() ? MinSize : slots.size() * 2;
        while (want * LoadDen > size * LoadNum) size *= 2;
        regrow(size, hashOf);
        return true;
    }
    // Fills the free slot `at` that a probe found.
    void fill(std::size_t at, Slot slot) {
        slots[at] = std::move(slot);
        ++used;
    }
    // Puts a slot whose key the table does not hold at its place (room reserved).
    void add(std::uint64_t hash, const Slot& slot) {
        fill(probe(hash, [](const Slot&) { return false; }), slot);
    }
    // Frees the slot `at` and shifts back each following slot that a probe could no longer
    // reach past the hole.
    template <class HashOf>
    void erase(std::size_t hole, HashOf hashOf) {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t at = (hole + 1) & mask; !slots[at].isFree(); at = (at + 1) & mask) {
            const std::size_t home = std::size_t(hashOf(slots[at])) & mask;
            if (((at - home) & mask) >= ((at - hole) & mask)) {
                slots[hole] = std::move(slots[at]);
                hole = at;
            }
        }
        slots[hole] = Slot{};
        --used;
    }

    // Starts loading the slot where a probe for `hash` begins.
    void prefetch(std::uint64_t hash) const {
        if (!slots.empty()) __builtin_prefetch(&slots[std::size_t(hash) & (slots.size() - 1)]);
    }
    // Forgets every slot, keeping the array's size; release() gives the array back.
    void clear() {
        slots.assign(slots.size(), Slot{});
        used = 0;
    }
    void release() {
        Slots().swap(slots);
        used = 0;
    }

  private:
    static constexpr std::size_t MinSize = 16;

    template <class HashOf>
    void regrow(std::size_t size, HashOf hashOf) {
        Slots old(size);
        old.swap(slots);
        const std::size_t mask = size - 1;
        for (Slot& slot : old) {
            if (slot.isFree()) continue;
            std::size_t at = std::size_t(hashOf(std::as_const(slot))) & mask;
            while (!slots[at].isFree()) at = (at + 1) & mask;
            slots[at] = std::move(slot);
        }
    }

    // A large table is probed at random: on huge pages, a probe rarely misses the address cache.
    using Slots = std::vector<Slot, LargeArrayAllocator<Slot, largeArrays::Filling::Whole>>;
    Slots slots;
    std::size_t used = 0;
};

// A slot of an index over entries the user numbers from 0: the number + 1 (0 is a free slot)
// and the low half of the key's hash, so that a probe past other keys rarely reads their
// entries, and growing reads none.
struct EntrySlot {
    std::uint32_t entry = 0;
    std::uint32_t hash = 0;
    bool isFree() const { return entry == 0; }
    std::uint32_t number() const { return entry - 1; }
};

// The index of a store of numbered entries (rows, groups, texts): finds the number of an entry
// by its key, or numbers a new one. `same(number)` tells whether entry `number` holds the key
// looked for; the index never reads the entries otherwise.
class EntryIndex : public FlatHashTable<EntrySlot> {
  public:
    static std::uint64_t hashOf(const EntrySlot& slot) { return slot.hash; }

    // The number of the entry with the key, or -1.
    template <class Same>
    std::int64_t find(std::uint64_t hash, Same same) const {
        const EntrySlot* slot = FlatHashTable::find(hash, matcher(hash, same));
        return slot == nullptr ? -1 : std::int64_t(slot->number());
    }
    // The number of the entry with the key and false; else `next` is recorded as that entry's
    // number, and the answer is (next, true).
    template <class Same>
    std::pair<std::uint32_t, bool> insert(std::uint64_t hash, std::uint32_t next, Same same) {
        reserve(1, hashOf);
        const std::size_t at = probe(hash, matcher(hash, same));
        if (!(*this)[at].isFree()) return {(*this)[at].number(), false};
        fill(at, EntrySlot{next + 1, std::uint32_t(hash)});
        return {next, true};
    }
    // Records entry `number`, whose key no other entry holds.
    void add(std::uint64_t hash, std::uint32_t number) {
        reserve(1, hashOf);
        FlatHashTable::add(hash, EntrySlot{number + 1, std::uint32_t(hash)});
    }

  private:
    template <class Same>
    static auto matcher(std::uint64_t hash, Same& same) {
        return [h = std::uint32_t(hash), &same](const EntrySlot& slot) {
            return slot.hash == h && same(slot.number());
        };
    }
};
