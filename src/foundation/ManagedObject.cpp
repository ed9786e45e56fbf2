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
std::uint16_t takePending(const void* object) {
    const char* at = static_cast<const char*>(object);
    for (std::size_t i = pendingCount; i-- > 0;) {
        if (at >= pending[i].start && at < pending[i].start + pending[i].size) {
            const auto size = static_cast<std::uint16_t>(pending[i].size);
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

// Small objects are carved side by side out of slabs rather than each taken from the C heap: a
// parsed rule is some twenty objects of a few words, and the heap's own header and rounding
// added a fifth to each. A slab is aligned to its size, so a block finds its slab's header by
// masking its address; the header keeps the slab's free blocks, so that a slab whose blocks are
// all free again can go back to the heap whole. The slabs of one size that have room are listed,
// those with blocks in use first and the wholly free ones last; blocks are handed out from the
// first, which keeps the objects in use packed into few slabs.
constexpr std::size_t kSlabBytes = 8192;
constexpr std::size_t kCarvedLargest = 512;

struct Slab {
    FreeBlock* free = nullptr;
    // The next block never handed out.
    char* fresh = nullptr;
    Slab* prev = nullptr;
    Slab* next = nullptr;
    std::size_t live = 0;
};
// Blocks start past the header, at the alignment the heap would give.
constexpr std::size_t kSlabHeader = (sizeof(Slab) + 15) / 16 * 16;

struct SlabList {
    Slab* head = nullptr;
    Slab* tail = nullptr;
};
SlabList roomy[kCarvedLargest + 1];

// Blocks are a whole number of words apart: a free one holds its link in its first word.
constexpr std::size_t strideOf(std::size_t size) {
    return size < sizeof(FreeBlock) ? sizeof(FreeBlock) : (size + 7) / 8 * 8;
}

Slab* slabOf(void* block) {
    return reinterpret_cast<Slab*>(reinterpret_cast<std::uintptr_t>(block) & ~(kSlabBytes - 1));
}

bool hasRoom(const Slab* slab, std::size_t stride) {
    return slab->free != nullptr ||
           slab->fresh + stride <= reinterpret_cast<const char*>(slab) + kSlabBytes;
}

void unlinkSlab(SlabList& list, Slab* slab) {
    (slab->prev != nullptr ? slab->prev->next : list.head) = slab->next;
    (slab->next != nullptr ? slab->next->prev : list.tail) = slab->prev;
    slab->prev = slab->next = nullptr;
}

void linkFirst(SlabList& list, Slab* slab) {
    slab->prev = nullptr;
    slab->next = list.head;
    (list.head != nullptr ? list.head->prev : list.tail) = slab;
    list.head = slab;
}

void linkLast(SlabList& list, Slab* slab) {
    slab->next = nullptr;
    slab->prev = list.tail;
    (list.tail != nullptr ? list.tail->next : list.head) = slab;
    list.tail = slab;
}

// `bytes` from the C heap for a block of the pool of `size`, already counted in use (a failure
// takes the count back), aligned to `alignment` unless 0. The pools keep what they take for the
// process's life, so the leak checker is told to let it be.
void* fromHeap(std::size_t size, std::size_t bytes, std::size_t alignment) {
    void* storage = alignment != 0 ? std::aligned_alloc(alignment, bytes) : std::malloc(bytes);
    if (storage == nullptr) {
        --usedCounts[size];
        throw std::bad_alloc();
    }
#if defined(QUORIN_LEAK_CHECKED)
    __lsan_ignore_object(storage);
#endif
    return storage;
}

void* takeCarved(std::size_t size) {
    SlabList& list = roomy[size];
    const std::size_t stride = strideOf(size);
    Slab* slab = list.head;
    if (slab == nullptr) {
        void* storage = fromHeap(size, kSlabBytes, kSlabBytes);
        slab = new (storage) Slab;
        slab->fresh = static_cast<char*>(storage) + kSlabHeader;
        linkFirst(list, slab);
    }
    void* block;
    if (slab->free != nullptr) {
        block = slab->free;
        slab->free = slab->free->next;
        --freeCounts[size];
    } else {
        block = slab->fresh;
        slab->fresh += stride;
    }
    ++slab->live;
    if (!hasRoom(slab, stride)) unlinkSlab(list, slab);
    return block;
}

void giveCarved(void* storage, std::size_t size) {
    SlabList& list = roomy[size];
    const std::size_t stride = strideOf(size);
    Slab* slab = slabOf(storage);
    const bool listed = hasRoom(slab, stride);
    auto* block = static_cast<FreeBlock*>(storage);
    block->next = slab->free;
    slab->free = block;
    --slab->live;
    if (slab->live == 0) {
        // Wholly free: to the end of the list, where a release finds it.
        if (listed) unlinkSlab(list, slab);
        linkLast(list, slab);
    } else if (!listed) {
        linkFirst(list, slab);
    }
}

// Gives the wholly free slabs of one size back to the heap; unless `all`, the one blocks would
// be taken from next is kept.
void releaseEmptySlabs(std::size_t size, bool all) {
    SlabList& list = roomy[size];
    const std::size_t stride = strideOf(size);
    while (Slab* slab = list.tail) {
        if (slab->live != 0 || (!all && slab == list.head)) break;
        const auto carved =
            static_cast<std::size_t>(slab->fresh - reinterpret_cast<char*>(slab) - kSlabHeader);
        freeCounts[size] -= carved / stride;
        unlinkSlab(list, slab);
        slab->~Slab();
        std::free(slab);
    }
}

}  // namespace

void* poolAllocate(std::size_t size) {
    if (static_cast<std::int64_t>(size) > largestSize) growPools(size);
    ++usedCounts[size];
    if (size <= kCarvedLargest) return takeCarved(size);
    void* storage;
    if (FreeBlock* block = freeLists[size]; block != nullptr) {
        freeLists[size] = block->next;
        --freeCounts[size];
        storage = block;
    } else {
        storage = fromHeap(size, size < sizeof(FreeBlock) ? sizeof(FreeBlock) : size, 0);
    }
    return storage;
}

void poolFree(void* storage, std::size_t size) {
    if (storage == nullptr) {
        std::cerr << "Trying to delete NULL pointer!" << std::endl;
        return;
    }
    --usedCounts[size];
    ++freeCounts[size];
    if (!isStocked[size]) {
        isStocked[size] = true;
        stocked[stockedCount++] = size;
    }
    if (size <= kCarvedLargest) {
        giveCarved(storage, size);
        return;
    }
    auto* block = static_cast<FreeBlock*>(storage);
    block->next = freeLists[size];
    freeLists[size] = block;
}

void releasePools(int all) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < stockedCount; ++i) {
        const std::size_t s = stocked[i];
        if (s <= kCarvedLargest) {
            releaseEmptySlabs(s, all != 0);
        } else {
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
    // The size is kept in 16 bits beside the count; no class comes near that.
    if (size > UINT16_MAX) throw std::bad_alloc();
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
