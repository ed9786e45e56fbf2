// FlatNameMap, an open-addressed hash map from identifiers to small values, with the part of
// the std::unordered_map interface the object base uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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

// What a lookup answers for a value: the value itself, or, for a map that owns its values through
// std::unique_ptr, the object owned.
template <class Value>
struct FlatMapped {
    using Found = Value;
    static const Value& found(const Value& value) { return value; }
};
template <class T>
struct FlatMapped<std::unique_ptr<T>> {
    using Found = T*;
    static T* found(const std::unique_ptr<T>& value) { return value.get(); }
};

template <class Key, class Value>
class FlatNameMap {
  public:
    using value_type = std::pair<Key, Value>;

  private:
    struct Entry : value_type {
        Entry() : value_type(FlatKey<Key>::free(), Value()) {}
        Entry(const Key& key, const Value& value) : value_type(key, value) {}
        Entry(const Key& key, Value&& value) : value_type(key, std::move(value)) {}
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
    // The value of the key (the object it owns, for an owning map), or `absent`.
    using Found = typename FlatMapped<Value>::Found;
    Found valueOr(const Key& key, const Found& absent) const {
        const Entry* found = slots.find(FlatKey<Key>::hash(key), matcher(key));
        return found == nullptr ? absent : FlatMapped<Value>::found(found->second);
    }

    // Inserts (key, value) unless the key is present; the entry and whether it was inserted. A
    // value passed as an rvalue is moved from only when it is inserted.
    std::pair<iterator, bool> emplace(const Key& key, const Value& value) {
        return place(key, value);
    }
    std::pair<iterator, bool> emplace(const Key& key, Value&& value) {
        return place(key, std::move(value));
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
    template <class V>
    std::pair<iterator, bool> place(const Key& key, V&& value) {
        slots.reserve(1, hashOf);
        const std::size_t at = slots.probe(FlatKey<Key>::hash(key), matcher(key));
        if (!slots[at].isFree()) return {cursorAt(at), false};
        slots.fill(at, Entry(key, std::forward<V>(value)));
        return {cursorAt(at), true};
    }
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
