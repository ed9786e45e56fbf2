// The program's replacements of the global operators new and delete: small objects come from
// smallBlocks (see platform/SmallBlocks.h for why), all others from the C library's heap.
#include <cstdlib>
#include <new>

#include "platform/SmallBlocks.h"

// Builds with the address sanitizer keep its own operators, which check every block.
#if !defined(__SANITIZE_ADDRESS__)
static_assert(smallBlocks::Serving);

namespace {

void* heapBlock(std::size_t bytes) {
    if (bytes == 0) bytes = 1;
    for (;;) {
        if (void* block = std::malloc(bytes)) return block;
        const std::new_handler handler = std::get_new_handler();
        if (handler == nullptr) return nullptr;
        handler();
    }
}

void* block(std::size_t bytes) {
    if (void* small = smallBlocks::take(bytes)) return small;
    return heapBlock(bytes);
}

void release(void* block) noexcept {
    if (block != nullptr && !smallBlocks::give(block)) std::free(block);
}

}  // namespace

void* operator new(std::size_t bytes) {
    if (void* got = block(bytes)) return got;
    throw std::bad_alloc();
}

void* operator new[](std::size_t bytes) {
    if (void* got = block(bytes)) return got;
    throw std::bad_alloc();
}

void* operator new(std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return block(bytes);
    } catch (...) {
        return nullptr;  // a new handler that threw
    }
}

void* operator new[](std::size_t bytes, const std::nothrow_t&) noexcept {
    try {
        return block(bytes);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* block) noexcept {
    release(block);
}

void operator delete[](void* block) noexcept {
    release(block);
}

void operator delete(void* block, std::size_t) noexcept {
    release(block);
}

void operator delete[](void* block, std::size_t) noexcept {
    release(block);
}

void operator delete(void* block, const std::nothrow_t&) noexcept {
    release(block);
}

void operator delete[](void* block, const std::nothrow_t&) noexcept {
    release(block);
}

#endif
