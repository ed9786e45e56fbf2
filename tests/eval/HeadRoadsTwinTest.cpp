// The roads heads take their rows by, as each head's plan picks them, against the general road
// (every row once, in ascending order, each fact through the access layer's insert): random
// programs, untraced, with their new facts traced and with every attempt traced, leave the same
// answers, the same base and the same trace on both.
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <regex>
#include <string>
#include <vector>

#include "EvalHarness.h"
#include "support/ChannelCapture.h"
#include "support/RoadTwin.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;
using road_twin::Dice;
using road_twin::Road;

// Heads of every road: stored predicates, set values with and without arguments, scalar
// values, memberships and subclasses, head lists, function terms made per row, arithmetic, and
// equalities.
const std::vector<std::string> rules = {
    "t(X,Y) :- e(X,Y).",
    "t(X,Y) :- e(X,Z), t(Z,Y).",
    "X[r->>{Y}] :- e(X,Y).",
    "X[r->>{Y}] :- e(X,Z), Z[r->>{Y}].",
    "X[via@(Z)->>{Y}] :- e(X,Z), t(Z,Y).",
    "X[m->Y] :- e(X,Y), not e(Y,X).",
    "X[u->>{Y,Z}] :- e(X,Y), e(Y,Z).",
    "p(X), q(Y) :- t(X,Y), e(Y,X).",
    "f(X) : node :- e(X,Y).",
    "X : node :- e(Y,X).",
    "X : big :- X : node, e(X,X).",
    "X :: Y :- e(X,Y), n(X), n(Y).",
    "s(X) :- t(X,X).",
    "k(f(X),Y) :- t(X,Y).",
    "k(f(X),Z) :- k(f(X),Y), e(Y,Z).",
    "m(g(X,Y)) :- k(X,Y), e(Y,a).",
    "w(Y) :- n(X), Y = X + 1.",
    "f(X).v = 6 div X :- n(X).",
    "d(X,Y) :- n(X), n(Y), X < Y.",
    "h(X) = g(X) :- e(X,a).",
    "c(X,N) :- e(X,Y), N = count{Z ; e(X,Z)}.",
};

const std::vector<std::string> queries = {
    "?- t(X,Y).",  "?- X[r->>{Y}].", "?- X[via@(Z)->>{Y}].",
    "?- X[m->Y].", "?- X[u->>{Y}].", "?- p(X).",
    "?- q(X).",    "?- X : Y.",      "?- X :: Y.",
    "?- s(X).",    "?- k(X,Y).",     "?- m(X).",
    "?- w(X).",    "?- d(X,Y).",     "?- c(X,N).",
    "?- X[v->Y].",
};

// A program and how it is traced: "" not at all, "new" each new fact, "all" every attempt.
struct Input {
    std::string program;
    std::string trace;
    // Evaluated semi-naively (its delta rules bind a head's variables in other columns), else
    // naively.
    bool semiNaive = false;
};

std::ostream& operator<<(std::ostream& out, const Input& input) {
    return out << "(traced: '" << input.trace << "'" << (input.semiNaive ? ", semi-naive" : "")
               << ")\n"
               << input.program;
}

Input randomInput(Dice& dice) {
    const std::vector<std::string> nodes = {"a", "b", "c", "d", "1", "2", "3", "4"};
    Input input;
    for (int n = dice.between(3, 16); n > 0; --n)
        input.program += "e(" + dice.pick(nodes) + "," + dice.pick(nodes) + ").\n";
    for (int n = dice.between(0, 4); n > 0; --n)
        input.program += "n(" + std::to_string(dice.between(0, 5)) + ").\n";
    if (dice.oneIn(3)) input.program += dice.pick(nodes) + "[r->>{" + dice.pick(nodes) + "}].\n";
    for (const std::string& rule : rules)
        if (dice.oneIn(2)) input.program += rule + "\n";
    const std::vector<std::string> traces = {"", "", "new", "all"};
    input.trace = dice.pick(traces);
    input.semiNaive = dice.oneIn(2);
    return input;
}

// Evaluates the input's program by its evaluator; the evaluator's answer.
int evaluate(EvalHarness& h, const Input& input) {
    return input.semiNaive ? h.runSemiNaive(input.program) : h.run(input.program);
}

