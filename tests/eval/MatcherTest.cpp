// The matcher's tree cache, its builders, its errors and its class object.
#include <gtest/gtest.h>

#include <string>

#include "EvalHarness.h"
#include "compile/AlgebraicExpr.h"
#include "compile/Optimizer.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "language/FRule.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;

// Counts the bodies it translates; can be made to fail after building a tree.
class CountingTranslator : public Translator {
  public:
    ExprRef translateRule(FRule* rule, SymTab* names) override {
        ++calls;
        ExprRef expr = Translator::translateRule(rule, names);
        if (keep) kept = expr;
        return expr;
    }
    bool isOk() const override { return !failing && Translator::isOk(); }
    int calls = 0;
    bool failing = false;
    bool keep = false;
    ExprRef kept;
};

class CountingOptimizer : public Optimizer {
  public:
    ExprRef optimize(FRule* rule, SymTab* names) override {
        ++calls;
        return Optimizer::optimize(rule, names);
    }
    int calls = 0;
};

struct MatcherTest : ::testing::Test {
    MatcherTest() { h.rules.facts("p(a). p(b)."); }
    // A matcher over the harness's creator and evaluator with the test's builders.
    Ref<Matcher> make(Optimizer* withOptimizer) {
        return Ref<Matcher>::make(translator.get(), h.creator, h.algebra, withOptimizer);
    }
    Lines rows(const Ref<Operand>& result) {
        Lines lines;
        if (!result) return {"null"};
        scan(result.get(), RowOrder::Ordered,
             [&](const RowView& row) { lines.push_back(h.rules.lexical(row.cells[0])); });
        return lines;
    }

    EvalHarness h;
    // Declared in the reverse of the order they are released in.
    Ref<CountingTranslator> translator = Ref<CountingTranslator>::make();
    Ref<CountingOptimizer> optimizer = Ref<CountingOptimizer>::make();
    Ref<Matcher> matcher;
};

TEST_F(MatcherTest, ARuleIsTranslatedOnceUntilClear) {
    matcher = make(nullptr);
    FRule* rule = h.rules.rule("q(X) :- p(X).");
    EXPECT_EQ(rows(matcher->retrieve(rule, nullptr, h.rules.table())), (Lines{"a", "b"}));
    EXPECT_EQ(rows(matcher->retrieve(rule, nullptr, h.rules.table())), (Lines{"a", "b"}));
    EXPECT_EQ(translator->calls, 1);
    matcher->clear();
    EXPECT_EQ(rows(matcher->retrieve(rule, nullptr, h.rules.table())), (Lines{"a", "b"}));
    EXPECT_EQ(translator->calls, 2);
    // A dropped query is translated afresh.
    matcher->remove(rule);
    matcher->retrieve(rule, nullptr, h.rules.table());
    EXPECT_EQ(translator->calls, 3);
}

TEST_F(MatcherTest, APreparedRuleIsTranslatedBeforeItsRoundAndOnce) {
    matcher = make(nullptr);
    FRule* rule = h.rules.rule("q(X) :- p(X).");
    FRule* unasked = h.rules.rule("r(X) :- p(X).");
    matcher->prepare(rule, h.rules.table());
    matcher->prepare(unasked, h.rules.table());
    matcher->prepare(rule, h.rules.table());
    EXPECT_EQ(translator->calls, 2);
    EXPECT_EQ(rows(matcher->retrieve(rule, nullptr, h.rules.table())), (Lines{"a", "b"}));
    EXPECT_EQ(translator->calls, 2);
    // The tree no round asked for goes with the evaluation; the one handed out goes with the
    // part's kept tables.
    matcher->forgetPrepared();
    matcher->retrieve(rule, nullptr, h.rules.table());
    EXPECT_EQ(translator->calls, 2);
    matcher->retrieve(unasked, nullptr, h.rules.table());
    EXPECT_EQ(translator->calls, 3);
    matcher->forgetKeptTables();
    matcher->retrieve(rule, nullptr, h.rules.table());
    EXPECT_EQ(translator->calls, 4);
}

