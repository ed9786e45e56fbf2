// The road a rule head takes its rows by: chosen from what its compiled terms demand, printed
// while the algebra traces its plans, and the same facts whichever road is taken.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "EvalHarness.h"
#include "compile/Operator.h"
#include "eval/HeadPlan.h"
#include "support/ChannelCapture.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;

HeadShape shape(HeadShape::Trees trees, RowDemand demand, bool treeless = false) {
    HeadShape s;
    s.trees = trees;
    s.demand = demand;
    s.treeless = treeless;
    return s;
}

TEST(HeadPlan, UnbuiltTreesTakeOrderedRowsThroughTheTrie) {
    for (RowDemand demand :
         {RowDemand::Ordered, RowDemand::Distinct, RowDemand::Repeats, RowDemand::TellsStored}) {
        const HeadPlan plan = planHead(shape(HeadShape::Trees::Unbuilt, demand));
        EXPECT_EQ(plan.road, HeadRoad::Ordered);
        EXPECT_TRUE(plan.seenTrie);
        EXPECT_EQ(plan.order(), RowOrder::Ordered);
    }
}

TEST(HeadPlan, ATreeBuiltAheadThatTellsStoredFactsKeepsOnlyFreshRows) {
    const HeadPlan fresh = planHead(shape(HeadShape::Trees::BuiltAhead, RowDemand::TellsStored));
    EXPECT_EQ(fresh.road, HeadRoad::FreshOnly);
    EXPECT_FALSE(fresh.seenTrie);
    EXPECT_EQ(fresh.order(), RowOrder::Repeating);
    // Any other tree built ahead reads its rows in order, once each.
    for (RowDemand demand : {RowDemand::Ordered, RowDemand::Distinct, RowDemand::Repeats}) {
        const HeadPlan plan = planHead(shape(HeadShape::Trees::BuiltAhead, demand));
        EXPECT_EQ(plan.road, HeadRoad::Ordered);
        EXPECT_TRUE(plan.seenTrie);
    }
    EXPECT_EQ(planHead(shape(HeadShape::Trees::BuiltAhead, RowDemand::TellsStored, true)).road,
              HeadRoad::Ordered);
}

TEST(HeadPlan, BuiltTreesTakeTheLeastTheirDemandsAllow) {
    using T = HeadShape::Trees;
    EXPECT_EQ(planHead(shape(T::Built, RowDemand::Ordered)), (HeadPlan{HeadRoad::Ordered, true}));
    EXPECT_EQ(planHead(shape(T::Built, RowDemand::Distinct)),
              (HeadPlan{HeadRoad::Distinct, false}));
    EXPECT_EQ(planHead(shape(T::Built, RowDemand::Repeats)), (HeadPlan{HeadRoad::Batched, false}));
    EXPECT_EQ(planHead(shape(T::Built, RowDemand::TellsStored)),
              (HeadPlan{HeadRoad::Batched, false}));
    // A term without a tree keeps the trie.
    EXPECT_EQ(planHead(shape(T::Built, RowDemand::TellsStored, true)),
              (HeadPlan{HeadRoad::Batched, true}));
}

TEST(HeadPlan, OrderedTreesThatTakeRepeatsWithoutChangeNeedNoTrie) {
    using T = HeadShape::Trees;
    for (T trees : {T::BuiltAhead, T::Built}) {
        HeadShape harmless = shape(trees, RowDemand::Ordered);
        harmless.repeatsHarmless = true;
        EXPECT_EQ(planHead(harmless), (HeadPlan{HeadRoad::Ordered, false}));
        // A term without a tree keeps the trie.
        harmless.treeless = true;
        EXPECT_EQ(planHead(harmless), (HeadPlan{HeadRoad::Ordered, true}));
    }
    // Unbuilt trees tell nothing yet.
    HeadShape unbuilt = shape(T::Unbuilt, RowDemand::Ordered);
    unbuilt.repeatsHarmless = true;
    EXPECT_EQ(planHead(unbuilt), (HeadPlan{HeadRoad::Ordered, true}));
}

