// Large arrays on memory mapped from the system, aligned to and advised for huge pages.
#include "platform/LargeArrays.h"

#include <sys/mman.h>

#include <array>
#include <bit>
#include <cstdint>
#include <mutex>
#include <new>

namespace {

// The size from which an array is advised for huge pages.
constexpr std::size_t HugeFrom = std::size_t(8) << 20;

std::size_t roundUp(std::size_t bytes) {
    return (bytes + largeArrays::LargeSize - 1) & ~(largeArrays::LargeSize - 1);
}

// The medium blocks: one order per power of two from MediumFrom to half of LargeSize. A region
// is cut the buddy way: a block of order k starts at a multiple of its size, and a block given
// back joins its buddy (the other half of the block of order k + 1) when that one is free, so
// that the blocks that arrays leave as they double serve larger arrays later. Kept for their
// own size only, they held 8 MB more at the peak of the method form of the closure over 1000
// nodes (65 MB against 57).
constexpr int MediumShift = std::countr_zero(largeArrays::MediumFrom);
constexpr std::size_t Orders = std::size_t(std::countr_zero(largeArrays::LargeSize) - MediumShift);
// The units of MediumFrom bytes of a region. The first one holds the region's head.
constexpr std::size_t Units = largeArrays::LargeSize / largeArrays::MediumFrom;

struct FreeBlock {
    FreeBlock* next;
    FreeBlock* previous;
};

// At the start of each region: for each unit, the order + 1 of the free block that starts there,
// 0 where none does.
struct RegionHead {
    std::array<std::uint8_t, Units> freeOrder;
};
static_assert(sizeof(RegionHead) <= largeArrays::MediumFrom);

// Constant-initialised: arrays made before main and freed after it use the regions too.
struct MediumStore {
    std::array<FreeBlock*, Orders> freeBlocks;
    std::size_t regions;
};
constinit MediumStore medium{};
// Blocks are taken when a hash set grows, rarely: the lock costs nothing measurable.
constinit std::mutex mediumLock;

std::size_t orderOf(std::size_t bytes) {
    return std::size_t(std::bit_width(bytes - 1)) - std::size_t(MediumShift);
}

RegionHead* headOf(const void* block) {
    return reinterpret_cast<RegionHead*>(reinterpret_cast<std::uintptr_t>(block) &
                                         ~std::uintptr_t(largeArrays::LargeSize - 1));
}

std::size_t unitOf(const void* block) {
    return (reinterpret_cast<std::uintptr_t>(block) & (largeArrays::LargeSize - 1)) >> MediumShift;
}

void pushFree(void* block, std::size_t order) {
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = medium.freeBlocks[order];
    freed->previous = nullptr;
    if (freed->next != nullptr) freed->next->previous = freed;
    medium.freeBlocks[order] = freed;
    headOf(block)->freeOrder[unitOf(block)] = std::uint8_t(order + 1);
}

void unlinkFree(FreeBlock* block, std::size_t order) {
    if (block->previous != nullptr)
        block->previous->next = block->next;
    else
        medium.freeBlocks[order] = block->next;
    if (block->next != nullptr) block->next->previous = block->previous;
    headOf(block)->freeOrder[unitOf(block)] = 0;
}

// A new region, all free but its head: one block of each order, unit 2^k for order k.
void newRegion() {
    auto* region = static_cast<char*>(
        largeArrays::allocate(largeArrays::LargeSize, largeArrays::Filling::FromFront));
#ifdef MADV_HUGEPAGE
    // Its blocks are probed at random, and used up, it is written whole. A huge page is held whole
    // once touched, though: the first region, all a small program needs, stays on small pages
    // (advised, it held 2 MB more in the predicate form of the closure over 1000 nodes).
    if (medium.regions > 0) madvise(region, largeArrays::LargeSize, MADV_HUGEPAGE);
#endif
    ++medium.regions;
    new (region) RegionHead{};
    for (std::size_t order = 0; order < Orders; ++order)
        pushFree(region + (largeArrays::MediumFrom << order), order);
}

}  // namespace

