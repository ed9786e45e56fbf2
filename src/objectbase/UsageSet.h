// UsageSet, the set of hosts that hold one name, as the usage index keeps it.
#pragma once

#include <algorithm>
#include <cstdint>

#include "objectbase/InternalName.h"

// The names whose stored entries or rows hold one name (one value of the usage index), in
// ascending order. One array: a sorted prefix, and after it the names added since it was last
// read in the order they came: every stored value and argument adds its host here, mostly a
// host it holds already, so an insert only appends, and a read (or a tail grown past an
// eighth of the prefix) sorts the tail, drops repeats and merges it in. That keeps inserts at
// an amortised constant plus a logarithm, where a search tree per large set cost an
// allocation and a descent for each of them.
//
// Most names (the strings and objects of one element of a document) are held by one or two
// hosts: up to two names are kept inside the set itself, which saves an allocation for
// each of them (a 20 MB document has about a million such names).
class UsageSet {
  public:
    UsageSet() = default;
    UsageSet(const UsageSet& other) { copyFrom(other); }
    UsageSet(UsageSet&& other) noexcept { takeFrom(other); }
    UsageSet& operator=(const UsageSet& other) {
        if (this != &other) {
            release();
            copyFrom(other);
        }
        return *this;
    }
    UsageSet& operator=(UsageSet&& other) noexcept {
        if (this != &other) {
            release();
            takeFrom(other);
        }
        return *this;
    }
    ~UsageSet() { release(); }

    void insert(const InternalName& name) {
        InternalName* names = items();
        if (count == sortedCount && (count == 0 || names[count - 1] < name)) {
            append(name);
            ++sortedCount;
            return;
        }
        if (names[count - 1] == name) return;
        append(name);
        if (count - sortedCount > std::max<std::uint32_t>(MinTail, sortedCount / 8)) settle();
    }
    // True when the name was a member.
    bool erase(const InternalName& name) {
        settle();
        InternalName* names = items();
        InternalName* at = std::lower_bound(names, names + count, name);
        if (at == names + count || *at != name) return false;
        std::copy(at + 1, names + count, at);
        --count;
        --sortedCount;
        return true;
    }
    bool member(const InternalName& name) const {
        settle();
        const InternalName* names = items();
        return std::binary_search(names, names + count, name);
    }
    std::size_t size() const {
        settle();
        return count;
    }
    // Calls visit(name) in ascending order until it answers false.
    template <class Visit>
    void forEach(Visit visit) const {
        settle();
        const InternalName* names = items();
        for (std::uint32_t i = 0; i < count; ++i)
            if (!visit(names[i])) return;
    }

  private:
    static constexpr std::uint32_t MinTail = 32;
    static constexpr std::uint32_t Inline = 2;

    InternalName* items() const { return capacity > Inline ? storage.heap : storage.inlineNames; }
    void append(const InternalName& name) {
        if (count == capacity) grow();
        items()[count++] = name;
    }
    void grow() {
        const std::uint32_t larger = capacity * 2;
        auto* bigger = new InternalName[larger];
        std::copy(items(), items() + count, bigger);
        release();
        storage.heap = bigger;
        capacity = larger;
    }
    // Merges the tail into the sorted prefix.
    void settle() const {
        if (sortedCount == count) return;
        InternalName* names = items();
        InternalName* tail = names + sortedCount;
        std::sort(tail, names + count);
        InternalName* end = std::unique(tail, names + count);
        std::inplace_merge(names, tail, end);
        count = std::uint32_t(std::unique(names, end) - names);
        sortedCount = count;
    }
    void release() {
        if (capacity > Inline) delete[] storage.heap;
        capacity = Inline;
    }
    void copyFrom(const UsageSet& other) {
        if (other.capacity > Inline) {
            storage.heap = new InternalName[other.capacity];
            capacity = other.capacity;
        }
        std::copy(other.items(), other.items() + other.count, items());
        count = other.count;
        sortedCount = other.sortedCount;
    }
    void takeFrom(UsageSet& other) {
        storage = other.storage;
        capacity = other.capacity;
        count = other.count;
        sortedCount = other.sortedCount;
        other.capacity = Inline;
        other.count = 0;
        other.sortedCount = 0;
    }

    union Storage {
        Storage() : inlineNames{} {}
        InternalName inlineNames[Inline];
        InternalName* heap;
    };
    mutable Storage storage;
    // Reads settle the tail, so the counts change under const.
    mutable std::uint32_t count = 0;
    mutable std::uint32_t sortedCount = 0;
    std::uint32_t capacity = Inline;
};
