// Large arrays on memory mapped from the system, aligned to and advised for huge pages.
#include "platform/LargeArrays.h"

#include <sys/mman.h>

#include <cstdint>

namespace {

// The size from which an array is advised for huge pages.
constexpr std::size_t HugeFrom = std::size_t(8) << 20;

std::size_t roundUp(std::size_t bytes) {
    return (bytes + largeArrays::LargeSize - 1) & ~(largeArrays::LargeSize - 1);
}

}  // namespace

namespace largeArrays {

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

void release(void* memory, std::size_t bytes) {
    if (memory != nullptr) munmap(memory, roundUp(bytes == 0 ? 1 : bytes));
}

}  // namespace largeArrays
