// The container library's small-object allocator: one free list per exact byte size.
#include "foundation/MemoryManager.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include "foundation/ClibErrorHandler.h"
#include "foundation/ClibString.h"

namespace {

// Bytes of a standard block.
constexpr std::int32_t kBlockBytes = 8188;
// Header in front of a large chunk: it holds the chunk's total size.
constexpr std::int32_t kLargeHeader = 8;

// Chunks are spaced a whole number of words apart: a free chunk holds its link in its first
// word and the nodes carved from it hold pointers, both of which need word alignment.
std::int32_t stride_of(std::int32_t size) {
    constexpr std::int32_t word = sizeof(void*);
    return (size + word - 1) / word * word;
}

std::int32_t chain_length(void* p) {
    std::int32_t n = 0;
    while (p != nullptr) {
        ++n;
        p = *static_cast<void**>(p);
    }
    return n;
}

const char* const kBorder = "\t+--------------------------------------------------+\n";

}  // namespace

// Blocks are cut from 2 MiB regions of the heap rather than obtained one by one: the nodes of a
// large container then share few pages, which keeps address translation cheap on lookups that
// jump across the whole container. Returned blocks are kept for the next block of any size.
//
// The regions are asked to be backed by huge pages only once there are kHugeFrom of them: a huge
// page is resident whole as soon as one byte of it is touched, so the first regions of a small
// or middling run (the lists of a program's clauses) would cost 2 MiB each however little of
// them was carved, about 4 MiB of a run of 8,000 rules. Pools that large see little gain from
// the fewer translations; the regions advised late are collapsed into huge pages then.
struct block_arena {
    static constexpr std::size_t kRegionBytes = std::size_t{2} << 20;
    static constexpr std::size_t kSlotBytes = 8192;
    static constexpr std::size_t kHugeFrom = 3;

    std::vector<unsigned char*> regions;
    // Regions regions[0 .. advised) have been asked for huge pages.
    std::size_t advised = 0;
    std::size_t carved = kRegionBytes;  // bytes handed out of the newest region
    void* free_slots = nullptr;
    std::size_t slots_in_use = 0;

    ~block_arena() {
        for (unsigned char* r : regions) std::free(r);
    }

    void* take(std::size_t bytes) {
        if (bytes > kSlotBytes) return std::malloc(bytes);
        if (free_slots != nullptr) {
            void* slot = free_slots;
            free_slots = *static_cast<void**>(slot);
            ++slots_in_use;
            return slot;
        }
        if (carved + kSlotBytes > kRegionBytes) {
            auto* region =
                static_cast<unsigned char*>(std::aligned_alloc(kRegionBytes, kRegionBytes));
            if (region == nullptr) return nullptr;
            regions.push_back(region);
            carved = 0;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
            if (regions.size() >= kHugeFrom)
                for (; advised < regions.size(); ++advised)
                    madvise(regions[advised], kRegionBytes, MADV_HUGEPAGE);
#endif
        }
        void* slot = regions.back() + carved;
        carved += kSlotBytes;
        ++slots_in_use;
        return slot;
    }

    void give(void* block) {
        auto* p = static_cast<unsigned char*>(block);
        for (unsigned char* r : regions)
            if (p >= r && p < r + kRegionBytes) {
                *static_cast<void**>(block) = free_slots;
                free_slots = block;
                --slots_in_use;
                return;
            }
        std::free(block);
    }
};

memory_manager::memory_manager(std::int32_t table_size, const char* manager_name)
    : max_size(table_size - 1), total_bytes(0) {
    std::snprintf(name, sizeof name, "%s", manager_name != nullptr ? manager_name : "");
    chunk_count = static_cast<std::int64_t*>(std::calloc(table_size, sizeof(std::int64_t)));
    block_count = static_cast<std::int32_t*>(std::calloc(table_size, sizeof(std::int32_t)));
    block_list = static_cast<void**>(std::calloc(table_size, sizeof(void*)));
    free_list = static_cast<void**>(std::calloc(table_size, sizeof(void*)));
    in_use = static_cast<std::int32_t*>(std::calloc(table_size, sizeof(std::int32_t)));
    churn = static_cast<std::int32_t*>(std::calloc(table_size, sizeof(std::int32_t)));
    arena = new (std::nothrow) block_arena;
    if (chunk_count == nullptr || block_count == nullptr || block_list == nullptr ||
        free_list == nullptr || in_use == nullptr || churn == nullptr || arena == nullptr)
        error_handler(999, "CLIB Memory Manager: Out of memory.");
}

