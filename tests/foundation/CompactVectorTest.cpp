// Tests of the one-pointer list and the small sorted map built on it, against std::vector and
// std::map under random operations.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "foundation/CompactSortedMap.h"
#include "foundation/CompactVector.h"

namespace {

template <class T>
void expectSame(const CompactVector<T>& compact, const std::vector<T>& reference) {
    ASSERT_EQ(compact.size(), reference.size());
    EXPECT_EQ(compact.empty(), reference.empty());
    for (std::size_t k = 0; k < reference.size(); ++k) EXPECT_EQ(compact[k], reference[k]);
}

TEST(CompactVector, IsOnePointerWideAndEmptyHoldsNoBlock) {
    static_assert(sizeof(CompactVector<int>) == sizeof(void*));
    static_assert(sizeof(CompactSortedMap<int, int>) == sizeof(void*));
    CompactVector<int> empty;
    EXPECT_TRUE(empty.empty());
    EXPECT_EQ(empty.capacity(), 0u);
    EXPECT_EQ(empty.begin(), empty.end());
}

// Strings check that elements are made, moved and destroyed properly when blocks grow.
TEST(CompactVector, RandomOperationsAgreeWithStdVector) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        CompactVector<std::string> compact;
        std::vector<std::string> reference;
        for (int step = 0; step < 60; ++step) {
            const std::string value =
                std::to_string(random() % 1000) + std::string(random() % 40, 'x');
            switch (random() % 8) {
                case 0:
                case 1:
                case 2:
                    compact.push_back(value);
                    reference.push_back(value);
                    break;
                case 3: {
                    const std::size_t at =
                        reference.empty() ? 0 : random() % (reference.size() + 1);
                    compact.insert(compact.begin() + at, value);
                    reference.insert(reference.begin() + std::ptrdiff_t(at), value);
                    break;
                }
                case 4: {
                    const std::size_t count = random() % 12;
                    compact.resize(count, value);
                    reference.resize(count, value);
                    break;
                }
                case 5:
                    if (!reference.empty()) {
                        compact.pop_back();
                        reference.pop_back();
                    }
                    break;
                case 6: {
                    CompactVector<std::string> copy(compact);
                    CompactVector<std::string> moved(std::move(copy));
                    compact = moved;
                    break;
                }
                default:
                    // Adding an element of the list itself while it grows.
                    if (!reference.empty()) {
                        compact.push_back(compact.front());
                        reference.push_back(reference.front());
                    }
                    break;
            }
            expectSame(compact, reference);
        }
        CompactVector<std::string> fromVector(reference);
        expectSame(fromVector, reference);
        EXPECT_TRUE(fromVector == compact);
        compact.clear();
        EXPECT_TRUE(compact.empty());
    }
}

TEST(CompactVector, NestedListsKeepTheirElements) {
    CompactVector<CompactVector<int>> nested;
    nested.resize(3);
    for (int k = 0; k < 20; ++k) nested[std::size_t(k % 3)].push_back(k);
    nested.push_back(nested[1]);
    ASSERT_EQ(nested.size(), 4u);
    EXPECT_EQ(nested.back().size(), 7u);
    EXPECT_EQ(nested.back().front(), 1);
    EXPECT_EQ(nested[2].back(), 17);
}

TEST(CompactSortedMap, RandomOperationsAgreeWithStdMap) {
    std::mt19937 random(11);
    for (int round = 0; round < 200; ++round) {
        CompactSortedMap<int, int> compact;
        std::map<int, int> reference;
        for (int step = 0; step < 40; ++step) {
            const int key = int(random() % 30);
            if (random() % 3 != 0) {
                const int value = int(random());
                compact[key] = value;
                reference[key] = value;
            } else {
                EXPECT_EQ(compact.count(key), reference.count(key));
                auto found = compact.find(key);
                if (reference.count(key) != 0) {
                    ASSERT_NE(found, compact.end());
                    EXPECT_EQ(found->second, reference[key]);
                } else {
                    EXPECT_EQ(found, compact.end());
                }
            }
            ASSERT_EQ(compact.size(), reference.size());
            auto expected = reference.begin();
            for (const auto& [key2, value] : compact) {
                EXPECT_EQ(key2, expected->first);
                EXPECT_EQ(value, expected->second);
                ++expected;
            }
        }
    }
}

}  // namespace
