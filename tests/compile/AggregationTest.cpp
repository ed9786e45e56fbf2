// Tests of Aggregation: the documented edge cases as one table, the exact integer arithmetic
// of the aggregates, and the unknown operator.
#include <gtest/gtest.h>

#include "compile/ValueOperatorSupport.h"

namespace compile_test {
namespace {

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