memory_manager::~memory_manager() {
    if (free_list == nullptr) return;
    // The option text is read in place: a copy would come from these pools and show up in the
    // very table of memory still in use.
    if (clib_init_text != nullptr) {
        if (std::strstr(clib_init_text, "show_memory_leaks") != nullptr) print_used_memory();
        if (std::strstr(clib_init_text, "show_memory_statistics") != nullptr) print_statistics();
    }
    release_empty_sizes();
    bool retained = false;
    for (std::int32_t s = 1; s <= max_size; ++s)
        if (block_list[s] != nullptr) retained = true;
    std::free(chunk_count);
    std::free(block_count);
    std::free(free_list);
    std::free(in_use);
    std::free(churn);
    // Blocks of sizes still in use stay allocated; their chain heads stay reachable so that
    // nothing mistakes them for lost memory.
    if (!retained) {
        std::free(block_list);
        block_list = nullptr;
        delete arena;
        arena = nullptr;
    }
    chunk_count = nullptr;
    block_count = nullptr;
    free_list = nullptr;
    in_use = nullptr;
    churn = nullptr;
    total_bytes = 0;
}

void* memory_manager::allocate(std::int32_t size) {
    if (size >= max_size) {
        std::size_t total = static_cast<std::size_t>(size) + kLargeHeader;
        auto* raw = static_cast<unsigned char*>(std::malloc(total));
        // An exhausted heap cancels the work that asked for the chunk (see out_of_memory.h).
        if (raw == nullptr) throw std::bad_alloc();
        auto stored = static_cast<std::int64_t>(total);
        std::memcpy(raw, &stored, sizeof stored);
        if (memory_manager_init != 0) {
            total_bytes += static_cast<std::int64_t>(total);
            chunk_count[0] += static_cast<std::int64_t>(total);
            block_count[0] += 1;
        }
        return raw + kLargeHeader;
    }
    if (size <= 0) {
        allocate_block(size, -1);
        return nullptr;
    }
    return pop_chunk(size);
}

void memory_manager::deallocate(void* p, std::int32_t size) {
    if (size < max_size) {
        if (p != nullptr && size > 0) push_chunk(p, size);
        return;
    }
    if (p == nullptr) return;
    unsigned char* raw = static_cast<unsigned char*>(p) - kLargeHeader;
    std::int64_t stored;
    std::memcpy(&stored, raw, sizeof stored);
    if (memory_manager_init != 0 && chunk_count != nullptr) {
        total_bytes -= stored;
        chunk_count[0] -= stored;
    }
    std::free(raw);
}

void memory_manager::allocate_block(std::int32_t size, std::int32_t n) {
    if (n == 0) return;
    if (size > max_size || size <= 0) {
        string message("allocate_block: illegal size (%d bytes)", size);
        error_handler(1, message.cstring());
        return;
    }
    std::int32_t stride = stride_of(size);
    std::int32_t bytes = n < 0 ? kBlockBytes : (n + 1) * stride;
    std::int32_t chunks = bytes / stride;
    if (chunks < 2) {
        // Too small a block to hold its link and one chunk.
        chunks = 2;
        bytes = 2 * stride;
    }
    auto* block = static_cast<unsigned char*>(arena->take(bytes));
    // Set nodes keep data in the top 16 bits of their links: a chunk must lie below 2^48.
    // Operating systems hand such addresses out only on request, but one would corrupt trees.
    constexpr std::uintptr_t kAddressLimit = std::uintptr_t{1} << 48;
    if (block != nullptr && reinterpret_cast<std::uintptr_t>(block) >= kAddressLimit - bytes)
        block = nullptr;
    if (block == nullptr) throw std::bad_alloc();
    total_bytes += bytes;
    block_count[size] += 1;
    chunk_count[size] += chunks - 1;

    *reinterpret_cast<void**>(block) = block_list[size];
    block_list[size] = block;

    unsigned char* first = block + stride;
    unsigned char* p = first;
    for (std::int32_t i = 1; i < chunks - 1; ++i, p += stride)
        *reinterpret_cast<void**>(p) = p + stride;
    *reinterpret_cast<void**>(p) = free_list[size];
    if (free_list[size] == nullptr) churn[size] = 0;
    free_list[size] = first;
}

void memory_manager::splice_free(void* first, void* last, std::int32_t size, std::int32_t n) {
    if (first == nullptr || free_list == nullptr) return;
    *static_cast<void**>(last) = free_list[size];
    free_list[size] = first;
    churn[size] = churn[size] < kChurnLimit - n ? churn[size] + n : kChurnLimit;
    in_use[size] -= n;
    if (in_use[size] == 0) settle(size);
}

