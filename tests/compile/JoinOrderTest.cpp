// Generated bodies of two to six literals (joins, comparisons, arithmetic, negation, aggregates)
// over random facts: every written order of a body answers as the written order does, and the
// optimizer's tree of the body answers as the translator's.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "compile/AlgebraicExpr.h"
#include "compile/Optimizer.h"
#include "foundation/OutputChannel.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FRule.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Lines = std::vector<std::string>;

class JoinOrderTest : public rule_test::RuleTest {
  protected:
    // Random facts of p/1, q/2 and r/2 over the integers 1 to 4.
    void randomFacts(std::mt19937& random) {
        std::string text;
        for (int a = 1; a <= 4; ++a) {
            if (random() % 2 == 0) text += "p(" + std::to_string(a) + "). ";
            for (int b = 1; b <= 4; ++b) {
                if (random() % 3 == 0)
                    text += "q(" + std::to_string(a) + ", " + std::to_string(b) + "). ";
                if (random() % 3 == 0)
                    text += "r(" + std::to_string(a) + ", " + std::to_string(b) + "). ";
            }
        }
        harness.facts(text);
    }

    // A body of `size` literals: generators binding some of X, Y, Z and W, then literals that
    // read what the generators bind.
    static std::vector<std::string> randomBody(std::mt19937& random, int size) {
        const std::string vars[] = {"X", "Y", "Z", "W"};
        auto pick = [&](int n) { return int(random() % unsigned(n)); };
        std::vector<std::string> body;
        std::vector<std::string> bound;
        auto bind = [&](const std::string& v) {
            if (std::find(bound.begin(), bound.end(), v) == bound.end()) bound.push_back(v);
        };
        const int generators = 1 + pick(std::max(1, size - 1));
        for (int i = 0; i < generators; ++i) {
            const std::string a = vars[pick(4)];
            const std::string b = vars[pick(4)];
            switch (pick(4)) {
                case 0:
                    body.push_back("p(" + a + ")");
                    bind(a);
                    break;
                case 1:
                    body.push_back("q(" + a + ", " + b + ")");
                    bind(a);
                    bind(b);
                    break;
                case 2:
                    body.push_back("r(" + a + ", " + b + ")");
                    bind(a);
                    bind(b);
                    break;
                default:
                    body.push_back("q(" + std::to_string(1 + pick(4)) + ", " + a + ")");
                    bind(a);
                    break;
            }
        }
        int fresh = 0;
        while (int(body.size()) < size) {
            const std::string a = bound[std::size_t(pick(int(bound.size())))];
            const std::string b = bound[std::size_t(pick(int(bound.size())))];
            const std::string n = "N" + std::to_string(fresh++);
            switch (pick(8)) {
                case 0:
                    body.push_back(a + " < " + (a != b ? b : std::to_string(1 + pick(4))));
                    break;
                case 1:
                    body.push_back(a + " >= " + std::to_string(1 + pick(4)));
                    break;
                case 2:
                    body.push_back(n + " = " + a + " + 1");
                    break;
                case 3:
                    body.push_back("not q(" + a + ", " + b + ")");
                    break;
                case 4:
                    body.push_back("not r(" + a + ", _)");
                    break;
                case 5:
                    body.push_back("not p(" + a + ")");
                    break;
                case 6:
                    body.push_back(n + " = count{A" + n + " [" + a + "] ; q(" + a + ", A" + n +
                                   ")}");
                    break;
                default:
                    body.push_back(n + " = max{A" + n + " ; r(A" + n + ", " + a + ")}");
                    break;
            }
        }
        return body;
    }

    static std::string join(const std::vector<std::string>& body) {
        std::string text;
        for (const std::string& literal : body) text += (text.empty() ? "" : ", ") + literal;
        return text;
    }

    // The rule over the body, as the normaliser hands it on (flag 1).
    FRule* flagged(const std::string& text) {
        made.push_back(Ref<FRule>::adopt(harness.normalisedRule(text)));
        return made.back().get();
    }

    Lines optimized(FRule* rule) {
        std::ostringstream quiet;
        std::streambuf* old = std::cout.rdbuf(quiet.rdbuf());
        ChannelCapture literals(systemChannel());
        const Ref<AlgebraicExpr> expr = optimizer->optimize(rule, harness.table());
        std::cout.rdbuf(old);
        return harness.answersOf(rule, expr);
    }

    Ref<Optimizer> optimizer = Ref<Optimizer>::make();
    std::vector<Ref<FRule>> made;
};

TEST_F(JoinOrderTest, EveryWrittenOrderAnswersAsTheWrittenOne) {
    std::mt19937 random(20261207);
    randomFacts(random);
    int answered = 0;
    for (int round = 0; round < 300; ++round) {
        const int size = 2 + int(random() % 5);
        std::vector<std::string> body = randomBody(random, size);
        const Lines expected = harness.answers("?- " + join(body) + ".");
        if (!expected.empty() && expected.front() != "<untranslated>") ++answered;
        std::vector<std::string> order = body;
        for (int shuffle = 0; shuffle < 8; ++shuffle) {
            std::shuffle(order.begin(), order.end(), random);
            EXPECT_EQ(harness.answers("?- " + join(order) + "."), expected)
                << "written: " << join(body) << "\nreordered: " << join(order);
        }
    }
    // The comparison means something only when many bodies have answers.
    EXPECT_GT(answered, 120);
}

TEST_F(JoinOrderTest, TheOptimizerAnswersAsTheTranslator) {
    std::mt19937 random(7);
    randomFacts(random);
    int answered = 0;
    for (int round = 0; round < 300; ++round) {
        const int size = 2 + int(random() % 5);
        std::vector<std::string> body = randomBody(random, size);
        const std::string text =
            "h(X, Y, Z, W) :- " + join(body) + ", q(X, _), q(Y, _), " + "q(Z, _), q(W, _).";
        FRule* rule = flagged(text);
        const Lines expected =
            harness.answersOf(rule, harness.getTranslator()->translateRule(rule, harness.table()));
        if (!expected.empty() && expected.front() != "<untranslated>") ++answered;
        EXPECT_EQ(optimized(rule), expected) << text;
    }
    EXPECT_GT(answered, 80);
}

}  // namespace
