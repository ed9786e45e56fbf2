// Tests of predicate frames and parameter frames.
#include <gtest/gtest.h>

#include <array>
#include <initializer_list>

#include "objectbase/MainMemFrames.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "support/ChannelCapture.h"

using namespace objectbase_test;

TEST(MainMemPredFrameTest, InsertContainsAndPrint) {
    MainMemPredFrame frame(2);
    InternalName row[] = {obj(1), obj(5)};
    EXPECT_EQ(frame.insertTuple(row, 2), 1);
    row[1] = obj(2);
    EXPECT_EQ(frame.insertTuple(row, 2), 1);
    EXPECT_EQ(frame.insertTuple(row, 2), 0);
    // The stored rows are copies: changing the caller's cells changes nothing stored.
    row[1] = obj(7);
    EXPECT_FALSE(frame.containsTuple(row, 2));
    InternalName wide[] = {obj(1), obj(2), obj(3)};
    EXPECT_FALSE(frame.containsTuple(wide, 3));
    EXPECT_EQ(frame.insertTuple(wide, 3), 0);
    EXPECT_TRUE(frame.containsTuple(wide, 2));

    clib_list<InternalName> list;
    list.append(obj(1));
    list.append(obj(5));
    EXPECT_TRUE(frame.containsTuple(list));
    EXPECT_EQ(frame.insertTuple(list), 0);
    list.append(obj(6));
    EXPECT_FALSE(frame.containsTuple(list));

    EXPECT_EQ(frame.size(), 2);
    EXPECT_EQ(printed(frame), "{(o1,o2),\n (o1,o5)}\n");
}

TEST(MainMemPredFrameTest, ReplaceNameMergesEqualRows) {
    MainMemPredFrame frame(2);
    InternalName a[] = {obj(1), obj(2)};
    InternalName b[] = {obj(1), obj(3)};
    InternalName c[] = {obj(2), obj(2)};
    frame.insertTuple(a, 2);
    frame.insertTuple(b, 2);
    frame.insertTuple(c, 2);
    EXPECT_EQ(frame.replaceName(obj(2), obj(3)), 1);
    EXPECT_EQ(printed(frame), "{(o1,o3),\n (o3,o3)}\n");
    EXPECT_EQ(frame.replaceName(obj(2), obj(3)), 0);

    auto it = Ref<Iterator>::adopt(frame.getIterator(nullptr));
    EXPECT_EQ(it->columns(), 2);
    int rows = 0;
    for (bool more = it->first(); more; more = it->next()) ++rows;
    EXPECT_EQ(rows, 2);
    frame.clear();
    EXPECT_EQ(frame.size(), 0);
    EXPECT_FALSE(it->first());
}

TEST(MainMemParamFrameTest, LookupAndInsertResults) {
    MainMemParamFrame frame(3);
    InternalName row[] = {obj(1), num(2), obj(9)};
    EXPECT_EQ(frame.insertTuple(row, 3), 1);
    InternalName args[] = {obj(1), num(2)};
    InternalName result;
    ASSERT_EQ(frame.lookupResult(args, 2, result), 1);
    EXPECT_EQ(result, obj(9));
    args[1] = num(3);
    EXPECT_EQ(frame.lookupResult(args, 2, result), 0);
    EXPECT_EQ(frame.lookupResult(args, 3, result), 0);

    args[1] = num(2);
    EXPECT_EQ(frame.insertResult(args, 2, obj(9)), 0);
    EXPECT_EQ(frame.insertResult(args, 2, obj(8)), 1);
    EXPECT_EQ(frame.size(), 2);
    // The first stored result keeps answering, whatever the order of the rows.
    ASSERT_EQ(frame.lookupResult(args, 2, result), 1);
    EXPECT_EQ(result, obj(9));

    clib_list<InternalName> list;
    list.append(obj(1));
    list.append(num(2));
    ASSERT_EQ(frame.lookupResult(list, result), 1);
    EXPECT_EQ(result, obj(9));
    list.append(obj(7));
    EXPECT_EQ(frame.lookupResult(list, result), 0);
    EXPECT_EQ(frame.insertTuple(list), 1);
    EXPECT_EQ(frame.size(), 3);

    auto it = Ref<Iterator>::adopt(frame.getIterator(nullptr));
    EXPECT_EQ(it->columns(), 3);
}

// Stores (argument, result) rows in a two-column parameter frame.
static void fill(MainMemParamFrame& frame,
                 std::initializer_list<std::array<InternalName, 2>> rows) {
    for (auto row : rows) frame.insertTuple(row.data(), 2);
}

