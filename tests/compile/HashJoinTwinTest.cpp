// Twin test of the hash join's left read: a join over an inner join that may repeat rows reads
// them as the inner join gives them, and answers as when it stores them first, repeats dropped.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compile/CompileTestSupport.h"
#include "compile/HashJoin.h"
#include "compile/Operand.h"
#include "support/RoadTwin.h"

namespace compile_test {
namespace {

using road_twin::Dice;
using road_twin::Road;

using Pairs = std::vector<std::pair<int, int>>;

// a(X, Y), b(Y, Z) and c(Z, W): the inner join of a and b gives (X, Z), and the outer join of
// that with c gives (X, Z, W), or (X, W) when `dropZ`. A reader then takes the outer rows in
// `order`, after an emptiness test when `emptyFirst`.
struct ThreeWay {
    Pairs a, b, c;
    bool dropZ = false;
    bool emptyFirst = false;
    RowOrder order = RowOrder::Repeating;
};

std::ostream& operator<<(std::ostream& out, const ThreeWay& input) {
    auto pairs = [&out](const char* name, const Pairs& rows) {
        for (const auto& [u, v] : rows) out << name << "(" << u << "," << v << ").\n";
    };
    pairs("a", input.a);
    pairs("b", input.b);
    pairs("c", input.c);
    return out << "dropZ " << input.dropZ << ", emptyFirst " << input.emptyFirst << ", order "
               << int(input.order) << "\n";
}

class HashJoinTwinTest : public AlgebraTest {
  protected:
    // (A, B) with (B, C) into (A, C): the join of two pairs on the second and first column.
    std::unique_ptr<HashJoin> pairJoin(SetOperand* left, SetOperand* right) {
        return std::make_unique<HashJoin>(left, right, std::vector<int>{2}, std::vector<int>{1},
                                          std::vector<HashJoin::Agree>{},
                                          std::vector<HashJoin::Take>{{0, 1, 0}, {1, 2, 1}},
                                          std::vector<InternalName>(2, undef()));
    }
    SetOperand* stored(const clib_list<FSymbol>& columns, const Pairs& rows) {
        auto* operand = new SetOperand(columns);
        for (const auto& [u, v] : rows) {
            const InternalName row[2] = {integer(u), integer(v)};
            operand->insert(undef(), row);
        }
        return operand;
    }

