// The first delta round over methods that held nothing: random programs whose rules read named
// set-valued and scalar methods, evaluated semi-naively, some rules running once as they are in
// that round (the chosen road) and every rule through its variants over the method deltas (the
// general road), give the same model, also when facts come in a second evaluation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EvalHarness.h"
#include "compile/SemanticAnalyser.h"
#include "eval/PrSemiNaive.h"
#include "support/RoadTwin.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;
using road_twin::Dice;
using road_twin::Road;

// An engine whose evaluator is a PrSemiNaive in mode "seminaive", on the road given.
struct SemiNaiveRun : EvalHarness {
    explicit SemiNaiveRun(Road road) : semi(makeSemiNaive()) {
        semi->useMethodVariants(road == Road::Chosen
                                    ? PartDeltas::Form::MethodVariants::WholeWhereEmpty
                                    : PartDeltas::Form::MethodVariants::Kept);
    }

    // Evaluates the program, analysed as the interpreter analyses it; the evaluator's answer.
    int run(const std::string& text) { return runAnalysed(*semi, text); }

    Ref<PrSemiNaive> semi;
};

// Joins of two methods (the 2-hop join), closures over method edges, a rule writing a method
// another rule reads, a method with an argument, a scalar method, a method whose name is a
// variable, and predicates mixed in.
const std::vector<std::string> ruleList = {
    "h(X,Z) :- X[l->>{Y}], Y[e->>{Z}].",
    "X[r->>{Y}] :- X[e->>{Y}].",
    "X[r->>{Y}] :- X[r->>{Z}], Z[e->>{Y}].",
    "X[r->>{Y}] :- X[l->>{Z}], Z[r->>{Y}].",
    "X[t->>{Y}] :- X[r->>{Z}], p(Z,Y).",
    "k(X,Y) :- X[t->>{Y}], Y[l->>{X}].",
    "X[w@(Y)->>{Z}] :- X[e->>{Y}], Y[l->>{Z}].",
    "q(X,Z) :- X[w@(Y)->>{Z}], p(Y,Y).",
    "X[s->Y] :- X[l->>{Y}], p(Y,X).",
    "g(X,Y) :- X[s->Y], Y[e->>{X}].",
    "m(M,X) :- X[M->>{Y}], p(X,Y).",
    "p(X,Y) :- h(X,Y), Y[r->>{X}].",
};

const std::vector<std::string> queries = {"?- h(X,Y).",  "?- X[r->>{Y}].",     "?- X[t->>{Y}].",
                                          "?- k(X,Y).",  "?- X[w@(Y)->>{Z}].", "?- q(X,Y).",
                                          "?- X[s->Y].", "?- g(X,Y).",         "?- m(M,X).",
                                          "?- p(X,Y).",  "?- X[e->>{Y}].",     "?- X[l->>{Y}]."};

// Facts, rules, and facts added after the first evaluation (may be empty).
using Input = road_twin::TwoSteps;

std::string randomFacts(Dice& dice, int low, int high) {
    const std::vector<std::string> objects = {"a", "b", "c", "d", "f", "g"};
    const std::vector<std::string> methods = {"e", "l"};
    std::string text;
    for (int n = dice.between(low, high); n > 0; --n)
        text +=
            dice.pick(objects) + "[" + dice.pick(methods) + "->>{" + dice.pick(objects) + "}].\n";
    for (int n = dice.between(0, 4); n > 0; --n)
        text += "p(" + dice.pick(objects) + "," + dice.pick(objects) + ").\n";
    return text;
}

Input randomInput(Dice& dice) {
    Input input;
    input.facts = randomFacts(dice, 0, 14);
    for (const std::string& rule : ruleList)
        if (dice.oneIn(2)) input.rules += rule + "\n";
    if (dice.oneIn(2)) input.later = randomFacts(dice, 1, 5);
    return input;
}

// Whether the evaluations finished, and the answers of every query after each.
Lines model(const Input& input, Road road) {
    SemiNaiveRun h(road);
    auto run = [&](const std::string& text) { return h.run(text); };
    return road_twin::evaluatedInSteps(
        input, run, road_twin::answersOf(queries, [&](const std::string& q) { return h.ask(q); }));
}

TEST(MethodFirstRoundTwin, RandomProgramsGiveTheSameModelOnBothRoads) {
    EXPECT_EQ(road_twin::expectTwins(9402, 300, randomInput, model), 300);
}

TEST(MethodFirstRoundTwin, TheTwoHopJoinOverTwoMethodsAnswersAsThroughItsVariants) {
    const std::string text =
        "a[l->>{b}]. a[l->>{c}]. b[e->>{d}]. c[e->>{d}]. c[e->>{f}]. d[l->>{a}].\n"
        "h(X,Z) :- X[l->>{Y}], Y[e->>{Z}].\n";
    SemiNaiveRun chosen(Road::Chosen);
    SemiNaiveRun general(Road::General);
    chosen.run(text);
    general.run(text);
    EXPECT_EQ(chosen.ask("?- h(X,Y)."), (Lines{"X=a, Y=d", "X=a, Y=f"}));
    EXPECT_EQ(chosen.ask("?- h(X,Y)."), general.ask("?- h(X,Y)."));
}

}  // namespace
