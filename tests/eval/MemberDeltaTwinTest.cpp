// The member-delta shortcut against the general road: random programs of memberships evaluated
// semi-naively, a body membership meeting the new memberships of its class itself where no
// subclass fact can be made, and always through the subclasses, give the same model.
#include <gtest/gtest.h>

#include <regex>
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

// An engine whose evaluator is a PrSemiNaive in mode "seminaive", on the road given.
struct SemiNaiveRun : EvalHarness {
    explicit SemiNaiveRun(Road road)
        : semiOwner(Ref<PrSemiNaive>::make(matcher, access)), semi(semiOwner.get()) {
        eval_test::callWith(semi, "mode", {"seminaive"});
        if (road == Road::General)
            semi->useMemberDeltas(PrSemiNaive::MemberDeltas::ThroughSubclasses);
    }
    SemiNaiveRun(const SemiNaiveRun&) = delete;
    SemiNaiveRun& operator=(const SemiNaiveRun&) = delete;

    // Evaluates the program, analysed as the interpreter analyses it; the rewritten program
    // the evaluation traced.
    std::string run(const std::string& text) {
        FProgram* program = rules.program(text);
        Ref<SemanticAnalyser>::make()->analyse(program, program->getSymTab());
        eval_test::callWith(semi, "debugOn", {"program"});
        ChannelCapture debug(debugChannel());
        evaluated = semi->evaluate(program);
        eval_test::callWith(semi, "debugOff", {});
        semi->reset(0);
        return debug.text();
    }

    // The run holds the evaluator; the tests borrow it through the plain pointer.
    Ref<PrSemiNaive> semiOwner;
    PrSemiNaive* semi;
    int evaluated = 0;
};

// Membership rules over classes c1..c3 and k, some through a method, some with a class
// variable, one under negation.
const std::vector<std::string> rules = {
    "X : k :- X : c1.",
    "Y : c2 :- X : c1, e(X,Y).",
    "X : c1 :- e(X,Y), Y : k.",
    "p(X) :- X : c2, not X : c3.",
    "X[m->>{Y}] :- X : k, e(X,Y).",
    "Y : k :- X[m->>{Y}].",
    "X : C :- e(X,Y), Y : C.",
    "q(X,C) :- X : C, e(X,X).",
    "X : c3 :- X : c2, X : k.",
    "r(X) :- X : c3, Y : c1, e(Y,X).",
    "N : many :- N = count{X ; X : k}.",
};

// What makes a subclass fact possible while the program runs: the shortcut is then not taken.
const std::vector<std::string> subclassMakers = {
    "c1 :: c2.",
    "X :: k :- X : c3.",
    "c3 :: k.",
};

const std::vector<std::string> queries = {"?- X : Y.",      "?- p(X).", "?- q(X,C).",
                                          "?- X[m->>{Y}].", "?- r(X).", "?- X :: Y."};

std::string randomProgram(Dice& dice) {
    const std::vector<std::string> objects = {"a", "b", "c", "d", "e1", "f"};
    const std::vector<std::string> classes = {"c1", "c2", "c3", "k"};
    std::string text;
    for (int n = dice.between(1, 6); n > 0; --n)
        text += dice.pick(objects) + " : " + dice.pick(classes) + ".\n";
    for (int n = dice.between(2, 10); n > 0; --n)
        text += "e(" + dice.pick(objects) + "," + dice.pick(objects) + ").\n";
    for (const std::string& rule : rules)
        if (dice.oneIn(2)) text += rule + "\n";
    if (dice.oneIn(5)) text += dice.pick(subclassMakers) + "\n";
    return text;
}

// The runs whose rewritten program read the new memberships of a class itself.
int shortcutsTaken = 0;

// Whether the evaluation finished, and the answers of every query.
Lines model(const std::string& program, Road road) {
    SemiNaiveRun h(road);
    const std::string rewritten = h.run(program);
    static const std::regex classItself("delta_isa\\([A-Z][A-Za-z0-9]*,(c1|c2|c3|k)\\)");
    if (std::regex_search(rewritten, classItself)) {
        EXPECT_EQ(road, Road::Chosen) << rewritten;
        ++shortcutsTaken;
    }
    Lines all{"evaluated: " + std::to_string(h.evaluated)};
    for (const std::string& query : queries)
        for (const std::string& line : h.ask(query)) all.push_back(query + " " + line);
    return all;
}

TEST(MemberDeltaTwin, RandomProgramsGiveTheSameModelWithAndWithoutTheShortcut) {
    EXPECT_EQ(road_twin::expectTwins(9204, 300, randomProgram, model), 300);
    // Most programs take the shortcut on the chosen road.
    EXPECT_GT(shortcutsTaken, 100);
}

TEST(MemberDeltaTwin, TheShortcutReadsTheClassItselfAndTheGeneralRoadItsSubclasses) {
    const std::string program = "a : c1. e(a,b).\nX : k :- X : c1.\nY : c1 :- X : k, e(X,Y).";
    SemiNaiveRun planned(Road::Chosen);
    SemiNaiveRun general(Road::General);
    const std::string shortcut = planned.run(program);
    const std::string through = general.run(program);
    EXPECT_NE(shortcut.find("delta_isa(X,c1)"), std::string::npos) << shortcut;
    EXPECT_EQ(through.find("delta_isa(X,c1)"), std::string::npos) << through;
    EXPECT_NE(through.find("::c1"), std::string::npos) << through;
    EXPECT_EQ(planned.ask("?- X : Y."), general.ask("?- X : Y."));
    EXPECT_EQ(planned.ask("?- X : k."), (Lines{"X=a", "X=b"}));
}

}  // namespace