    // The rows the reader is given, sorted, and whether they were each given once where the
    // reader asked for that; the emptiness test's answer first.
    std::vector<std::string> run(const ThreeWay& input, Road road) {
        auto a = Ref<SetOperand>::adopt(stored(symbols({x, y}), input.a));
        auto b = Ref<SetOperand>::adopt(stored(symbols({y, z}), input.b));
        auto c = Ref<SetOperand>::adopt(stored(symbols({z, w}), input.c));
        // (X, Y) with (Y, Z) into (X, Z): Y dropped, so a row may come twice.
        auto inner = Ref<SetOperand>::adopt(new SetOperand(symbols({x, z})));
        inner->defer(pairJoin(a.get(), b.get()));
        std::vector<HashJoin::Take> take{{0, 1, 0}, {1, 2, input.dropZ ? 1 : 2}};
        if (!input.dropZ) take.push_back({0, 2, 1});
        const std::size_t width = input.dropZ ? 2 : 3;
        auto outer = Ref<SetOperand>::adopt(
            new SetOperand(input.dropZ ? symbols({x, w}) : symbols({x, z, w})));
        auto join = std::make_unique<HashJoin>(inner.get(), c.get(), std::vector<int>{2},
                                               std::vector<int>{1}, std::vector<HashJoin::Agree>{},
                                               take, std::vector<InternalName>(width, undef()));
        if (road == Road::General) join->readLeftEachOnce();
        outer->defer(std::move(join));

        std::vector<std::string> seen;
        if (input.emptyFirst) seen.push_back(outer->isEmpty() ? "empty" : "not empty");
        std::multiset<std::string> rows;
        outer->scan(input.order, [&](const RowView& row) {
            std::string text;
            for (int k = 0; k < row.width; ++k)
                text += std::to_string(row.cells[k].getValue()) + " ";
            rows.insert(text);
        });
        const std::set<std::string> distinct(rows.begin(), rows.end());
        if (input.order != RowOrder::Repeating)
            seen.push_back(rows.size() == distinct.size() ? "each once" : "repeated");
        seen.insert(seen.end(), distinct.begin(), distinct.end());
        return seen;
    }
};

Pairs randomPairs(Dice& dice, int values) {
    Pairs rows;
    const int count = dice.below(40);
    for (int i = 0; i < count; ++i) rows.emplace_back(dice.below(values), dice.below(values));
    return rows;
}

TEST_F(HashJoinTwinTest, AJoinOverARepeatingJoinAnswersAsWhenItsRowsAreStoredFirst) {
    const int rounds = road_twin::expectTwins(
        20261211, 400,
        [](Dice& dice) {
            const int values = dice.between(1, 8);
            ThreeWay input;
            input.a = randomPairs(dice, values);
            input.b = randomPairs(dice, values);
            input.c = randomPairs(dice, values);
            input.dropZ = dice.oneIn(2);
            input.emptyFirst = dice.oneIn(2);
            static const std::vector<RowOrder> orders{RowOrder::Ordered, RowOrder::Unordered,
                                                      RowOrder::Distinct, RowOrder::Repeating};
            input.order = dice.pick(orders);
            return input;
        },
        [this](const ThreeWay& input, Road road) { return run(input, road); });
    EXPECT_EQ(rounds, 400);
}

TEST_F(HashJoinTwinTest, ARepeatingInnerJoinIsReadAsGivenAndNeverStored) {
    // a(i, k) for k below 3 and b(k, 0): every X meets each b row through a Y of its own, and
    // (X, 0) comes three times.
    Pairs a, b, c;
    for (int i = 0; i < 10; ++i)
        for (int k = 0; k < 3; ++k) a.emplace_back(i, k);
    for (int k = 0; k < 3; ++k) b.emplace_back(k, 0);
    c.emplace_back(0, 7);
    auto left = Ref<SetOperand>::adopt(stored(symbols({x, y}), a));
    auto right = Ref<SetOperand>::adopt(stored(symbols({y, z}), b));
    auto last = Ref<SetOperand>::adopt(stored(symbols({z, w}), c));
    auto inner = Ref<SetOperand>::adopt(new SetOperand(symbols({x, z})));
    inner->defer(pairJoin(left.get(), right.get()));
    auto outer = Ref<SetOperand>::adopt(new SetOperand(symbols({x, w})));
    auto join = pairJoin(inner.get(), last.get());
    EXPECT_EQ(join->leftRead(), HashJoin::LeftRead::AsGiven);
    EXPECT_FALSE(join->distinctRows());
    outer->defer(std::move(join));

    EXPECT_FALSE(outer->isEmpty());
    EXPECT_TRUE(inner->holdsComputedSource());
    int rows = 0;
    outer->scan(RowOrder::Repeating, [&rows](const RowView&) { ++rows; });
    // Each X three times (through each k), the inner rows never stored.
    EXPECT_EQ(rows, 30);
    EXPECT_TRUE(inner->holdsComputedSource());
    // A reader that wants each row once has them stored, repeats dropped.
    rows = 0;
    outer->scan(RowOrder::Distinct, [&rows](const RowView&) { ++rows; });
    EXPECT_EQ(rows, 10);
}

TEST_F(HashJoinTwinTest, AJoinOverStoredLeftRowsReadsThemEachOnce) {
    Pairs a{{1, 2}, {2, 2}}, b{{2, 5}, {2, 6}}, c{{5, 9}};
    auto left = Ref<SetOperand>::adopt(stored(symbols({x, y}), a));
    auto right = Ref<SetOperand>::adopt(stored(symbols({y, z}), b));
    auto last = Ref<SetOperand>::adopt(stored(symbols({z, w}), c));
    auto inner = Ref<SetOperand>::adopt(new SetOperand(symbols({x, z})));
    inner->defer(pairJoin(left.get(), right.get()));
    // The inner rows are not known distinct, but a stored left side reads alike either way.
    const auto overStored = pairJoin(left.get(), last.get());
    EXPECT_EQ(overStored->leftRead(), HashJoin::LeftRead::EachOnce);
    const auto overInner = pairJoin(inner.get(), last.get());
    EXPECT_EQ(overInner->leftRead(), HashJoin::LeftRead::AsGiven);
}

TEST_F(HashJoinTwinTest, AJoinOverAJoinPassingRepeatsOnReadsItsRowsEachOnce) {
    // (X, Y) with (Y, Z) into (X, Z), then with (Z, W) into (X, W), then with (W, V) into
    // (X, V): the second join passes the first one's repeats on, and the third stores the
    // second one's rows first, so that repeats do not multiply down the chain.
    Pairs edges{{0, 1}, {1, 0}, {0, 0}, {1, 1}};
    auto e1 = Ref<SetOperand>::adopt(stored(symbols({x, y}), edges));
    auto e2 = Ref<SetOperand>::adopt(stored(symbols({y, z}), edges));
    auto e3 = Ref<SetOperand>::adopt(stored(symbols({z, w}), edges));
    const FSymbol v = variable("V");
    auto e4 = Ref<SetOperand>::adopt(stored(symbols({w, v}), edges));
    auto first = Ref<SetOperand>::adopt(new SetOperand(symbols({x, z})));
    auto firstJoin = pairJoin(e1.get(), e2.get());
    EXPECT_EQ(firstJoin->leftRead(), HashJoin::LeftRead::EachOnce);
    first->defer(std::move(firstJoin));
    auto second = Ref<SetOperand>::adopt(new SetOperand(symbols({x, w})));
    auto secondJoin = pairJoin(first.get(), e3.get());
    EXPECT_EQ(secondJoin->leftRead(), HashJoin::LeftRead::AsGiven);
    second->defer(std::move(secondJoin));
    auto third = Ref<SetOperand>::adopt(new SetOperand(symbols({x, v})));
    auto thirdJoin = pairJoin(second.get(), e4.get());
    EXPECT_EQ(thirdJoin->leftRead(), HashJoin::LeftRead::EachOnce);
    third->defer(std::move(thirdJoin));
    int rows = 0;
    third->scan(RowOrder::Distinct, [&rows](const RowView&) { ++rows; });
    EXPECT_EQ(rows, 4);
}

}  // namespace
}  // namespace compile_test
