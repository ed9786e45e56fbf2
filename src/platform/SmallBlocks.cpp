// smallBlocks: size classes, runs cut from one reserved range, and free lists per class.
#include "platform/SmallBlocks.h"

#include <sys/mman.h>

#include <array>
#include <cstdint>
#include <mutex>

#if __has_include(<sys/single_threaded.h>)
#include <sys/single_threaded.h>
#define QUORIN_SINGLE_THREADED() (__libc_single_threaded != 0)
#else
#define QUORIN_SINGLE_THREADED() false
#endif

namespace smallBlocks {
namespace {

// The classes: 16-byte steps up to 256 bytes (most objects), then 64-byte steps to
// LargestBlock, so that no block is more than a fifth larger than asked for.
constexpr std::size_t ClassCount = 16 + 4;

constexpr std::array<std::uint32_t, ClassCount + 1> classSizes = [] {
    std::array<std::uint32_t, ClassCount + 1> sizes{};
    std::size_t c = 1;
    for (std::uint32_t s = 16; s <= 256; s += 16) sizes[c++] = s;
    for (std::uint32_t s = 320; s <= LargestBlock; s += 64) sizes[c++] = s;
    return sizes;
}();
static_assert(classSizes[ClassCount] == LargestBlock);

// The class of a request, by its size in 16-byte units rounded up.
constexpr std::array<std::uint8_t, LargestBlock / 16 + 1> classOfUnits = [] {
    std::array<std::uint8_t, LargestBlock / 16 + 1> classes{};
    std::size_t c = 1;
    for (std::size_t units = 0; units <= LargestBlock / 16; ++units) {
        while (classSizes[c] < units * 16) ++c;
        classes[units] = std::uint8_t(c);
    }
    return classes;
}();

// Address space asked for, the first size the system grants: it costs nothing until committed.
constexpr std::size_t Reservations[] = {std::size_t(64) << 30, std::size_t(16) << 30,
                                        std::size_t(4) << 30, std::size_t(1) << 30};
constexpr std::size_t MostRuns = (std::size_t(64) << 30) / RunBytes;
// The range is made writable in steps of this many bytes.
constexpr std::size_t CommitStep = std::size_t(2) << 20;

struct FreeBlock {
    FreeBlock* next;
};

struct SizeClass {
    FreeBlock* freeBlocks;
    char* carved;  // the next block of the class's newest run
    char* runEnd;
};

// Constant-initialised: objects made before main and freed after it use the store too.
struct Store {
    std::uintptr_t base;
    std::size_t reserved;  // 0 until reserved (and for good when the system refused)
    bool tried;
    char* nextRun;
    char* committedEnd;
    std::array<SizeClass, ClassCount + 1> classes;
    std::array<std::uint8_t, MostRuns> classOfRun;
};
constinit Store store{};
constinit std::mutex lock;

bool reserve() {
    store.tried = true;
    for (std::size_t size : Reservations) {
        void* at = mmap(nullptr, size + CommitStep, PROT_NONE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (at == MAP_FAILED) continue;
        const auto start = reinterpret_cast<std::uintptr_t>(at);
        store.base = (start + CommitStep - 1) & ~std::uintptr_t(CommitStep - 1);
        store.reserved = size;
        store.nextRun = reinterpret_cast<char*>(store.base);
        store.committedEnd = store.nextRun;
        return true;
    }
    return false;
}

// A new run for the class, committing a step of the range when the run needs it.
bool newRun(SizeClass& sizeClass, std::size_t c) {
    if (store.reserved == 0 && (store.tried || !reserve())) return false;
    char* const run = store.nextRun;
    if (std::size_t(run - reinterpret_cast<char*>(store.base)) + RunBytes > store.reserved)
        return false;
    if (run + RunBytes > store.committedEnd) {
        // Not advised for huge pages: zeroing them when first touched cost more system time
        // than their fewer faults saved (a chain of 4,000 rules: 32 ms against 17 ms).
        if (mprotect(store.committedEnd, CommitStep, PROT_READ | PROT_WRITE) != 0) return false;
        store.committedEnd += CommitStep;
    }
    store.nextRun = run + RunBytes;
    store.classOfRun[std::size_t(run - reinterpret_cast<char*>(store.base)) / RunBytes] =
        std::uint8_t(c);
    sizeClass.carved = run;
    sizeClass.runEnd = run + RunBytes / classSizes[c] * classSizes[c];
    return true;
}

// A block cut from the class's newest run: the way of a class's first blocks only, kept out of
// the short way through the free list.
[[gnu::noinline]] void* carve(std::size_t c) {
    SizeClass& sizeClass = store.classes[c];
    if (sizeClass.carved == sizeClass.runEnd && !newRun(sizeClass, c)) return nullptr;
    void* block = sizeClass.carved;
    sizeClass.carved += classSizes[c];
    return block;
}

inline void* takeLocked(std::size_t bytes) {
    const std::size_t c = classOfUnits[(bytes + 15) / 16];
    SizeClass& sizeClass = store.classes[c];
    if (FreeBlock* block = sizeClass.freeBlocks) {
        sizeClass.freeBlocks = block->next;
        return block;
    }
    return carve(c);
}

inline void giveLocked(void* block, std::uintptr_t offset) {
    SizeClass& sizeClass = store.classes[store.classOfRun[offset / RunBytes]];
    auto* freed = static_cast<FreeBlock*>(block);
    freed->next = sizeClass.freeBlocks;
    sizeClass.freeBlocks = freed;
}

[[gnu::noinline]] void* takeShared(std::size_t bytes) {
    const std::lock_guard<std::mutex> guard(lock);
    return takeLocked(bytes);
}

[[gnu::noinline]] void giveShared(void* block, std::uintptr_t offset) {
    const std::lock_guard<std::mutex> guard(lock);
    giveLocked(block, offset);
}

}  // namespace

void* take(std::size_t bytes) {
    if (bytes > LargestBlock) return nullptr;
    return QUORIN_SINGLE_THREADED() ? takeLocked(bytes) : takeShared(bytes);
}

bool give(void* block) {
    // Unsigned: an address below the range wraps to a large offset.
    const std::uintptr_t offset = reinterpret_cast<std::uintptr_t>(block) - store.base;
    if (offset >= store.reserved) return false;
    if (QUORIN_SINGLE_THREADED())
        giveLocked(block, offset);
    else
        giveShared(block, offset);
    return true;
}

bool owns(const void* address) {
    return reinterpret_cast<std::uintptr_t>(address) - store.base < store.reserved;
}

}  // namespace smallBlocks
