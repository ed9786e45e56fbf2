// Tests of the plan the translator makes for typical rule bodies: each operator's kind and the way
// it runs are chosen once, when the body is translated, and the plan reads the same however often
// it is run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile/AlgebraicExpr.h"
#include "compile/Merge.h"
#include "compile/Minus.h"
#include "compile/Pred.h"
#include "compile/Translator.h"
#include "foundation/OutputChannel.h"
#include "language/FRule.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Lines = std::vector<std::string>;

class PlanStrategyTest : public rule_test::RuleTest {
  protected:
    void SetUp() override {
        harness.facts(
            "p(a, b). p(b, c). p(c, d). q(b). q(d). r(1). r(2). r(3).\n"
            "e(1, 2). e(2, 3). e(3, 4). e(4, 1). e(2, 1). e(1, 3).");
    }
};

TEST_F(PlanStrategyTest, TwoLiteralsJoinOnTheSharedVariableByHash) {
    EXPECT_EQ(plan("h(X, Z) :- p(X, Y), p(Y, Z)."),
              "merge : hash join on Y\n"
              "  pred : stored rows read in place\n"
              "  pred : stored rows read in place\n");
    // Two shared variables: one hash join on both.
    EXPECT_EQ(plan("h(X) :- p(X, Y), p(X, Y), q(Y)."),
              "merge : hash join on Y\n"
              "  merge : hash join on X,Y\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n"
              "  pred : stored rows read in place\n")
        << "two-variable join";
    EXPECT_EQ(harness.answers("h(X, Z) :- p(X, Y), p(Y, Z)."), (Lines{"X=a, Z=c", "X=b, Z=d"}));
}

TEST_F(PlanStrategyTest, AComparisonTakesTheBindingsOfTheLiteralsBeforeIt) {
    const std::string text = "h(X, Y) :- r(X), r(Y), X < Y.";
    // Both its cells bound, the comparison filters the rows one by one.
    EXPECT_EQ(plan(text),
              "minus : filter testing each row\n"
              "  merge : nested loop\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n");
    EXPECT_EQ(harness.answers(text), (Lines{"X=1, Y=2", "X=1, Y=3", "X=2, Y=3"}));
    // A constant bound in the pattern: one probe of the stored rows.
    EXPECT_EQ(plan("?- p(a, b)."), "pred : stored rows probed\n");
    EXPECT_EQ(plan("?- p(a, Y)."), "pred : stored rows read in place\n");
}

TEST_F(PlanStrategyTest, ATestOfOneLiteralFiltersItsRowsBeforeTheyAreJoined) {
    // C < 3 reads only the second literal: its rows are filtered, then joined to the first's,
    // so that the join's result is never stored to be tested.
    const std::string text = "h(A, C) :- e(A, B), e(B, C), C < 3.";
    EXPECT_EQ(plan(text),
              "merge : hash join on B\n"
              "  pred : stored rows read in place\n"
              "  minus : filter testing each row\n"
              "    pred : stored rows read in place\n");
    EXPECT_EQ(harness.answers(text), (Lines{"A=1, C=1", "A=2, C=2", "A=3, C=1", "A=4, C=2"}));
    // Written after a literal that does not bind its variables, a test moves up to the literal
    // that does; several tests of one literal all filter it, in the order written.
    const std::string moved = "h(A, C) :- e(B, C), e(A, B), C > 1, A < 4, A > 1, C < 4.";
    EXPECT_EQ(plan(moved),
              "merge : hash join on B\n"
              "  minus : filter testing each row\n"
              "    minus : filter testing each row\n"
              "      pred : stored rows read in place\n"
              "  minus : filter testing each row\n"
              "    minus : filter testing each row\n"
              "      pred : stored rows read in place\n");
    EXPECT_EQ(harness.answers(moved), (Lines{"A=2, C=2", "A=2, C=3"}));
    // A test over two literals' variables waits for both; a join variable the filtered literal
    // shares with the rows before it stays in its rows.
    const std::string spanning = "h(A) :- e(A, B), e(B, C), e(C, D), A < D, D > 2.";
    EXPECT_EQ(harness.answers(spanning), (Lines{"A=1", "A=2"}));
}

