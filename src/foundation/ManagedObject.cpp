// Reference counting and the exact-size object pools.
#include "foundation/ManagedObject.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define QUORIN_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORIN_LEAK_CHECKED 1
#endif
#endif
#if defined(QUORIN_LEAK_CHECKED)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

// A block is exactly the storage handed out: its size is kept by the object built in it (see
// ManagedObject::pooledSize), and a free block holds the link of its free list in its first
// word. A parsed rule is some twenty small objects, and a prefix of 32 bytes in front of each
// (its size and the links of a list of every used block) cost a rule of a long program more
// than its own fields did. Storage nobody released is the pool's, not a leak: a leak checker is
// told so as each block is made.
struct FreeBlock {
    FreeBlock* next;
};
static_assert(sizeof(ManagedObject) >= sizeof(FreeBlock), "a free block holds its link");

// Indexed by exact size, 0 .. largestSize.
std::int64_t largestSize = -1;
FreeBlock** freeLists = nullptr;
std::size_t* usedCounts = nullptr;
std::size_t* freeCounts = nullptr;
// Whether the size is in `stocked`.
bool* isStocked = nullptr;
// The sizes whose free list may hold blocks: releasing visits only these, since an evaluation
// releases after every round and the sizes ever used run into the thousands (one round of a
// program of many small components took longer to release than to compute).
std::size_t* stocked = nullptr;
std::size_t stockedCount = 0;

// Every storage operator new has handed out whose object is not constructed yet. A constructor
// that finds its object inside one of them learns that the object is pooled; locals and globals
// never lie inside one. One slot would not do: in `new A(new B)` or under a base constructor that
// allocates, the inner allocation comes between A's storage and A's constructor.
struct PendingStorage {
    char* start;
    std::size_t size;
};
PendingStorage* pending = nullptr;
std::size_t pendingCount = 0;
std::size_t pendingCapacity = 0;

void addPending(void* storage, std::size_t size) {
    if (pendingCount == pendingCapacity) {
        std::size_t capacity = pendingCapacity == 0 ? 16 : 2 * pendingCapacity;
        auto* grown =
            static_cast<PendingStorage*>(std::realloc(pending, capacity * sizeof(PendingStorage)));
        if (grown == nullptr) throw std::bad_alloc();
        pending = grown;
        pendingCapacity = capacity;
    }
    pending[pendingCount++] = {static_cast<char*>(storage), size};
}

// Forgets the pending storage that holds `object` (searching from the newest, which is nearly
// always the one); its size, or 0 when `object` lay in none.
std::uint32_t takePending(const void* object) {
    const char* at = static_cast<const char*>(object);
    for (std::size_t i = pendingCount; i-- > 0;) {
        if (at >= pending[i].start && at < pending[i].start + pending[i].size) {
            const auto size = static_cast<std::uint32_t>(pending[i].size);
            pending[i] = pending[--pendingCount];
            return size;
        }
    }
    return 0;
}

void growPools(std::size_t newLargest) {
    const std::size_t n = newLargest + 1;
    auto* newFree = static_cast<FreeBlock**>(std::calloc(n, sizeof(FreeBlock*)));
    auto* newUsed = static_cast<std::size_t*>(std::calloc(n, sizeof(std::size_t)));
    auto* newFreeCounts = static_cast<std::size_t*>(std::calloc(n, sizeof(std::size_t)));
    auto* newIsStocked = static_cast<bool*>(std::calloc(n, sizeof(bool)));
    auto* newStocked = static_cast<std::size_t*>(std::calloc(n, sizeof(std::size_t)));
    if (newUsed == nullptr || newFree == nullptr || newFreeCounts == nullptr ||
        newIsStocked == nullptr || newStocked == nullptr) {
        std::free(newFree);
        std::free(newUsed);
        std::free(newFreeCounts);
        std::free(newIsStocked);
        std::free(newStocked);
        throw std::bad_alloc();
    }
    for (std::int64_t s = 0; s <= largestSize; ++s) {
        newFree[s] = freeLists[s];
        newUsed[s] = usedCounts[s];
        newFreeCounts[s] = freeCounts[s];
        newIsStocked[s] = isStocked[s];
    }
    for (std::size_t i = 0; i < stockedCount; ++i) newStocked[i] = stocked[i];
    std::free(freeLists);
    std::free(usedCounts);
    std::free(freeCounts);
    std::free(isStocked);
    std::free(stocked);
    freeLists = newFree;
    usedCounts = newUsed;
    freeCounts = newFreeCounts;
    isStocked = newIsStocked;
    stocked = newStocked;
    largestSize = static_cast<std::int64_t>(newLargest);
}

}  // namespace

