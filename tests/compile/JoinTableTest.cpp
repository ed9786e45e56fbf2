// Tests of the hash join's table of right rows: built from the rows, kept by a memo for the next
// join over the same stored rows, shared through a shelf by other joins over the same rows, built
// anew when the rows are others.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "compile/CompileTestSupport.h"
#include "compile/HashJoin.h"
#include "compile/JoinTable.h"
#include "compile/Operand.h"
#include "objectbase/RelationStore.h"

namespace compile_test {
namespace {

// Rows (v, v + 100) for v from 0 to count - 1, as stored rows of the given key would come,
// counting the rows given.
class KeyedSource : public RowSource {
  public:
    KeyedSource(int count, RowsKey key, int* given)
        : count(count), key(std::move(key)), given(given) {}
    void produce(const RowSink& emit) override {
        for (int v = 0; v < count; ++v) {
            ++*given;
            const InternalName row[2] = {integer(v), integer(v + 100)};
            if (!emit(row)) return;
        }
    }
    bool distinctRows() const override { return true; }
    bool readsInPlace() const override { return true; }
    bool rowsKey(RowsKey& out) const override {
        out = key;
        return true;
    }

  private:
    int count;
    RowsKey key;
    int* given;
};

// Given rows of two cells, computed on every read (a join's), each once.
class ComputedSource : public RowSource {
  public:
    explicit ComputedSource(std::vector<std::pair<int, int>> rows) : rows(std::move(rows)) {}
    void produce(const RowSink& emit) override {
        for (const auto& [a, b] : rows) {
            const InternalName row[2] = {integer(a), integer(b)};
            if (!emit(row)) return;
        }
    }
    bool distinctRows() const override { return true; }

