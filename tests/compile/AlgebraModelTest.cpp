// Model checks: random small operands (several keys, duplicates, the integer 3 beside the float
// 3.0) through Merge, Pi, Sort, MultiPi and Minus, compared in order with nested loops.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "compile/CompileTestSupport.h"
#include "compile/Minus.h"
#include "compile/MultiPi.h"
#include "compile/Pi.h"

namespace compile_test {
namespace {

// Random operands and what they hold.
struct Input {
    std::vector<KeyedRow> rows;  // with duplicates, as inserted
    Ref<SetOperand> operand;
    Input(const clib_list<FSymbol>& columns, std::vector<KeyedRow> inserted)
        : rows(std::move(inserted)), operand(Ref<SetOperand>::adopt(setOperand(columns, rows))) {}
};

class AlgebraModelTest : public AlgebraTest {
  protected:
    InternalName value() {
        static const InternalName pool[] = {integer(0), integer(1),      integer(2),
                                            integer(3), floatName(3.0f), integer(4)};
        return pool[std::uniform_int_distribution<int>(0, 5)(random)];
    }
    InternalName key() {
        static const InternalName keys[] = {InternalName::UndefinedObject, integer(1), integer(2)};
        return keys[std::uniform_int_distribution<int>(0, 2)(random)];
    }
    // Up to 7 rows (possibly none), keyed by `keyed` or all under UndefinedObject.
    std::vector<KeyedRow> rows(int width, bool keyed) {
        std::vector<KeyedRow> out;
        int n = std::uniform_int_distribution<int>(0, 7)(random);
        for (int i = 0; i < n; ++i) {
            Row row;
            for (int c = 0; c < width; ++c) row.push_back(value());
            out.emplace_back(keyed ? key() : undef(), row);
        }
        if (n > 0 && std::uniform_int_distribution<int>(0, 1)(random) == 1)
            out.push_back(out.front());  // a duplicate
        return out;
    }
    // The model's answer as an operator would store it: sorted, unique, under UndefinedObject.
    static std::vector<KeyedRow> unkeyed(const std::set<Row>& rows) {
        std::vector<KeyedRow> out;
        for (const Row& row : rows) out.emplace_back(undef(), row);
        return out;
    }

