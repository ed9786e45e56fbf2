// Tests of GroupedPairs: each distinct (group, value) pair is visited once, a group's values in
// the order they were added, over one range of groups and over many.
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "compile/GroupedPairs.h"

namespace compile_test {
namespace {

InternalName integer(int value) {
    return InternalName(value, InternalName::Integer, 0);
}

// The distinct values of each group in the order of their first pair, as a plain reference
// gathers them, and as GroupedPairs visits them.
using PerGroup = std::map<std::uint32_t, std::vector<int>>;

PerGroup reference(const std::vector<std::pair<std::uint32_t, int>>& pairs) {
    PerGroup groups;
    std::set<std::pair<std::uint32_t, int>> seen;
    for (const auto& pair : pairs)
        if (seen.insert(pair).second) groups[pair.first].push_back(pair.second);
    return groups;
}

PerGroup visited(const std::vector<std::pair<std::uint32_t, int>>& pairs) {
    GroupedPairs grouped;
    for (const auto& [group, value] : pairs) grouped.add(group, integer(value));
    EXPECT_EQ(grouped.size(), pairs.size());
    PerGroup groups;
    grouped.forEachDistinct([&](std::uint32_t group, const InternalName& value) {
        groups[group].push_back(value.getValue());
    });
    EXPECT_EQ(grouped.size(), 0u);
    return groups;
}

TEST(GroupedPairsTest, EachDistinctPairOnceInTheOrderItCameOverFewAndManyGroups) {
    std::mt19937 random(20261209);
    // (rows, groups, distinct values): one group of many values, a few groups, and groups
    // enough for many ranges and many blocks a range, some of them with no pairs at all.
    const std::vector<std::tuple<int, std::uint32_t, int>> shapes = {
        {50000, 1, 20000}, {3000, 7, 40}, {200000, 50000, 8}, {40000, 300000, 3}};
    for (const auto& [rows, groups, values] : shapes) {
        std::vector<std::pair<std::uint32_t, int>> pairs;
        for (int i = 0; i < rows; ++i)
            pairs.emplace_back(std::uint32_t(random() % groups), int(random() % values));
        EXPECT_EQ(visited(pairs), reference(pairs)) << rows << " rows, " << groups;
    }
    EXPECT_TRUE(visited({}).empty());
}

}  // namespace
}  // namespace compile_test