void memory_manager::settle(std::int32_t size) {
    if (churn[size] < chunk_count[size] / 4) return;
    std::int32_t stride = stride_of(size);
    std::int32_t per_block = kBlockBytes / stride;
    // Only sizes carved in standard blocks are relinked; their layout is known.
    if (chunk_count[size] != static_cast<std::int64_t>(block_count[size]) * (per_block - 1)) return;
    void* latest = free_list[size];
    void* head = nullptr;
    // Blocks are chained newest first; linking each block's chunks from its end backwards and
    // the blocks from the newest on leaves the oldest block's first chunk at the head.
    for (void* b = block_list[size]; b != nullptr; b = *static_cast<void**>(b)) {
        auto* base = static_cast<unsigned char*>(b);
        for (std::int32_t i = per_block - 1; i >= 1; --i) {
            unsigned char* chunk = base + i * stride;
            if (chunk == latest) continue;
            *reinterpret_cast<void**>(chunk) = head;
            head = chunk;
        }
    }
    if (latest != nullptr) {
        *static_cast<void**>(latest) = head;
        head = latest;
    }
    free_list[size] = head;
    churn[size] = 0;
}

void memory_manager::release_empty_sizes() {
    for (std::int32_t s = 1; s <= max_size; ++s) {
        if (block_list[s] == nullptr && free_list[s] == nullptr) continue;
        if (chunk_count[s] != chain_length(free_list[s])) continue;
        void* b = block_list[s];
        while (b != nullptr) {
            void* prev = *static_cast<void**>(b);
            arena->give(b);
            block_count[s] -= 1;
            b = prev;
        }
        block_list[s] = nullptr;
        free_list[s] = nullptr;
        chunk_count[s] = 0;
    }
}

std::int32_t memory_manager::free_count(std::int32_t size) const {
    return free_list != nullptr ? chain_length(free_list[size]) : 0;
}

void memory_manager::print_table_head(const char* title) const {
    std::fprintf(stderr, "\n");
    std::fprintf(stderr, "\t %s (%s)\n", name, title);
    std::fprintf(stderr, "%s", kBorder);
    std::fprintf(stderr, "\t|   size     used     free     blocks     bytes    |\n");
    std::fprintf(stderr, "%s", kBorder);
}

void memory_manager::print_table_foot(double kbytes) const {
    std::fprintf(stderr, "%s", kBorder);
    std::fprintf(stderr, "\t|   time:%6.2f sec              space:%8.2f kb |\n", cpu_seconds(),
                 kbytes);
    std::fprintf(stderr, "%s", kBorder);
    std::fprintf(stderr, "\n");
}

void memory_manager::print_statistics() const {
    if (free_list == nullptr) return;
    print_table_head("memory status");
    for (std::int32_t s = 1; s <= max_size; ++s) {
        if (block_count[s] == 0) continue;
        long free = chain_length(free_list[s]);
        long used = chunk_count[s] - free;
        std::fprintf(stderr, "\t|   %3d    ", static_cast<int>(s));
        std::fflush(stderr);
        std::fprintf(stderr, "%6ld   %6ld    %6ld   %8ld    |\n", used, free,
                     static_cast<long>(block_count[s]), static_cast<long>(chunk_count[s]) * s);
    }
    if (block_count[0] != 0)
        std::fprintf(stderr, "\t| > %3d         -        -    %6ld   %8ld    |\n",
                     static_cast<int>(max_size), static_cast<long>(block_count[0]),
                     static_cast<long>(chunk_count[0]));
    print_table_foot(total_bytes / 1024.0);
    std::fflush(stderr);
}

void memory_manager::print_used_memory() const {
    if (free_list == nullptr) return;
    long total = 0;
    bool any = false;
    for (std::int32_t s = 1; s <= max_size; ++s) {
        if (chunk_count[s] == 0 && free_list[s] == nullptr) continue;
        long free = chain_length(free_list[s]);
        long used = chunk_count[s] - free;
        long bytes = static_cast<long>(chunk_count[s]) * s;
        total += bytes;
        if (used <= 0) continue;
        if (!any) print_table_head("memory still in use");
        any = true;
        std::fprintf(stderr, "\t|   %3d    %6ld   %6ld    %6ld   %8ld    |\n", static_cast<int>(s),
                     used, free, static_cast<long>(block_count[s]), bytes);
    }
    if (any) print_table_foot(total / 1024.0);
}
