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
    auto* newFree = static_cast<BlockPrefix**>(std::calloc(newLargest + 1, sizeof(BlockPrefix*)));
    auto* newUsed = static_cast<std::size_t*>(std::calloc(newLargest + 1, sizeof(std::size_t)));
    if (newUsed == nullptr || newFree == nullptr) {
        std::free(newFree);
        std::free(newUsed);
        throw std::bad_alloc();
    }
    for (std::int64_t s = 0; s <= largestSize; ++s) {
        newFree[s] = freeLists[s];
        newUsed[s] = usedCounts[s];
    }
    std::free(freeLists);
    std::free(usedCounts);
    freeLists = newFree;
    usedCounts = newUsed;
    largestSize = static_cast<std::int64_t>(newLargest);
}

std::size_t listLength(const BlockPrefix* head) {
    std::size_t n = 0;
    for (; head != nullptr; head = head->next) ++n;
    return n;
}

}  // namespace

void* poolAllocate(std::size_t size) {
    if (static_cast<std::int64_t>(size) > largestSize) growPools(size);
    BlockPrefix* prefix = freeLists[size];
    if (prefix != nullptr) {
        freeLists[size] = prefix->next;
    } else {
        prefix = static_cast<BlockPrefix*>(std::malloc(kPrefix + size));
        if (prefix == nullptr) throw std::bad_alloc();
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
}

void releasePools(int all) {
    for (std::int64_t s = 0; s <= largestSize; ++s) {
        std::size_t n = listLength(freeLists[s]);
        if (all == 0 && n > 1)
            n /= 2;
        else if (all == 0)
            n = 0;
        while (n-- > 0) {
            BlockPrefix* prefix = freeLists[s];
            freeLists[s] = prefix->next;
            std::free(prefix);
        }
    }
}

std::size_t poolFreeBlocks(std::size_t size) {
    return static_cast<std::int64_t>(size) <= largestSize ? listLength(freeLists[size]) : 0;
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