  private:
    std::vector<std::pair<int, int>> rows;
};

class JoinTableTest : public AlgebraTest {
  protected:
    // Stored rows (v, v mod 10) for v from 0 to count - 1 over X, Y.
    SetOperand* left(int count) {
        auto* operand = new SetOperand(symbols({x, y}));
        for (int v = 0; v < count; ++v) {
            const InternalName row[2] = {integer(v), integer(v % 10)};
            operand->insert(undef(), row);
        }
        return operand;
    }
    // `count` keyed rows over Y, Z.
    SetOperand* right(int count, const RowsKey& key, int* given) {
        auto* operand = new SetOperand(symbols({y, z}));
        operand->defer(std::make_unique<KeyedSource>(count, key, given));
        return operand;
    }
    // The rows (X, Z) of the join on Y, read whole.
    std::vector<std::pair<int, int>> joined(SetOperand* l, SetOperand* r,
                                            const std::shared_ptr<JoinTableMemo>& memo) {
        auto result = Ref<SetOperand>::adopt(new SetOperand(symbols({x, z})));
        result->defer(std::make_unique<HashJoin>(l, r, std::vector<int>{2}, std::vector<int>{1},
                                                 std::vector<HashJoin::Agree>{},
                                                 std::vector<HashJoin::Take>{{0, 1, 0}, {1, 2, 1}},
                                                 std::vector<InternalName>(2, undef()), memo));
        std::vector<std::pair<int, int>> rows;
        result->scan(RowOrder::Repeating, [&rows](const RowView& row) {
            rows.emplace_back(row.cells[0].getValue(), row.cells[1].getValue());
        });
        return rows;
    }
    static std::vector<std::pair<int, int>> expected(int leftRows, int rightRows) {
        std::vector<std::pair<int, int>> rows;
        for (int v = 0; v < leftRows; ++v)
            if (v % 10 < rightRows) rows.emplace_back(v, v % 10 + 100);
        return rows;
    }
};

TEST_F(JoinTableTest, TheJoinsAfterTwoOverTheSameStoredRowsTakeTheKeptTable) {
    auto memo = std::make_shared<JoinTableMemo>();
    const RowsKey key{7, 0, 5, {1, 2}};
    auto l = Ref<SetOperand>::adopt(left(30));
    int given = 0;
    auto first = Ref<SetOperand>::adopt(right(5, key, &given));
    EXPECT_EQ(joined(l.get(), first.get(), memo), expected(30, 5));
    // Built from the rows read twice: once to count the groups, once to fill them.
    EXPECT_EQ(given, 10);

    // A join that ran once keeps nothing; built a second time for the same rows, the table is
    // kept for the runs after.
    given = 0;
    auto second = Ref<SetOperand>::adopt(right(5, key, &given));
    EXPECT_EQ(joined(l.get(), second.get(), memo), expected(30, 5));
    EXPECT_EQ(given, 10);
    for (int run = 0; run < 3; ++run) {
        given = 0;
        auto again = Ref<SetOperand>::adopt(right(5, key, &given));
        EXPECT_EQ(joined(l.get(), again.get(), memo), expected(30, 5));
        EXPECT_EQ(given, 0);
    }

    // Once the evaluation is over, the memo keeps nothing.
    memo->forget();
    given = 0;
    auto after = Ref<SetOperand>::adopt(right(5, key, &given));
    EXPECT_EQ(joined(l.get(), after.get(), memo), expected(30, 5));
    EXPECT_EQ(given, 10);
}

TEST_F(JoinTableTest, OtherRowsOrAJoinWithoutAMemoBuildTheTable) {
    auto memo = std::make_shared<JoinTableMemo>();
    auto l = Ref<SetOperand>::adopt(left(30));
    int given = 0;
    auto first = Ref<SetOperand>::adopt(right(5, RowsKey{7, 0, 5, {}}, &given));
    EXPECT_EQ(joined(l.get(), first.get(), memo), expected(30, 5));

    // Rows appended since (a longer range) and another state of the store (another stamp).
    given = 0;
    auto longer = Ref<SetOperand>::adopt(right(8, RowsKey{7, 0, 8, {}}, &given));
    EXPECT_EQ(joined(l.get(), longer.get(), memo), expected(30, 8));
    EXPECT_EQ(given, 16);
    given = 0;
    auto changed = Ref<SetOperand>::adopt(right(3, RowsKey{8, 0, 3, {}}, &given));
    EXPECT_EQ(joined(l.get(), changed.get(), memo), expected(30, 3));
    EXPECT_EQ(given, 6);
    given = 0;
    auto filtered = Ref<SetOperand>::adopt(right(3, RowsKey{8, 0, 3, {1}}, &given));
    EXPECT_EQ(joined(l.get(), filtered.get(), memo), expected(30, 3));
    EXPECT_EQ(given, 6);

    given = 0;
    auto unshared = Ref<SetOperand>::adopt(right(3, RowsKey{8, 0, 3, {1}}, &given));
    EXPECT_EQ(joined(l.get(), unshared.get(), nullptr), expected(30, 3));
    EXPECT_EQ(given, 6);
}

TEST_F(JoinTableTest, JoinsOfOneShelfShareASmallTableOnceTwoOfThemBuiltIt) {
    // One join per rule of a chain, each with its own memo, each reading the same stored rows.
    auto shelf = std::make_shared<JoinTableShelf>();
    const RowsKey key{9, 0, 5, {3}};
    auto l = Ref<SetOperand>::adopt(left(30));
    std::vector<int> builds;
    for (int rule = 0; rule < 5; ++rule) {
        auto memo = std::make_shared<JoinTableMemo>(shelf);
        int given = 0;
        auto r = Ref<SetOperand>::adopt(right(5, key, &given));
        EXPECT_EQ(joined(l.get(), r.get(), memo), expected(30, 5));
        builds.push_back(given);
        // Forgetting a join's own table leaves the shelf as it is.
        memo->forget();
    }
    EXPECT_EQ(builds, (std::vector<int>{10, 10, 0, 0, 0}));

    // Other rows of the same shape are built for themselves; a shelf that was cleared keeps
    // nothing.
    int given = 0;
    auto other = Ref<SetOperand>::adopt(right(4, RowsKey{9, 0, 4, {3}}, &given));
    EXPECT_EQ(joined(l.get(), other.get(), std::make_shared<JoinTableMemo>(shelf)),
              expected(30, 4));
    EXPECT_EQ(given, 8);
    shelf->clear();
    given = 0;
    auto cleared = Ref<SetOperand>::adopt(right(5, key, &given));
    EXPECT_EQ(joined(l.get(), cleared.get(), std::make_shared<JoinTableMemo>(shelf)),
              expected(30, 5));
    EXPECT_EQ(given, 10);
}

TEST_F(JoinTableTest, AShelfKeepsNoLargeTableAndOnlyItsNewestTables) {
    auto shelf = std::make_shared<JoinTableShelf>();
    auto l = Ref<SetOperand>::adopt(left(30));
    auto runs = [&](int rows, const RowsKey& key) {
        int total = 0;
        for (int run = 0; run < 3; ++run) {
            int given = 0;
            auto r = Ref<SetOperand>::adopt(right(rows, key, &given));
            EXPECT_EQ(joined(l.get(), r.get(), std::make_shared<JoinTableMemo>(shelf)),
                      expected(30, rows));
            total += given;
        }
        return total;
    };
    // Too many rows: built by every join.
    const int large = int(JoinTableShelf::largestRows) + 1;
    EXPECT_EQ(runs(large, RowsKey{11, 0, large, {}}), 6 * large);
    // Tables of more rows than the shelf holds: the first one has gone when it is read again.
    for (std::uint64_t stamp = 100; stamp < 100 + JoinTableShelf::capacity + 1; ++stamp)
        EXPECT_EQ(runs(5, RowsKey{stamp, 0, 5, {}}), 20);
    EXPECT_EQ(runs(5, RowsKey{100, 0, 5, {}}), 20);
    EXPECT_EQ(runs(5, RowsKey{100 + JoinTableShelf::capacity, 0, 5, {}}), 0);
}

TEST_F(JoinTableTest, AJoinOverJoinsGivesItsRowsAscendingToAnOrderedReaderEachOnce) {
    // (X, Y) stored in a scrambled order; (Y, Z) and (Z, W) computed, their rows out of order.
    auto l = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    std::vector<std::pair<int, int>> yz;
    std::vector<std::pair<int, int>> zw;
    for (int v = 0; v < 40; ++v) {
        const int a = (v * 7) % 40;
        const InternalName row[2] = {integer(a), integer(a % 5)};
        l->insert(undef(), row);
        yz.emplace_back(v % 5, 100 + (v * 13) % 40);
        zw.emplace_back(100 + (v * 11) % 40, 200 + (v * 3) % 7);
    }
    auto r = Ref<SetOperand>::adopt(new SetOperand(symbols({y, z})));
    r->defer(std::make_unique<ComputedSource>(yz));
    auto last = Ref<SetOperand>::adopt(new SetOperand(symbols({z, w})));
    last->defer(std::make_unique<ComputedSource>(zw));
    // (X, Y, Z): X, Y from the left, Z from the right.
    auto xyz = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y, z})));
    auto inner = std::make_unique<HashJoin>(
        l.get(), r.get(), std::vector<int>{2}, std::vector<int>{1}, std::vector<HashJoin::Agree>{},
        std::vector<HashJoin::Take>{{0, 1, 0}, {0, 2, 1}, {1, 2, 2}},
        std::vector<InternalName>(3, undef()));
    EXPECT_TRUE(inner->givesAscending());
    xyz->defer(std::move(inner));
    // (X, Y, Z, W) on Z.
    auto result = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y, z, w})));
    auto outer = std::make_unique<HashJoin>(
        xyz.get(), last.get(), std::vector<int>{3}, std::vector<int>{1},
        std::vector<HashJoin::Agree>{},
        std::vector<HashJoin::Take>{{0, 1, 0}, {0, 2, 1}, {0, 3, 2}, {1, 2, 3}},
        std::vector<InternalName>(4, undef()));
    EXPECT_TRUE(outer->givesAscending());
    result->defer(std::move(outer));

    std::vector<std::vector<int>> expected;
    for (int a = 0; a < 40; ++a)
        for (const auto& [b, c] : yz)
            if (b == a % 5)
                for (const auto& [c2, d] : zw)
                    if (c2 == c) expected.push_back({a, b, c, d});
    std::sort(expected.begin(), expected.end());
    expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
    ASSERT_FALSE(expected.empty());

    std::vector<std::vector<InternalName>> rows;
    scan(result.get(), RowOrder::Ordered,
         [&rows](const RowView& row) { rows.emplace_back(row.cells, row.cells + 4); });
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LT(RelationStore::compareRows(rows[i - 1].data(), rows[i].data(), 4), 0) << i;
    std::vector<std::vector<int>> values;
    for (const auto& row : rows)
        values.push_back(
            {row[0].getValue(), row[1].getValue(), row[2].getValue(), row[3].getValue()});
    std::sort(values.begin(), values.end());
    EXPECT_EQ(values, expected);
    // The rows were never stored: a second ordered reader gets the same rows again.
    std::size_t again = 0;
    scan(result.get(), RowOrder::Ordered, [&again](const RowView&) { ++again; });
    EXPECT_EQ(again, expected.size());
}

