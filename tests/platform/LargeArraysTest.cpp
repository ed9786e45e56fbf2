// Tests of the memory for large arrays: aligned, zero-filled, writable, given back, and arrays of
// every size through the allocator.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <numeric>
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

}  // namespace
