// smallBlocks: the store of the program's small C++ objects, blocks of a few size classes cut
// from one range of address space, kept on free lists of their class when freed.
#pragma once

#include <cstddef>

// Parsing and translating a rule makes and drops about 170 small objects (nodes, lists, vectors of
// a few entries), and the allocator of the C library spent a fifth of the time of a chain of
// thousands of rules on them: its per-thread cache holds seven blocks a size, so most blocks
// freed after a rule went the long way through its bins. Blocks here are taken from and given
// back to one free list per class in a few instructions (a chain of 4,000 rules: 592 million
// instructions before, 491 million after).
//
// A block belongs to a run of RunBytes of one class; the class of a freed block is read from
// its run, so a block can be given back without its size. Memory of a class is never given to
// another class nor back to the system: what a program holds at its peak in small objects
// stays held.
namespace smallBlocks {

// The largest block served; larger requests are the caller's to serve.
// Kept small: memory of one class serves no other, and arrays that grow through the classes
// or blocks of a kilobyte dropped in bulk would leave much of it idle (a grouping of 2 million
// rows held 6 MB more at its peak with blocks up to 4 KB served here).
constexpr std::size_t LargestBlock = 512;
// The bytes of a run of blocks of one class.
constexpr std::size_t RunBytes = std::size_t(64) << 10;

// Whether the program's objects are to come from here: builds with the address sanitizer keep
// them on its heap, whose checks see nothing else.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool Serving = false;
#else
constexpr bool Serving = true;
#endif

// A block of at least `bytes` bytes aligned to 16, or null when `bytes` is larger than
// LargestBlock or the range is used up or could not be reserved.
void* take(std::size_t bytes);
// Gives back a block that take answered and answers true; answers false for any other address
// (one take did not answer), which the caller then frees as its own.
bool give(void* block);
// Whether take answered the address (it may have been given back since).
bool owns(const void* address);

}  // namespace smallBlocks
