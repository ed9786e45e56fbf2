// Tests of joins that stream: a join over a join makes the inner rows as it reads them, an
// emptiness test stops at the first row, a store changed under a reader is reported, and a
// farewell ends a long join or walk over rows.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "compile/CompileTestSupport.h"
#include "compile/HashJoin.h"
#include "compile/MultiPi.h"
#include "compile/Operand.h"
#include "compile/StableRows.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/OutputChannel.h"
#include "objectbase/RelationStore.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"

namespace compile_test {
namespace {

// Rows (i, i mod `values`) for i from 0 to count - 1, counting the rows it has given.
class CountingSource : public RowSource {
  public:
    CountingSource(int count, int values, int* given)
        : count(count), values(values), given(given) {}
    void produce(const RowSink& emit) override {
        for (int i = 0; i < count; ++i) {
            ++*given;
            const InternalName row[2] = {integer(i), integer(i % values)};
            if (!emit(row)) return;
        }
    }
    bool distinctRows() const override { return true; }

  private:
    int count;
    int values;
    int* given;
};

class StreamingJoinTest : public AlgebraTest {
  protected:
    void SetUp() override {
        AlgebraTest::SetUp();
        controlEvents::takeFarewell();
        controlEvents::clearInterrupt();
        controlEvents::takeCutShort();
    }
    void TearDown() override {
        controlEvents::takeFarewell();
        controlEvents::clearInterrupt();
        controlEvents::takeCutShort();
        AlgebraTest::TearDown();
    }

