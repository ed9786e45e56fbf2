// FlatNameMap, an open-addressed hash map from identifiers to small values, with the part of
// the std::unordered_map interface the object base uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

#include "foundation/FlatHashTable.h"
#include "objectbase/CellHash.h"
#include "objectbase/InternalName.h"

// The object base binds every symbol to its object and back: two entries per name, and an
// imported document has several names per element. A node-based hash map spends a separate
// allocation of 48 bytes and a bucket pointer on each entry; here an entry is its key and value
// inside the slots of the shared open-addressing table, kept at most 3/4 full.
//
// Keys are identifiers (InternalName or a type derived from it) unless a key type says how it is
// hashed and which key marks a free slot (see FlatKey). Iterators and pointers stay valid only
// until the next insert or erase.
template <class Key>
struct FlatKey {
    // Kind 255 is no identifier's kind.
    static Key free() { return Key(InternalName(0, 255, 0)); }
    static bool isFree(const Key& key) { return key.getType() == 255; }
    static std::uint64_t hash(const Key& key) { return hashCell(key); }
};

template <class Key, class Value>
class FlatNameMap {
  public:
    using value_type = std::pair<Key, Value>;

  private:
    struct Entry : value_type {
        Entry() : value_type(FlatKey<Key>::free(), Value()) {}
        Entry(const Key& key, const Value& value) : value_type(key, value) {}
        bool isFree() const { return FlatKey<Key>::isFree(this->first); }
    };
    using Table = FlatHashTable<Entry, 3, 4>;

  public:
    template <class Slot, class Pair>
    class Cursor {
      public:
        Cursor(Slot* at, Slot* end) : at(at), end(end) { skipFree(); }
        Pair& operator*() const { return *at; }
        Pair* operator->() const { return at; }
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
            while (at != end && at->isFree()) ++at;
        }
        Slot* at;
        Slot* end;
    };
    using iterator = Cursor<Entry, value_type>;
    using const_iterator = Cursor<const Entry, const value_type>;

    iterator begin() { return cursorAt(0); }
    iterator end() { return cursorAt(slots.capacity()); }
    const_iterator begin() const { return cursorAt(0); }
    const_iterator end() const { return cursorAt(slots.capacity()); }

    std::size_t size() const { return slots.size(); }
    bool empty() const { return slots.empty(); }

    iterator find(const Key& key) {
        const Entry* found = slots.find(FlatKey<Key>::hash(key), matcher(key));
        return found == nullptr ? end() : cursorAt(std::size_t(found - data()));
    }
    const_iterator find(const Key& key) const {
        const Entry* found = slots.find(FlatKey<Key>::hash(key), matcher(key));
        return found == nullptr ? end() : cursorAt(std::size_t(found - data()));
    }
    std::size_t count(const Key& key) const { return find(key) != end() ? 1 : 0; }
    // The value of the key, or `absent`.
    Value valueOr(const Key& key, const Value& absent) const {
        const Entry* found = slots.find(FlatKey<Key>::hash(key), matcher(key));
        return found == nullptr ? absent : found->second;
    }

    // Inserts (key, value) unless the key is present; the entry and whether it was inserted.
    std::pair<iterator, bool> emplace(const Key& key, const Value& value) {
        slots.reserve(1, hashOf);
        const std::size_t at = slots.probe(FlatKey<Key>::hash(key), matcher(key));
        if (!slots[at].isFree()) return {cursorAt(at), false};
        slots.fill(at, Entry(key, value));
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
        if (slots.empty()) return 0;
        const std::size_t at = slots.probe(FlatKey<Key>::hash(key), matcher(key));
        if (slots[at].isFree()) return 0;
        slots.erase(at, hashOf);
        return 1;
    }
    void erase(iterator position) { slots.erase(std::size_t(position.at - data()), hashOf); }

    void clear() { slots.release(); }
    // Makes room for `more` entries beyond those held, so that inserting them moves no entry.
    void reserve(std::size_t more) { slots.reserve(more, hashOf); }

  private:
    static std::uint64_t hashOf(const Entry& entry) { return FlatKey<Key>::hash(entry.first); }
    static auto matcher(const Key& key) {
        return [&key](const Entry& entry) { return entry.first == key; };
    }
    Entry* data() { return slots.capacity() == 0 ? nullptr : &slots[0]; }
    const Entry* data() const { return slots.capacity() == 0 ? nullptr : &slots[0]; }
    iterator cursorAt(std::size_t at) { return iterator(data() + at, data() + slots.capacity()); }
    const_iterator cursorAt(std::size_t at) const {
        return const_iterator(data() + at, data() + slots.capacity());
    }

    Table slots;
};
