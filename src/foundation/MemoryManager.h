// The container library's small-object allocator: one free list per exact byte size.
#pragma once

#include <cstdint>

#include "foundation/ClibStartup.h"

struct block_arena;

class memory_manager {
  public:
    memory_manager(std::int32_t table_size, const char* manager_name);
    ~memory_manager();
    memory_manager(const memory_manager&) = delete;
    memory_manager& operator=(const memory_manager&) = delete;

    // A chunk of at least `size` bytes; sizes of max_size and more come from the heap. An
    // exhausted heap throws std::bad_alloc, which cancels the command that asked (a run it
    // reaches uncaught ends in order, see OutOfMemory.h).
    void* allocate(std::int32_t size);
    // Gives a chunk back: pooled sizes to their free list, large chunks to the heap.
    void deallocate(void* p, std::int32_t size);
    // Carves a new block into chunks of one size (n < 0: a standard block, n > 0: n chunks);
    // throws std::bad_alloc when the heap is exhausted.
    void allocate_block(std::int32_t size, std::int32_t n);
    // Links the chain first ... last of n free chunks of one size in front of its free list.
    void splice_free(void* first, void* last, std::int32_t size, std::int32_t n);
    // Returns to the heap the blocks of every size whose chunks are all free.
    void release_empty_sizes();

    void print_statistics() const;
    void print_used_memory() const;

    // Number of free chunks of one size (walks the free list).
    std::int32_t free_count(std::int32_t size) const;
    // Chunks of one size carved so far.
    std::int64_t carved_count(std::int32_t size) const { return chunk_count[size]; }
    std::int32_t blocks(std::int32_t size) const { return block_count[size]; }
    std::int64_t total() const { return total_bytes; }
    std::int32_t largest_pooled() const { return max_size - 1; }
    const char* manager_name() const { return name; }

    // Pooled sizes: a pop from, or a push onto, the size's free list.
    void* pop_chunk(std::int32_t size) {
        void* p = free_list[size];
        if (p == nullptr) {
            allocate_block(size, -1);
            p = free_list[size];
            // No block could be had and the installed handler returned.
            if (p == nullptr) return nullptr;
        }
        void* next = *static_cast<void**>(p);
        free_list[size] = next;
        // The chunk handed out next is rarely in the cache yet: start loading it now, so that
        // neither the next pop nor the node written into it waits for memory.
#if defined(__GNUC__)
        __builtin_prefetch(next, 1);
#endif
        ++in_use[size];
        return p;
    }
    void push_chunk(void* p, std::int32_t size) {
        // After tear-down nothing is pooled any more; late releases are dropped.
        if (free_list == nullptr) return;
        void* head = free_list[size];
        if ((churn[size] != 0 || (head != nullptr && p > head)) && churn[size] < kChurnLimit)
            ++churn[size];
        *static_cast<void**>(p) = head;
        free_list[size] = p;
        if (--in_use[size] == 0 && churn[size] != 0) settle(size);
    }

  private:
    static constexpr std::int32_t kChurnLimit = 0x3fffffff;

    // Called when a size has just become entirely free: once enough releases have scattered its
    // free list (a quarter of its chunks, so the work is paid for by those releases), the list is
    // relinked in address order, the chunk released last still first, so that the chunks handed
    // out next lie side by side again.
    void settle(std::int32_t size);
    void print_table_head(const char* title) const;
    void print_table_foot(double kbytes) const;

    std::int32_t max_size;
    char name[64];
    // Byte counts are kept in 64 bits: a large heap would overflow 32.
    std::int64_t total_bytes;
    std::int64_t* chunk_count;
    std::int32_t* block_count;
    void** block_list;
    void** free_list;
    // Per size: chunks handed out, and releases since the free list last ran in address order.
    std::int32_t* in_use;
    std::int32_t* churn;
    // Where blocks come from: large regions of the heap, so that blocks lie close together.
    block_arena* arena;
};

// The one manager, "STD_MEMORY_MGR"; it exists from the first start-up object on.
extern memory_manager* std_memory_mgr;

// Fixed-size nodes of the containers: the free list of their exact size.
inline void* clib_node_alloc(std::int32_t size) {
    return std_memory_mgr->pop_chunk(size);
}
inline void clib_node_free(void* p, std::int32_t size) {
    // Releases after the manager's tear-down have nowhere to go and are dropped.
    if (std_memory_mgr != nullptr) std_memory_mgr->push_chunk(p, size);
}
