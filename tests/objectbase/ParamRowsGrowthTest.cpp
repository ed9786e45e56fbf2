// A function's frame filled with millions of cells, row by row without a count ahead, the way a
// rule head makes one object per joined row: every row stays once, each argument list keeps the
// object first made for it, and the rows keep their numbering and order across the growth.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/ParamRows.h"

using namespace objectbase_test;

namespace {

// The arguments of row i: distinct for every i, and not in ascending order of i, so that the
// walk in ascending order reads the rows out of the order they came.
std::vector<InternalName> argsOf(int i) {
    return {obj(1 + int(std::int64_t(i) * 7919 % 300007)), obj(2 + i % 5), obj(3 + i / 5)};
}

}  // namespace

// Rows come through the lookup that notes where missing arguments go, as a head making a new
// object for each row does; enough of them that the row arrays grow well past the heap's
// blocks into memory of their own, several times.
TEST(ParamRowsGrowthTest, AFrameGrownRowByRowKeepsEveryObjectOnce) {
    constexpr int Rows = 300000;
    ParamRows frame(4);
    for (int i = 0; i < Rows; ++i) {
        const std::vector<InternalName> args = argsOf(i);
        ParamRows::Vacancy vacancy;
        ASSERT_EQ(frame.answer(args.data(), vacancy), nullptr) << "row " << i;
        ASSERT_TRUE(frame.addAnswering(args.data(), obj(1000000 + i), vacancy)) << "row " << i;
        // A repeat of an earlier row finds the object made for it.
        if (i % 1000 == 999) {
            const std::vector<InternalName> earlier = argsOf(i / 2);
            const InternalName* found = frame.answer(earlier.data(), vacancy);
            ASSERT_NE(found, nullptr);
            EXPECT_EQ(*found, obj(1000000 + i / 2));
        }
    }
    ASSERT_EQ(frame.size(), Rows);
    for (int i = 0; i < Rows; i += 37) {
        const std::vector<InternalName> args = argsOf(i);
        const InternalName* found = frame.answer(args.data());
        ASSERT_NE(found, nullptr) << "row " << i;
        EXPECT_EQ(*found, obj(1000000 + i));
        // The row of an object is found by the object, cells and all.
        const InternalName* row = frame.definingRow(obj(1000000 + i));
        ASSERT_NE(row, nullptr);
        EXPECT_EQ(std::vector<InternalName>(row, row + 3), args);
    }
    // The walk gives every row once, in ascending order.
    ParamRows::Cursor at;
    std::vector<InternalName> last;
    std::vector<char> seen(Rows, 0);
    int walked = 0;
    for (const InternalName* row = frame.first(at); row != nullptr; row = frame.next(at, row)) {
        const std::vector<InternalName> cells(row, row + 4);
        if (!last.empty()) {
            ASSERT_LT(last, cells);
        }
        last = cells;
        const int i = row[3].getValue() - 1000000;
        ASSERT_GE(i, 0);
        ASSERT_LT(i, Rows);
        EXPECT_EQ(seen[std::size_t(i)]++, 0) << "row " << i;
        ++walked;
    }
    EXPECT_EQ(walked, Rows);
}

// A rename over a large frame appends each rewritten row while the frame grows past the rows it
// had: every row is there once afterwards, with its new cell.
TEST(ParamRowsGrowthTest, ARenameOverALargeFrameKeepsEveryRow) {
    ParamRows frame(2);
    constexpr int Rows = 200000;
    for (int i = 0; i < Rows; ++i) {
        const InternalName row[2] = {obj(10 + i), obj(5)};
        ASSERT_TRUE(frame.insert(row));
    }
    // Every row holding obj(5) becomes one holding obj(6): each rewritten row is appended.
    clib_dictionary<InternalName, InternalName> pairs;
    EXPECT_TRUE(frame.replaceName(obj(5), obj(6), pairs));
    ASSERT_EQ(frame.size(), Rows);
    for (int i = 0; i < Rows; i += 101) {
        const InternalName args[1] = {obj(10 + i)};
        const InternalName* found = frame.answer(args);
        ASSERT_NE(found, nullptr) << "row " << i;
        EXPECT_EQ(*found, obj(6));
    }
}