TEST_F(JoinTableTest, AJoinWhoseRightRowsOutgrowTheirFirstRoomGivesEveryRowOnce) {
    // More groups than a filter is made for, from a computed source that tells no size ahead:
    // the table grows as the rows come.
    constexpr int Groups = 600000;
    std::vector<std::pair<int, int>> rightRows;
    for (int v = 0; v < Groups; ++v) rightRows.emplace_back(v, v % 3);
    rightRows.emplace_back(7, 5);
    auto l = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    for (int v = Groups + 10; v-- > 0;) {
        const InternalName row[2] = {integer(v % 1000), integer(v)};
        l->insert(undef(), row);
    }
    auto r = Ref<SetOperand>::adopt(new SetOperand(symbols({y, z})));
    r->defer(std::make_unique<ComputedSource>(rightRows));
    auto result = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y, z})));
    result->defer(std::make_unique<HashJoin>(
        l.get(), r.get(), std::vector<int>{2}, std::vector<int>{1}, std::vector<HashJoin::Agree>{},
        std::vector<HashJoin::Take>{{0, 1, 0}, {0, 2, 1}, {1, 2, 2}},
        std::vector<InternalName>(3, undef())));
    std::vector<int> seen(Groups, 0);
    int extra = 0;
    int wrong = 0;
    result->scan(RowOrder::Distinct, [&](const RowView& row) {
        const int yv = row.cells[1].getValue();
        const int zv = row.cells[2].getValue();
        if (row.cells[0].getValue() != yv % 1000 || yv >= Groups) {
            ++wrong;
        } else if (yv == 7 && zv == 5) {
            ++extra;
        } else if (zv == yv % 3) {
            ++seen[std::size_t(yv)];
        } else {
            ++wrong;
        }
    });
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(extra, 1);
    EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), Groups);
}

TEST_F(JoinTableTest, AStoreHasAStampOfItsOwnThatMovesOnEveryChangeButAnAppend) {
    RelationStore a(2);
    RelationStore b(2);
    EXPECT_NE(a.changes(), b.changes());
    const std::uint64_t stamp = a.changes();
    for (int v = 0; v < 4; ++v) {
        const InternalName row[2] = {integer(v), integer(v)};
        a.insert(row);
    }
    EXPECT_EQ(a.changes(), stamp);
    a.rename(integer(1), integer(2));
    const std::uint64_t renamed = a.changes();
    EXPECT_NE(renamed, stamp);
    EXPECT_EQ(a.retain([](const InternalName* row) { return row[0] != integer(0); }), 1);
    EXPECT_NE(a.changes(), renamed);
    const std::uint64_t retained = a.changes();
    a.clear();
    EXPECT_NE(a.changes(), retained);
    EXPECT_NE(a.changes(), b.changes());
}

}  // namespace
}  // namespace compile_test
