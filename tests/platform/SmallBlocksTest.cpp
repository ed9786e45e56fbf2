// Tests of the small-object store: blocks of every size are aligned, large enough and disjoint,
// come back to their own class when given back without their size, and addresses not taken
// are refused.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "platform/SmallBlocks.h"

namespace {

struct Held {
    unsigned char* at;
    std::size_t bytes;
    unsigned char mark;
};

void fill(const Held& h) {
    std::memset(h.at, h.mark, h.bytes);
}

bool intact(const Held& h) {
    for (std::size_t i = 0; i < h.bytes; ++i)
        if (h.at[i] != h.mark) return false;
    return true;
}

TEST(SmallBlocksTest, EveryServedSizeIsAlignedOwnedAndDisjoint) {
    std::vector<Held> held;
    for (std::size_t bytes = 0; bytes <= smallBlocks::LargestBlock; bytes += bytes < 300 ? 1 : 37) {
        auto* at = static_cast<unsigned char*>(smallBlocks::take(bytes));
        ASSERT_NE(at, nullptr) << bytes;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(at) % 16, 0u) << bytes;
        EXPECT_TRUE(smallBlocks::owns(at));
        EXPECT_TRUE(smallBlocks::owns(at + (bytes == 0 ? 0 : bytes - 1)));
        held.push_back({at, bytes, static_cast<unsigned char>(held.size() * 7 + 1)});
        fill(held.back());
    }
    for (const Held& h : held) EXPECT_TRUE(intact(h)) << h.bytes;
    for (const Held& h : held) EXPECT_TRUE(smallBlocks::give(h.at));
}

TEST(SmallBlocksTest, LargerRequestsAndForeignAddressesAreLeftToTheCaller) {
    EXPECT_EQ(smallBlocks::take(smallBlocks::LargestBlock + 1), nullptr);
    int local = 0;
    std::vector<int> onHeap(4);
    EXPECT_FALSE(smallBlocks::owns(&local));
    EXPECT_FALSE(smallBlocks::give(&local));
    // The vector's array comes from whatever operator new the test program has.
    if (!smallBlocks::owns(onHeap.data())) {
        EXPECT_FALSE(smallBlocks::give(onHeap.data()));
    }
}

TEST(SmallBlocksTest, AGivenBackBlockServesItsOwnClassAgain) {
    void* first = smallBlocks::take(100);
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(smallBlocks::give(first));
    EXPECT_EQ(smallBlocks::take(100), first);
    // Another size of the same class too, but no larger class.
    ASSERT_TRUE(smallBlocks::give(first));
    void* larger = smallBlocks::take(600);
    EXPECT_NE(larger, first);
    EXPECT_EQ(smallBlocks::take(97), first);
    smallBlocks::give(larger);
    smallBlocks::give(first);
}

// Random takes and gives of mixed sizes: every live block keeps its contents, whatever was given
// back before it was taken.
TEST(SmallBlocksTest, MixedTakesAndGivesNeverOverlap) {
    std::mt19937 random(17);
    std::vector<Held> live;
    for (int step = 0; step < 200000; ++step) {
        if (!live.empty() && random() % 5 < 2) {
            const std::size_t i = random() % live.size();
            ASSERT_TRUE(intact(live[i])) << "step " << step;
            ASSERT_TRUE(smallBlocks::give(live[i].at));
            live[i] = live.back();
            live.pop_back();
            continue;
        }
        const std::size_t bytes =
            random() % 8 == 0 ? random() % (smallBlocks::LargestBlock + 1) : random() % 200;
        auto* at = static_cast<unsigned char*>(smallBlocks::take(bytes));
        ASSERT_NE(at, nullptr);
        live.push_back({at, bytes, static_cast<unsigned char>(step)});
        fill(live.back());
    }
    for (const Held& h : live) {
        EXPECT_TRUE(intact(h));
        smallBlocks::give(h.at);
    }
}

}  // namespace
