// The optimizer: the join order and gap lines it writes to standard output, its refusals, and its
// trees evaluated over a real object base against the translator's for the same rules.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "compile/AlgebraicExpr.h"
#include "compile/Optimizer.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FRule.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Lines = std::vector<std::string>;

class OptimizerTest : public rule_test::RuleTest {
  protected:
    void SetUp() override {
        harness.facts(
            "a : c. b : c. d : c. a : e. b : e. c :: k. e :: k.\n"
            "p(a, b). p(b, c). p(c, d). q(b). q(d). r(1). r(2). r(3).\n"
            "a : person. b : person. a[m -> 1; s ->> {x, y}]. b[m -> 2; s ->> {y}].\n"
            "x[n -> 10]. y[n -> 20].");
    }

    // The first clause of the text as the normaliser would make it: flag 1, and the second flag
    // set on the literal at `secondAt`.
    FRule* normalised(const std::string& text, int secondAt = -1) {
        made.push_back(Ref<FRule>::adopt(harness.normalisedRule(text, secondAt)));
        return made.back().get();
    }

    // Everything optimize writes, standard output and systemChannel sent to one stream in the
    // order of writing; `tree` receives the translated tree's printed form ("null" for none).
    std::string optimizeText(FRule* rule, SymTab* table, std::string* tree = nullptr) {
        std::ostringstream buffer;
        std::streambuf* old = std::cout.rdbuf(buffer.rdbuf());
        OutputChannel& system = systemChannel();
        const bool hadStream = system.currentStream() != nullptr;
        auto stream = Ref<FLSysOStreamImpl<std::ostream>>::make(&std::cout);
        system.setStream(stream.get());
        stream.reset();
        const Ref<AlgebraicExpr> expr = optimizer->optimize(rule, table);
        if (hadStream) {
            system.resetStream();
        } else {
            system.releaseStreams();
        }
        std::cout.rdbuf(old);
        if (tree != nullptr) {
            *tree = "null";
            if (expr) {
                OutputChannel channel;
                ChannelCapture out(channel);
                expr->print(channel);
                *tree = out.text();
            }
        }
        return buffer.str();
    }
    std::string optimizeText(const std::string& text, int secondAt = -1) {
        return optimizeText(normalised(text, secondAt), harness.table());
    }

    // The bindings of the optimizer's tree and of the translator's for the same rule.
    Lines optimized(FRule* rule) {
        std::ostringstream quiet;
        std::streambuf* old = std::cout.rdbuf(quiet.rdbuf());
        OutputChannel& system = systemChannel();
        ChannelCapture literals(system);
        const Ref<AlgebraicExpr> expr = optimizer->optimize(rule, harness.table());
        std::cout.rdbuf(old);
        return harness.answersOf(rule, expr);
    }
    Lines translated(FRule* rule) {
        return harness.answersOf(rule,
                                 harness.getTranslator()->translateRule(rule, harness.table()));
    }

    Ref<Optimizer> optimizer = Ref<Optimizer>::make();
    std::vector<Ref<FRule>> made;
};