    std::mt19937 random{20261207};
};

TEST_F(AlgebraModelTest, MergeJoinsOnEverySharedVariable) {
    auto one = Ref<Merge>::adopt(makeJoin(Records{{0, 1, 0}, {1, 2, 1}}, Records{{0, 2, 1, 1}},
                                          symbols({x, z}), symbols({x, y}), symbols({y, z}),
                                          Records{{0, 0, 1}, {1, 1, 1}}));
    auto two = Ref<Merge>::adopt(makeJoin(Records{{0, 1, 0}, {1, 3, 1}},
                                          Records{{0, 1, 1, 1}, {0, 2, 1, 2}}, symbols({x, z}),
                                          symbols({x, y}), symbols({x, y, z})));
    for (int round = 0; round < 300; ++round) {
        Input left(symbols({x, y}), rows(2, round % 2 == 0));
        Input right(symbols({y, z}), rows(2, round % 3 == 0));
        Input wide(symbols({x, y, z}), rows(3, round % 3 == 1));
        std::set<Row> onY, onXY;
        for (const auto& l : left.rows) {
            for (const auto& r : right.rows)
                if (l.second[1] == r.second[0]) onY.insert({l.second[0], r.second[1]});
            for (const auto& r : wide.rows)
                if (l.second[0] == r.second[0] && l.second[1] == r.second[1])
                    onXY.insert({l.second[0], r.second[2]});
        }
        const Ref<Operand> result =
            run(one.get(), {left.operand.get(), right.operand.get()}, access);
        ASSERT_EQ(contents(result.get()), unkeyed(onY)) << "round " << round;
        const Ref<Operand> both = run(two.get(), {left.operand.get(), wide.operand.get()}, access);
        ASSERT_EQ(contents(both.get()), unkeyed(onXY)) << "round " << round;
    }
}

TEST_F(AlgebraModelTest, MergeEnumeratesGroupsOrPassesOneInputThrough) {
    auto product = Ref<Merge>::adopt(makeJoin(Records{{0, 1, 0}, {1, 1, 1}}, Records(),
                                              symbols({x, z}), symbols({x}), symbols({z})));
    auto through = Ref<Merge>::adopt(makeJoin(Records{{0, 2, 0}, {0, 1, 1}}, Records(),
                                              symbols({y, x}), symbols({x, y}), symbols({w})));
    for (int round = 0; round < 300; ++round) {
        Input left(symbols({x}), rows(1, round % 2 == 0));
        Input right(symbols({z}), rows(1, round % 3 == 0));
        std::set<Row> expected;
        for (const auto& l : left.rows)
            for (const auto& r : right.rows) expected.insert({l.second[0], r.second[0]});
        const Ref<Operand> result =
            run(product.get(), {left.operand.get(), right.operand.get()}, access);
        ASSERT_EQ(contents(result.get()), unkeyed(expected)) << "round " << round;

        Input wide(symbols({x, y}), rows(2, round % 2 == 1));
        Input other(symbols({w}), rows(1, true));
        std::set<Row> projected;
        if (!other.rows.empty())
            for (const auto& l : wide.rows) projected.insert({l.second[1], l.second[0]});
        const Ref<Operand> passed =
            run(through.get(), {wide.operand.get(), other.operand.get()}, access);
        ASSERT_EQ(contents(passed.get()), unkeyed(projected)) << "round " << round;
    }
}

TEST_F(AlgebraModelTest, MergeWithoutVariablesNeedsOneJoinedCombination) {
    // Both inputs tied by two records (enumerated), then by one (only tested).
    auto both = Ref<Merge>::adopt(makeJoin(Records(), Records{{0, 1, 1, 1}, {0, 2, 1, 2}},
                                           symbols({}), symbols({x, y}), symbols({x, y})));
    auto single = Ref<Merge>::adopt(
        makeJoin(Records(), Records{{0, 1, 1, 1}}, symbols({}), symbols({x, y}), symbols({x, y})));
    for (int round = 0; round < 300; ++round) {
        Input left(symbols({x, y}), rows(2, round % 2 == 0));
        Input right(symbols({x, y}), rows(2, round % 3 == 0));
        bool pair = false, firstOnly = false;
        for (const auto& l : left.rows) {
            for (const auto& r : right.rows) {
                pair = pair || l.second == r.second;
                firstOnly = firstOnly || l.second[0] == r.second[0];
            }
        }
        const Ref<Operand> result =
            run(both.get(), {left.operand.get(), right.operand.get()}, access);
        ASSERT_EQ(contents(result.get()), unkeyed(pair ? std::set<Row>{Row{}} : std::set<Row>{}))
            << "round " << round;
        const Ref<Operand> tested =
            run(single.get(), {left.operand.get(), right.operand.get()}, access);
        ASSERT_EQ(contents(tested.get()),
                  unkeyed(firstOnly ? std::set<Row>{Row{}} : std::set<Row>{}))
            << "round " << round;
    }
}

TEST_F(AlgebraModelTest, ProjectionsAndRegrouping) {
    auto pi = Ref<Pi>::adopt(new Pi(y));
    auto sort = Ref<Sort>::adopt(new Sort(y, nullptr));
    auto multi = Ref<MultiPi>::adopt(new MultiPi(symbols({y, x})));
    auto missing = Ref<MultiPi>::adopt(new MultiPi(symbols({y, w})));
    for (int round = 0; round < 300; ++round) {
        Input input(symbols({x, y, z}), rows(3, round % 2 == 0));
        std::set<Row> values, pairs;
        std::map<InternalName, std::set<Row>> groups;
        for (const auto& [key, row] : input.rows) {
            values.insert({row[1]});
            pairs.insert({row[1], row[0]});
            groups[row[1]].insert(row);
        }
        const Ref<Operand> projected = run(pi.get(), {input.operand.get()}, access);
        std::vector<KeyedRow> names;
        for (const Row& v : values) names.emplace_back(v[0], Row{});
        ASSERT_EQ(contents(projected.get()), names) << "round " << round;

        const Ref<Operand> sorted = run(sort.get(), {input.operand.get()}, access);
        std::vector<KeyedRow> regrouped;
        for (const auto& [value, rowsOfValue] : groups)
            for (const Row& row : rowsOfValue) regrouped.emplace_back(value, row);
        ASSERT_EQ(contents(sorted.get()), regrouped) << "round " << round;

        const Ref<Operand> tuples = run(multi.get(), {input.operand.get()}, access);
        ASSERT_EQ(contents(tuples.get()), unkeyed(pairs)) << "round " << round;
        const Ref<Operand> none = run(missing.get(), {input.operand.get()}, access);
        ASSERT_TRUE(none->isEmpty());
    }
}

TEST_F(AlgebraModelTest, MinusKeepsLeftRowsWithoutPartner) {
    auto minus = Ref<Minus>::adopt(makeMinus({symbols({x, y}), symbols({y}), symbols({x})}));
    auto both = Ref<Minus>::adopt(makeMinus({symbols({x, y}), symbols({y, x}), symbols({y, x})}));
    auto truth = Ref<Minus>::adopt(makeMinus({symbols({x, y}), symbols({y}), symbols({})}));
    for (int round = 0; round < 300; ++round) {
        Input left(symbols({x, y}), rows(2, round % 2 == 0));
        Input right(symbols({y}), rows(1, round % 3 == 0));
        Input pairs(symbols({y, x}), rows(2, round % 5 == 0));
        std::set<Row> survivors, survivingPairs;
        for (const auto& l : left.rows) {
            bool partner = false, pairPartner = false;
            for (const auto& r : right.rows) partner = partner || r.second[0] == l.second[1];
            for (const auto& r : pairs.rows)
                pairPartner =
                    pairPartner || (r.second[0] == l.second[1] && r.second[1] == l.second[0]);
            if (!partner) survivors.insert({l.second[0]});
            if (!pairPartner) survivingPairs.insert({l.second[1], l.second[0]});
        }
        const Ref<Operand> result =
            run(minus.get(), {left.operand.get(), right.operand.get()}, access);
        ASSERT_EQ(contents(result.get()), unkeyed(survivors)) << "round " << round;
        const Ref<Operand> paired =
            run(both.get(), {left.operand.get(), pairs.operand.get()}, access);
        ASSERT_EQ(contents(paired.get()), unkeyed(survivingPairs)) << "round " << round;
        const Ref<Operand> anyLeft =
            run(truth.get(), {left.operand.get(), right.operand.get()}, access);
        ASSERT_EQ(contents(anyLeft.get()),
                  unkeyed(survivors.empty() ? std::set<Row>{} : std::set<Row>{Row{}}))
            << "round " << round;
    }
}

}  // namespace
}  // namespace compile_test
