// Tests of Aggregation: the documented edge cases as one table, the exact integer arithmetic
// of the aggregates, and the unknown operator.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compile/ValueOperatorSupport.h"

namespace compile_test {
namespace {

// Given rows, each once, in the order given, counting the rows it has handed out.
class ListedSource : public RowSource {
  public:
    ListedSource(std::vector<Row> rows, int* given) : rows(std::move(rows)), given(given) {}
    void produce(const RowSink& emit) override {
        for (const Row& row : rows) {
            ++*given;
            if (!emit(row.data())) return;
        }
    }
    bool distinctRows() const override { return true; }
    bool readsInPlace() const override { return true; }

  private:
    std::vector<Row> rows;
    int* given;
};

class AggregationTest : public ValueOperatorTest {
  protected:
    // op{X [G] ; body} (G only when grouped) over rows of the columns W (a row number keeping
    // equal values apart, read first), X and G.
    std::vector<KeyedRow> aggregate(const std::string& op, bool grouped,
                                    const std::vector<Row>& xg) {
        const FSymbol g = variable("G");
        std::vector<KeyedRow> rows;
        int w = 0;
        for (const Row& r : xg) {
            Row row{integer(++w), r[0], r.size() > 1 ? r[1] : undef()};
            rows.emplace_back(undef(), row);
        }
        Held<SetOperand> input(setOperand(symbols({variable("W"), x, g}), rows));
        clib_list<FSymbol> groups;
        if (grouped) groups.append(g);
        Held<Aggregation> agg(new Aggregation(op, x, groups));
        const Ref<Operand> result = run(agg.get(), {input.get()}, access);
        return contents(result.get());
    }
};

TEST_F(AggregationTest, DocumentedEdgeCases) {
    const InternalName s = object("s");
    const InternalName t = object("t");
    const InternalName g1 = object("g1");
    const InternalName g2 = object("g2");
    struct Case {
        const char* op;
        bool grouped;
        std::vector<Row> rows;
        std::vector<KeyedRow> expected;
    };
    const std::vector<Case> cases{
        {"count", false, {}, {{integer(0), {}}}},
        {"sum", false, {}, {{integer(0), {}}}},
        {"avg", false, {}, {}},
        {"min", false, {}, {}},
        {"max", false, {}, {}},
        {"sum", false, {{integer(1)}, {integer(2)}, {integer(3)}}, {{integer(6), {}}}},
        {"avg", false, {{integer(1)}, {integer(2)}}, {{floatName(1.5f), {}}}},
        {"avg", false, {{integer(2)}, {integer(4)}}, {{integer(3), {}}}},
        {"avg", false, {{integer(4)}, {s}}, {{integer(2), {}}}},
        {"sum", false, {{floatName(1.5f)}, {floatName(2.5f)}}, {{integer(4), {}}}},
        {"min", true, {{s, g1}, {t, g1}, {integer(5), g2}}, {{integer(5), {g2}}}},
        {"min", false, {{integer(3)}, {floatName(3.0f)}}, {{integer(3), {}}}},
        {"max", false, {{floatName(3.0f)}, {integer(3)}}, {{floatName(3.0f), {}}}},
        {"max", false, {{s}, {t}}, {}},
        // Two rows that differ only in a column that is neither grouped nor aggregated (a
        // molecule's host) carry one value: the count folds values, not rows.
        {"count", true, {{s, g1}, {s, g1}, {t, g2}}, {{integer(1), {g1}}, {integer(1), {g2}}}},
        {"count", true, {{s, g1}, {t, g1}, {t, g2}}, {{integer(1), {g2}}, {integer(2), {g1}}}},
        {"sum", false, {{integer(2)}, {integer(2)}, {integer(3)}}, {{integer(5), {}}}},
        {"nest", true, {{s, g1}, {t, g1}, {s, g2}}, {{undef(), {g1}}, {undef(), {g2}}}},
        {"nest", false, {{s}}, {{undef(), {}}}},
        {"max",
         true,
         {{integer(1), g1}, {integer(7), g1}, {integer(2), g2}},
         {{integer(2), {g2}}, {integer(7), {g1}}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(aggregate(c.op, c.grouped, c.rows), c.expected)
            << c.op << (c.grouped ? " grouped" : "") << " over " << c.rows.size() << " rows";
    }
}

TEST_F(AggregationTest, IntegersAreExact) {
    const InternalName big = integer(16777216);
    const InternalName bigger = integer(16777217);
    // As 32-bit floats these two are one number.
    EXPECT_EQ(aggregate("min", false, {{bigger}, {big}}), (std::vector<KeyedRow>{{big, {}}}));
    EXPECT_EQ(aggregate("max", false, {{big}, {bigger}}), (std::vector<KeyedRow>{{bigger, {}}}));
    EXPECT_EQ(aggregate("sum", false, {{big}, {integer(1)}}),
              (std::vector<KeyedRow>{{bigger, {}}}));
    EXPECT_EQ(aggregate("avg", false, {{bigger}, {bigger}}), (std::vector<KeyedRow>{{bigger, {}}}));
    // An integer against a float: through double.
    EXPECT_EQ(aggregate("min", false, {{bigger}, {floatName(16777216.0f)}}),
              (std::vector<KeyedRow>{{floatName(16777216.0f), {}}}));
    // Past 32 bits the sum becomes the nearest float.
    EXPECT_EQ(aggregate("sum", false, {{integer(2147483647)}, {integer(1)}}),
              (std::vector<KeyedRow>{{floatName(2147483648.0f), {}}}));
}

TEST_F(AggregationTest, GroupedSumsAndCountsReadTheRowsOnceWithoutStoringThem) {
    // Rows (W, X, G) of 10,000 facts in 1,000 groups, X = W mod 7: each group folds its
    // distinct values once, however many rows carry them.
    const FSymbol g = variable("G");
    std::vector<Row> rows;
    constexpr int Rows = 10000;
    for (int i = 0; i < Rows; ++i) rows.push_back({integer(i), integer(i % 7), integer(i % 1000)});
    std::vector<long> sums(1000, 0);
    std::vector<std::vector<char>> seen(1000, std::vector<char>(7, 0));
    std::vector<int> counts(1000, 0);
    for (int i = 0; i < Rows; ++i) {
        if (seen[i % 1000][i % 7] != 0) continue;
        seen[i % 1000][i % 7] = 1;
        sums[i % 1000] += i % 7;
        ++counts[i % 1000];
    }
    for (const char* op : {"sum", "count"}) {
        int given = 0;
        Held<SetOperand> input(new SetOperand(symbols({w, x, g})));
        input->defer(std::make_unique<ListedSource>(rows, &given));
        Held<Aggregation> agg(new Aggregation(op, x, symbols({g})));
        const Ref<Operand> result = run(agg.get(), {input.get()}, access);
        // One pass over the source (and its first row once more, for the emptiness test), and
        // the input never stored (nor sorted).
        EXPECT_LE(given, Rows + 1) << op;
        EXPECT_TRUE(input->holdsSource()) << op;
        std::vector<KeyedRow> expected;
        for (int group = 0; group < 1000; ++group) {
            const std::string name = op;
            const InternalName value = name == "sum" ? integer(int(sums[std::size_t(group)]))
                                                     : integer(counts[std::size_t(group)]);
            expected.emplace_back(value, Row{integer(group)});
        }
        std::sort(expected.begin(), expected.end(), [](const KeyedRow& a, const KeyedRow& b) {
            return a.first != b.first ? a.first < b.first : a.second < b.second;
        });
        EXPECT_EQ(contents(result.get()), expected) << op;
    }
}

TEST_F(AggregationTest, AFloatSumIsTakenInAscendingRowOrderWhateverOrderTheRowsCome) {
    // Added as they come, 1 + 1e30 - 1e30 is 0; in ascending order of W, 1e30 - 1e30 + 1 is 1.
    int given = 0;
    Held<SetOperand> input(new SetOperand(symbols({w, x})));
    input->defer(std::make_unique<ListedSource>(std::vector<Row>{{integer(3), integer(1)},
                                                                 {integer(1), floatName(1e30f)},
                                                                 {integer(2), floatName(-1e30f)}},
                                                &given));
    Held<Aggregation> agg(new Aggregation("sum", x, symbols({})));
    const Ref<Operand> result = run(agg.get(), {input.get()}, access);
    EXPECT_EQ(contents(result.get()), (std::vector<KeyedRow>{{integer(1), {}}}));
}

TEST_F(AggregationTest, UnknownOperatorsAndMissingColumns) {
    ChannelCapture channel(errorChannel());
    EXPECT_TRUE(aggregate("median", false, {{integer(1)}}).empty());
    EXPECT_EQ(channel.text(), "unknown aggregate operator\n");

    // A grouping variable that is no column of the input gives the empty result.
    Held<SetOperand> input(setOperand(symbols({x}), {{undef(), {integer(1)}}}));
    Held<Aggregation> agg(new Aggregation("count", x, symbols({y})));
    const Ref<Operand> result = run(agg.get(), {input.get()}, access);
    ASSERT_NE(result.get(), nullptr);
    EXPECT_TRUE(result->isEmpty());
    EXPECT_FALSE(run(agg.get(), {}, access));
}

}  // namespace
}  // namespace compile_test
