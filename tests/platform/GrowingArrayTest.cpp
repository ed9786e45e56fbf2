// Tests of GrowingArray against a std::vector filled the same way.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/GrowingArray.h"

namespace {

TEST(GrowingArrayTest, AgreesWithAVectorAcrossGrowthPastSeveralMegabytes) {
    // Past the size from which the allocator keeps a block in memory of its own (1 MB), and
    // across both kinds of appends and the trims a store makes.
    GrowingArray<std::uint64_t> values;
    std::vector<std::uint64_t> expected;
    const std::size_t count = (std::size_t(6) << 20) / sizeof(std::uint64_t);
    std::uint64_t block[7];
    for (std::size_t i = 0; i < count;) {
        if (i % 5 == 0) {
            for (std::size_t k = 0; k < 7; ++k) block[k] = (i + k) * 7919u;
            values.append(block, 7);
            expected.insert(expected.end(), block, block + 7);
            i += 7;
        } else {
            if (values.capacity() == values.size()) values.reserve(values.capacity() * 2 + 3);
            values.pushWithin(i * 7919u);
            expected.push_back(i * 7919u);
            ++i;
        }
    }
    ASSERT_EQ(values.size(), expected.size());
    EXPECT_GE(values.capacity(), values.size());
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), values.data()));

    values.shrinkTo(1000);
    values.shrinkToFit();
    ASSERT_EQ(values.size(), 1000u);
    EXPECT_EQ(values.capacity(), 1000u);
    EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + 1000, values.data()));

    GrowingArray<std::uint64_t> moved = std::move(values);
    EXPECT_TRUE(values.empty());
    EXPECT_EQ(values.data(), nullptr);
    ASSERT_EQ(moved.size(), 1000u);
    EXPECT_EQ(moved[999], expected[999]);
    moved.clear();
    moved.shrinkToFit();
    EXPECT_EQ(moved.capacity(), 0u);
    moved.append(block, 3);
    EXPECT_EQ(moved[2], block[2]);
}

}  // namespace
