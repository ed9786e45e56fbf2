// Tests of the hash join's table of right rows: built from the rows, kept by a memo for the next
// join over the same stored rows, shared through a shelf by other joins over the same rows, built
// anew when the rows are others.
#include <gtest/gtest.h>

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