TEST_F(PlanStrategyTest, NegationIsAnAntiJoinOrAnExistenceTest) {
    // The negated literal takes Y from each row before it, as it comes, and probes the stored
    // rows with it.
    EXPECT_EQ(plan("h(X) :- p(X, Y), not q(Y)."),
              "minus : anti-join probing the stored rows\n"
              "  pred : stored rows read in place\n");
    EXPECT_EQ(harness.answers("h(X) :- p(X, Y), not q(Y)."), (Lines{"X=b"}));
    // A negated literal without variables is tested once; the rows pass through when it fails.
    EXPECT_EQ(plan("h(X) :- q(X), not p(a, c)."),
              "minus : existence test\n"
              "  pred : stored rows read in place\n"
              "  pred : stored rows probed\n");
    EXPECT_EQ(harness.answers("h(X) :- q(X), not p(a, c)."), (Lines{"X=b", "X=d"}));
    // The ground negation is planned after the literals it does not need.
    EXPECT_EQ(plan("h(X) :- q(X), not p(a, b), q(X)."),
              "minus : existence test\n"
              "  merge : hash join on X\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n"
              "  pred : stored rows probed\n");
    EXPECT_EQ(harness.answers("h(X) :- q(X), not p(a, b), q(X)."), (Lines{}));
}

TEST_F(PlanStrategyTest, AFourCycleJoinsItsTwoHalvesOnTheirEnds) {
    // Left-deep, the first three literals would make every path of length three, most of which
    // the last literal drops: the two paths of length two meet on their ends instead.
    const std::string text = "ck(f(A, B, C, D)) :- e(A, B), e(B, C), e(C, D), e(D, A).";
    EXPECT_EQ(plan(text),
              "merge : hash join on A,C\n"
              "  merge : hash join on B\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n"
              "  merge : hash join on D\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n");
    const Lines cycles{"A=1, B=2, C=1, D=2", "A=1, B=2, C=3, D=4", "A=2, B=1, C=2, D=1",
                       "A=2, B=3, C=4, D=1", "A=3, B=4, C=1, D=2", "A=4, B=1, C=2, D=3"};
    EXPECT_EQ(harness.answers("?- e(A, B), e(B, C), e(C, D), e(D, A)."), cycles);
    // Written in another order, split elsewhere: the same answers.
    EXPECT_EQ(harness.answers("?- e(D, A), e(A, B), e(C, D), e(B, C)."), cycles);
    // A cycle with a test among its literals is joined literal by literal.
    EXPECT_EQ(plan("h(A, C) :- e(A, B), e(B, C), e(C, D), e(D, A), A < C."),
              "merge : hash join on A,D\n"
              "  merge : hash join on C\n"
              "    minus : filter testing each row\n"
              "      merge : hash join on B\n"
              "        pred : stored rows read in place\n"
              "        pred : stored rows read in place\n"
              "    pred : stored rows read in place\n"
              "  pred : stored rows read in place\n");
}

TEST_F(PlanStrategyTest, AChainIsJoinedLiteralByLiteral) {
    // Joined in two halves, a chain would meet them in a product of its middle's rows: each
    // literal joins the rows before it.
    EXPECT_EQ(plan("h(X, A, B, C, Y) :- e(X, A), e(A, B), e(B, C), e(C, Y)."),
              "merge : hash join on C\n"
              "  merge : hash join on B\n"
              "    merge : hash join on A\n"
              "      pred : stored rows read in place\n"
              "      pred : stored rows read in place\n"
              "    pred : stored rows read in place\n"
              "  pred : stored rows read in place\n");
    EXPECT_EQ(plan("h(X, Y) :- e(X, A), e(A, B), e(B, C), e(C, D), e(D, E), e(E, Y)."),
              "merge : hash join on E\n"
              "  merge : hash join on D\n"
              "    merge : hash join on C\n"
              "      merge : hash join on B\n"
              "        merge : hash join on A\n"
              "          pred : stored rows read in place\n"
              "          pred : stored rows read in place\n"
              "        pred : stored rows read in place\n"
              "      pred : stored rows read in place\n"
              "    pred : stored rows read in place\n"
              "  pred : stored rows read in place\n");
    // The nine paths of length six that end in 4.
    EXPECT_EQ(harness.answers("?- e(X, A), e(A, B), e(B, C), e(C, D), e(D, E), e(E, 4).").size(),
              9u);
}

TEST_F(PlanStrategyTest, APlanRunsAgainWithTheSameAnswers) {
    // The translated tree is the plan: evaluating it twice reads it twice and changes nothing.
    FRule* r = harness.rule("?- e(A, B), e(B, C), e(C, A).");
    ASSERT_NE(r, nullptr);
    const Ref<AlgebraicExpr> expr = harness.getTranslator()->translateRule(r, harness.table());
    ASSERT_TRUE(expr);
    const std::vector<std::string> first = harness.answersOf(r, expr);
    const std::vector<std::string> second = harness.answersOf(r, expr);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first, second);
}

}  // namespace
