// NumberedNameMap, a map from identifiers to small values that keeps the entry of a counter-made
// identifier at the place its number gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"

// The symbol table numbers its symbols densely from 1 and the name handler numbers objects and
// strings densely too, so the object base's maps between symbols and names are keyed by almost
// every number below a high-water mark. Here such a key's entry sits in a page of slots at its
// number, and as the number is the slot's place a slot holds only the key's kind and flag beside
// the value: 8 bytes a name, where a hash table kept at most 3/4 full cost about 50 (100,000
// consulted molecules: 64 bytes a fact less for the two maps). A key whose number is negative or
// huge, or whose slot another key holds (same number, another kind or flag), goes to a hash map
// beside the pages.
//
// Keys and values are identifiers (InternalName or a type derived from it); a key of kind 255
// marks a free slot and is no identifier's kind. Values are handed out as copies.
template <class Key, class Value>
class NumberedNameMap {
  public:
    // The value of the key, if any.
    std::optional<Value> find(const Key& key) const {
        if (const Slot* slot = slotOf(key); slot != nullptr && slot->holds(key))
            return slot->value();
        auto other = others.find(key);
        if (other != others.end()) return other->second;
        return std::nullopt;
    }
    bool contains(const Key& key) const { return find(key).has_value(); }

    // Inserts (key, value) unless the key is present; true when inserted.
    bool emplace(const Key& key, const Value& value) {
        Slot* slot = slotOf(key, true);
        if (slot != nullptr && slot->holds(key)) return false;
        // The key may have gone to the hash map while another key held its slot.
        if (!others.empty() && others.count(key) != 0) return false;
        if (slot != nullptr && slot->isFree()) {
            slot->set(key, value);
        } else {
            others.emplace(key, value);
        }
        ++used;
        return true;
    }
    void insert_or_assign(const Key& key, const Value& value) {
        if (Slot* slot = slotOf(key); slot != nullptr && slot->holds(key)) {
            slot->set(key, value);
            return;
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
        if (Slot* slot = slotOf(key); slot != nullptr && slot->holds(key)) {
            *slot = Slot();
            --used;
            return 1;
        }
        if (others.erase(key) == 0) return 0;
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
        for (std::size_t page = 0; page < pages.size(); ++page) {
            if (!pages[page]) continue;
            for (std::size_t i = 0; i < PageSize; ++i) {
                const Slot& slot = pages[page][i];
                if (!slot.isFree())
                    visit(slot.key(std::int32_t(page * PageSize + i)), slot.value());
            }
        }
        for (const auto& [key, value] : others) visit(key, value);
    }

  private:
    static constexpr std::uint8_t FreeKind = 255;
    static constexpr std::size_t PageSize = 1024;
    // Beyond this number a key goes to the hash map: the page table stays small.
    static constexpr std::size_t MaxNumber = std::size_t(1) << 28;

    // The entry of the key numbered by the slot's place.
    class Slot {
      public:
        bool isFree() const { return keyKind == FreeKind; }
        bool holds(const Key& key) const {
            return keyKind == key.getType() && keyFlag == std::int8_t(key.getArity());
        }
        Key key(std::int32_t number) const { return Key(InternalName(number, keyKind, keyFlag)); }
        Value value() const { return Value(InternalName(valueNumber, valueKind, valueFlag)); }
        void set(const Key& key, const Value& value) {
            valueNumber = value.getValue();
            valueKind = std::uint8_t(value.getType());
            valueFlag = std::int8_t(value.getArity());
            keyKind = std::uint8_t(key.getType());
            keyFlag = std::int8_t(key.getArity());
        }

      private:
        std::int32_t valueNumber = 0;
        std::uint8_t valueKind = 0;
        std::int8_t valueFlag = 0;
        std::uint8_t keyKind = FreeKind;
        std::int8_t keyFlag = 0;
    };
    static_assert(sizeof(Slot) == 8);

    // The slot at the key's number, or null when the number has none (its page is made first
    // when `making`).
    Slot* slotOf(const Key& key, bool making = false) {
        if (key.getValue() < 0 || std::size_t(key.getValue()) >= MaxNumber) return nullptr;
        const auto number = std::size_t(key.getValue());
        const std::size_t page = number / PageSize;
        if (page >= pages.size()) {
            if (!making) return nullptr;
            pages.resize(page + 1);
        }
        if (!pages[page]) {
            if (!making) return nullptr;
            pages[page] = std::make_unique<Slot[]>(PageSize);
        }
        return &pages[page][number % PageSize];
    }
    const Slot* slotOf(const Key& key) const {
        return const_cast<NumberedNameMap*>(this)->slotOf(key, false);
    }

    std::vector<std::unique_ptr<Slot[]>> pages;
    FlatNameMap<Key, Value> others;
    std::size_t used = 0;
};
