// NameArray, a growable array of identifiers that holds up to two of them in place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "objectbase/InternalName.h"

// The sorted members of a set frame. Most set frames of a loaded document or of class relations
// hold one or two members: a std::vector put them in an allocation of their own (a 32-byte
// block beside the frame). Here two members fit in the place of the array's address, so such a
// set allocates nothing but its frame; larger arrays grow by doubling like a vector.
class NameArray {
  public:
    using iterator = InternalName*;
    using const_iterator = const InternalName*;

    NameArray() : inPlace{} {}
    NameArray(const NameArray& other) : NameArray() { assign(other.view()); }
    NameArray& operator=(const NameArray& other) {
        if (this != &other) assign(other.view());
        return *this;
    }
    ~NameArray() { release(); }

    // Makes the array a copy of `names`, which must not lie in it.
    void assign(std::span<const InternalName> names) {
        clear();
        append(names.data(), names.data() + names.size());
    }

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    InternalName* data() { return onHeap() ? heap.names : inPlace; }
    const InternalName* data() const { return onHeap() ? heap.names : inPlace; }
    bool onHeap() const { return capacity > InPlace; }
    // While the names are on the heap, the word after their address is free for the owner: a
    // large set keeps its hash set there, so that a small one costs no word for it. It survives
    // growth and starts null; release() forgets it.
    void* spare() const { return onHeap() ? heap.spare : nullptr; }
    void setSpare(void* word) {
        if (onHeap()) heap.spare = word;
    }
    iterator begin() { return data(); }
    iterator end() { return data() + count; }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + count; }
    InternalName& operator[](std::size_t at) { return data()[at]; }
    const InternalName& operator[](std::size_t at) const { return data()[at]; }
    const InternalName& front() const { return data()[0]; }
    const InternalName& back() const { return data()[count - 1]; }
    std::span<const InternalName> view() const { return {data(), count}; }

    void push_back(const InternalName& name) {
        const InternalName kept = name;  // may be a member of this array
        reserve(count + 1);
        data()[count++] = kept;
    }
    // Inserts before `at`; answers where the name now stands.
    iterator insert(const_iterator at, const InternalName& name) {
        const std::size_t index = std::size_t(at - begin());
        const InternalName kept = name;
        reserve(count + 1);
        InternalName* cells = data();
        std::copy_backward(cells + index, cells + count, cells + count + 1);
        cells[index] = kept;
        ++count;
        return cells + index;
    }
    // Appends [first, last), which must not lie in this array.
    void append(const InternalName* first, const InternalName* last) {
        const std::size_t added = std::size_t(last - first);
        reserve(count + added);
        std::copy(first, last, data() + count);
        count += std::uint32_t(added);
    }
    iterator erase(const_iterator at) { return erase(at, at + 1); }
    iterator erase(const_iterator first, const_iterator last) {
        InternalName* cells = data();
        const std::size_t from = std::size_t(first - cells);
        const std::size_t to = std::size_t(last - cells);
        std::copy(cells + to, cells + count, cells + from);
        count -= std::uint32_t(to - from);
        return cells + from;
    }
    void clear() { count = 0; }
    // Empties the array and gives its storage back.
    void release() {
        if (onHeap()) delete[] heap.names;
        capacity = InPlace;
        count = 0;
    }
    void reserve(std::size_t wanted) {
        if (wanted <= capacity) return;
        std::size_t room = std::max<std::size_t>(capacity * 2, 4);
        while (room < wanted) room *= 2;
        auto* grown = new InternalName[room];
        std::copy(begin(), end(), grown);
        void* const kept = spare();
        if (onHeap()) delete[] heap.names;
        heap.names = grown;
        heap.spare = kept;
        capacity = std::uint32_t(room);
    }

  private:
    static constexpr std::uint32_t InPlace = 2;

    struct Heap {
        InternalName* names;
        void* spare;
    };
    union {
        InternalName inPlace[InPlace];
        Heap heap;
    };
    std::uint32_t count = 0;
    std::uint32_t capacity = InPlace;
};