TEST_F(MatcherTest, TheOptimizerBuildsOnlyFlaggedRules) {
    FRule* parsed = h.rules.rule("q(X) :- p(X).");
    auto flagged =
        Ref<FRule>::make(parsed->getHead(), parsed->getBody(), parsed->getSymTab(), "", 0, 1);
    matcher = make(optimizer.get());
    matcher->retrieve(parsed, nullptr, h.rules.table());
    EXPECT_EQ(optimizer->calls, 0);
    EXPECT_EQ(translator->calls, 1);
    matcher->retrieve(flagged.get(), nullptr, h.rules.table());
    EXPECT_EQ(optimizer->calls, 1);
    EXPECT_EQ(translator->calls, 1);
    // Without an optimizer the flagged rule goes to the translator.
    auto plain = make(nullptr);
    plain->retrieve(flagged.get(), nullptr, h.rules.table());
    EXPECT_EQ(translator->calls, 2);
    plain.reset();
}

TEST_F(MatcherTest, ATreeOfAFailedTranslationIsReleased) {
    matcher = make(nullptr);
    FRule* rule = h.rules.rule("q(X) :- p(X).");
    translator->failing = true;
    translator->keep = true;
    ErrorCapture errors;
    EXPECT_FALSE(matcher->retrieve(rule, nullptr, h.rules.table()));
    EXPECT_EQ(eval_test::errorNames(errors), "Internal");
    ASSERT_TRUE(translator->kept);
    EXPECT_EQ(translator->kept->refCount(), 1);
    translator->kept = {};
    // Nothing was cached: the next retrieval translates again.
    translator->failing = false;
    translator->keep = false;
    EXPECT_EQ(rows(matcher->retrieve(rule, nullptr, h.rules.table())), (Lines{"a", "b"}));
    EXPECT_EQ(translator->calls, 2);
}

TEST_F(MatcherTest, ErrorsAndTheGlitchLine) {
    ErrorCapture errors;
    auto broken = Ref<Matcher>::make(nullptr, h.creator, h.algebra, nullptr);
    EXPECT_EQ(eval_test::errorNames(errors), "WrongInit");
    EXPECT_FALSE(broken->isOk());
    broken.reset();

    errors.clear();
    matcher = make(nullptr);
    EXPECT_TRUE(matcher->isOk());
    EXPECT_FALSE(matcher->retrieve(h.rules.rule("p(c)."), nullptr, h.rules.table()));
    EXPECT_FALSE(matcher->retrieve(nullptr, nullptr, h.rules.table()));
    EXPECT_EQ(eval_test::errorNames(errors), "InvalidRule\nInvalidRule");

    testing::internal::CaptureStdout();
    matcher->remove(h.rules.rule("q(X) :- p(X)."));
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Small glitch in Matcher::remove. Please notify authors.\n");
}

TEST_F(MatcherTest, ClassObjectTakesThreeOrFourParts) {
    MatcherMeta meta;
    clib_list<FLSysObject*> args;
    args.append(translator.get());
    args.append(h.creator);
    args.append(h.algebra);
    FLSysRef three = meta.methodCall("new", &args);
    ASSERT_NE(three, nullptr);
    EXPECT_TRUE(three->isA("Matcher"));
    three.reset();

    ErrorCapture errors;
    args.append(h.algebra);
    EXPECT_EQ(meta.methodCall("new", &args), nullptr);
    EXPECT_EQ(eval_test::errorNames(errors), "WrongArgument");
    args.Pop();
    args.append(optimizer.get());
    FLSysRef four = meta.methodCall("new", &args);
    EXPECT_NE(four, nullptr);
    four.reset();
    args.Pop();
    args.Pop();
    errors.clear();
    EXPECT_EQ(meta.methodCall("new", &args), nullptr);
    EXPECT_EQ(eval_test::errorNames(errors), "WrongNumberOfArguments");
}

}  // namespace
