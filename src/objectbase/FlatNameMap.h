// FlatNameMap, an open-addressed hash map from identifiers to small values, with the part of
// the std::unordered_map interface the object base uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "objectbase/InternalName.h"

// The object base binds every symbol to its object and back: two entries per name, and an
// imported document has several names per element. A node-based hash map spends a separate
// allocation of 48 bytes and a bucket pointer on each entry; here an entry is its key and value
// inside one array kept at most 3/4 full (linear probing, erasure by shifting the following
// entries back, so no tombstones).
//
// Keys are identifiers (InternalName or a type derived from it); kind 255 marks a free slot and
// is no identifier's kind. Iterators and pointers stay valid only until the next insert or erase.
template <class Key, class Value>
class FlatNameMap {
  public:
    using value_type = std::pair<Key, Value>;

    template <class Slot>
    class Cursor {
      public:
        Cursor(Slot* at, Slot* end) : at(at), end(end) { skipFree(); }
        Slot& operator*() const { return *at; }
        Slot* operator->() const { return at; }
        Cursor& operator++() {
            ++at;
            skipFree();
            return *this;
        }
        bool operator==(const Cursor& other) const { return at == other.at; }
        bool operator!=(const Cursor& other) const { return at != other.at; }

      private:
        friend class FlatNameMap;
        void skipFree() {
            while (at != end && isFree(at->first)) ++at;
        }
        Slot* at;
        Slot* end;
    };
    using iterator = Cursor<value_type>;
    using const_iterator = Cursor<const value_type>;

    iterator begin() { return iterator(slots.data(), slots.data() + slots.size()); }
    iterator end() { return iterator(slots.data() + slots.size(), slots.data() + slots.size()); }
    const_iterator begin() const {
        return const_iterator(slots.data(), slots.data() + slots.size());
    }
    const_iterator end() const {
        return const_iterator(slots.data() + slots.size(), slots.data() + slots.size());
    }

    std::size_t size() const { return used; }
    bool empty() const { return used == 0; }

    iterator find(const Key& key) {
        if (used == 0) return end();
        const std::size_t at = slotOf(key);
        return isFree(slots[at].first) ? end() : cursorAt(at);
    }
    const_iterator find(const Key& key) const {
        if (used == 0) return end();
        const std::size_t at = slotOf(key);
        return isFree(slots[at].first)
                   ? end()
                   : const_iterator(slots.data() + at, slots.data() + slots.size());
    }
    std::size_t count(const Key& key) const { return find(key) != end() ? 1 : 0; }

    // Inserts (key, value) unless the key is present; the entry and whether it was inserted.
    std::pair<iterator, bool> emplace(const Key& key, const Value& value) {
        reserveOneMore();
        const std::size_t at = slotOf(key);
        if (!isFree(slots[at].first)) return {cursorAt(at), false};
        slots[at] = value_type(key, value);
        ++used;
        return {cursorAt(at), true};
    }
    // Inserts a default value unless the key is present.
    std::pair<iterator, bool> try_emplace(const Key& key) { return emplace(key, Value()); }
    Value& operator[](const Key& key) { return try_emplace(key).first->second; }
    void insert_or_assign(const Key& key, const Value& value) {
        auto [entry, inserted] = emplace(key, value);
        if (!inserted) entry->second = value;
    }

    // The number of entries removed (0 or 1).
    std::size_t erase(const Key& key) {
        if (used == 0) return 0;
        const std::size_t at = slotOf(key);
        if (isFree(slots[at].first)) return 0;
        eraseSlot(at);
        return 1;
    }
    void erase(iterator position) { eraseSlot(std::size_t(position.at - slots.data())); }

    void clear() {
        std::vector<value_type>().swap(slots);
        used = 0;
    }

  private:
    static constexpr std::uint8_t FreeKind = 255;

    static bool isFree(const Key& key) { return key.getType() == FreeKind; }
    static Key freeKey() { return Key(InternalName(0, FreeKind, 0)); }
    static std::size_t hashOf(const Key& key) {
        std::uint64_t bits = static_cast<std::uint32_t>(key.getValue());
        bits |= static_cast<std::uint64_t>(key.getType()) << 32;
        bits |= static_cast<std::uint64_t>(key.getArity() & 0xff) << 40;
        bits *= 0x9e3779b97f4a7c15ULL;
        return std::size_t(bits ^ (bits >> 31));
    }
    std::size_t mask() const { return slots.size() - 1; }
    iterator cursorAt(std::size_t at) {
        return iterator(slots.data() + at, slots.data() + slots.size());
    }
    // The slot holding the key, or the free slot where it belongs.
    std::size_t slotOf(const Key& key) const {
        std::size_t at = hashOf(key) & mask();
        while (!isFree(slots[at].first) && !(slots[at].first == key)) at = (at + 1) & mask();
        return at;
    }
    void reserveOneMore() {
        if ((used + 1) * 4 <= slots.size() * 3) return;
        std::vector<value_type> old(slots.empty() ? 16 : slots.size() * 2,
                                    value_type(freeKey(), Value()));
        old.swap(slots);
        for (value_type& entry : old)
            if (!isFree(entry.first)) slots[slotOf(entry.first)] = std::move(entry);
    }
    // Frees the slot and moves back every following entry that may no longer be found past it.
    void eraseSlot(std::size_t hole) {
        for (std::size_t next = (hole + 1) & mask(); !isFree(slots[next].first);
             next = (next + 1) & mask()) {
            const std::size_t home = hashOf(slots[next].first) & mask();
            if (((next - home) & mask()) >= ((next - hole) & mask())) {
                slots[hole] = std::move(slots[next]);
                hole = next;
            }
        }
        slots[hole] = value_type(freeKey(), Value());
        --used;
    }

    std::vector<value_type> slots;  // a power of two in size, or empty
    std::size_t used = 0;
};
