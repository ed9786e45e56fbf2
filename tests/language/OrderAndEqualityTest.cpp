// The total order of parse-tree nodes and their structural equality.
#include <gtest/gtest.h>

#include <vector>

#include "ParseTreeTestSupport.h"

using language_test::TreeBuilder;

namespace {

// A sample mixing classes, names, argument counts, negation, clause shapes, molecules with their
// specifications in either order, and computed terms.
std::vector<ParseTreeNode*> mixedSample(TreeBuilder& b) {
    auto m = [&](const char* method, const char* value) {
        return b.sspec(b.cnst(method), b.cnst(value));
    };
    FLiteralList* body = b.body({b.lit(b.pred("p", {b.var("X")}))});
    return {b.var("X"),
            b.var("Y"),
            b.cnst("a"),
            b.cnst("b"),
            b.fn("f", {b.cnst("a")}),
            b.fn("f", {b.cnst("b")}),
            b.fn("f", {b.cnst("a"), b.cnst("a")}),
            b.fn("g", {b.cnst("a")}),
            b.num(3),
            b.pred("p", {b.var("X")}),
            b.pred("p", {b.var("Y")}),
            b.builtin("<", {b.var("X"), b.num(1)}),
            b.lit(b.pred("p", {b.var("X")})),
            b.notLit(b.pred("p", {b.var("X")})),
            b.body({}),
            b.body({b.lit(b.cnst("a"))}),
            b.head({b.cnst("a")}),
            b.head({b.cnst("a"), b.cnst("b")}),
            b.fact({b.cnst("a")}),
            b.query({b.lit(b.cnst("a"))}),
            b.rule({b.cnst("a")}, {b.lit(b.cnst("b"))}),
            b.program({}),
            b.program({b.fact({b.cnst("a")})}),
            b.mol(b.var("X")),
            b.mol(b.var("X"), {m("a", "1")}),
            b.mol(b.var("X"), {m("a", "1"), m("b", "2")}),
            b.mol(b.var("X"), {m("b", "2"), m("a", "1")}),
            b.mol(b.var("X"), {m("a", "2"), m("b", "1")}),
            b.mol(b.var("Y"), {m("a", "1")}),
            b.mol(b.var("X"), {}, b.cnst("c"), 1),
            b.mol(b.var("X"), {}, b.cnst("c"), 2),
            b.mol(b.var("X"), {b.mspec(b.cnst("a"), {b.cnst("1"), b.cnst("2")})}),
            b.mol(b.var("X"), {b.mspec(b.cnst("a"), {b.cnst("1")})}),
            b.pevoMol(b.var("X"), {}, nullptr, 0, b.body({b.lit(b.cnst("f"))})),
            m("a", "1"),
            b.mspec(b.cnst("a"), {b.cnst("1")}),
            b.step(b.var("X"), b.cnst("a")),
            b.arith(b.var("X"), "+", b.num(1)),
            b.arith(b.var("X"), "+", b.num(2)),
            b.arith(b.var("X"), "-", b.num(1)),
            b.arith(b.num(1), "+", b.var("X")),
            b.agg("count", "X", {}, body),
            b.agg("count", "X", {"Y"}, body),
            b.agg("max", "X", {}, body),
            b.agg("count", "X", {}, b.body({}))};
}

}  // namespace

TEST(Order, ClassNamesComeFirst) {
    TreeBuilder b;
    // "FVar" < "FunctionTerm" by text, whatever the names inside.
    EXPECT_EQ(b.var("Z")->compare(*b.cnst("a")), -1);
    EXPECT_EQ(b.cnst("a")->compare(*b.var("Z")), 1);
    EXPECT_TRUE(*b.head({}) < *b.pred("p", {}));
    // Same arguments under different names are different.
    EXPECT_NE(b.fn("f", {b.cnst("a")})->compare(*b.fn("g", {b.cnst("a")})), 0);
    EXPECT_TRUE(*b.fn("f", {b.cnst("a")}) == *b.fn("f", {b.cnst("a")}));
}