namespace largeArrays {

void* takeMedium(std::size_t bytes) {
    const std::size_t order = orderOf(bytes);
    const std::lock_guard<std::mutex> guard(mediumLock);
    std::size_t from = order;
    while (from < Orders && medium.freeBlocks[from] == nullptr) ++from;
    if (from == Orders) {
        newRegion();
        from = order;
        while (medium.freeBlocks[from] == nullptr) ++from;
    }
    FreeBlock* block = medium.freeBlocks[from];
    unlinkFree(block, from);
    // A larger block is halved down to the order asked for; the upper halves stay free.
    while (from > order) {
        --from;
        pushFree(reinterpret_cast<char*>(block) + (MediumFrom << from), from);
    }
    return block;
}

void giveMedium(void* memory, std::size_t bytes) {
    if (memory == nullptr) return;
    const std::lock_guard<std::mutex> guard(mediumLock);
    std::size_t order = orderOf(bytes);
    RegionHead* head = headOf(memory);
    std::size_t unit = unitOf(memory);
    // Unit 0 holds the head and is never free: the halves of the region never join.
    while (order + 1 < Orders) {
        const std::size_t buddy = unit ^ (std::size_t(1) << order);
        if (head->freeOrder[buddy] != order + 1) break;
        unlinkFree(
            reinterpret_cast<FreeBlock*>(reinterpret_cast<char*>(head) + (buddy << MediumShift)),
            order);
        unit &= ~(std::size_t(1) << order);
        ++order;
    }
    pushFree(reinterpret_cast<char*>(head) + (unit << MediumShift), order);
}

void* allocate(std::size_t bytes, Filling filling) {
    const std::size_t size = roundUp(bytes == 0 ? 1 : bytes);
    // One huge page more than needed, so that an aligned start lies within; the rest is given
    // back at once.
    const std::size_t mapped = size + LargeSize;
    void* at = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(at);
    const std::uintptr_t aligned = (start + LargeSize - 1) & ~std::uintptr_t(LargeSize - 1);
    if (aligned > start) munmap(at, aligned - start);
    const std::uintptr_t end = start + mapped;
    if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
#ifdef MADV_HUGEPAGE
    // Only advice: without huge pages the memory is as good, on small pages. A huge page is
    // held whole once touched, so the unused end of an array costs up to one of them: arrays
    // below HugeFrom stay on small pages (on huge ones, a 4-cycle count over 50,000 edges held
    // 2 MB more at its peak).
    if (filling == Filling::Whole && size >= HugeFrom)
        madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<void*>(aligned);
}

void adviseRandomReads(void* memory, std::size_t bytes) {
#if defined(MADV_HUGEPAGE) && !defined(__SANITIZE_ADDRESS__)
    if (memory == nullptr || bytes < HugeFrom) return;
    // Every page the array touches: a block that large is a mapping of its own, from the page
    // it starts in to the one it ends in, and advising part of it would split the mapping in
    // two, which the allocator could then no longer grow by remapping.
    constexpr std::uintptr_t Page = 4096;
    const auto start = reinterpret_cast<std::uintptr_t>(memory) & ~(Page - 1);
    const auto end = (reinterpret_cast<std::uintptr_t>(memory) + bytes + Page - 1) & ~(Page - 1);
    madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)memory;
    (void)bytes;
#endif
}

void release(void* memory, std::size_t bytes) {
    if (memory != nullptr) munmap(memory, roundUp(bytes == 0 ? 1 : bytes));
}

void mapForWriting(void* memory, std::size_t bytes) {
#if defined(MADV_POPULATE_WRITE) && !defined(__SANITIZE_ADDRESS__)
    constexpr std::uintptr_t Page = 4096;
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t from = (start + Page - 1) & ~(Page - 1);
    const std::uintptr_t to = (start + bytes) & ~(Page - 1);
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
    (void)memory;
    (void)bytes;
#endif
}

}  // namespace largeArrays
