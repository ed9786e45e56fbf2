// The roads a head may take its rows by give the same model: random programs evaluated once as
// usual and once with every insert attempt traced, which makes every head take each row once,
// in ascending order or as stored, agree on every answer.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "EvalHarness.h"
#include "support/ChannelCapture.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;

// Heads of every road: stored predicates (fresh rows first, then batched), set values without
// and with arguments, a head list, function terms with class memberships and a stored
// predicate over function terms (ordered).
const std::vector<std::string> rules = {
    "t(X,Y) :- e(X,Y).",
    "t(X,Y) :- e(X,Z), t(Z,Y).",
    "X[r->>{Y}] :- e(X,Y).",
    "X[r->>{Y}] :- e(X,Z), Z[r->>{Y}].",
    "X[via@(Z)->>{Y}] :- e(X,Z), t(Z,Y).",
    "p(X), q(Y) :- t(X,Y), e(Y,X).",
    "f(X) : node :- e(X,Y).",
    "s(X) :- t(X,X).",
    "k(f(X),Y) :- t(X,Y).",
    "k(f(X),Z) :- k(f(X),Y), e(Y,Z).",
};

const std::vector<std::string> queries = {
    "?- t(X,Y).",   "?- X[r->>{Y}].", "?- X[via@(Z)->>{Y}].", "?- p(X).", "?- q(X).",
    "?- X : node.", "?- s(X).",       "?- k(X,Y).",
};

std::string randomProgram(std::mt19937& random) {
    std::uniform_int_distribution<int> node(0, 7);
    std::uniform_int_distribution<int> edges(4, 16);
    std::string text;
    for (int n = edges(random); n > 0; --n)
        text += "e(" + std::to_string(node(random)) + "," + std::to_string(node(random)) + ").\n";
    for (const std::string& rule : rules)
        if (random() % 4 != 0) text += rule + "\n";
    return text;
}

std::vector<Lines> answers(const std::string& program, bool traceEveryAttempt) {
    EvalHarness h;
    ChannelCapture trace(debugChannel());
    if (traceEveryAttempt) eval_test::callWith(h.access, "debugOn", {"all"});
    EXPECT_EQ(h.run(program), 1) << program;
    if (traceEveryAttempt) eval_test::callWith(h.access, "debugOff", {});
    std::vector<Lines> all;
    for (const std::string& query : queries) all.push_back(h.ask(query));
    return all;
}

TEST(HeadRoadsAgree, TracedAndUntracedEvaluationsGiveTheSameAnswers) {
    std::mt19937 random(58);
    for (int round = 0; round < 40; ++round) {
        const std::string program = randomProgram(random);
        EXPECT_EQ(answers(program, false), answers(program, true)) << program;
    }
}

}  // namespace
