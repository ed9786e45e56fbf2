// LargeArrayAllocator: the allocator of arrays that grow to many megabytes (the rows of a
// relation, the slots of its hash set), which places them on the system's huge pages.
#pragma once

#include <cstddef>
#include <new>

// A relation of millions of rows is probed at random places of its hash set and appended to
// at its end: with pages of 4 KB every probe missed the address cache as well as the data
// cache, and the arrays were faulted in page by page (measured on a transitive closure of two
// million pairs, the whole run: 0.75 s of processor time on small pages, 0.44 s on huge). An array
// of at least LargeSize bytes therefore gets memory of its own from the system, aligned to huge
// pages and given back when freed, and from 8 MB on it is advised for huge pages where the
// system offers them on request (see LargeArrays.cpp); smaller arrays come from the heap.
//
// Only arrays written whole when they are made (the slots of a hash set) are advised: a huge page
// is held whole once touched, so an array that fills from its front as it grows (a relation's
// cells, whose vector doubles) would hold the partly used huge page at its end. Advising those
// too cost the method forms of the peer benchmark about 2 MB each (tree 35.9 -> 37.9 MB, chain
// 89.7 -> 91.9 MB) and gained no time: the random probes are the hash sets'.
namespace largeArrays {

// How an array's memory is written.
enum class Filling { Whole, FromFront };

// The size from which an array gets memory of its own, aligned to it: one huge page.
constexpr std::size_t LargeSize = std::size_t(2) << 20;

// At least `bytes` bytes, aligned to LargeSize, zero-filled, from the system, advised for huge
// pages when written whole; throws std::bad_alloc when it has none.
void* allocate(std::size_t bytes, Filling filling);
// Advises the pages of an array that grows at its end but is read at random places (the rows a
// function's objects are found by) for huge pages, from HugeFrom bytes on: the pages it holds
// and those it takes as it grows. Only advice; memory from elsewhere is left as it is.
void adviseRandomReads(void* memory, std::size_t bytes);
// Gives back what allocate(bytes) answered.
void release(void* memory, std::size_t bytes);
// Has the whole pages within `bytes` bytes from `memory` mapped at once, ready to be written: an
// array about to be filled. Fresh pages are otherwise taken one fault at a time as they are
// first written, and a fault is a trap (dearer still in a virtual machine): storing the rows of
// millions of consulted facts spent a third of its time in them. Only a request; an older
// system leaves the pages to be faulted in.
void mapForWriting(void* memory, std::size_t bytes);

// Arrays written whole from MediumFrom bytes up to half of LargeSize (the hash sets of the
// members of each host of a set-valued method, say) are many, each probed at random: from the
// heap, on pages of 4 KB, nearly every probe of one also missed the address cache (the method
// form of a closure over a random graph of 1000 nodes spent a third of its time on the hints of
// those probes). They share regions of LargeSize advised for huge pages instead, one block of
// the power of two at or above the size asked for. Blocks given back are kept for the next
// arrays; the regions are never given back to the system.
constexpr std::size_t MediumFrom = std::size_t(4) << 10;
// A block of at least `bytes` bytes (MediumFrom <= bytes <= LargeSize / 2), aligned to
// MediumFrom, not zero-filled; throws std::bad_alloc when the system has no memory.
void* takeMedium(std::size_t bytes);
// Gives back what takeMedium(bytes) answered.
void giveMedium(void* memory, std::size_t bytes);

}  // namespace largeArrays

// For std::vector: arrays of at least LargeSize bytes through largeArrays, arrays written whole
// from MediumFrom bytes on from its shared regions, the others (and all of them in builds with
// the address sanitizer, whose checks see only the heap) from the heap.
template <class T, largeArrays::Filling Fill>
class LargeArrayAllocator {
  public:
    using value_type = T;

    LargeArrayAllocator() = default;
    template <class U>
    LargeArrayAllocator(const LargeArrayAllocator<U, Fill>&) {}
    template <class U>
    struct rebind {
        using other = LargeArrayAllocator<U, Fill>;
    };

    T* allocate(std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (large(bytes)) return static_cast<T*>(largeArrays::allocate(bytes, Fill));
        if (medium(bytes)) return static_cast<T*>(largeArrays::takeMedium(bytes));
        return static_cast<T*>(::operator new(bytes));
    }
    void deallocate(T* p, std::size_t n) {
        const std::size_t bytes = n * sizeof(T);
        if (large(bytes))
            largeArrays::release(p, bytes);
        else if (medium(bytes))
            largeArrays::giveMedium(p, bytes);
        else
            ::operator delete(p);
    }

    template <class U>
    bool operator==(const LargeArrayAllocator<U, Fill>&) const {
        return true;
    }

  private:
    static bool large(std::size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
        (void)bytes;
        return false;
#else
        return bytes >= largeArrays::LargeSize;
#endif
    }
    // Below large: an array that fills from its front would hold the huge page it ends in.
    static bool medium(std::size_t bytes) {
#if defined(__SANITIZE_ADDRESS__)
        (void)bytes;
        return false;
#else
        return Fill == largeArrays::Filling::Whole && bytes >= largeArrays::MediumFrom &&
               bytes <= largeArrays::LargeSize / 2;
#endif
    }
};