TEST(HeadPlan, WithEveryAttemptTracedEveryRoadKeepsTheTrie) {
    using T = HeadShape::Trees;
    for (T trees : {T::Unbuilt, T::BuiltAhead, T::Built})
        for (RowDemand demand :
             {RowDemand::Ordered, RowDemand::Distinct, RowDemand::Repeats, RowDemand::TellsStored})
            for (const bool harmless : {false, true}) {
                HeadShape traced = shape(trees, demand);
                traced.repeatsHarmless = harmless;
                traced.everyAttempt = true;
                HeadShape untraced = traced;
                untraced.everyAttempt = false;
                const HeadPlan plan = planHead(traced);
                EXPECT_TRUE(plan.seenTrie);
                EXPECT_NE(plan.road, HeadRoad::FreshOnly);
                // The road is the untraced one where that passes rows through a trie at all.
                if (planHead(untraced).road != HeadRoad::FreshOnly) {
                    EXPECT_EQ(plan.road, planHead(untraced).road);
                }
            }
}

TEST(HeadPlan, WeakestDemandWins) {
    EXPECT_EQ(weakest(RowDemand::TellsStored, RowDemand::Distinct), RowDemand::Distinct);
    EXPECT_EQ(weakest(RowDemand::Repeats, RowDemand::TellsStored), RowDemand::Repeats);
    EXPECT_EQ(weakest(RowDemand::Ordered, RowDemand::Repeats), RowDemand::Ordered);
}

// The roads the heads of a program took, in the order they were planned, as the plan trace
// prints them.
Lines roads(EvalHarness& h, const std::string& program) {
    ChannelCapture debug(debugChannel());
    h.algebra->methodCall("debugOn", nullptr);
    h.run(program);
    h.algebra->methodCall("debugOff", nullptr);
    Lines found;
    const std::string text = debug.text();
    const std::string mark = "head road: ";
    for (std::size_t at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        at += mark.size();
        const std::size_t end = text.find('\n', at);
        found.push_back(text.substr(at, end - at));
    }
    return found;
}

TEST(HeadPlan, APredicateHeadKeepsFreshRowsFirstAndThenTakesThemBatched) {
    EvalHarness h;
    // Round 1 is the head's first pass; round 2 finds its tree built (and nothing new).
    EXPECT_EQ(roads(h, "e(a,b). e(b,c).\nt(X,Y) :- e(X,Y)."), (Lines{"fresh-only", "batched"}));
    EXPECT_EQ(h.ask("?- t(X,Y)."), (Lines{"X=a, Y=b", "X=b, Y=c"}));
}

TEST(HeadPlan, ASetValuedHeadWithoutArgumentsKeepsFreshRows) {
    EvalHarness h;
    EXPECT_EQ(roads(h, "e(a,b). e(a,c).\nX[r->>{Y}] :- e(X,Y)."), (Lines{"fresh-only", "batched"}));
    EXPECT_EQ(h.ask("?- a[r->>{Y}]."), (Lines{"Y=b", "Y=c"}));
}

TEST(HeadPlan, ASetValuedHeadWithArgumentsTakesRepeatsOnceBuilt) {
    EvalHarness h;
    EXPECT_EQ(roads(h, "e(a,b). e(a,c).\nX[r@(Y)->>{Y}] :- e(X,Y)."),
              (Lines{"ordered + seen-row trie", "batched"}));
    EXPECT_EQ(h.ask("?- a[r@(b)->>{Y}]."), (Lines{"Y=b"}));
}

