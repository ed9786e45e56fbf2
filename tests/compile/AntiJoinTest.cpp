// Tests of the negation that probes the negated predicate's stored rows or class memberships row
// by row: the rows it filters (a product of two relations) are never stored, and its answers are
// those of the anti-join over the negated literal's rows.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <string>
#include <vector>

#include "compile/AlgebraicEval.h"
#include "compile/AlgebraicExpr.h"
#include "compile/Operand.h"
#include "compile/Translator.h"
#include "foundation/OutputChannel.h"
#include "language/FRule.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Lines = std::vector<std::string>;

// The peak resident memory of this process so far, in kilobytes.
long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

class AntiJoinTest : public rule_test::RuleTest {
  protected:
    // Enters name(v) for v from `from` to `to` - 1, or name(v, w) for every w of `seconds`.
    void enter(const std::string& name, int from, int to, const std::vector<int>& seconds = {}) {
        const FSymbol symbol =
            harness.table()->GetFSymbol(name, InternalName::Predicate, seconds.empty() ? 1 : 2);
        for (int v = from; v < to; ++v) {
            if (seconds.empty()) {
                const InternalName row[1] = {InternalName(v, InternalName::Integer, 0)};
                access->insertPredicate(symbol, row, 1);
            }
            for (int w : seconds) {
                const InternalName row[2] = {InternalName(v, InternalName::Integer, 0),
                                             InternalName(w, InternalName::Integer, 0)};
                access->insertPredicate(symbol, row, 2);
            }
        }
    }
};

TEST_F(AntiJoinTest,
       ANegationOverAProductOfTwoLargeRelationsStoresNeitherTheProductNorItsProjection) {
    // Nine million pairs: enough that storing them would show, few enough for a sanitized
    // build on a loaded machine.
    constexpr int Rows = 3000;
    enter("p", 0, Rows);
    enter("q", 0, Rows);
    // r(0, y) and r(1, y) for every y of q: only X = 0 and X = 1 have no Y left.
    std::vector<int> all;
    for (int y = 0; y < Rows; ++y) all.push_back(y);
    enter("r", 0, 2, all);
    const std::string text = "h(X) :- p(X), q(Y), not r(X, Y).";
    EXPECT_EQ(plan(text),
              "minus : anti-join probing the stored rows\n"
              "  merge : nested loop\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n");
    const long before = peakKilobytes();
    const Lines answers = harness.answers(text);
    // Nine million rows of two cells take at least 144 MB stored once (and as much again
    // projected for the probe); streamed, only the answers and the stored relations are held.
    EXPECT_LT(peakKilobytes() - before, 64L * 1024);
    ASSERT_EQ(answers.size(), std::size_t(Rows - 2));
    EXPECT_EQ(answers.front(), "X=10");
    EXPECT_EQ(answers.back(), "X=999");
    EXPECT_EQ(std::count(answers.begin(), answers.end(), "X=0"), 0);
    EXPECT_EQ(std::count(answers.begin(), answers.end(), "X=1"), 0);
}

TEST_F(AntiJoinTest, AProbedNegationAnswersAsTheAntiJoinOverTheNegatedRows) {
    harness.facts(
        "e(a, b). e(b, c). e(c, a). e(c, d). n(a). n(b). n(c). n(d). m(a, x). m(d, y).\n"
        "s(a, b, k). s(b, b, k). s(c, d, j).");
    struct Case {
        const char* rule;
        Lines answers;
    };
    const Case cases[] = {
        // The product filtered by a relation of the same variables.
        {"h(X, Y) :- n(X), n(Y), not e(X, Y).",
         {"X=a, Y=a", "X=a, Y=c", "X=a, Y=d", "X=b, Y=a", "X=b, Y=b", "X=b, Y=d", "X=c, Y=b",
          "X=c, Y=c", "X=d, Y=a", "X=d, Y=b", "X=d, Y=c", "X=d, Y=d"}},
        // The negated literal binds its variables in another order than the rows before it.
        {"h(X, Y) :- e(X, Y), not e(Y, X).", {"X=a, Y=b", "X=b, Y=c", "X=c, Y=a", "X=c, Y=d"}},
        // A constant in the negated literal, and a variable twice.
        {"h(X) :- n(X), not s(X, b, k).", {"X=c", "X=d"}},
        {"h(X) :- n(X), not s(X, X, k).", {"X=a", "X=c", "X=d"}},
        // A constant no stored row holds: nothing is filtered.
        {"h(X) :- n(X), not s(X, b, nowhere).", {"X=a", "X=b", "X=c", "X=d"}},
        // A negated predicate without any row, and one of another arity.
        {"h(X) :- n(X), not none(X).", {"X=a", "X=b", "X=c", "X=d"}},
        {"h(X) :- n(X), not e(X).", {"X=a", "X=b", "X=c", "X=d"}},
        // Only some of the variables go on.
        {"h(X) :- n(X), m(X, V), not e(X, V).", {"X=a", "X=d"}},
    };
    for (const Case& c : cases) EXPECT_EQ(harness.answers(c.rule), c.answers) << c.rule;
}

