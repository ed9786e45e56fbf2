// Tests of the built-in tests, negated (`not X = Z`, `not X < Y`, `not strlen(X, 3)`) or positive
// (`X < Z`), that filter the rows before them one by one: random rules answer on that road as on
// the general one, the anti-join or join over the test's own rows.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compile/Translator.h"
#include "support/RuleHarness.h"

namespace {

using Lines = std::vector<std::string>;

class NegatedTestFilterTest : public rule_test::RuleTest {
  protected:
    // The answers of the rule on the road given, the translator left on the filtering one.
    Lines answersOn(Translator::TestRoad road, const std::string& rule) {
        harness.getTranslator()->useTestRoad(road);
        Lines answers = harness.answers(rule);
        harness.getTranslator()->useTestRoad(Translator::TestRoad::RowByRow);
        return answers;
    }
};

TEST_F(NegatedTestFilterTest, ANegatedTestWhoseCellsTheRowsBindFiltersThemOneByOne) {
    harness.facts("e(1, 2). e(2, 1). e(2, 3). e(3, 4). e(1, 1).");
    EXPECT_EQ(plan("f(X, Z) :- e(X, Y), e(Y, Z), not X = Z."),
              "minus : filter testing each row\n"
              "  merge : hash join on Y\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n");
    EXPECT_EQ(harness.answers("f(X, Z) :- e(X, Y), e(Y, Z), not X = Z."),
              (Lines{"X=1, Z=2", "X=1, Z=3", "X=2, Z=1", "X=2, Z=4"}));
    EXPECT_EQ(harness.answers("f(X, Z) :- e(X, Y), e(Y, Z), not X < Z."),
              (Lines{"X=1, Z=1", "X=2, Z=1", "X=2, Z=2"}));
    // A negated test that reads a stored relation stays an anti-join.
    EXPECT_EQ(plan("f(X) :- e(X, Y), not e(Y, X)."),
              "minus : anti-join probing the stored rows\n"
              "  pred : stored rows read in place\n");
}

TEST_F(NegatedTestFilterTest, APositiveTestWhoseCellsTheRowsBindFiltersThemOneByOne) {
    harness.facts("e(1, 2). e(2, 1). e(2, 3). e(3, 4). e(1, 1).");
    EXPECT_EQ(plan("f(X, Z) :- e(X, Y), e(Y, Z), X < Z."),
              "minus : filter testing each row\n"
              "  merge : hash join on Y\n"
              "    pred : stored rows read in place\n"
              "    pred : stored rows read in place\n");
    EXPECT_EQ(harness.answers("f(X, Z) :- e(X, Y), e(Y, Z), X < Z."),
              (Lines{"X=1, Z=2", "X=1, Z=3", "X=2, Z=4"}));
    EXPECT_EQ(harness.answers("f(X, Z) :- e(X, Y), e(Y, Z), X = Z."),
              (Lines{"X=1, Z=1", "X=2, Z=2"}));
    EXPECT_EQ(answersOn(Translator::TestRoad::General, "f(X, Z) :- e(X, Y), e(Y, Z), X < Z."),
              (Lines{"X=1, Z=2", "X=1, Z=3", "X=2, Z=4"}));
    // A test that binds a cell is joined.
    EXPECT_EQ(harness.answers("f(X, Z) :- e(X, Y), Z = Y."),
              (Lines{"X=1, Z=1", "X=1, Z=2", "X=2, Z=1", "X=2, Z=3", "X=3, Z=4"}));
}

TEST_F(NegatedTestFilterTest, TheStringAndTypeTestsFilterAsTheyAnswer) {
    harness.facts("s(\"a\"). s(\"abc\"). s(abcd). s(3). s(-7). s(\"12\").");
    struct Case {
        const char* rule;
        Lines answers;
    };
    const Case cases[] = {
        {"h(X) :- s(X), not strlen(X, 3).", {"X=\"12\"", "X=\"a\"", "X=-7", "X=3", "X=abcd"}},
        {"h(X) :- s(X), not integer(X).", {"X=\"12\"", "X=\"a\"", "X=\"abc\"", "X=abcd"}},
        {"h(X) :- s(X), not string(X).", {"X=-7", "X=3", "X=abcd"}},
        {"h(X) :- s(X), not X > 2.", {"X=\"12\"", "X=\"a\"", "X=\"abc\"", "X=-7", "X=abcd"}},
        {"h(X) :- s(X), not X = abcd.", {"X=\"12\"", "X=\"a\"", "X=\"abc\"", "X=-7", "X=3"}},
        // A constant no name has yet: the test holds for no row, every row stays.
        {"h(X) :- s(X), not X = unheard.",
         {"X=\"12\"", "X=\"a\"", "X=\"abc\"", "X=-7", "X=3", "X=abcd"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(harness.answers(c.rule), c.answers) << c.rule;
        EXPECT_EQ(answersOn(Translator::TestRoad::General, c.rule), c.answers) << c.rule;
    }
}

TEST_F(NegatedTestFilterTest, RandomRulesAnswerOnTheFilterAsOnTheGeneralRoad) {
    std::mt19937 random(20261210);
    auto pick = [&random](int n) {
        return int(std::uniform_int_distribution<int>(0, n - 1)(random));
    };
    // Integers, names and strings, some with the same text. (Floats are covered end to end:
    // the harness enters no float.)
    const std::vector<std::string> values = {"0", "1", "2",     "3",      "c",       "\"1\"",
                                             "a", "b", "\"a\"", "\"bb\"", "\"ccc\"", "-1"};
    std::string facts;
    for (int k = 0; k < 60; ++k)
        facts += "r(" + values[std::size_t(pick(int(values.size())))] + ", " +
                 values[std::size_t(pick(int(values.size())))] + ").\n";
    for (const std::string& v : values) facts += "u(" + v + ").\n";
    harness.facts(facts);
    const std::vector<std::string> tests = {"X = Z",
                                            "X < Z",
                                            "X > Z",
                                            "X <= Z",
                                            "X >= Z",
                                            "X = 1",
                                            "Z < 2",
                                            "strlen(X, 1)",
                                            "integer(Z)",
                                            "string(X)",
                                            "float(Z)",
                                            "X = a",
                                            "substr(\"a\", X)",
                                            "Z >= X"};
    const std::vector<std::string> bodies = {"r(X, Y), r(Y, Z)", "r(X, Z)", "u(X), u(Z)",
                                             "r(X, Y), u(Z)"};
    const std::vector<std::string> heads = {"h(X, Z)", "h(X)", "h(Z)"};
    for (int k = 0; k < 240; ++k) {
        std::string rule = heads[std::size_t(pick(int(heads.size())))] + " :- " +
                           bodies[std::size_t(pick(int(bodies.size())))];
        // Negated and positive tests, mixed.
        const int count = 1 + pick(3);
        for (int n = 0; n < count; ++n)
            rule += std::string(pick(2) == 0 ? ", not " : ", ") +
                    tests[std::size_t(pick(int(tests.size())))];
        rule += ".";
        EXPECT_EQ(harness.answers(rule), answersOn(Translator::TestRoad::General, rule)) << rule;
    }
}

}  // namespace
