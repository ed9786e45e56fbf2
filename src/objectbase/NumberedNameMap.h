// NumberedNameMap, a map from identifiers to small values that keeps the entry of a counter-made
// identifier at the place its number gives.
#pragma once

#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"

// The symbol table numbers its symbols densely from 1 and the name handler numbers objects and
// strings densely too, so the object base's maps between symbols and names are keyed by almost
// every number below a high-water mark. Here such a key's entry sits in a page of slots at its
// number: 16 bytes a name, where a hash table kept at most 3/4 full cost about 50. A key whose
// number is negative or huge, or whose slot another key holds (same number, another kind or
// flag), goes to a hash map beside the pages.
//
// Keys are identifiers (InternalName or a type derived from it); kind 255 marks a free slot and
// is no identifier's kind. Pointers to values stay valid until the key is erased or the map
// cleared (the pages never move; the hash map's do, on its inserts and erases).
template <class Key, class Value>
class NumberedNameMap {
  public:
    // The value of the key, or null.
    Value* find(const Key& key) {
        if (Slot* slot = slotOf(key); slot != nullptr && slot->first == key) return &slot->second;
        auto other = others.find(key);
        return other != others.end() ? &other->second : nullptr;
    }
    const Value* find(const Key& key) const {
        return const_cast<NumberedNameMap*>(this)->find(key);
    }
    bool contains(const Key& key) const { return find(key) != nullptr; }

    // Inserts (key, value) unless the key is present; true when inserted.
    bool emplace(const Key& key, const Value& value) {
        Slot* slot = slotOf(key, true);
        if (slot != nullptr && slot->first == key) return false;
        // The key may have gone to the hash map while another key held its slot.
        if (!others.empty() && others.count(key) != 0) return false;
        if (slot != nullptr && isFree(slot->first)) {
            *slot = Slot(key, value);
        } else {
            others.emplace(key, value);
        }
        ++used;
        return true;
    }
    void insert_or_assign(const Key& key, const Value& value) {
        if (Value* held = find(key)) {
            *held = value;
            return;
        }
        emplace(key, value);
    }
    // The number of entries removed (0 or 1).
    std::size_t erase(const Key& key) {
        if (Slot* slot = slotOf(key); slot != nullptr && slot->first == key) {
            *slot = Slot(freeKey(), Value());
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
        for (const auto& page : pages) {
            if (!page) continue;
            for (std::size_t i = 0; i < PageSize; ++i)
                if (!isFree(page[i].first)) visit(page[i].first, page[i].second);
        }
        for (const auto& [key, value] : others) visit(key, value);
    }

  private:
    using Slot = std::pair<Key, Value>;
    static constexpr std::uint8_t FreeKind = 255;
    static constexpr std::size_t PageSize = 1024;
    // Beyond this number a key goes to the hash map: the page table stays small.
    static constexpr std::size_t MaxNumber = std::size_t(1) << 28;

    static bool isFree(const Key& key) { return key.getType() == FreeKind; }
    static Key freeKey() { return Key(InternalName(0, FreeKind, 0)); }

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
            for (std::size_t i = 0; i < PageSize; ++i) pages[page][i] = Slot(freeKey(), Value());
        }
        return &pages[page][number % PageSize];
    }

    std::vector<std::unique_ptr<Slot[]>> pages;
    FlatNameMap<Key, Value> others;
    std::size_t used = 0;
};