TEST_F(AntiJoinTest, ManyRowsProbedAheadAnswerEachRowOnce) {
    // The rows wait a few rows after their probe is hinted: a product whose size is no multiple
    // of that wait, filtered by a scattered relation, must keep exactly the rows without a
    // partner, the last few included.
    constexpr int Xs = 37;
    constexpr int Ys = 29;
    const FSymbol r = harness.table()->GetFSymbol("r", InternalName::Predicate, 2);
    enter("p", 0, Xs);
    enter("q", 0, Ys);
    std::vector<std::string> expected;
    for (int x = 0; x < Xs; ++x)
        for (int y = 0; y < Ys; ++y) {
            if ((x * 7 + y * 13) % 5 == 0) {
                const InternalName row[2] = {InternalName(x, InternalName::Integer, 0),
                                             InternalName(y, InternalName::Integer, 0)};
                access->insertPredicate(r, row, 2);
            } else {
                expected.push_back("X=" + std::to_string(x) + ", Y=" + std::to_string(y));
            }
        }
    Lines answers = harness.answers("h(X, Y) :- p(X), q(Y), not r(X, Y).");
    std::sort(answers.begin(), answers.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(answers, expected);
    // Every row filtered, and none: the rows still waiting at the end are tested too.
    EXPECT_TRUE(harness.answers("h(X) :- p(X), not p(X).").empty());
    EXPECT_EQ(harness.answers("h(X) :- p(X), not q(X), X > 33.").size(), std::size_t(3));
}

TEST_F(AntiJoinTest, AProbedMembershipAnswersAsTheAntiJoinOverTheMemberships) {
    harness.facts(
        "a : c. b : c. d : e. e :: c. f :: e. g : f. n(a). n(b). n(d). n(g). n(x). n(c).\n"
        "k(a, c). k(x, e). k(d, e). k(g, nowhere).");
    struct Case {
        const char* rule;
        Lines answers;
    };
    const Case cases[] = {
        // Members through the class hierarchy count: d : e, e :: c; g : f, f :: e.
        {"h(X) :- n(X), not X : c.", {"X=c", "X=x"}},
        {"h(X) :- n(X), not X : e.", {"X=a", "X=b", "X=c", "X=x"}},
        // The class from the rows before: x : e does not hold, d : e does.
        {"h(X, C) :- k(X, C), not X : C.", {"C=e, X=x", "C=nowhere, X=g"}},
        // A class no fact names: nothing is filtered.
        {"h(X) :- n(X), not X : unheard.", {"X=a", "X=b", "X=c", "X=d", "X=g", "X=x"}},
        // Two negations, and a membership in the class of another literal.
        {"h(X, Y) :- n(X), n(Y), not X : c, not Y : e.",
         {"X=c, Y=a", "X=c, Y=b", "X=c, Y=c", "X=c, Y=x", "X=x, Y=a", "X=x, Y=b", "X=x, Y=c",
          "X=x, Y=x"}},
    };
    for (const Case& c : cases) EXPECT_EQ(harness.answers(c.rule), c.answers) << c.rule;
    // Each row of the rows before is tested as it comes; the product of n with itself is
    // neither stored nor projected.
    EXPECT_EQ(plan("h(X, Y) :- n(X), n(Y), not X : Y."),
              "minus : anti-join probing the stored rows\n"
              "  merge : nested loop\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n");
    EXPECT_EQ(harness.answers("h(X) :- n(X), n(Y), not X : Y, Y = c."), (Lines{"X=c", "X=x"}));
}

}  // namespace
