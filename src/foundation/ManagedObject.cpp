// Reference counting and the exact-size object pools.
#include "foundation/ManagedObject.h"

#include <cstdlib>
#include <iostream>
#include <new>

namespace {

// Every block starts with a prefix holding its size and its links, and the storage handed out
// follows it, padded so it keeps the strictest fundamental alignment. A free block is in the
// singly linked free list of its size; a used one is in the doubly linked list of all used
// blocks, so storage nobody released stays reachable (as a pool's storage, not a leak) and a
// block leaves the list in a few stores. No header is allocated apart: taking and returning a
// block is a handful of stores, which a consult does about twenty times a clause.
struct BlockPrefix {
    std::size_t size;
    BlockPrefix* next;
    BlockPrefix* prev;  // only while used
};
constexpr std::size_t kAlign = alignof(std::max_align_t);
constexpr std::size_t kPrefix = (sizeof(BlockPrefix) + kAlign - 1) / kAlign * kAlign;

BlockPrefix* prefixOf(void* storage) {
    return reinterpret_cast<BlockPrefix*>(static_cast<char*>(storage) - kPrefix);
}

void* storageOf(BlockPrefix* prefix) {
    return reinterpret_cast<char*>(prefix) + kPrefix;
}

BlockPrefix* usedBlocks = nullptr;

// Indexed by exact size, 0 .. largestSize.
std::int64_t largestSize = -1;
BlockPrefix** freeLists = nullptr;
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
// always the one); true when `object` lay in one.
bool takePending(const void* object) {
    const char* at = static_cast<const char*>(object);
    for (std::size_t i = pendingCount; i-- > 0;) {
        if (at >= pending[i].start && at < pending[i].start + pending[i].size) {
            pending[i] = pending[--pendingCount];
            return true;
        }
    }
    return false;
}

void growPools(std::size_t newLargest) {
    const std::size_t n = newLargest + 1;
    auto* newFree = static_cast<BlockPrefix**>(std::calloc(n, sizeof(BlockPrefix*)));
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
    BlockPrefix* prefix = freeLists[size];
    if (prefix != nullptr) {
        freeLists[size] = prefix->next;
        --freeCounts[size];
    } else {
        void* block = std::malloc(kPrefix + size);
        if (block == nullptr) throw std::bad_alloc();
        prefix = static_cast<BlockPrefix*>(block);
        prefix->size = size;
    }
    prefix->prev = nullptr;
    prefix->next = usedBlocks;
    if (usedBlocks != nullptr) usedBlocks->prev = prefix;
    usedBlocks = prefix;
    ++usedCounts[size];
    return storageOf(prefix);
}

void poolFree(void* storage) {
    if (storage == nullptr) {
        std::cerr << "Trying to delete NULL pointer!" << std::endl;
        return;
    }
    BlockPrefix* prefix = prefixOf(storage);
    if (prefix->next != nullptr) prefix->next->prev = prefix->prev;
    if (prefix->prev != nullptr)
        prefix->prev->next = prefix->next;
    else
        usedBlocks = prefix->next;
    --usedCounts[prefix->size];
    prefix->next = freeLists[prefix->size];
    freeLists[prefix->size] = prefix;
    ++freeCounts[prefix->size];
    if (!isStocked[prefix->size]) {
        isStocked[prefix->size] = true;
        stocked[stockedCount++] = prefix->size;
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
            BlockPrefix* prefix = freeLists[s];
            freeLists[s] = prefix->next;
            std::free(prefix);
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

ManagedObject::ManagedObject() : count(1), pooled(takePending(this)) {}

void* ManagedObject::operator new(std::size_t size) {
    void* storage = poolAllocate(size);
    try {
        addPending(storage, size);
    } catch (...) {
        poolFree(storage);
        throw;
    }
    return storage;
}

void ManagedObject::operator delete(void* storage) {
    // Only a constructor that failed comes here; its storage may still be pending.
    takePending(storage);
    poolFree(storage);
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
    if (!object->pooled) return;
    // The complete object starts at its storage, which a base subobject need not.
    void* storage = dynamic_cast<void*>(object);
    object->~ManagedObject();
    poolFree(storage);
}
