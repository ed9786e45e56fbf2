// The road of consulted facts h[m ->> {v}] that take the objects of the host and method the fact
// before named, against the general road that looks every name up again: random fact lists
// (runs of one host or method, terms, numbers and strings among the names, scalar facts that
// equate objects between the runs, facts added in a second consult, a rule reading them) give
// the same answers in the same order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EvalHarness.h"
#include "support/RoadTwin.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;
using road_twin::Dice;
using road_twin::Road;

// Facts, rules, and facts added after the first evaluation (may be empty).
using Input = road_twin::TwoSteps;

std::string name(Dice& dice) {
    switch (dice.below(14)) {
        case 0:
            return std::to_string(dice.below(4));
        case 1:
            return "\"s" + std::to_string(dice.below(3)) + "\"";
        case 2:
            return "f(o" + std::to_string(dice.below(3)) + ")";
        default:
            return "o" + std::to_string(dice.below(7));
    }
}

// Runs of set-valued facts of one host or of one method, now and then a scalar fact (a second
// value equates two objects), a membership or a predicate fact between them.
std::string randomFacts(Dice& dice, int low, int high) {
    const std::vector<std::string> methods = {"e", "l", "m"};
    std::string text;
    for (int runs = dice.between(low, high); runs > 0; --runs) {
        std::string host = name(dice);
        std::string method = dice.pick(methods);
        const bool oneHost = dice.oneIn(2);
        for (int n = dice.between(1, 12); n > 0; --n) {
            if (!oneHost && dice.oneIn(2)) host = name(dice);
            if (dice.oneIn(4)) method = dice.pick(methods);
            text += host + "[" + method + " ->> {" + name(dice) + "}].\n";
        }
        switch (dice.below(5)) {
            case 0:
                text += name(dice) + "[s -> " + name(dice) + "].\n";
                break;
            case 1:
                text += name(dice) + " : c.\n";
                break;
            case 2:
                text += "p(" + name(dice) + ", " + name(dice) + ").\n";
                break;
            default:
                break;
        }
    }
    return text;
}

Input randomInput(Dice& dice) {
    Input input;
    input.facts = randomFacts(dice, 1, 6);
    if (dice.oneIn(2)) input.rules = "h(X, Z) :- X[l ->> {Y}], Y[e ->> {Z}].\n";
    if (dice.oneIn(2)) input.later = randomFacts(dice, 1, 3);
    return input;
}

Lines model(const Input& input, Road road) {
    EvalHarness h;
    h.creator->useSetValueFactRoad(road == Road::Chosen ? Creator1::SetValueFactRoad::KnownObjects
                                                        : Creator1::SetValueFactRoad::EachFact);
    const std::vector<std::string> queries = {"?- X[M ->> {Y}].", "?- X[s -> Y].", "?- X : c.",
                                              "?- p(X, Y).", "?- h(X, Y)."};
    auto run = [&](const std::string& text) { return h.consult(text); };
    return road_twin::evaluatedInSteps(
        input, run, road_twin::answersOf(queries, [&](const std::string& q) { return h.ask(q); }));
}

TEST(SetValueFactsTwin, RandomFactListsGiveTheSameAnswersOnBothRoads) {
    EXPECT_EQ(road_twin::expectTwins(9403, 300, randomInput, model), 300);
}

TEST(SetValueFactsTwin, ARunOfOneHostAndMethodStoresEveryValue) {
    std::string text;
    for (int i = 0; i < 50; ++i) text += "a[e ->> {v" + std::to_string(i % 40) + "}].\n";
    text += "b[e ->> {v1}]. b[l ->> {v2}].\n";
    const Input input{text, "", ""};
    const Lines chosen = model(input, Road::Chosen);
    EXPECT_EQ(chosen, model(input, Road::General));
    EvalHarness h;
    h.consult(text);
    EXPECT_EQ(h.ask("?- a[e ->> {Y}].").size(), 40u);
    EXPECT_EQ(h.ask("?- b[M ->> {Y}].").size(), 2u);
}

}  // namespace
