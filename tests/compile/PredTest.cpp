// Tests of Pred over stored predicates (with constants, passed inputs and set selection),
// propositions and built-ins reached through the dispatcher.
#include <gtest/gtest.h>

#include "compile/ValueOperatorSupport.h"

namespace compile_test {
namespace {

class PredTest : public ValueOperatorTest {
  protected:
    void SetUp() override {
        ValueOperatorTest::SetUp();
        a = object("a");
        b = object("b");
        c = object("c");
        p = predicate("p", 2);
        for (auto [first, second] : {std::pair{a, b}, {a, c}, {b, c}}) {
            const InternalName args[2] = {first, second};
            access->insertPredicate(p, args, 2);
        }
    }
    InternalName a, b, c;
    FSymbol p;
};

TEST_F(PredTest, StoredPredicatesGiveUnkeyedRows) {
    Conditions all;
    all.var = Records{{1, 0}, {2, 1}};
    all.variables = symbols({x, y});
    auto pred = Ref<Pred>::adopt(makePred(2, p, all));
    const Ref<Operand> rows = run(pred.get(), {}, access);
    EXPECT_EQ(contents(rows.get()),
              (std::vector<KeyedRow>{{undef(), {a, b}}, {undef(), {a, c}}, {undef(), {b, c}}}));
    EXPECT_FALSE(pred->isGroupedBy(x, nullptr));

    // p(a, Y).
    Conditions first;
    first.var = Records{{2, 0}};
    first.constantPositions = ints({1});
    first.constantSymbols = symbols({constant("a")});
    first.variables = symbols({y});
    auto fromA = Ref<Pred>::adopt(makePred(2, p, first));
    const Ref<Operand> ys = run(fromA.get(), {}, access);
    EXPECT_EQ(contents(ys.get()), (std::vector<KeyedRow>{{undef(), {b}}, {undef(), {c}}}));
}

TEST_F(PredTest, PassedInputsFillThePatternOrSelectBySet) {
    // p(X, Y) with X from a projection: enumerated (flag 1) or tested by membership (flag 0),
    // the same rows either way.
    auto xs = Ref<Operand2>::adopt(new Operand2());
    xs->insert(b);
    xs->insert(c);
    for (int flag : {1, 0}) {
        Conditions passed;
        passed.inputCount = 1;
        passed.var = Records{{1, 0}, {2, 1}};
        passed.keyColumns = ints({1});
        passed.bindings = Records{{0, 0, 1}};
        passed.inputFlags = ints({flag});
        passed.variables = symbols({x, y});
        auto pred = Ref<Pred>::adopt(makePred(2, p, passed));
        const Ref<Operand> rows = run(pred.get(), {xs.get()}, access);
        EXPECT_EQ(contents(rows.get()), (std::vector<KeyedRow>{{undef(), {b, c}}})) << flag;
    }

    // An empty stored predicate answers at once, even with inputs that have rows.
    FSymbol q = predicate("q", 2);
    const InternalName args[2] = {a, a};
    access->insertPredicate(predicate("q", 1), args, 1);
    Conditions onQ;
    onQ.inputCount = 1;
    onQ.var = Records{{2, 0}};
    onQ.keyColumns = ints({1});
    onQ.bindings = Records{{0, 0, 1}};
    onQ.inputFlags = ints({1});
    onQ.variables = symbols({y});
    auto empty = Ref<Pred>::adopt(makePred(2, q, onQ));
    const Ref<Operand> none = run(empty.get(), {xs.get()}, access);
    ASSERT_NE(none.get(), nullptr);
    EXPECT_TRUE(none->isEmpty());
}

TEST_F(PredTest, PropositionsHoldOnceOrNotAtAll) {
    FSymbol rain = predicate("rain", 0);
    FSymbol snow = predicate("snow", 0);
    access->insertPredicate(rain, nullptr, 0);
    auto raining = Ref<Pred>::adopt(makePred(0, rain, Conditions()));
    const Ref<Operand> yes = run(raining.get(), {}, access);
    EXPECT_EQ(contents(yes.get()), (std::vector<KeyedRow>{{undef(), {}}}));
    auto snowing = Ref<Pred>::adopt(makePred(0, snow, Conditions()));
    const Ref<Operand> no = run(snowing.get(), {}, access);
    ASSERT_NE(no.get(), nullptr);
    EXPECT_TRUE(no->isEmpty());
}

TEST_F(PredTest, BuiltinsTakeTheirInputsThroughTheDispatcher) {
    // X < 3 with X passed in: a built-in's inputs are enumerated even with flag 0.
    auto xs = Ref<Operand2>::adopt(new Operand2());
    for (int v : {1, 2, 3, 4}) xs->insert(integer(v));
    Conditions less;
    less.inputCount = 1;
    less.var = Records{{1, 0}};
    less.constantPositions = ints({2});
    less.constantSymbols = symbols({FSymbol(3, InternalName::Integer, -1)});
    less.keyColumns = ints({1});
    less.bindings = Records{{0, 0, 1}};
    less.inputFlags = ints({0});
    less.variables = symbols({x});
    auto below = Ref<Pred>::adopt(makePred(2, builtin("<", 2), less));
    const Ref<Operand> rows = run(below.get(), {xs.get()}, access);
    std::vector<KeyedRow> got = contents(rows.get());
    EXPECT_EQ(got, (std::vector<KeyedRow>{{undef(), {integer(1)}}, {undef(), {integer(2)}}}));

    // strcat("ab", "cd", Z).
    Conditions join;
    join.var = Records{{3, 0}};
    join.constantPositions = ints({1, 2});
    join.constantSymbols = symbols({stringSymbol("ab"), stringSymbol("cd")});
    join.variables = symbols({z});
    auto strcat = Ref<Pred>::adopt(makePred(3, builtin("strcat", 3), join));
    const Ref<Operand> joined = run(strcat.get(), {}, access);
    EXPECT_EQ(contents(joined.get()), (std::vector<KeyedRow>{{undef(), {string("abcd")}}}));
}

}  // namespace
}  // namespace compile_test
