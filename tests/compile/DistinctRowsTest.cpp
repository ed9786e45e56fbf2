// Tests of DistinctRows against a plain ordered set and a hashed row store: random rows with
// repeats, of every width, negative and large values, mixed kinds and flags, gathered in one go or
// settled part way, come out as the set holds them, each once and in ascending order.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "compile/DistinctRows.h"
#include "compile/RowStore.h"

namespace {

struct RowLess {
    bool operator()(const std::vector<InternalName>& a, const std::vector<InternalName>& b) const {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](const InternalName& x, const InternalName& y) { return x.compare(y) < 0; });
    }
};

using RowSet = std::set<std::vector<InternalName>, RowLess>;

std::vector<std::vector<InternalName>> rowsOf(const DistinctRows& rows) {
    std::vector<std::vector<InternalName>> out;
    for (int i = 0; i < rows.size(); ++i) out.emplace_back(rows.row(i), rows.row(i) + rows.width());
    return out;
}

InternalName randomCell(std::mt19937& random, int domain, bool mixed) {
    const int spread = int(random() % unsigned(domain)) - (mixed ? domain / 2 : 0);
    // Now and then a value far out, so that high bits differ too.
    const std::int32_t value = random() % 16 == 0 ? std::int32_t(random()) : spread;
    if (!mixed) return InternalName(value, InternalName::Object, 0);
    const std::uint8_t kinds[] = {InternalName::Integer, InternalName::String,
                                  InternalName::Object};
    return InternalName(value, kinds[random() % 3], std::int8_t(int(random() % 5) - 2));
}

TEST(DistinctRowsTest, RowsComeOutOnceEachInTheOrderOfASet) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 300; ++round) {
        const int width = int(random() % 6);
        // Below and above the count from which the rows are radix-sorted.
        const int count = round % 3 == 0 ? int(random() % 200) : int(random() % 5000);
        const int domain = 1 + int(random() % (round % 2 == 0 ? 30 : 3000));
        const bool mixed = round % 4 >= 2;
        // Settled part way (the rows after it merged into the sorted ones), or never.
        const int settleAt = random() % 2 == 0 ? int(random() % (count + 1)) : -1;
        DistinctRows rows(width);
        // The general road: a hashed row store read in ascending order.
        RowStore general(std::max(width, 1));
        RowSet expected;
        std::vector<std::vector<InternalName>> given;
        for (int i = 0; i < count; ++i) {
            std::vector<InternalName> row;
            for (int c = 0; c < width; ++c) row.push_back(randomCell(random, domain, mixed));
            if (random() % 4 == 0 && i > 0) row = given.front();
            given.push_back(row);
        }
        // Now and then the rows come in ascending order (with repeats), wholly or up to a
        // point, or in descending order.
        const int order = int(random() % 6);
        if (order == 0) std::sort(given.begin(), given.end(), RowLess());
        if (order == 1) std::sort(given.begin(), given.begin() + count / 2, RowLess());
        if (order == 2) std::sort(given.rbegin(), given.rend(), RowLess());
        for (int i = 0; i < count; ++i) {
            if (i == settleAt) rows.settle();
            const std::vector<InternalName>& row = given[std::size_t(i)];
            expected.insert(row);
            rows.add(row.data());
            if (width > 0) general.insert(row.data());
        }
        rows.settle();
        const std::vector<std::vector<InternalName>> want(expected.begin(), expected.end());
        ASSERT_EQ(rowsOf(rows), want) << "round " << round << " width " << width;
        if (width > 0) {
            ASSERT_EQ(general.size(), rows.size());
            for (int rank = 0; rank < general.size(); ++rank)
                for (int c = 0; c < width; ++c)
                    EXPECT_EQ(general.rowAtRank(rank)[c], rows.row(rank)[c]) << "round " << round;
        }
        // Used again after a reset, the store holds only the new rows.
        rows.reset();
        EXPECT_TRUE(rows.empty());
    }
}

TEST(DistinctRowsTest, ManyRowsComeOutAsASetHoldsThem) {
    // Enough rows that the first digit splits them into buckets that take passes of their own,
    // with an odd and an even number of passes after it.
    std::mt19937 random(2026);
    for (const int width : {1, 2, 3}) {
        for (const int domain : {70000, 1 << 22}) {
            DistinctRows rows(width);
            RowSet expected;
            for (int i = 0; i < 150000; ++i) {
                std::vector<InternalName> row;
                for (int c = 0; c < width; ++c)
                    row.emplace_back(int(random() % unsigned(domain)) - domain / 3,
                                     InternalName::Object, 0);
                expected.insert(row);
                rows.add(row.data());
            }
            rows.settle();
            const std::vector<std::vector<InternalName>> want(expected.begin(), expected.end());
            ASSERT_EQ(rowsOf(rows), want) << "width " << width << " domain " << domain;
        }
    }
}

TEST(DistinctRowsTest, ABlockOfRowsIsTakenAsOneByOne) {
    std::mt19937 random(7);
    const int width = 2;
    std::vector<InternalName> cells;
    for (int i = 0; i < 3000 * width; ++i) cells.push_back(randomCell(random, 50, true));
    DistinctRows block(width), oneByOne(width);
    block.addRows(cells.data(), 3000);
    for (int i = 0; i < 3000; ++i) oneByOne.add(cells.data() + std::size_t(i) * width);
    block.settle();
    oneByOne.settle();
    EXPECT_EQ(rowsOf(block), rowsOf(oneByOne));
}

}  // namespace
