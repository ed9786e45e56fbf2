// The reference-counted root of almost every class, and the pools that recycle its storage by size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

class ManagedObject {
  public:
    ManagedObject();
    ManagedObject(const ManagedObject&) : ManagedObject() {}
    ManagedObject& operator=(const ManagedObject&) { return *this; }

    // Pooled storage. An object is destroyed only by its last release: `delete` on a managed
    // object is one release (decRef), so it cannot destroy what another holder still uses, and
    // it leaves locals and globals to their scope.
    static void* operator new(std::size_t size);
    static void operator delete(ManagedObject* object, std::destroying_delete_t);
    // Returns the storage of an object whose constructor failed.
    static void operator delete(void* storage, std::size_t size);

    std::int32_t refCount() const { return count; }
    // True when the storage came from the pools; globals and locals are never destroyed by
    // releases.
    bool isPooled() const { return pooledSize != 0; }

    friend void incRef(ManagedObject* object);
    friend void decRef(ManagedObject* object);

  protected:
    virtual ~ManagedObject() = default;

  private:
    std::int32_t count;
    // The size of the pooled storage the object was built in (the complete object's, which a
    // base subobject cannot tell), or 0 for a global or local: a pooled block carries no
    // header of its own. Sixteen bits leave the last two bytes of the object's first two words
    // to the fields of derived classes (a parse-tree node keeps its kind there), which saves a
    // word in every node.
    std::uint16_t pooledSize;
};

// Takes a reference: counts up only while the count is positive (0 or less marks an uncounted
// object).
void incRef(ManagedObject* object);
// Releases a reference: the last release of a pooled object destroys it.
void decRef(ManagedObject* object);

// Storage of exactly `size` usable bytes, reusing a free block of that size when there is one.
void* poolAllocate(std::size_t size);
// Returns storage of `size` bytes from poolAllocate to the free list of its size.
void poolFree(void* storage, std::size_t size);
// Gives free blocks back to the C heap: all of them, or half of every free list (rounded down).
void releasePools(int all);
// Number of free blocks kept for one exact size.
std::size_t poolFreeBlocks(std::size_t size);
// Number of blocks of one exact size that are handed out.
std::size_t poolUsedBlocks(std::size_t size);
