// The translator end to end: F-Logic text through the real parser, facts into a real object
// base, each body translated and evaluated, the bindings compared as sets; and the trees, debug
// texts and shell interface of the translator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "compile/AlgebraicExpr.h"
#include "compile/Translator.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Lines = std::vector<std::string>;

class TranslatorTest : public rule_test::RuleTest {
  protected:
    void SetUp() override {
        harness.facts(
            "a : c. b : c. d : c. a : e. b : e. f(a) : c. f(b) : g.\n"
            "c :: k. e :: k. x : h.");
    }
};

TEST_F(TranslatorTest, SingleIsaLiterals) {
    EXPECT_EQ(harness.answers("?- X : c."), (Lines{"X=a", "X=b", "X=d", "X=f(a)"}));
    EXPECT_EQ(harness.answers("?- a : C."), (Lines{"C=c", "C=e", "C=k"}));
    // The subclass relation is reflexive.
    EXPECT_EQ(harness.answers("?- X :: k."), (Lines{"X=c", "X=e", "X=k"}));
    EXPECT_EQ(harness.answers("?- a : c."), (Lines{"true"}));
    EXPECT_EQ(harness.answers("?- a : h."), (Lines{}));
}

TEST_F(TranslatorTest, JoinsOnOneAndTwoVariables) {
    EXPECT_EQ(harness.answers("?- X : c, X : e."), (Lines{"X=a", "X=b"}));
    EXPECT_EQ(harness.answers("?- X : C, C :: k, X : e."),
              (Lines{"C=c, X=a", "C=c, X=b", "C=e, X=a", "C=e, X=b", "C=k, X=a", "C=k, X=b"}));
    EXPECT_EQ(harness.answers("?- X : C, X : D, C :: D, D :: k, not C :: D."), (Lines{}));
    // Two literals without a shared variable: every combination.
    EXPECT_EQ(harness.answers("?- X : e, Y : h."), (Lines{"X=a, Y=x", "X=b, Y=x"}));
}

TEST_F(TranslatorTest, HeadVariablesFunctionTermsAndConstants) {
    EXPECT_EQ(harness.answers("h(X) :- X : C, C :: k."), (Lines{"X=a", "X=b", "X=d", "X=f(a)"}));
    EXPECT_EQ(harness.answers("?- f(X) : C."), (Lines{"C=c, X=a", "C=g, X=b", "C=k, X=a"}));
    EXPECT_EQ(harness.answers("?- f(X) : c, X : e."), (Lines{"X=a"}));
}

TEST_F(TranslatorTest, Negation) {
    EXPECT_EQ(harness.answers("?- X : c, not X : e."), (Lines{"X=d", "X=f(a)"}));
    // Ground negation: holds or not, whatever the rows.
    EXPECT_EQ(harness.answers("?- X : e, not a : h."), (Lines{"X=a", "X=b"}));
    EXPECT_EQ(harness.answers("?- X : e, not x : h."), (Lines{}));
    // A negated literal first: the rest of the body meets it through the join.
    EXPECT_EQ(harness.answers("h(X) :- not a : h, X : e."), (Lines{"X=a", "X=b"}));
}

TEST_F(TranslatorTest, DontCareVariablesInQueries) {
    EXPECT_EQ(harness.answers("?- X : _."),
              (Lines{"X=a", "X=b", "X=d", "X=f(a)", "X=f(b)", "X=x"}));
    ASSERT_TRUE(harness.translate("?- X : _."));
    EXPECT_EQ(harness.getTranslator()->duplicateFlag(), 1);
}

TEST_F(TranslatorTest, TreesOfMoleculesJoinsAndNegations) {
    EXPECT_EQ(harness.tree("h(X) :- X : c, X : e."), "merge(isa,isa)");
    // The negated membership is tested row by row: the minus has the rows before it alone.
    EXPECT_EQ(harness.tree("h(X) :- X : c, not X : e."), "minus(isa)");
    EXPECT_EQ(harness.tree("h(X) :- X : c, not X : _."), "minus(isa,isa(pi))");
    EXPECT_EQ(harness.tree("?- f(X) : c."), "isa(idmapper)");
    EXPECT_EQ(harness.tree("h(X) :- not a : h, X : e."), "merge(minus(isa),isa)");
    // A bare constant stands alone: it becomes a node of its own.
    EXPECT_EQ(harness.tree("?- a[]."), "idmapper");
    EXPECT_EQ(harness.tree("?- \"s\"[]."), "idmapper");
    EXPECT_EQ(harness.tree("?- X : c, not a[]."), "minus(isa,idmapper)");
    // Not every literal can be placed in a safe order.
    EXPECT_EQ(harness.tree("h(X) :- not X : c."), "null");
    EXPECT_EQ(harness.tree("?- X : c, not Y : e."), "null");
    EXPECT_TRUE(harness.getTranslator()->isOk());
}

TEST_F(TranslatorTest, DebugTexts) {
    Translator* translator = harness.getTranslator();
    ASSERT_EQ(translator->methodCall("debugOn", nullptr), translator);
    EXPECT_EQ(harness.debugText("h(X) :- X : C, C :: k."),
              "\ntranslate rule body of\nh(X) :- X:C, C::k.\nto \n"
              "merge(isa,isa)\nduplicate elimination proposed\nplan\n"
              "  merge : hash join on C\n    isa\n    isa\n");
    // A body without more variables than the head proposes nothing.
    EXPECT_EQ(harness.debugText("h(X) :- X : c."),
              "\ntranslate rule body of\nh(X) :- X:c.\nto \nisa\nplan\n  isa\n");
    ASSERT_EQ(translator->methodCall("debugOff", nullptr), translator);
    EXPECT_EQ(harness.debugText("h(X) :- X : c."), "");
}

TEST_F(TranslatorTest, AnswerColumnsAreTheWrittenOrdersUntracedAndDecidedApart) {
    Translator* translator = harness.getTranslator();
    auto columns = [&](const std::string& text) {
        FRule* r = harness.rule(text);
        std::vector<std::string> names;
        if (r == nullptr) return names;
        const AnswerColumns made = translator->answerColumns(r, harness.table());
        if (made.keepsTreeOrder()) names.push_back("tree");
        for (const FSymbol& v : made.order()) names.push_back(r->getSymTab()->giveName(v));
        return names;
    };
    ASSERT_EQ(translator->methodCall("debugOn", nullptr), translator);
    // The first literal meets the second only through the third: the planner joins them in
    // another order, and the answers keep the columns of the order as written.
    {
        OutputChannel& debug = debugChannel();
        ChannelCapture trace(debug);
        EXPECT_EQ(columns("?- c(Z,W), a(X,Y), b(Y,Z)."),
                  (std::vector<std::string>{"Z", "W", "X", "Y"}));
        // Read only: no trace.
        EXPECT_EQ(trace.text(), "");
    }
    // A body the planner keeps as written: the tree's own columns stand.
    EXPECT_EQ(columns("?- a(X,Y), b(Y,Z)."), (std::vector<std::string>{"tree"}));
    // The trace of a real translation is untouched by a column reading between.
    EXPECT_EQ(harness.debugText("h(X) :- X : c."),
              "\ntranslate rule body of\nh(X) :- X:c.\nto \nisa\nplan\n  isa\n");
}

}  // namespace
