// Twin test of the rows a pass hands over to an empty relation in their array: random programs
// whose first passes make many rows (2-hop joins over a random graph, some recursive, some into
// set-valued methods) answer alike on the planned road and on the general one, which stores
// every fact through the access layer's insert.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "EvalHarness.h"
#include "support/RoadTwin.h"

namespace {

using eval_test::EvalHarness;
using road_twin::Dice;
using road_twin::Road;

// A 2-hop join over 9,000 edges of 600 nodes gives about 110,000 distinct pairs: more than a
// pass keeps its rows' store for, so they are handed over.
const std::vector<std::string> rules = {
    "h(X,Z) :- e(X,Y), e(Y,Z).",
    "k(Z,X) :- e(X,Y), e(Y,Z).",
    "g(X,Z) :- e(X,Y), e(Y,Z).\ng(X,Z) :- g(X,Y), f(Y,Z).",
    "X[hop->>{Z}] :- e(X,Y), e(Y,Z).",
    "d(X,Z) :- e(X,Y), e(Y,Z), not X = Z.",
    "s(X) :- h(X,X).",
};

// The edges, entered into the base before the program (a parse takes a hundred clauses at
// most), and the program: a few more facts and the rules.
struct Input {
    std::vector<std::string> edges;
    std::string program;
    bool semiNaive = false;
};

std::ostream& operator<<(std::ostream& out, const Input& input) {
    // The edges are many: their number tells the case.
    return out << (input.semiNaive ? "(semi-naive)\n" : "") << input.program << input.edges.size()
               << " edges\n";
}

Input randomInput(Dice& dice) {
    Input input;
    const int nodes = dice.between(500, 700);
    for (int n = 9000; n > 0; --n)
        input.edges.push_back("e(" + std::to_string(dice.below(nodes)) + "," +
                              std::to_string(dice.below(nodes)) + ").");
    for (int n = dice.between(0, 6); n > 0; --n)
        input.program += "f(" + std::to_string(dice.below(nodes)) + "," +
                         std::to_string(dice.below(nodes)) + ").\n";
    for (const std::string& rule : rules)
        if (dice.oneIn(2)) input.program += rule + "\n";
    input.semiNaive = dice.oneIn(2);
    return input;
}

int evaluate(EvalHarness& h, const Input& input) {
    for (std::size_t from = 0; from < input.edges.size(); from += 90) {
        std::string chunk;
        for (std::size_t i = from; i < input.edges.size() && i < from + 90; ++i)
            chunk += input.edges[i] + "\n";
        h.rules.facts(chunk);
    }
    return input.semiNaive ? h.runSemiNaive(input.program) : h.run(input.program);
}

// The evaluator's answer and the answers of each relation, sorted.
std::vector<std::string> evaluated(const Input& input, Road road) {
    EvalHarness h;
    if (road == Road::General) h.creator->useHeadRoads(Creator1::HeadRoads::General);
    std::vector<std::string> seen{"evaluated: " + std::to_string(evaluate(h, input))};
    for (const std::string query :
         {"?- h(X,Z).", "?- k(Z,X).", "?- g(X,Z).", "?- X[hop->>{Z}].", "?- d(X,Z).", "?- s(X)."}) {
        seen.push_back(query);
        for (const std::string& line : h.ask(query)) seen.push_back(line);
    }
    return seen;
}

TEST(HandedRowsTwin, ManyRowsIntoAnEmptyRelationLeaveTheBaseTheGeneralRoadLeaves) {
    EXPECT_EQ(road_twin::expectTwins(20261211, 6, randomInput, evaluated), 6);
    // The cases are as large as meant: a 2-hop join of that graph gives many rows.
    Dice dice(7);
    Input input = randomInput(dice);
    input.program += rules.front() + "\n";
    const std::vector<std::string> seen = evaluated(input, Road::Chosen);
    EXPECT_GT(seen.size(), 100000u);
}

}  // namespace