TEST(HeadPlan, AMembershipHeadKeepsFreshRowsFirstAndTakesRepeatsOnceBuiltASubclassHeadOrderedRows) {
    EvalHarness member;
    // A stored membership is found in the object's class set, as a stored tuple in its store.
    EXPECT_EQ(roads(member, "e(a,b). e(b,c).\nX : Y :- e(X,Y).\nX : Y :- e(X,Z), Z : Y."),
              (Lines{"fresh-only", "batched", "fresh-only", "batched"}));
    EXPECT_EQ(member.ask("?- X : Y."), (Lines{"X=a, Y=b", "X=a, Y=c", "X=b, Y=c"}));
    // A subclass fact may close a cycle, which equates the classes in the order the facts
    // come.
    EvalHarness subclass;
    const Lines subclassRoads = roads(subclass, "e(a,b). e(b,c).\nX :: Y :- e(X,Y).");
    ASSERT_FALSE(subclassRoads.empty());
    for (const std::string& road : subclassRoads) EXPECT_EQ(road, "ordered + seen-row trie");
    EXPECT_EQ(subclass.ask("?- b :: Y."), (Lines{"Y=b", "Y=c"}));
}

TEST(HeadPlan, HeadsThatMakeObjectsOrScalarValuesTakeOrderedRows) {
    EvalHarness objects;
    // A function term finds the object an earlier row made: ordered rows, no trie.
    EXPECT_EQ(roads(objects, "e(a,b). e(b,c).\np(f(X)) :- e(X,Y)."), (Lines{"ordered", "ordered"}));
    EXPECT_EQ(objects.ask("?- p(X)."), (Lines{"X=f(a)", "X=f(b)"}));

    // Rows that come again in later rounds (the closure grows) make no second object.
    EvalHarness again;
    const Lines againRoads = roads(again,
                                   "e(a,b). e(b,c). e(c,a).\ne(X,Z) :- e(X,Y), e(Y,Z).\n"
                                   "p(g(f(X,Y),Y)) :- e(X,Y).");
    EXPECT_NE(std::find(againRoads.begin(), againRoads.end(), "ordered"), againRoads.end());
    EXPECT_EQ(std::count(againRoads.begin(), againRoads.end(), "ordered + seen-row trie"), 0);
    EXPECT_EQ(again.ask("?- p(g(f(a,X),X))."), (Lines{"X=a", "X=b", "X=c"}));
    EXPECT_EQ(again.ask("?- N = count{K ; p(K)}."), (Lines{"N=9"}));

    EvalHarness scalar;
    EXPECT_EQ(roads(scalar, "e(a,b). e(b,c).\nX[m->Y] :- e(X,Y)."),
              (Lines{"ordered + seen-row trie", "ordered + seen-row trie"}));
    EXPECT_EQ(scalar.ask("?- X[m->Y]."), (Lines{"X=a, Y=b", "X=b, Y=c"}));
}

TEST(HeadPlan, AHeadListBuildsItsTreesAtTheFirstRow) {
    EvalHarness h;
    EXPECT_EQ(roads(h, "e(a,b). e(b,c).\np(X), q(Y) :- e(X,Y)."),
              (Lines{"ordered + seen-row trie", "batched"}));
    EXPECT_EQ(h.ask("?- p(X), q(Y)."), (Lines{"X=a, Y=b", "X=a, Y=c", "X=b, Y=b", "X=b, Y=c"}));
}

TEST(HeadPlan, TracingEveryAttemptTakesEachRowOnceThroughTheTrie) {
    EvalHarness h;
    ChannelCapture trace(debugChannel());
    eval_test::callWith(h.access, "debugOn", {"all"});
    // A row taken in an earlier pass is no new attempt: the fresh-only road, whose rows pass
    // no trie, gives way to the ordered one, and the batched road keeps the trie.
    EXPECT_EQ(roads(h, "e(a,b). e(b,c).\nt(X,Y) :- e(X,Y)."),
              (Lines{"ordered + seen-row trie", "batched + seen-row trie"}));
    eval_test::callWith(h.access, "debugOff", {});
    EXPECT_EQ(h.ask("?- t(X,Y)."), (Lines{"X=a, Y=b", "X=b, Y=c"}));
}

}  // namespace
