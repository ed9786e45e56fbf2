// The road of a method literal that a hash join groups, its rows read from the stored values and
// the join's table kept while the method's values stay, against the general road through the
// object base's iterators: random programs over set-valued methods, evaluated semi-naively, some
// of them writing the methods they read, equating objects or gaining facts between two
// evaluations, give the same model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EvalHarness.h"
#include "compile/SemanticAnalyser.h"
#include "eval/PrSemiNaive.h"
#include "support/ChannelCapture.h"
#include "support/RoadTwin.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;
using road_twin::Dice;
using road_twin::Road;

// An engine whose evaluator is a PrSemiNaive in mode "seminaive", its translator on the road
// given.
struct SemiNaiveRun : EvalHarness {
    explicit SemiNaiveRun(Road road) : semi(makeSemiNaive()) {
        translator->useMethodRowsRoad(road == Road::Chosen ? MethodRowsRoad::KeptTables
                                                           : MethodRowsRoad::Frames);
    }

    // Evaluates the program, analysed as the interpreter analyses it; the evaluator's answer.
    int run(const std::string& text) { return runAnalysed(*semi, text); }
    // The printed plan of the first clause's body.
    std::string plan(const std::string& text) {
        FRule* rule = rules.rule(text);
        const Ref<AlgebraicExpr> expr = translator->translateRule(rule, rules.table());
        if (!expr) return "null";
        OutputChannel channel;
        ChannelCapture out(channel);
        expr->printPlan(channel, rule->getSymTab());
        return out.text();
    }

    Ref<PrSemiNaive> semi;
};

// Rules over the set-valued methods e and r and the predicate p: closures over method edges
// (right- and left-recursive), joins of two methods, a rule that writes the edges it reads, a
// constant value, a scalar method whose second value equates two objects.
const std::vector<std::string> ruleList = {
    "X[r->>{Y}] :- X[e->>{Y}].",
    "X[r->>{Y}] :- X[e->>{Z}], Z[r->>{Y}].",
    "X[r->>{Y}] :- X[r->>{Z}], Z[e->>{Y}].",
    "h(X,Z) :- X[e->>{Y}], Y[e->>{Z}].",
    "h(X,Z) :- p(X,Y), Y[e->>{Z}].",
    "X[e->>{Y}] :- X[r->>{Z}], p(Z,Y).",
    "q(X) :- p(X,Y), Y[e->>{a}].",
    "X[e->>{Y}] :- h(Y,X).",
    "X[s->Y] :- X[r->>{Y}], p(Y,Y).",
    "k(X,Y) :- X[r->>{Z}], Z[s->Y].",
};

const std::vector<std::string> queries = {"?- X[r->>{Y}].", "?- X[e->>{Y}].", "?- h(X,Y).",
                                          "?- q(X).",       "?- k(X,Y).",     "?- X[s->Y]."};

// Facts, rules, and facts added after the first evaluation (may be empty).
using Input = road_twin::TwoSteps;

std::string randomFacts(Dice& dice, int low, int high) {
    const std::vector<std::string> objects = {"a", "b", "c", "d", "e1", "f", "g"};
    std::string text;
    for (int n = dice.between(low, high); n > 0; --n)
        text += dice.pick(objects) + "[e->>{" + dice.pick(objects) + "}].\n";
    for (int n = dice.between(0, 4); n > 0; --n)
        text += "p(" + dice.pick(objects) + "," + dice.pick(objects) + ").\n";
    return text;
}

Input randomInput(Dice& dice) {
    Input input;
    input.facts = randomFacts(dice, 1, 12);
    for (const std::string& rule : ruleList)
        if (dice.oneIn(2)) input.rules += rule + "\n";
    if (dice.oneIn(2)) input.later = randomFacts(dice, 1, 4);
    return input;
}

// Whether the evaluations finished, and the answers of every query after each.
Lines model(const Input& input, Road road) {
    SemiNaiveRun h(road);
    auto run = [&](const std::string& text) { return h.run(text); };
    return road_twin::evaluatedInSteps(
        input, run, road_twin::answersOf(queries, [&](const std::string& q) { return h.ask(q); }));
}

TEST(MethodRowsTwin, RandomProgramsGiveTheSameModelOnBothRoads) {
    EXPECT_EQ(road_twin::expectTwins(9401, 300, randomInput, model), 300);
}

TEST(MethodRowsTwin, AJoinGroupingAMethodTakesItsStoredValuesOnlyOnTheChosenRoad) {
    const std::string rule = "X[r->>{Y}] :- Z[r->>{Y}], X[e->>{Z}].";
    SemiNaiveRun chosen(Road::Chosen);
    SemiNaiveRun general(Road::General);
    chosen.run("a[e->>{b}]. b[e->>{c}].");
    general.run("a[e->>{b}]. b[e->>{c}].");
    EXPECT_NE(chosen.plan(rule).find("stored values, table kept"), std::string::npos)
        << chosen.plan(rule);
    EXPECT_EQ(general.plan(rule).find("stored values, table kept"), std::string::npos)
        << general.plan(rule);
}

TEST(MethodRowsTwin, TheClosureOverMethodEdgesAnswersAsTheGeneralRoadAfterEdgesAreAdded) {
    const std::string rules = "X[r->>{Y}] :- X[e->>{Y}].\nX[r->>{Y}] :- X[e->>{Z}], Z[r->>{Y}].\n";
    SemiNaiveRun chosen(Road::Chosen);
    SemiNaiveRun general(Road::General);
    for (SemiNaiveRun* h : {&chosen, &general})
        h->run("a[e->>{b}]. b[e->>{c}]. c[e->>{d}].\n" + rules);
    EXPECT_EQ(chosen.ask("?- a[r->>{Y}]."), (Lines{"Y=b", "Y=c", "Y=d"}));
    EXPECT_EQ(chosen.ask("?- X[r->>{Y}]."), general.ask("?- X[r->>{Y}]."));
    for (SemiNaiveRun* h : {&chosen, &general}) h->run("d[e->>{f}]. f[e->>{a}].\n" + rules);
    EXPECT_EQ(chosen.ask("?- X[r->>{Y}]."), general.ask("?- X[r->>{Y}]."));
}

}  // namespace
