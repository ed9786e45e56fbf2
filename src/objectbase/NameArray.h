// NameArray, a growable array of identifiers that holds one of them in place.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <span>

#include "objectbase/InternalName.h"

// The sorted members of a set frame. Most set frames of a loaded document or of class relations
// hold one member (an imported element makes about ten such sets, nine in ten of one member):
// a std::vector put it in an allocation of its own (a 32-byte block beside the frame). Here the
// array is two words: one member in place, or the address of a heap block whose header holds
// the count and the room; the second word is the owner's spare word while the names are on the
// heap, and marks the in-place form (an odd value, with the count) otherwise. A set frame is
// 24 bytes and a one-member set allocates nothing but its frame (5 MB document: 5 % less peak).
// The spare word stays beside the address, so a large set's hash set is one read from the frame
// as before (kept in the heap block it cost a method-heavy evaluation 6 %).
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

    std::size_t size() const { return onHeap() ? header(heap)->count : std::size_t(word >> 1); }
    bool empty() const { return size() == 0; }
    InternalName* data() { return onHeap() ? heap : &inPlace; }
    const InternalName* data() const { return onHeap() ? heap : &inPlace; }
    bool onHeap() const { return (word & InPlaceMark) == 0; }
    // While the names are on the heap, the word beside their address is free for the owner: a
    // large set keeps its hash set there, so that a small one costs no word for it. It must be
    // even (an aligned address or null); it survives growth and starts null; release() forgets
    // it.
    void* spare() const { return onHeap() ? reinterpret_cast<void*>(word) : nullptr; }
    void setSpare(void* spareWord) {
        if (onHeap()) word = reinterpret_cast<std::uintptr_t>(spareWord);
    }
    iterator begin() { return data(); }
    iterator end() { return data() + size(); }
    const_iterator begin() const { return data(); }
    const_iterator end() const { return data() + size(); }
    InternalName& operator[](std::size_t at) { return data()[at]; }
    const InternalName& operator[](std::size_t at) const { return data()[at]; }
    const InternalName& front() const { return data()[0]; }
    const InternalName& back() const { return data()[size() - 1]; }
    std::span<const InternalName> view() const { return {data(), size()}; }
    // The heap block that holds the names, or null while they lie in place.
    const void* heapBlock() const { return onHeap() ? header(heap) : nullptr; }

    void push_back(const InternalName& name) {
        const InternalName kept = name;  // may be a member of this array
        const std::size_t count = size();
        reserve(count + 1);
        data()[count] = kept;
        setSize(count + 1);
    }
    // Inserts before `at`; answers where the name now stands.
    iterator insert(const_iterator at, const InternalName& name) {
        const std::size_t index = std::size_t(at - begin());
        const InternalName kept = name;
        const std::size_t count = size();
        reserve(count + 1);
        InternalName* cells = data();
        std::copy_backward(cells + index, cells + count, cells + count + 1);
        cells[index] = kept;
        setSize(count + 1);
        return cells + index;
    }
    // Appends [first, last), which must not lie in this array.
    void append(const InternalName* first, const InternalName* last) {
        const std::size_t added = std::size_t(last - first);
        const std::size_t count = size();
        reserve(count + added);
        std::copy(first, last, data() + count);
        setSize(count + added);
    }
    iterator erase(const_iterator at) { return erase(at, at + 1); }
    iterator erase(const_iterator first, const_iterator last) {
        InternalName* cells = data();
        const std::size_t count = size();
        const std::size_t from = std::size_t(first - cells);
        const std::size_t to = std::size_t(last - cells);
        std::copy(cells + to, cells + count, cells + from);
        setSize(count - (to - from));
        return cells + from;
    }
    void clear() { setSize(0); }
    // Empties the array and gives its storage back.
    void release() {
        if (onHeap()) freeBlock(heap);
        inPlace = InternalName{};
        word = InPlaceMark;
    }
    void reserve(std::size_t wanted) {
        const std::size_t capacity = onHeap() ? header(heap)->capacity : InPlace;
        if (wanted <= capacity) return;
        std::size_t room = std::max<std::size_t>(capacity * 2, 4);
        while (room < wanted) room *= 2;
        const std::size_t count = size();
        InternalName* grown = newBlock(room);
        std::copy(begin(), end(), grown);
        header(grown)->count = std::uint32_t(count);
        void* const kept = spare();
        if (onHeap()) freeBlock(heap);
        heap = grown;
        word = reinterpret_cast<std::uintptr_t>(kept);
    }

  private:
    static constexpr std::size_t InPlace = 1;
    static constexpr std::uintptr_t InPlaceMark = 1;

    // A heap block is this header followed by the room for the names.
    struct Header {
        std::uint32_t count;
        std::uint32_t capacity;
    };
    static_assert(sizeof(Header) == sizeof(InternalName) && alignof(Header) <= 8);
    static Header* header(InternalName* cells) { return reinterpret_cast<Header*>(cells) - 1; }
    static InternalName* newBlock(std::size_t room) {
        auto* block = static_cast<Header*>(::operator new(sizeof(Header) * (room + 1)));
        *block = Header{0, std::uint32_t(room)};
        // The names are trivially copyable: the block's storage holds them as it is.
        return reinterpret_cast<InternalName*>(block + 1);
    }
    static void freeBlock(InternalName* cells) { ::operator delete(header(cells)); }
    void setSize(std::size_t count) {
        if (onHeap())
            header(heap)->count = std::uint32_t(count);
        else
            word = InPlaceMark | std::uintptr_t(count) << 1;
    }

    union {
        InternalName inPlace;
        InternalName* heap;
    };
    // In place: InPlaceMark and the count above it; on the heap: the owner's spare word.
    std::uintptr_t word = InPlaceMark;
};

static_assert(sizeof(void*) < 8 || sizeof(NameArray) == 16);