TEST(MainMemParamFrameTest, ReplaceNameReportsCollidingResults) {
    using Pairs = clib_dictionary<InternalName, InternalName>;
    InternalName result;
    InternalName one[] = {obj(1)};

    // Constant results that collide are paired.
    MainMemParamFrame objects(2);
    fill(objects, {{obj(2), obj(8)}, {obj(3), obj(9)}});
    Pairs pairs;
    EXPECT_EQ(objects.replaceName(obj(2), obj(3), pairs), 2);
    EXPECT_EQ(printed(objects), "{(o3,o9)}\n");
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs.key(pairs.first_item()), obj(8));
    EXPECT_EQ(pairs.inf(pairs.first_item()), obj(9));

    // Set names that collide are paired as well, so that their members can be merged.
    MainMemParamFrame sets(2);
    fill(sets, {{obj(2), setName(4)}, {obj(3), setName(5)}});
    Pairs setPairs;
    EXPECT_EQ(sets.replaceName(obj(2), obj(3), setPairs), 2);
    EXPECT_EQ(sets.size(), 1);
    ASSERT_EQ(setPairs.size(), 1);
    EXPECT_EQ(setPairs.key(setPairs.first_item()), setName(4));
    EXPECT_EQ(setPairs.inf(setPairs.first_item()), setName(5));

    // A rewritten row equal to a stored one is dropped without a pair, and a renamed result
    // stays reachable through its arguments.
    MainMemParamFrame same(2);
    fill(same, {{obj(2), obj(9)}, {obj(3), obj(9)}, {obj(4), obj(2)}});
    Pairs noPairs;
    EXPECT_EQ(same.replaceName(obj(2), obj(3), noPairs), 2);
    EXPECT_EQ(noPairs.size(), 0);
    EXPECT_EQ(same.size(), 2);
    InternalName key[] = {obj(4)};
    ASSERT_EQ(same.lookupResult(key, 1, result), 1);
    EXPECT_EQ(result, obj(3));
    EXPECT_EQ(same.replaceName(obj(77), obj(78), noPairs), 0);

    // When the answering row is rewritten, the other row of its arguments answers instead.
    MainMemParamFrame twice(2);
    fill(twice, {{obj(1), obj(9)}, {obj(1), obj(8)}});
    Pairs merged;
    EXPECT_EQ(twice.replaceName(obj(9), obj(7), merged), 2);
    EXPECT_EQ(twice.size(), 1);
    ASSERT_EQ(twice.lookupResult(one, 1, result), 1);
    EXPECT_EQ(result, obj(8));
    ASSERT_EQ(merged.size(), 1);
    EXPECT_EQ(merged.key(merged.first_item()), obj(7));

    // Among several other rows of those arguments, the first in row order answers, whatever
    // lies around them.
    MainMemParamFrame many(2);
    fill(
        many,
        {{obj(1), obj(5)}, {obj(1), obj(4)}, {obj(1), obj(3)}, {obj(0), obj(6)}, {obj(2), obj(6)}});
    Pairs dropped;
    EXPECT_EQ(many.replaceName(obj(5), obj(7), dropped), 2);
    ASSERT_EQ(many.lookupResult(one, 1, result), 1);
    EXPECT_EQ(result, obj(3));
    ASSERT_EQ(dropped.size(), 1);
    EXPECT_EQ(dropped.inf(dropped.first_item()), obj(3));
    for (int arg : {0, 2}) {
        InternalName args[] = {obj(arg)};
        ASSERT_EQ(many.lookupResult(args, 1, result), 1);
        EXPECT_EQ(result, obj(6));
    }
}

TEST(MainMemPredFrameTest, ManyRowsSurviveMergesClearsAndRefills) {
    // Enough rows to need several chunks of cells; merged rows give their cells back for reuse.
    MainMemPredFrame frame(3);
    constexpr int Rows = 3000;
    for (int i = 0; i < Rows; ++i) {
        InternalName row[] = {obj(1), obj(100 + i), num(i)};
        ASSERT_EQ(frame.insertTuple(row, 3), 1);
    }
    // Rows that become equal are merged; the cells they free are taken by new rows.
    for (int i = 0; i < Rows; ++i) {
        InternalName row[] = {obj(9), obj(100 + i), num(i)};
        ASSERT_EQ(frame.insertTuple(row, 3), 1);
    }
    EXPECT_EQ(frame.replaceName(obj(9), obj(1)), 1);
    EXPECT_EQ(frame.size(), Rows);
    for (int i = 0; i < Rows; ++i) {
        InternalName row[] = {obj(3), obj(100 + i), num(i)};
        ASSERT_EQ(frame.insertTuple(row, 3), 1);
    }
    EXPECT_EQ(frame.size(), 2 * Rows);
    auto it = Ref<Iterator>::adopt(frame.getIterator(nullptr));
    int ones = 0, threes = 0;
    for (bool more = it->first(); more; more = it->next()) {
        ones += it->atColumn(1) == obj(1);
        threes += it->atColumn(1) == obj(3);
        EXPECT_EQ(it->atColumn(3), num(it->atColumn(2).getValue() - 100));
    }
    EXPECT_EQ(ones, Rows);
    EXPECT_EQ(threes, Rows);

    frame.clear();
    EXPECT_FALSE(it->first());
    InternalName row[] = {obj(4), obj(5), obj(6)};
    EXPECT_EQ(frame.insertTuple(row, 3), 1);
    EXPECT_EQ(printed(frame), "{(o4,o5,o6)}\n");
    it.reset();

    // Counts that are not the arity are refused, negative ones included.
    EXPECT_EQ(frame.insertTuple(row, -1), 0);
    MainMemPredFrame negative(-1);
    EXPECT_EQ(negative.insertTuple(row, -1), 0);
    EXPECT_FALSE(frame.containsTuple(nullptr, 3));
    MainMemParamFrame none(0);
    EXPECT_EQ(none.insertTuple(row, 0), 0);
    InternalName result;
    EXPECT_EQ(none.lookupResult(row, -1, result), 0);
    MainMemPredFrame empty(0);
    EXPECT_EQ(empty.insertTuple(nullptr, 0), 1);
    EXPECT_EQ(empty.insertTuple(nullptr, 0), 0);
    EXPECT_EQ(printed(empty), "{()}\n");
}
