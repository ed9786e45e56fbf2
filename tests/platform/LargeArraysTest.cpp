// Tests of the memory for large arrays: aligned, zero-filled, writable, given back, and arrays of
// every size through the allocator; the shared blocks of medium arrays, apart and joined again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <numeric>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/LargeArrays.h"

namespace {

// Whether the mapping holding `at` is advised for huge pages ("hg" among its flags in
// /proc/self/smaps).
bool advisedForHugePages(const void* at) {
    std::ifstream maps("/proc/self/smaps");
    const auto address = reinterpret_cast<std::uintptr_t>(at);
    bool inside = false;
    for (std::string line; std::getline(maps, line);) {
        std::uintptr_t start = 0, end = 0;
        char dash = 0;
        std::istringstream head(line);
        if (head >> std::hex >> start >> dash >> end && dash == '-') {
            inside = start <= address && address < end;
            continue;
        }
        if (inside && line.rfind("VmFlags:", 0) == 0) return line.find(" hg") != std::string::npos;
    }
    return false;
}

TEST(LargeArraysTest, MemoryIsAlignedToAHugePageZeroFilledAndWritable) {
    for (std::size_t bytes : {std::size_t(1), largeArrays::LargeSize, largeArrays::LargeSize + 1,
                              5 * largeArrays::LargeSize + 12345}) {
        auto* memory =
            static_cast<unsigned char*>(largeArrays::allocate(bytes, largeArrays::Filling::Whole));
        ASSERT_NE(memory, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % largeArrays::LargeSize, 0u);
        bool zero = true;
        for (std::size_t i = 0; i < bytes; i += 4093) zero = zero && memory[i] == 0;
        EXPECT_TRUE(zero && memory[bytes - 1] == 0) << bytes;
        for (std::size_t i = 0; i < bytes; ++i) memory[i] = static_cast<unsigned char>(i);
        EXPECT_EQ(memory[bytes - 1], static_cast<unsigned char>(bytes - 1));
        largeArrays::release(memory, bytes);
    }
}

// An array written whole is advised for huge pages from 8 MB on; one that fills from its front
// never is, since the huge page at its end would be held whole while partly used.
TEST(LargeArraysTest, OnlyArraysWrittenWholeAreAdvisedForHugePages) {
    if (!std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"))
        GTEST_SKIP() << "no transparent huge pages";
    const std::size_t bytes = 8 * largeArrays::LargeSize;
    void* whole = largeArrays::allocate(bytes, largeArrays::Filling::Whole);
    void* fromFront = largeArrays::allocate(bytes, largeArrays::Filling::FromFront);
    void* small = largeArrays::allocate(largeArrays::LargeSize, largeArrays::Filling::Whole);
    EXPECT_TRUE(advisedForHugePages(whole));
    EXPECT_FALSE(advisedForHugePages(fromFront));
    EXPECT_FALSE(advisedForHugePages(small));
    largeArrays::release(whole, bytes);
    largeArrays::release(fromFront, bytes);
    largeArrays::release(small, largeArrays::LargeSize);
}

TEST(LargeArraysTest, AVectorGrowsAcrossTheLargeSizeKeepingItsElements) {
    std::vector<std::uint64_t, LargeArrayAllocator<std::uint64_t, largeArrays::Filling::FromFront>>
        values;
    const std::size_t count = 3 * largeArrays::LargeSize / sizeof(std::uint64_t);
    for (std::size_t i = 0; i < count; ++i) values.push_back(i * 3);
    std::uint64_t sum = std::accumulate(values.begin(), values.end(), std::uint64_t(0));
    EXPECT_EQ(sum, 3 * (count * (count - 1) / 2));
    values.resize(10);
    values.shrink_to_fit();
    EXPECT_EQ(values.back(), 27u);
}

// Blocks of every medium size lie apart: each keeps what was written into it while the others
// are written.
TEST(LargeArraysTest, MediumBlocksAreAlignedAndApart) {
    struct Block {
        unsigned char* at;
        std::size_t bytes;
    };
    std::vector<Block> blocks;
    const std::size_t sizes[] = {
        largeArrays::MediumFrom,   largeArrays::MediumFrom + 1, 5000, std::size_t(64) << 10, 100000,
        largeArrays::LargeSize / 2};
    for (int round = 0; round < 5; ++round)
        for (const std::size_t bytes : sizes)
            blocks.push_back({static_cast<unsigned char*>(largeArrays::takeMedium(bytes)), bytes});
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        ASSERT_NE(blocks[i].at, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(blocks[i].at) % largeArrays::MediumFrom, 0u);
        std::fill(blocks[i].at, blocks[i].at + blocks[i].bytes, static_cast<unsigned char>(i));
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto mark = static_cast<unsigned char>(i);
        EXPECT_TRUE(std::all_of(blocks[i].at, blocks[i].at + blocks[i].bytes,
                                [mark](unsigned char c) { return c == mark; }))
            << "block " << i << " of " << blocks[i].bytes << " bytes";
    }
    for (const Block& block : blocks) largeArrays::giveMedium(block.at, block.bytes);
}

// Small blocks given back join their buddies: the regions they used up serve the largest
// blocks again.
TEST(LargeArraysTest, MediumBlocksGivenBackJoinIntoLargerOnes) {
    constexpr std::size_t count = 3000;
    std::vector<void*> small;
    std::set<std::uintptr_t> regions;
    for (std::size_t i = 0; i < count; ++i) {
        small.push_back(largeArrays::takeMedium(largeArrays::MediumFrom));
        regions.insert(reinterpret_cast<std::uintptr_t>(small.back()) / largeArrays::LargeSize);
    }
    // 3000 blocks use up at least five regions of 511 blocks each.
    ASSERT_GE(regions.size(), 5u);
    for (void* block : small) largeArrays::giveMedium(block, largeArrays::MediumFrom);
    std::vector<void*> large;
    std::size_t inRegions = 0;
    for (int i = 0; i < 10; ++i) {
        large.push_back(largeArrays::takeMedium(largeArrays::LargeSize / 2));
        inRegions +=
            regions.count(reinterpret_cast<std::uintptr_t>(large.back()) / largeArrays::LargeSize);
    }
    EXPECT_GE(inRegions, 5u);
    for (void* block : large) largeArrays::giveMedium(block, largeArrays::LargeSize / 2);
}

// A hash set's slots grow through the medium sizes to the large ones, keeping what they hold.
TEST(LargeArraysTest, AnArrayWrittenWholeGrowsThroughTheMediumSizes) {
    using Whole =
        std::vector<std::uint32_t, LargeArrayAllocator<std::uint32_t, largeArrays::Filling::Whole>>;
    Whole values;
    for (std::uint32_t i = 0; i < 3 * largeArrays::LargeSize / sizeof(std::uint32_t); ++i) {
        values.push_back(i);
        if ((i & (i + 1)) == 0) {
            // At each doubling, a copy of the array as it is takes a block of its own size.
            const Whole copy(values);
            ASSERT_EQ(copy.size(), std::size_t(i) + 1);
            EXPECT_EQ(copy.front(), 0u);
            EXPECT_EQ(copy.back(), i);
        }
    }
    std::uint64_t sum = std::accumulate(values.begin(), values.end(), std::uint64_t(0));
    const std::uint64_t n = values.size();
    EXPECT_EQ(sum, n * (n - 1) / 2);
}

}  // namespace
