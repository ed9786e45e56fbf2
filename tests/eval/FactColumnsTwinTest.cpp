// The road of consulted facts of numbers read as blocks of rows into their predicate's store,
// against the general road that batches each fact on its own: random fact lists (runs that
// ascend, descend and repeat, numbers among names, strings and terms, facts added between two
// evaluations, a rule reading them) give the same answers and the same rows in the same order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EvalHarness.h"
#include "objectbase/CellHash.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/RelationStore.h"
#include "objectbase/SymTab.h"
#include "support/RoadTwin.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;
using road_twin::Dice;
using road_twin::Road;

// Facts, rules, and facts added after the first evaluation (may be empty).
using Input = road_twin::TwoSteps;

std::string argument(Dice& dice) {
    const int value = dice.below(12) - 3;
    switch (dice.below(12)) {
        case 0:
            return "n" + std::to_string(dice.below(5));
        case 1:
            return "\"t" + std::to_string(dice.below(3)) + "\"";
        case 2:
            return "f(" + std::to_string(dice.below(3)) + ")";
        case 3:
            return "#" + std::to_string(dice.below(4)) + ".5";
        default:
            return std::to_string(value);
    }
}

// Runs of facts of one predicate: numbers counting up, down or at random, each now and then
// repeated or with another kind of argument among them.
std::string randomFacts(Dice& dice, int low, int high) {
    const std::vector<std::string> predicates = {"p", "q", "r"};
    std::string text;
    for (int runs = dice.between(low, high); runs > 0; --runs) {
        const std::string& name = dice.pick(predicates);
        const int arity = name == "q" ? 1 : name == "r" ? 3 : 2;
        const int step = dice.pick(std::vector<int>{1, 1, -1, 0, 7});
        int at = dice.below(40);
        for (int n = dice.between(1, 60); n > 0; --n) {
            std::string fact = name + "(";
            for (int k = 0; k < arity; ++k) {
                if (k > 0) fact += ", ";
                if (dice.oneIn(15))
                    fact += argument(dice);
                else if (k == 0)
                    fact += std::to_string(step == 0 ? dice.below(30) : at);
                else
                    fact += std::to_string((at * (k + 2)) % 9);
            }
            fact += ").\n";
            text += fact;
            if (dice.oneIn(10)) text += fact;
            at += step;
        }
        if (dice.oneIn(4)) text += "o" + std::to_string(dice.below(3)) + "[m ->> {1}].\n";
    }
    return text;
}

Input randomInput(Dice& dice) {
    Input input;
    input.facts = randomFacts(dice, 1, 6);
    if (dice.oneIn(2)) input.rules = "s(X, Y) :- p(X, Z), p(Z, Y).\n";
    if (dice.oneIn(3)) input.rules += "q(X) :- r(X, Y, Z), Y < Z.\n";
    if (dice.oneIn(2)) input.later = randomFacts(dice, 1, 3);
    return input;
}

// The rows of the predicate's store in the order they were stored.
Lines storedRows(EvalHarness& h, const std::string& name, int arity) {
    Lines rows;
    const FSymbol predicate =
        h.rules.table()->nameSymbol(name, InternalName::Predicate, arity,
                                    SymTab::hashKey(name, InternalName::Predicate, arity));
    MainMemPredFrame* frame = h.om->getPredFrame(predicate);
    if (frame == nullptr) return rows;
    const RelationStore& store = frame->store();
    for (int i = 0; i < store.size(); ++i) {
        std::string row;
        for (int k = 0; k < arity; ++k) row += std::to_string(cellWord(store.row(i)[k])) + " ";
        rows.push_back(row);
    }
    return rows;
}

Lines model(const Input& input, Road road) {
    EvalHarness h;
    h.creator->useFactRowsRoad(road == Road::Chosen ? Creator1::FactRowsRoad::Columns
                                                    : Creator1::FactRowsRoad::Rows);
    const std::vector<std::string> queries = {"?- p(X, Y).", "?- q(X).", "?- r(X, Y, Z).",
                                              "?- s(X, Y).", "?- X[m ->> {Y}]."};
    auto run = [&](const std::string& text) { return h.consult(text); };
    return road_twin::evaluatedInSteps(input, run, [&](Lines& all) {
        for (const std::string& query : queries)
            for (const std::string& line : h.ask(query)) all.push_back(query + " " + line);
        for (const auto& [name, arity] :
             std::vector<std::pair<std::string, int>>{{"p", 2}, {"q", 1}, {"r", 3}, {"s", 2}})
            for (const std::string& row : storedRows(h, name, arity))
                all.push_back(name + " row " + row);
    });
}

TEST(FactColumnsTwin, RandomFactListsStoreTheSameRowsOnBothRoads) {
    EXPECT_EQ(road_twin::expectTwins(9402, 300, randomInput, model), 300);
}

TEST(FactColumnsTwin, AnAscendingRunWithRepeatsAndADescentStoresEachRowOnce) {
    std::string text;
    for (int i = 0; i < 5000; ++i) text += "p(" + std::to_string(i / 2) + ", 1).\n";
    for (int i = 3000; i > 0; i -= 3) text += "p(" + std::to_string(i) + ", 1).\n";
    const Input input{text, "", ""};
    const Lines chosen = model(input, Road::Chosen);
    EXPECT_EQ(chosen, model(input, Road::General));
    EvalHarness h;
    h.consult(text);
    // 2,500 rows counting up by halves, then the 167 of the descent above them.
    EXPECT_EQ(storedRows(h, "p", 2).size(), 2667u);
}

}  // namespace