TEST(Order, IsTotalOverAMixedSample) {
    TreeBuilder b;
    std::vector<ParseTreeNode*> sample = mixedSample(b);
    language_test::expectTotalOrder(b, sample);
}

TEST(Order, AnswersOutsideTheOrderAreReported) {
    // A class whose order is broken: the ordering operators refuse it.
    class Unordered : public FTerm {
      public:
        ParseTreeNode* clone() const override { return nullptr; }
        void collectVars(VarList&) const override {}
        int compareSameClass(const ParseTreeNode&) const override { return -2; }
    };
    ErrorCapture errors(6);
    Unordered x;
    Unordered y;
    EXPECT_FALSE(x < y);
    EXPECT_FALSE(x >= y);
    EXPECT_NE(errors.text().find("NoOrderPossible"), std::string::npos);
}

TEST(Equality, ListsClausesAndProgramsAreStructural) {
    TreeBuilder b;
    ErrorCapture errors(7);
    EXPECT_TRUE(b.head({b.cnst("a"), b.var("X")})->deepEqual(*b.head({b.cnst("a"), b.var("X")})));
    EXPECT_FALSE(b.head({b.cnst("a")})->deepEqual(*b.head({b.cnst("b")})));
    EXPECT_FALSE(b.head({b.cnst("a")})->deepEqual(*b.head({b.cnst("a"), b.cnst("a")})));
    EXPECT_FALSE(b.head({b.cnst("a")})->deepEqual(*b.head({nullptr})));
    EXPECT_TRUE(b.head({nullptr})->deepEqual(*b.head({nullptr})));

    EXPECT_TRUE(b.body({b.lit(b.cnst("a"))})->deepEqual(*b.body({b.lit(b.cnst("a"))})));
    EXPECT_FALSE(b.body({b.lit(b.cnst("a"))})->deepEqual(*b.body({b.notLit(b.cnst("a"))})));

    FRule* rule = b.rule({b.cnst("a")}, {b.lit(b.cnst("b"))});
    FRule* elsewhere = b.own(new FRule(b.head({b.cnst("a")}), b.body({b.lit(b.cnst("b"))}), nullptr,
                                       "other.flp", 42, 1));
    EXPECT_TRUE(rule->deepEqual(*elsewhere));
    EXPECT_FALSE(rule->deepEqual(*b.fact({b.cnst("a")})));
    EXPECT_FALSE(rule->deepEqual(*b.rule({b.cnst("a")}, {b.lit(b.cnst("c"))})));

    EXPECT_TRUE(b.program({rule})->deepEqual(*b.program({elsewhere})));
    EXPECT_FALSE(b.program({rule})->deepEqual(*b.program({rule, rule})));
    EXPECT_TRUE(b.program({})->deepEqual(*b.program({})));
    EXPECT_EQ(errors.text(), "");  // no "Pure virtually called" message
}

TEST(Equality, TermsAndMatching) {
    TreeBuilder b;
    EXPECT_TRUE(b.var("X")->deepEqual(*b.var("X")));
    EXPECT_FALSE(b.var("X")->deepEqual(*b.var("Y")));
    EXPECT_FALSE(b.fn("f", {b.var("X")})->deepEqual(*b.pred("f", {b.var("X")})));
    EXPECT_FALSE(b.cnst("a")->deepEqual(*b.fn("a", {b.cnst("b")})));

    FunctionTerm* pattern = b.fn("f", {b.var("X"), b.var("X")});
    TermBindings consistent;
    EXPECT_TRUE(pattern->matches(*b.fn("f", {b.cnst("a"), b.cnst("a")}), consistent));
    TermBindings conflicting;
    EXPECT_FALSE(pattern->matches(*b.fn("f", {b.cnst("a"), b.cnst("b")}), conflicting));

    FVar* x = b.var("X");
    EXPECT_FALSE(b.fn("f", {b.cnst("a"), b.fn("g", {x})})->doesNotContain(*x));
    EXPECT_TRUE(b.fn("f", {b.var("Y")})->doesNotContain(*x));
    EXPECT_TRUE(b.cnst("a")->doesNotContain(*x));
}