    // An operand of `count` computed rows (X, Y), Y = X mod `values`.
    SetOperand* counted(int count, int values, int* given) {
        auto* operand = new SetOperand(symbols({x, y}));
        operand->defer(std::make_unique<CountingSource>(count, values, given));
        return operand;
    }
    // Stored rows (v, v + shift) for v from 0 to values - 1 over the columns.
    SetOperand* pairs(const clib_list<FSymbol>& columns, int values, int shift) {
        auto* operand = new SetOperand(columns);
        for (int v = 0; v < values; ++v) {
            const InternalName row[2] = {integer(v), integer(v + shift)};
            operand->insert(undef(), row);
        }
        return operand;
    }
    // The join of rows (X, Y) with (Y, Z) into (X, Y, Z), read when it is read.
    SetOperand* xyz(SetOperand* left, SetOperand* right) {
        auto* joined = new SetOperand(symbols({x, y, z}));
        joined->defer(std::make_unique<HashJoin>(
            left, right, std::vector<int>{2}, std::vector<int>{1}, std::vector<HashJoin::Agree>{},
            std::vector<HashJoin::Take>{{0, 1, 0}, {0, 2, 1}, {1, 2, 2}},
            std::vector<InternalName>(3, undef())));
        return joined;
    }
    // The join of rows (X, Y, Z) with (Z, W) into (X, Y, Z, W).
    SetOperand* xyzw(SetOperand* left, SetOperand* right) {
        auto* joined = new SetOperand(symbols({x, y, z, w}));
        joined->defer(std::make_unique<HashJoin>(
            left, right, std::vector<int>{3}, std::vector<int>{1}, std::vector<HashJoin::Agree>{},
            std::vector<HashJoin::Take>{{0, 1, 0}, {0, 2, 1}, {0, 3, 2}, {1, 2, 3}},
            std::vector<InternalName>(4, undef())));
        return joined;
    }
};

TEST_F(StreamingJoinTest, ANestedJoinAskedForOneRowReadsFewInputRows) {
    int given = 0;
    auto source = Ref<SetOperand>::adopt(counted(100000, 10, &given));
    auto yz = Ref<SetOperand>::adopt(pairs(symbols({y, z}), 10, 0));
    auto zw = Ref<SetOperand>::adopt(pairs(symbols({z, w}), 10, 100));
    auto inner = Ref<SetOperand>::adopt(xyz(source.get(), yz.get()));
    auto outer = Ref<SetOperand>::adopt(xyzw(inner.get(), zw.get()));
    EXPECT_TRUE(inner->holdsDistinctSource());
    EXPECT_TRUE(outer->holdsDistinctSource());

    EXPECT_FALSE(outer->isEmpty());
    EXPECT_LE(given, 2);

    // Read whole, the rows are made as the outer join reads them: the inner join's rows are
    // never stored, and each input row is read once.
    given = 0;
    int rows = 0;
    bool right = true;
    outer->scan(RowOrder::Repeating, [&](const RowView& row) {
        const InternalName* cells = row.cells;
        ++rows;
        const int v = cells[0].getValue();
        right = right && cells[1] == integer(v % 10) && cells[2] == integer(v % 10) &&
                cells[3] == integer(v % 10 + 100);
    });
    EXPECT_EQ(rows, 100000);
    EXPECT_TRUE(right);
    EXPECT_EQ(given, 100000);
    EXPECT_TRUE(inner->holdsDistinctSource());
}

TEST_F(StreamingJoinTest, AJoinDroppingAColumnMayRepeatRows) {
    int given = 0;
    auto source = Ref<SetOperand>::adopt(counted(100, 10, &given));
    auto yz = Ref<SetOperand>::adopt(pairs(symbols({y, z}), 10, 0));
    // (X, Y) with (Y, Z) into (Y, Z) alone: every X of a Y gives the same row.
    auto* joined = new SetOperand(symbols({y, z}));
    joined->defer(std::make_unique<HashJoin>(source.get(), yz.get(), std::vector<int>{2},
                                             std::vector<int>{1}, std::vector<HashJoin::Agree>{},
                                             std::vector<HashJoin::Take>{{0, 2, 0}, {1, 2, 1}},
                                             std::vector<InternalName>(2, undef())));
    auto held = Ref<SetOperand>::adopt(joined);
    EXPECT_FALSE(joined->holdsDistinctSource());
    // Read by a reader that wants each row once, the rows are stored and the repeats dropped.
    int rows = 0;
    joined->scan(RowOrder::Distinct, [&rows](const RowView&) { ++rows; });
    EXPECT_EQ(rows, 10);
    EXPECT_FALSE(joined->holdsComputedSource());
}

TEST_F(StreamingJoinTest, AJoinOnTwoColumnsMeetsOnlyRowsAgreeingOnBoth) {
    // (X, Y) with (Y, X): rows i and i mod 10 meet a stored (i mod 10, i) only for i below 10.
    int given = 0;
    auto source = Ref<SetOperand>::adopt(counted(50, 10, &given));
    auto yx = Ref<SetOperand>::adopt(new SetOperand(symbols({y, x})));
    for (int i = 0; i < 50; i += 3) {
        const InternalName row[2] = {integer(i % 10), integer(i)};
        yx->insert(undef(), row);
    }
    auto joined = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    joined->defer(std::make_unique<HashJoin>(source.get(), yx.get(), std::vector<int>{1, 2},
                                             std::vector<int>{2, 1}, std::vector<HashJoin::Agree>{},
                                             std::vector<HashJoin::Take>{{0, 1, 0}, {0, 2, 1}},
                                             std::vector<InternalName>(2, undef())));
    std::vector<int> found;
    joined->scan(RowOrder::Repeating,
                 [&](const RowView& row) { found.push_back(row.cells[0].getValue()); });
    std::vector<int> expected;
    for (int i = 0; i < 50; i += 3) expected.push_back(i);
    EXPECT_EQ(found, expected);
}

TEST_F(StreamingJoinTest, ALargeJoinMeetsEveryLeftRowInItsOrder) {
    // (X, Y) with i mod 5003 as Y joined on Y with a stored (Y, W) of many groups, 0 to 3 rows
    // each: the rows come as nested loops would give them, over the left rows in their order
    // and each one's group in the order stored.
    int given = 0;
    auto source = Ref<SetOperand>::adopt(counted(40000, 5003, &given));
    auto yx = Ref<SetOperand>::adopt(new SetOperand(symbols({y, w})));
    std::vector<std::vector<int>> groups(5003);
    for (int v = 0; v < 5003; ++v)
        for (int k = 0; k < v % 4; ++k) {
            const int value = v * 3 + k;
            groups[std::size_t(v)].push_back(value);
            const InternalName row[2] = {integer(v), integer(value)};
            yx->insert(undef(), row);
        }
    auto joined = Ref<SetOperand>::adopt(new SetOperand(symbols({x, w})));
    joined->defer(std::make_unique<HashJoin>(source.get(), yx.get(), std::vector<int>{2},
                                             std::vector<int>{1}, std::vector<HashJoin::Agree>{},
                                             std::vector<HashJoin::Take>{{0, 1, 0}, {1, 2, 1}},
                                             std::vector<InternalName>(2, undef())));
    std::vector<std::pair<int, int>> found;
    joined->scan(RowOrder::Repeating, [&](const RowView& row) {
        found.emplace_back(row.cells[0].getValue(), row.cells[1].getValue());
    });
    std::vector<std::pair<int, int>> expected;
    for (int i = 0; i < 40000; ++i)
        for (int value : groups[std::size_t(i % 5003)]) expected.emplace_back(i, value);
    EXPECT_EQ(found, expected);

    // A reader that wants a few rows has the left rows read only a little past them.
    given = 0;
    int rows = 0;
    joined->scan(RowOrder::Repeating, [&](const RowView&) { return ++rows < 5; });
    EXPECT_EQ(rows, 5);
    EXPECT_LE(given, 40);
}

TEST_F(StreamingJoinTest, AStoreChangedUnderAReaderIsReported) {
    RelationStore store(2);
    for (int v = 0; v < 5; ++v) {
        const InternalName row[2] = {integer(v), integer(v)};
        store.insert(row);
    }
    StableRows range(&store, 1);
    // Appends leave the range as it was.
    const InternalName later[2] = {integer(9), integer(9)};
    store.insert(later);
    int read = 0;
    EXPECT_TRUE(range.scan([&](const InternalName*) { return ++read > 0; }));
    EXPECT_EQ(read, 4);
    EXPECT_FALSE(centralErrorHandler().isError());

    store.clear();
    read = 0;
    EXPECT_FALSE(range.scan([&](const InternalName*) { return ++read > 0; }));
    EXPECT_EQ(read, 0);
    EXPECT_EQ(centralErrorHandler().getError(), err11::InternalProblems);
}

TEST_F(StreamingJoinTest, AFarewellInsideOneJoinEndsIt) {
    int given = 0;
    auto source = Ref<SetOperand>::adopt(counted(1000000, 10, &given));
    auto yz = Ref<SetOperand>::adopt(pairs(symbols({y, z}), 10, 0));
    auto joined = Ref<SetOperand>::adopt(xyz(source.get(), yz.get()));
    int rows = 0;
    joined->scan(RowOrder::Repeating, [&](const RowView&) {
        // The farewell arrives while the join runs.
        if (++rows == 1000) controlEvents::record(controlEvents::Shutdown);
    });
    EXPECT_GE(rows, 1000);
    EXPECT_LT(rows, 1000 + 2 * 4096);
    EXPECT_TRUE(controlEvents::takeCutShort());
}

TEST_F(StreamingJoinTest, AFarewellInsideAProjectionEndsIt) {
    auto input = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    for (int i = 0; i < 100000; ++i) {
        const InternalName row[2] = {integer(i), integer(i % 7)};
        input->insert(undef(), row);
    }
    int rows = 0;
    scan(input.get(), RowOrder::Ordered, [&](const RowView&) {
        if (++rows == 1000) controlEvents::record(controlEvents::Shutdown);
    });
    EXPECT_LT(rows, 1000 + 2 * 4096);
    EXPECT_TRUE(controlEvents::takeCutShort());

    controlEvents::takeFarewell();
    controlEvents::clearInterrupt();
    controlEvents::record(controlEvents::Shutdown);
    auto pi = Ref<MultiPi>::adopt(new MultiPi(symbols({x})));
    const Ref<Operand> projected = run(pi.get(), {input.get()}, access);
    EXPECT_LT(projected->size(), 2 * 4096);
    EXPECT_TRUE(controlEvents::takeCutShort());
}

TEST_F(StreamingJoinTest, ATracedJoinReadsItsInputsAsAnUntracedOne) {
    // X, Z from (X, Y) joined with (Y, Z) on Y, planned as a hash join.
    auto join = Ref<Merge>::adopt(makeJoin(Records{{0, 1, 0}, {1, 2, 1}}, Records{{0, 2, 1, 1}},
                                           symbols({x, z}), symbols({x, y}), symbols({y, z})));
    ASSERT_EQ(join->joinStrategy(), JoinStrategy::HashJoin);
    int given = 0;
    auto left = Ref<SetOperand>::adopt(counted(1000, 10, &given));
    auto right = Ref<SetOperand>::adopt(pairs(symbols({y, z}), 10, 1));
    ChannelCapture out(debugChannel());
    const Ref<Operand> traced = run(join.get(), {left.get(), right.get()}, access, true);
    EXPECT_NE(out.text().find("contents of op#1"), std::string::npos);
    EXPECT_NE(out.text().find("RESULT : "), std::string::npos);
    // The trace printed copies: the input and the result still wait in their sources, as they
    // do after an untraced run.
    EXPECT_TRUE(left->holdsSource());
    auto* rows = dynamic_cast<SetOperand*>(traced.get());
    ASSERT_NE(rows, nullptr);
    EXPECT_TRUE(rows->holdsSource());

    int untracedGiven = 0;
    auto again = Ref<SetOperand>::adopt(counted(1000, 10, &untracedGiven));
    const Ref<Operand> quiet = run(join.get(), {again.get(), right.get()}, access);
    EXPECT_TRUE(again->holdsSource());
    EXPECT_EQ(contents(traced.get()), contents(quiet.get()));
    EXPECT_EQ(contents(quiet.get()).size(), 1000u);
}

TEST_F(StreamingJoinTest, ARegroupedJoinMeetsTheRowsAHashJoinMeets) {
    // (X, Y) joined with (Y, Z) on Y into (X, Z), planned once for keyed rows and once for an
    // input of names or tuples, which regroups the right input instead of hashing it.
    auto hashed = Ref<Merge>::adopt(makeJoin(Records{{0, 1, 0}, {1, 2, 1}}, Records{{0, 2, 1, 1}},
                                             symbols({x, z}), symbols({x, y}), symbols({y, z})));
    auto regrouped = Ref<Merge>::adopt(
        makeJoin(Records{{0, 1, 0}, {1, 2, 1}}, Records{{0, 2, 1, 1}}, symbols({x, z}),
                 symbols({x, y}), symbols({y, z}), Records(), false));
    ASSERT_EQ(hashed->joinStrategy(), JoinStrategy::HashJoin);
    ASSERT_EQ(regrouped->joinStrategy(), JoinStrategy::RegroupedJoin);
    auto left = Ref<SetOperand>::adopt(pairs(symbols({x, y}), 8, 1));
    auto right = Ref<SetOperand>::adopt(pairs(symbols({y, z}), 10, 10));
    const Ref<Operand> one = run(hashed.get(), {left.get(), right.get()}, access);
    const Ref<Operand> other = run(regrouped.get(), {left.get(), right.get()}, access);
    std::vector<KeyedRow> expected;
    for (int v = 0; v < 8; ++v) expected.push_back({undef(), {integer(v), integer(v + 11)}});
    EXPECT_EQ(contents(one.get()), expected);
    EXPECT_EQ(contents(other.get()), expected);
    EXPECT_FALSE(centralErrorHandler().isError());

    // A hash join given tuples where its plan expects keyed rows is a fault of the plan:
    // reported, and nothing is joined some other way.
    auto tuples = Ref<TupleSetOperand>::adopt(new TupleSetOperand(symbols({x, y})));
    const InternalName row[2] = {integer(1), integer(2)};
    tuples->insert(row);
    const Ref<Operand> refused = run(hashed.get(), {tuples.get(), right.get()}, access);
    ASSERT_NE(refused.get(), nullptr);
    EXPECT_TRUE(refused->isEmpty());
    EXPECT_EQ(centralErrorHandler().getError(), err11::InternalProblems);
}

}  // namespace
}  // namespace compile_test