TEST_F(OptimizerTest, JoinOrderAndGapLines) {
    const std::string order = "final literal order :\n";
    struct Case {
        const char* text;
        int secondAt;
        std::string written;
    };
    const Case cases[] = {
        {"h(X) :- p(X).", -1, "p(X) propagation :\n\n"},
        // X, Y and Z are the rule's variables 1, 2 and 3; each literal shares a variable with
        // the ones before it.
        {"h(X) :- p(X), q(X, Y, Z), r(Y).", -1,
         "p(X) q(X,Y,Z) r(Y) propagation :\nsort : v1  \npi : \nsort : v2  \npi : \n\n"},
        // The second flag goes first.
        {"h(X) :- q(X, Y), p(X).", 1, "p(X) q(X,Y) propagation :\nsort : v1  \npi : \n\n"},
        // s has more variables bound than the molecule, which r binds the host of.
        {"h(X) :- r(X, Y, Z, U), s(X, Y, Z), X[a -> W].", -1,
         "r(X,Y,Z,U) s(X,Y,Z) X[a -> W] propagation :\nsort : v1  \npi : \nsort : v1  \npi : \n\n"},
        // Negated and unsafe literals get their variables projected; the comparison has the
        // most variables but waits until both are bound.
        {"h(X) :- p(X), not q(X).", -1, "p(X) not q(X) propagation :\nsort : \npi : v1  \n\n"},
        {"h(X, Y) :- p(X), q(Y), X < Y.", -1,
         "p(X) q(Y) X < Y propagation :\nsort : \npi : \nsort : \npi : v1  v2  \n\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(optimizeText(c.text, c.secondAt), order + c.written) << c.text;
}

TEST_F(OptimizerTest, ForwardSymbolRegroupsTheResultSoFar) {
    std::string tree;
    EXPECT_EQ(optimizeText(normalised("h(X) :- X : c, X : e."), harness.table(), &tree),
              "final literal order :\nX:c X:e propagation :\nsort : \npi : \n"
              "foreward sym : v1\n\n");
    EXPECT_EQ(tree, "isa(sort(isa))");
    EXPECT_EQ(
        optimizeText(normalised("h(X) :- p(X), X[a -> Y], X[b -> Z]."), harness.table(), &tree),
        "final literal order :\np(X) X[a -> Y] X[b -> Z] propagation :\n"
        "sort : v1  \npi : \nsort : \npi : \nforeward sym : v1\n\n");
    EXPECT_EQ(tree, "prop(sort(prop(sort(pred))))");
}

TEST_F(OptimizerTest, RefusesWithoutOutput) {
    FRule* rule = normalised("h(X) :- p(X).");
    EXPECT_EQ(optimizeText(nullptr, harness.table()), "");
    EXPECT_EQ(optimizeText(rule, nullptr), "");
    // A parsed rule carries no flag.
    EXPECT_EQ(optimizeText(harness.rule("h(X) :- p(X)."), harness.table()), "");
    // No literal can go first, or one can never be placed.
    EXPECT_EQ(optimizeText("h(X) :- X < Y."), "");
    EXPECT_EQ(optimizeText("h(X) :- p(X), Y < Z."), "");
}

TEST_F(OptimizerTest, TreesBindAsTheTranslatorsDo) {
    struct Case {
        const char* text;
        int secondAt;
        Lines expected;
    };
    const std::vector<Case> cases = {
        {"h(X) :- X : c, X : e.", -1, {"X=a", "X=b"}},
        {"h(X) :- X : c, not X : e.", -1, {"X=d"}},
        {"h(X, C) :- X : C, C :: k.",
         -1,
         {"C=c, X=a", "C=c, X=b", "C=c, X=d", "C=e, X=a", "C=e, X=b", "C=k, X=a", "C=k, X=b",
          "C=k, X=d"}},
        {"h(X, Y) :- p(X, Y), not q(Y).", -1, {"X=b, Y=c"}},
        {"h(X, V, W) :- X[m -> V], X[s ->> {W}].",
         -1,
         {"V=1, W=x, X=a", "V=1, W=y, X=a", "V=2, W=y, X=b"}},
        {"h(X, N) :- X[s ->> {W}], W[n -> N].", -1, {"N=10, X=a", "N=20, X=a", "N=20, X=b"}},
        {"h(X, M) :- X : person, X[m -> M], p(X, Y), q(Y).", -1, {"M=1, X=a"}},
        {"h(X, Y) :- p(X, Y), q(Y).", 1, {"X=a, Y=b", "X=c, Y=d"}},
        {"h(X, Y) :- r(X), r(Y), X < Y.", -1, {"X=1, Y=2", "X=1, Y=3", "X=2, Y=3"}},
    };
    for (const Case& c : cases) {
        FRule* rule = normalised(c.text, c.secondAt);
        EXPECT_EQ(optimized(rule), c.expected) << c.text;
        EXPECT_EQ(translated(rule), c.expected) << c.text;
    }
}

TEST_F(OptimizerTest, DebugTextsAndShellInterface) {
    OutputChannel& debug = debugChannel();
    ChannelCapture out(debug);
    optimizer->debugOn(nullptr);
    optimizeText("h(X) :- X : c, X : e.");
    optimizer->debugOff(nullptr);
    EXPECT_EQ(out.text(),
              "Translator : rule body of\nh(X) :- X:c, X:e.\ntranslated to \n"
              "isa(sort(isa))\nplan\n  isa\n    sort\n      isa\n");
    OutputChannel channel;
    ChannelCapture printed(channel);
    optimizer->print(channel);
    EXPECT_EQ(printed.text(), "anOptimizer");
}

}  // namespace
