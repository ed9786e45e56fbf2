// Reference counting and the exact-size object pools.
#include "foundation/ManagedObject.h"

#include <cstdlib>
#include <iostream>
#include <new>

struct PoolBlockHeader {
    PoolBlockHeader* next;
    PoolBlockHeader* prev;
    void* block;  // the storage handed out; it starts right after its back pointer
    std::size_t size;
};

namespace {

// Every block carries a back pointer to its header just in front of the storage, padded so the
// storage keeps the strictest fundamental alignment.
constexpr std::size_t kPrefix = alignof(std::max_align_t);

std::int64_t largestSize = -1;
PoolBlockHeader** usedLists = nullptr;
PoolBlockHeader** freeLists = nullptr;

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
// always the one); the start of that storage, or null when `object` lies in none.
char* takePending(const void* object) {
    const char* at = static_cast<const char*>(object);
    for (std::size_t i = pendingCount; i-- > 0;) {
        if (at >= pending[i].start && at < pending[i].start + pending[i].size) {
            char* start = pending[i].start;
            pending[i] = pending[--pendingCount];
            return start;
        }
    }
    return nullptr;
}

PoolBlockHeader*& backPointer(void* storage) {
    return *reinterpret_cast<PoolBlockHeader**>(static_cast<char*>(storage) - kPrefix);
}

void push(PoolBlockHeader*& head, PoolBlockHeader* header) {
    header->next = head;
    if (head != nullptr) head->prev = header;
    header->prev = nullptr;
    head = header;
}

void unlink(PoolBlockHeader*& head, PoolBlockHeader* header) {
    if (header->next != nullptr) header->next->prev = header->prev;
    if (header->prev != nullptr)
        header->prev->next = header->next;
    else
        head = header->next;
    header->next = header->prev = nullptr;
}

void growPools(std::size_t newLargest) {
    auto* newUsed = static_cast<PoolBlockHeader**>(std::calloc(newLargest + 1, sizeof(void*)));
    auto* newFree = static_cast<PoolBlockHeader**>(std::calloc(newLargest + 1, sizeof(void*)));
    if (newUsed == nullptr || newFree == nullptr) throw std::bad_alloc();
    for (std::int64_t s = 0; s <= largestSize; ++s) {
        newUsed[s] = usedLists[s];
        newFree[s] = freeLists[s];
    }
    std::free(usedLists);
    std::free(freeLists);
    usedLists = newUsed;
    freeLists = newFree;
    largestSize = static_cast<std::int64_t>(newLargest);
}

std::size_t listLength(PoolBlockHeader* head) {
    std::size_t n = 0;
    for (; head != nullptr; head = head->next) ++n;
    return n;
}

}  // namespace

void* poolAllocate(std::size_t size) {
    if (static_cast<std::int64_t>(size) > largestSize) growPools(size);
    PoolBlockHeader* header = freeLists[size];
    if (header != nullptr) {
        unlink(freeLists[size], header);
    } else {
        header = static_cast<PoolBlockHeader*>(std::malloc(sizeof(PoolBlockHeader)));
        char* raw = static_cast<char*>(std::malloc(kPrefix + size));
        if (header == nullptr || raw == nullptr) {
            std::free(header);
            std::free(raw);
            throw std::bad_alloc();
        }
        header->size = size;
        header->block = raw + kPrefix;
        backPointer(header->block) = header;
    }
    push(usedLists[header->size], header);
    return header->block;
}

void poolFree(void* storage) {
    if (storage == nullptr) {
        std::cerr << "Trying to delete NULL pointer!" << std::endl;
        return;
    }
    PoolBlockHeader* header = backPointer(storage);
    unlink(usedLists[header->size], header);
    push(freeLists[header->size], header);
}

void releasePools(int all) {
    for (std::int64_t s = 0; s <= largestSize; ++s) {
        std::size_t n = listLength(freeLists[s]);
        if (all == 0 && n > 1)
            n /= 2;
        else if (all == 0)
            n = 0;
        while (n-- > 0) {
            PoolBlockHeader* header = freeLists[s];
            unlink(freeLists[s], header);
            std::free(static_cast<char*>(header->block) - kPrefix);
            std::free(header);
        }
    }
}

std::size_t poolFreeBlocks(std::size_t size) {
    return static_cast<std::int64_t>(size) <= largestSize ? listLength(freeLists[size]) : 0;
}

std::size_t poolUsedBlocks(std::size_t size) {
    return static_cast<std::int64_t>(size) <= largestSize ? listLength(usedLists[size]) : 0;
}

ManagedObject::ManagedObject() : count(1), block(nullptr) {
    if (char* storage = takePending(this)) block = backPointer(storage);
}

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
    if (object->block == nullptr) return;
    // The complete object starts at its storage, which a base subobject need not.
    void* storage = dynamic_cast<void*>(object);
    object->~ManagedObject();
    poolFree(storage);
}