// The dump of the base with each set's name replaced by its members: a road that takes rows in
// another order makes the same sets, under other names.
std::string dumpBySetContents(const std::string& dump) {
    std::vector<std::string> blocks;
    for (std::size_t at = 0; at < dump.size();) {
        std::size_t end = dump.find("\n\n", at);
        if (end == std::string::npos) end = dump.size();
        blocks.push_back(dump.substr(at, end - at));
        at = end + 2;
    }
    const std::regex setName("\\bs[0-9]+\\b");
    std::map<std::string, std::string> members;
    for (const std::string& block : blocks) {
        const std::size_t line = block.find('\n');
        const std::string name = block.substr(0, line);
        if (line != std::string::npos && std::regex_match(name, setName))
            members[name] = block.substr(line + 1);
    }
    std::string text;
    for (const std::string& block : blocks) {
        if (members.count(block.substr(0, block.find('\n'))) != 0) continue;
        std::string out;
        std::sregex_iterator it(block.begin(), block.end(), setName);
        std::size_t from = 0;
        for (; it != std::sregex_iterator(); ++it) {
            out += block.substr(from, std::size_t(it->position()) - from);
            const auto found = members.find(it->str());
            out += found != members.end() ? found->second : it->str();
            from = std::size_t(it->position() + it->length());
        }
        text += out + block.substr(from) + "\n\n";
    }
    return text;
}

// The answers of every query, the dump of the base and the insert trace, one text.
// The passes that took a fast road.
int fastPasses = 0;

std::string evaluated(const Input& input, Road road) {
    EvalHarness h;
    if (road == Road::General) h.creator->useHeadRoads(Creator1::HeadRoads::General);
    if (input.trace == "new") eval_test::callWith(h.access, "debugOn", {});
    if (input.trace == "all") eval_test::callWith(h.access, "debugOn", {"all"});
    std::string text;
    {
        ChannelCapture debug(debugChannel());
        // A traced run shows the roads too (the operators' trace, left off in untraced runs).
        if (!input.trace.empty()) h.algebra->methodCall("debugOn", nullptr);
        text += "evaluated: " + std::to_string(evaluate(h, input)) + "\n";
        h.algebra->methodCall("debugOff", nullptr);
        // The roads take rows in other orders: the trace lines are compared as a bag.
        for (const std::string& line : road_twin::sortedLines(debug.text()))
            if (line.rfind("insert :", 0) == 0) text += line + "\n";
        // Passes on a road other than the ordered one through the trie.
        for (const std::string& taken : road_twin::linesAfter(debug.text(), "head road: ")) {
            if (taken == "ordered + seen-row trie") continue;
            EXPECT_EQ(road, Road::Chosen) << taken;
            ++fastPasses;
        }
    }
    eval_test::callWith(h.access, "debugOff", {});
    for (const std::string& query : queries) {
        text += query + "\n";
        for (const std::string& line : h.ask(query)) text += "  " + line + "\n";
    }
    ChannelCapture dump(debugChannel());
    h.om->dump(0);
    return text + dumpBySetContents(dump.text());
}

TEST(HeadRoadsTwin, RandomProgramsGiveTheSameAnswersBaseAndTraceOnThePlannedAndGeneralRoads) {
    EXPECT_EQ(road_twin::expectTwins(9201, 400, randomInput, evaluated), 400);
    EXPECT_GT(fastPasses, 1000);
}

TEST(HeadRoadsTwin, CasesTheRoadsOnceDisagreedOn) {
    road_twin::expectTwinsOn(
        std::vector<Input>{
            // Every attempt traced: later passes of the batched and fresh-only roads took
            // again the rows of the earlier ones, and traced them again.
            {"e(a,b). e(b,c). e(c,a).\nt(X,Y) :- e(X,Y).\nt(X,Y) :- e(X,Z), t(Z,Y).\n"
             "X[r->>{Y}] :- e(X,Z), Z[r->>{Y}].\nX : node :- e(Y,X).\nb[r->>{a}].",
             "all"},
            // Every attempt traced: two rows that make the same fact (p(d) from (d,2) and
            // (d,a)) showed one attempt.
            {"e(2,d). e(d,2). e(d,a). e(a,d).\np(X), q(Y) :- e(X,Y), e(Y,X).", "all"},
        },
        evaluated);
}

TEST(HeadRoadsTwin, TheGeneralRoadIsOrderedThroughTheTrie) {
    // Planned, a predicate head keeps its fresh rows first and then takes them batched; forced,
    // every pass reads ascending rows through the seen-row trie.
    for (const Road road : {Road::Chosen, Road::General}) {
        EvalHarness h;
        if (road == Road::General) h.creator->useHeadRoads(Creator1::HeadRoads::General);
        ChannelCapture debug(debugChannel());
        h.algebra->methodCall("debugOn", nullptr);
        h.run("e(a,b). e(b,c).\nt(X,Y) :- e(X,Y).");
        h.algebra->methodCall("debugOff", nullptr);
        EXPECT_EQ(road_twin::linesAfter(debug.text(), "head road: "),
                  road == Road::Chosen
                      ? (Lines{"fresh-only", "batched"})
                      : (Lines{"ordered + seen-row trie", "ordered + seen-row trie"}));
        EXPECT_EQ(h.ask("?- t(X,Y)."), (Lines{"X=a, Y=b", "X=b, Y=c"}));
    }
}

}  // namespace
