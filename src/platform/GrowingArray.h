// GrowingArray, an array of plain values that grows at its end without copying what it holds
// once it is large.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

#include "platform/LargeArrays.h"

// The rows of a relation are appended to one array that doubles as it fills. A std::vector
// doubles by taking new memory, copying every element over and freeing the old block: the new
// block's pages are faulted in again and the copy reads and writes the whole array, and for a
// moment both blocks are held. Measured on a 3-way join of 800,000 facts, the growth of the
// stores took about 7 % of the run, most of it faulting in pages.
//
// This array grows through realloc instead. The allocator keeps a large block (from
// M_MMAP_THRESHOLD on, see main.cpp) in memory of its own and grows it by remapping its pages
// to a larger range: nothing is copied, the pages held are not faulted in again and the old
// block is never held beside the new one. Small blocks come from the heap as before.
//
// Only for trivially copyable values, which may be moved by their bytes.
template <class T>
class GrowingArray {
    static_assert(std::is_trivially_copyable_v<T>, "the array moves its values by their bytes");

  public:
    GrowingArray() = default;
    GrowingArray(const GrowingArray&) = delete;
    GrowingArray& operator=(const GrowingArray&) = delete;
    GrowingArray(GrowingArray&& other) noexcept
        : values(std::exchange(other.values, nullptr)),
          count(std::exchange(other.count, 0)),
          room(std::exchange(other.room, 0)) {}
    GrowingArray& operator=(GrowingArray&& other) noexcept {
        if (this != &other) {
            std::free(values);
            values = std::exchange(other.values, nullptr);
            count = std::exchange(other.count, 0);
            room = std::exchange(other.room, 0);
        }
        return *this;
    }
    ~GrowingArray() { std::free(values); }

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    std::size_t capacity() const { return room; }
    T* data() { return values; }
    const T* data() const { return values; }
    T& operator[](std::size_t at) { return values[at]; }
    const T& operator[](std::size_t at) const { return values[at]; }

    // Makes room for `wanted` values in all; the values may move.
    void reserve(std::size_t wanted) {
        if (wanted > room) reallocate(wanted);
    }
    // Makes room for `wanted` values in all, and has the pages of the room beyond the values
    // held mapped at once when it is large: a writer that knows how many values come. Taking
    // fresh pages one fault at a time as they are first written cost a third of storing
    // millions of consulted rows (see largeArrays::mapForWriting).
    void reserveMapped(std::size_t wanted) {
        if (wanted <= room) return;
        reserve(wanted);
        constexpr std::size_t Large = std::size_t{4} << 20;
        const std::size_t bytes = (room - count) * sizeof(T);
        if (bytes >= Large) largeArrays::mapForWriting(values + count, bytes);
    }
    // Appends one value; the room is there (reserve first).
    void pushWithin(const T& value) { values[count++] = value; }
    // Appends `n` values from `from`, which does not lie in this array, growing as needed.
    void append(const T* from, std::size_t n) {
        reserve(count + n);
        if (n > 0) std::memcpy(static_cast<void*>(values + count), from, n * sizeof(T));
        count += n;
    }
    // Keeps the first `n` values (n at most size()).
    void shrinkTo(std::size_t n) { count = n; }
    // Counts the first `n` values of the room as held (n at most capacity()): for an owner that
    // wrote them through data() and hands the array on.
    void holdWritten(std::size_t n) { count = n; }
    void clear() { count = 0; }
    // Gives back the room beyond the values held; the values may move.
    void shrinkToFit() {
        if (count == room) return;
        if (count == 0) {
            std::free(values);
            values = nullptr;
            room = 0;
            return;
        }
        reallocate(count);
    }

  private:
    void reallocate(std::size_t wanted) {
        void* moved = std::realloc(values, wanted * sizeof(T));
        if (moved == nullptr) throw std::bad_alloc();
        values = static_cast<T*>(moved);
        room = wanted;
    }

    T* values = nullptr;
    std::size_t count = 0;
    std::size_t room = 0;
};
