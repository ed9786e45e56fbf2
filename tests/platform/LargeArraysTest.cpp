// Tests of the memory for large arrays: aligned, zero-filled, writable, given back, and arrays of
// every size through the allocator.
#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>
#include <vector>

#include "platform/LargeArrays.h"

namespace {

TEST(LargeArraysTest, MemoryIsAlignedToAHugePageZeroFilledAndWritable) {
    for (std::size_t bytes : {std::size_t(1), largeArrays::LargeSize, largeArrays::LargeSize + 1,
                              5 * largeArrays::LargeSize + 12345}) {
        auto* memory = static_cast<unsigned char*>(largeArrays::allocate(bytes));
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

TEST(LargeArraysTest, AVectorGrowsAcrossTheLargeSizeKeepingItsElements) {
    std::vector<std::uint64_t, LargeArrayAllocator<std::uint64_t>> values;
    const std::size_t count = 3 * largeArrays::LargeSize / sizeof(std::uint64_t);
    for (std::size_t i = 0; i < count; ++i) values.push_back(i * 3);
    std::uint64_t sum = std::accumulate(values.begin(), values.end(), std::uint64_t(0));
    EXPECT_EQ(sum, 3 * (count * (count - 1) / 2));
    values.resize(10);
    values.shrink_to_fit();
    EXPECT_EQ(values.back(), 27u);
}

}  // namespace
