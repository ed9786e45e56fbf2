// Tests of inserting a block of rows into a RowStore at once (hash slots loaded a batch ahead):
// random blocks, with repeats, rows in and out of order, keep the rows that inserting them one
// by one keeps, in the same order.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "compile/RowStore.h"

namespace {

std::vector<std::vector<InternalName>> inOrder(const RowStore& store) {
    std::vector<std::vector<InternalName>> rows;
    for (int rank = 0; rank < store.size(); ++rank) {
        const InternalName* row = store.rowAtRank(rank);
        rows.emplace_back(row, row + store.width());
    }
    return rows;
}

TEST(RowStoreBatchTest, ABlockOfRowsKeepsWhatInsertingThemOneByOneKeeps) {
    std::mt19937 random(20261210);
    for (int round = 0; round < 200; ++round) {
        const int width = 1 + int(random() % 3);
        const int count = int(random() % 300);
        // Small values make repeats; an ascending start keeps the store in order for a while.
        const int domain = 1 + int(random() % 40);
        const int ascending = int(random() % (count + 1));
        std::vector<InternalName> cells;
        for (int i = 0; i < count; ++i)
            for (int c = 0; c < width; ++c)
                cells.emplace_back(i < ascending && c == 0 ? i : int(random() % unsigned(domain)),
                                   InternalName::Integer, 0);
        RowStore oneByOne(width);
        RowStore block(width);
        // Rows stored before the block, in either store alike.
        const int before = int(random() % 5);
        for (int i = 0; i < before; ++i) {
            std::vector<InternalName> row(
                std::size_t(width),
                InternalName(int(random() % unsigned(domain)), InternalName::Integer, 0));
            oneByOne.insert(row.data());
            block.insert(row.data());
        }
        for (int i = 0; i < count; ++i) oneByOne.insert(cells.data() + std::size_t(i * width));
        block.insertRows(cells.data(), count);
        ASSERT_EQ(block.size(), oneByOne.size()) << "round " << round;
        for (int i = 0; i < block.size(); ++i)
            for (int c = 0; c < width; ++c)
                EXPECT_EQ(block.row(i)[c], oneByOne.row(i)[c]) << "round " << round;
        EXPECT_EQ(inOrder(block), inOrder(oneByOne)) << "round " << round;
        for (int i = 0; i < count; ++i)
            EXPECT_TRUE(block.contains(cells.data() + std::size_t(i * width)));
    }
}

}  // namespace