void* poolAllocate(std::size_t size) {
    if (static_cast<std::int64_t>(size) > largestSize) growPools(size);
    void* storage;
    if (FreeBlock* block = freeLists[size]; block != nullptr) {
        freeLists[size] = block->next;
        --freeCounts[size];
        storage = block;
    } else {
        storage = std::malloc(size < sizeof(FreeBlock) ? sizeof(FreeBlock) : size);
        if (storage == nullptr) throw std::bad_alloc();
#if defined(QUORIN_LEAK_CHECKED)
        __lsan_ignore_object(storage);
#endif
    }
    ++usedCounts[size];
    return storage;
}

void poolFree(void* storage, std::size_t size) {
    if (storage == nullptr) {
        std::cerr << "Trying to delete NULL pointer!" << std::endl;
        return;
    }
    --usedCounts[size];
    auto* block = static_cast<FreeBlock*>(storage);
    block->next = freeLists[size];
    freeLists[size] = block;
    ++freeCounts[size];
    if (!isStocked[size]) {
        isStocked[size] = true;
        stocked[stockedCount++] = size;
    }
}

void releasePools(int all) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < stockedCount; ++i) {
        const std::size_t s = stocked[i];
        std::size_t n = freeCounts[s];
        if (all == 0 && n > 1)
            n /= 2;
        else if (all == 0)
            n = 0;
        freeCounts[s] -= n;
        while (n-- > 0) {
            FreeBlock* block = freeLists[s];
            freeLists[s] = block->next;
            std::free(block);
        }
        if (freeCounts[s] != 0)
            stocked[kept++] = s;
        else
            isStocked[s] = false;
    }
    stockedCount = kept;
}

std::size_t poolFreeBlocks(std::size_t size) {
    return static_cast<std::int64_t>(size) <= largestSize ? freeCounts[size] : 0;
}

std::size_t poolUsedBlocks(std::size_t size) {
    return static_cast<std::int64_t>(size) <= largestSize ? usedCounts[size] : 0;
}

ManagedObject::ManagedObject() : count(1), pooledSize(takePending(this)) {}

void* ManagedObject::operator new(std::size_t size) {
    // The size is kept in 32 bits beside the count; no class comes near that.
    if (size > UINT32_MAX) throw std::bad_alloc();
    void* storage = poolAllocate(size);
    try {
        addPending(storage, size);
    } catch (...) {
        poolFree(storage, size);
        throw;
    }
    return storage;
}

void ManagedObject::operator delete(void* storage, std::size_t size) {
    // Only a constructor that failed comes here; its storage may still be pending.
    takePending(storage);
    poolFree(storage, size);
}

void ManagedObject::operator delete(ManagedObject* object, std::destroying_delete_t) {
    decRef(object);
}

void incRef(ManagedObject* object) {
    if (object != nullptr && object->count > 0) ++object->count;
}

void decRef(ManagedObject* object) {
    if (object == nullptr) return;
    if (object->count != 1) {
        --object->count;
        return;
    }
    // A global or local object lives as long as its scope, whatever its count says.
    const std::size_t size = object->pooledSize;
    if (size == 0) return;
    // The complete object starts at its storage, which a base subobject need not.
    void* storage = dynamic_cast<void*>(object);
    object->~ManagedObject();
    poolFree(storage, size);
}
