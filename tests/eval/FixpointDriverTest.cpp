// Tests of FixpointDriver: the phases it hands an evaluator for typical plans (a chain, mutual
// recursion, negation between components, a derived hierarchy), the walk by strata again after
// equalities, the trigger phases between strata, where a walk stops and where it starts,
// and the state a walk counts into.
#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "eval/EvaluationState.h"
#include "eval/FixpointDriver.h"
#include "eval/ProgramPlan.h"
#include "foundation/OutputChannel.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Walk = FixpointDriver::Walk;
using End = FixpointDriver::End;

// An evaluator that runs nothing: it writes down each phase it is handed, one a line, as
// "<plan>.<C|S><index> <once|rounds>[ trigger][ again]: <rules>", and ends each as `ending` says.
class Recorder : public FixpointDriver::PartEvaluator {
  public:
    explicit Recorder(rule_test::RuleHarness& harness) : harness(harness) {}

    End evaluatePart(const FixpointDriver::Phase& phase) override {
        phases.push_back(describe(phase));
        return ending ? ending(phase) : End::Fixpoint;
    }

    // With `preparing`, each part handed over before it runs, as "prepare <line>".
    void preparePart(const FixpointDriver::Phase& phase) override {
        if (preparing) phases.push_back("prepare " + describe(phase));
    }

    std::string describe(const FixpointDriver::Phase& phase) {
        std::string line = std::to_string(phase.planIndex) + "." +
                           (phase.walk == Walk::Components ? "C" : "S") +
                           std::to_string(phase.index) + (phase.recursive ? " rounds" : " once");
        if (phase.trigger) line += " trigger";
        if (phase.triggers == ProgramPlan::Triggers::None) line += " alone";
        if (phase.pass == FixpointDriver::Pass::AfterEqualities) line += " again";
        line += ":";
        phase.part->forEachClause(
            [&](FRule* clause) {
                if (clause->ruleKind() == FRule::Rule) line += " " + harness.print(clause);
                return true;
            },
            [](const FactList&, std::size_t) { return true; });
        return line;
    }

    // The round a walk evaluating again opens with, as "opening"; the walk starts at `start`.
    std::optional<std::size_t> openWalk(const FixpointDriver::Phase& /*phase*/) override {
        phases.push_back("opening");
        return start;
    }

    std::vector<FSymbol> subclassesOf(const FSymbol& /*cls*/) override {
        // Once a line, however many classes the plan asks about.
        if (phases.empty() || phases.back() != "hierarchy asked")
            phases.push_back("hierarchy asked");
        return {};
    }

    std::vector<std::string> phases;
    std::function<End(const FixpointDriver::Phase&)> ending;
    bool preparing = false;
    std::optional<std::size_t> start = 0;

  private:
    rule_test::RuleHarness& harness;
};

// The phases of one walk of the text's plan.
std::vector<std::string> walk(const std::string& text, Walk how,
                              FixpointDriver::Between between = FixpointDriver::Between::Nothing,
                              std::function<End(const FixpointDriver::Phase&)> ending = nullptr,
                              bool* reached = nullptr) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program(text);
    const ProgramPlan plan(program, ProgramPlan::Inheritance::None);
    Recorder recorder(harness);
    recorder.ending = std::move(ending);
    FixpointDriver::Warned warned;
    const bool ran = FixpointDriver(recorder, program, plan, how, warned, between).run();
    if (reached != nullptr) *reached = ran;
    return recorder.phases;
}

using Lines = std::vector<std::string>;

const char* const chain = "p3(X) :- p2(X). p0(a). p2(X) :- p1(X). p1(X) :- p0(X).";
const char* const negation =
    "e(1,2). e(2,3). t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z). "
    "u(X) :- e(X,_), not t(X,3). n(N) :- N = count{X ; u(X)}.";

TEST(FixpointDriver, AChainRunsEachRuleOnceFromTheFactsUp) {
    // The component of the facts runs to its fixpoint: its rules see the facts from its second
    // round on.
    EXPECT_EQ(walk(chain, Walk::Components),
              (Lines{"0.C0 rounds: p1(X) :- p0(X).", "0.C1 once: p2(X) :- p1(X).",
                     "0.C2 once: p3(X) :- p2(X)."}));
    // By strata the whole chain is one part.
    EXPECT_EQ(walk(chain, Walk::Strata),
              (Lines{"0.S0 rounds: p3(X) :- p2(X). p2(X) :- p1(X). p1(X) :- p0(X)."}));
}

TEST(FixpointDriver, MutualRecursionIsOnePartInRounds) {
    EXPECT_EQ(walk("e(1). s(X) :- e(X). p(X) :- e(X). p(X) :- q(X). q(X) :- p(X). "
                   "r(X) :- q(X).",
                   Walk::Components),
              (Lines{"0.C0 rounds: s(X) :- e(X).",
                     "0.C1 rounds: p(X) :- e(X). p(X) :- q(X). q(X) :- p(X).",
                     "0.C2 once: r(X) :- q(X)."}));
}

TEST(FixpointDriver, NegationBetweenComponentsWaitsForWhatItReads) {
    const Lines components{"0.C0 rounds: t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z).",
                           "0.C1 once: u(X) :- e(X,_), not t(X,3).",
                           "0.C2 once: n(N) :- N = count{X ; u(X)}."};
    EXPECT_EQ(walk(negation, Walk::Components), components);
    const Lines strata{"0.S0 rounds: t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z).",
                       "0.S1 rounds: u(X) :- e(X,_), not t(X,3).",
                       "0.S2 rounds: n(N) :- N = count{X ; u(X)}."};
    EXPECT_EQ(walk(negation, Walk::Strata), strata);

    // Objects equated by a later component may join rows of those before it: the components
    // are followed by the strata, all of them.
    auto equatesAt = [](std::size_t index) {
        return [index](const FixpointDriver::Phase& phase) {
            return phase.walk == Walk::Components && phase.index == index ? End::FixpointEquated
                                                                          : End::Fixpoint;
        };
    };
    Lines expected = components;
    expected.push_back("0.S0 rounds again: t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z).");
    expected.push_back("0.S1 rounds again: u(X) :- e(X,_), not t(X,3).");
    expected.push_back("0.S2 rounds again: n(N) :- N = count{X ; u(X)}.");
    EXPECT_EQ(walk(negation, Walk::Components, FixpointDriver::Between::Nothing, equatesAt(1)),
              expected);
    // Equalities in the first part join nothing evaluated before it.
    EXPECT_EQ(walk(negation, Walk::Components, FixpointDriver::Between::Nothing, equatesAt(0)),
              components);

    // The single rounds of tp: a trigger phase before every stratum but the first.
    EXPECT_EQ(walk(negation, Walk::Strata, FixpointDriver::Between::TriggerPhase),
              (Lines{"0.S0 rounds: t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z).",
                     "0.S1 rounds trigger: u(X) :- e(X,_), not t(X,3).",
                     "0.S1 rounds: u(X) :- e(X,_), not t(X,3).",
                     "0.S2 rounds trigger: n(N) :- N = count{X ; u(X)}.",
                     "0.S2 rounds: n(N) :- N = count{X ; u(X)}."}));
    // A trigger phase that adds facts stops the walk before its stratum.
    bool reached = true;
    EXPECT_EQ(walk(
                  negation, Walk::Strata, FixpointDriver::Between::TriggerPhase,
                  [](const FixpointDriver::Phase& phase) {
                      return phase.trigger ? End::Stopped : End::Fixpoint;
                  },
                  &reached),
              (Lines{"0.S0 rounds: t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z).",
                     "0.S1 rounds trigger: u(X) :- e(X,_), not t(X,3)."}));
    EXPECT_FALSE(reached);
    // A part that ends without its fixpoint stops the walk.
    EXPECT_EQ(walk(
                  negation, Walk::Components, FixpointDriver::Between::Nothing,
                  [](const FixpointDriver::Phase& phase) {
                      return phase.index == 1 ? End::Stopped : End::Fixpoint;
                  },
                  &reached),
              (Lines{components[0], components[1]}));
    EXPECT_FALSE(reached);
}

TEST(FixpointDriver, TheRulesAboveADerivedHierarchyAreWalkedOnceItIsMade) {
    // The subclass rule reads only vlk: its part comes first, then the rest is planned with the
    // hierarchy the base holds, and walked as a second plan.
    EXPECT_EQ(walk("e(1). e(2).\np(X) :- e(X), X > 1.\nX : k1 :- p(X).\n"
                   "X : k2 :- e(X), not X : k1.\nvlk(vk0, vk1).\nC :: D :- vlk(C, D).",
                   Walk::Components),
              (Lines{"0.C0 rounds: C::D :- vlk(C,D).", "hierarchy asked",
                     "1.C0 once: p(X) :- e(X), X > 1.", "1.C1 once: X:k1 :- p(X).",
                     "1.C2 once: X:k2 :- e(X), not X:k1."}));
}

TEST(FixpointDriver, ComponentsThatChangeWhatIsInheritedSettleInPassesWithTriggerPhases) {
    // The facts and the rule giving n values may change what a trigger phase inherits: passes
    // over both, their rounds alone, each followed by a trigger phase, until one inherits
    // nothing; a pass after a phase that inherited starts at the first component that may read
    // it (the facts' component, whose rules see the facts). The chain above them runs once and
    // without phases, the rule reading a method alternates with them.
    const std::string text =
        "e(a). c[m *-> 1]. o : c. p1(X) :- e(X). X[n -> Y] :- p1(X), e(Y). q(X) :- p1(X). "
        "p2(X) :- p1(X). v(X, V) :- X[m -> V]. w(X) :- v(X, V).";
    bool reached = false;
    auto run = [&](std::function<End(const FixpointDriver::Phase&)> ending) {
        rule_test::RuleHarness harness;
        FProgram* program = harness.program(text);
        const ProgramPlan plan(program, ProgramPlan::Inheritance::Inherits);
        Recorder recorder(harness);
        recorder.ending = std::move(ending);
        FixpointDriver::Warned warned;
        reached = FixpointDriver(recorder, program, plan, Walk::Components, warned).run();
        return recorder.phases;
    };
    const std::string facts = "0.C0 rounds alone: p1(X) :- e(X).";
    const std::string values = "0.C1 once alone: X[n -> Y] :- p1(X), e(Y).";
    const std::string trigger = "0.C1 rounds trigger: X[n -> Y] :- p1(X), e(Y).";
    const Lines rest{"0.C2 once alone: q(X) :- p1(X).", "0.C3 once alone: p2(X) :- p1(X).",
                     "0.C4 once: v(X,V) :- X[m -> V].", "0.C5 once alone: w(X) :- v(X,V)."};
    int triggers = 0;
    Lines expected{facts, values, trigger, facts, values, trigger};
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(run([&](const FixpointDriver::Phase& phase) {
                  if (!phase.trigger) return End::Fixpoint;
                  return ++triggers == 1 ? End::Inherited : End::Fixpoint;
              }),
              expected);
    EXPECT_TRUE(reached);
    // Objects equated in a pass may join rows of the components before: the pass is taken
    // again before the trigger phase, and the strata follow the walk.
    int passes = 0;
    const Lines equated = run([&](const FixpointDriver::Phase& phase) {
        if (phase.trigger || phase.index != 1) return End::Fixpoint;
        return ++passes == 1 ? End::FixpointEquated : End::Fixpoint;
    });
    expected = Lines{facts, values, facts, values, trigger};
    expected.insert(expected.end(), rest.begin(), rest.end());
    expected.push_back(
        "0.S0 rounds again: p1(X) :- e(X). X[n -> Y] :- p1(X), e(Y). q(X) :- p1(X). "
        "p2(X) :- p1(X). v(X,V) :- X[m -> V]. w(X) :- v(X,V).");
    EXPECT_EQ(equated, expected);
    // A trigger phase that stops (a conflict to step back from) stops the walk.
    EXPECT_EQ(run([](const FixpointDriver::Phase& phase) {
                  return phase.trigger ? End::Stopped : End::Fixpoint;
              }),
              (Lines{facts, values, trigger}));
    EXPECT_FALSE(reached);
}

TEST(FixpointDriver, AWalkStartsWhereItIsToldAndWarnsOnce) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program(negation);
    const ProgramPlan plan(program, ProgramPlan::Inheritance::None);
    Recorder recorder(harness);
    FixpointDriver::Warned warned;
    EXPECT_TRUE(
        FixpointDriver(recorder, program, plan, Walk::Components, warned).startingAt(1).run());
    EXPECT_EQ(recorder.phases, (Lines{"0.C1 once: u(X) :- e(X,_), not t(X,3).",
                                      "0.C2 once: n(N) :- N = count{X ; u(X)}."}));
    // A component left out is at its fixpoint: equalities after it join its rows.
    recorder.phases.clear();
    recorder.ending = [](const FixpointDriver::Phase& phase) {
        return phase.walk == Walk::Components ? End::FixpointEquated : End::Fixpoint;
    };
    EXPECT_TRUE(
        FixpointDriver(recorder, program, plan, Walk::Components, warned).startingAt(1).run());
    EXPECT_EQ(recorder.phases.size(), 5U);

    // A program evaluated in rounds is named once, however often it is walked.
    FProgram* rounds = harness.program("b(1). p(X) :- b(X), not q(X). q(X) :- b(X), not p(X).");
    const ProgramPlan roundsPlan(rounds, ProgramPlan::Inheritance::None);
    ChannelCapture error(errorChannel());
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(FixpointDriver(recorder, rounds, roundsPlan, Walk::Strata, warned).run());
    EXPECT_EQ(error.text(), roundsPlan.warnings().front() + "\n");
}

TEST(FixpointDriver, EveryPartOfAPlanIsPreparedBeforeTheFirstRuns) {
    auto prepared = [](const std::string& text, Walk how, ProgramPlan::Inheritance inheritance) {
        rule_test::RuleHarness harness;
        FProgram* program = harness.program(text);
        const ProgramPlan plan(program, inheritance);
        Recorder recorder(harness);
        recorder.preparing = true;
        FixpointDriver::Warned warned;
        EXPECT_TRUE(FixpointDriver(recorder, program, plan, how, warned).run());
        return recorder.phases;
    };
    const std::string t = "0.C0 rounds: t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z).";
    const std::string u = "0.C1 once: u(X) :- e(X,_), not t(X,3).";
    const std::string n = "0.C2 once: n(N) :- N = count{X ; u(X)}.";
    EXPECT_EQ(prepared(negation, Walk::Components, ProgramPlan::Inheritance::None),
              (Lines{"prepare " + t, "prepare " + u, "prepare " + n, t, u, n}));
    // The rules above a derived hierarchy are planned once it is made, and prepared then.
    EXPECT_EQ(
        prepared("e(1). e(2).\np(X) :- e(X), X > 1.\nX : k1 :- p(X).\n"
                 "X : k2 :- e(X), not X : k1.\nvlk(vk0, vk1).\nC :: D :- vlk(C, D).",
                 Walk::Components, ProgramPlan::Inheritance::None),
        (Lines{"prepare 0.C0 rounds: C::D :- vlk(C,D).", "0.C0 rounds: C::D :- vlk(C,D).",
               "hierarchy asked", "prepare 1.C0 once: p(X) :- e(X), X > 1.",
               "prepare 1.C1 once: X:k1 :- p(X).", "prepare 1.C2 once: X:k2 :- e(X), not X:k1.",
               "1.C0 once: p(X) :- e(X), X > 1.", "1.C1 once: X:k1 :- p(X).",
               "1.C2 once: X:k2 :- e(X), not X:k1."}));
    // Components that settle first are prepared as they run there, without trigger phases of
    // their own.
    const Lines settling = prepared(
        "e(a). c[m *-> 1]. o : c. p1(X) :- e(X). X[n -> Y] :- p1(X), e(Y). "
        "v(X, V) :- X[m -> V].",
        Walk::Components, ProgramPlan::Inheritance::Inherits);
    EXPECT_EQ(Lines(settling.begin(), settling.begin() + 3),
              (Lines{"prepare 0.C0 rounds alone: p1(X) :- e(X).",
                     "prepare 0.C1 once alone: X[n -> Y] :- p1(X), e(Y).",
                     "prepare 0.C2 once: v(X,V) :- X[m -> V]."}));
}

TEST(FixpointDriver, EvaluatingAgainOpensWithItsOwnPhaseBeforeAnyPartIsPrepared) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program(negation);
    const ProgramPlan plan(program, ProgramPlan::Inheritance::None);
    Recorder recorder(harness);
    recorder.preparing = true;
    FixpointDriver::Warned warned;
    EXPECT_TRUE(FixpointDriver(recorder, program, plan, ProgramPlan::Road::Again, warned).run());
    const std::string t = "0.C0 rounds: t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z).";
    const std::string u = "0.C1 once: u(X) :- e(X,_), not t(X,3).";
    const std::string n = "0.C2 once: n(N) :- N = count{X ; u(X)}.";
    EXPECT_EQ(recorder.phases,
              (Lines{"opening", "prepare " + t, "prepare " + u, "prepare " + n, t, u, n}));
    // The walk starts where the opening round says.
    recorder.phases.clear();
    recorder.start = 1;
    EXPECT_TRUE(FixpointDriver(recorder, program, plan, ProgramPlan::Road::Again, warned).run());
    EXPECT_EQ(recorder.phases, (Lines{"opening", "prepare " + u, "prepare " + n, u, n}));
    // An opening round that stops ends the walk there; a first evaluation has none.
    recorder.phases.clear();
    recorder.start.reset();
    EXPECT_FALSE(FixpointDriver(recorder, program, plan, ProgramPlan::Road::Again, warned).run());
    EXPECT_EQ(recorder.phases, (Lines{"opening"}));
    recorder.phases.clear();
    EXPECT_TRUE(FixpointDriver(recorder, program, plan, ProgramPlan::Road::First, warned).run());
    EXPECT_EQ(recorder.phases.front(), "prepare " + t);
}

// An evaluator that counts a round for each part into the state it is pointed to, and throws
// at the part `throwAt` (none when negative).
class Counter : public FixpointDriver::PartEvaluator {
  public:
    End evaluatePart(const FixpointDriver::Phase& /*phase*/) override {
        walkOwn = walkOwn && now != &between;
        ++now->rounds;
        if (now->rounds == throwAt) throw std::runtime_error("part failed");
        return End::Fixpoint;
    }
    std::vector<FSymbol> subclassesOf(const FSymbol& /*cls*/) override { return {}; }
    EvaluationState* countInto(EvaluationState* state) override {
        return std::exchange(now, state != nullptr ? state : &between);
    }
    void releaseOwn() override {
        ++released;
        releasedOwn = now != &between && now->own != nullptr;
    }

    EvaluationState between;
    EvaluationState* now = &between;
    bool walkOwn = true;
    int throwAt = -1;
    // How often the evaluator let go of its own state, and whether it was pointed to it then.
    int released = 0;
    bool releasedOwn = false;
};

// An evaluator's own state for a walk that says when it goes.
class Marked : public EvaluationState::Own {
  public:
    explicit Marked(bool& gone) : gone(gone) {}
    ~Marked() override { gone = true; }

  private:
    bool& gone;
};

TEST(FixpointDriver, TheWalksStateIsTheRunsOwnAndLeftWhereTheCountsStand) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program(negation);
    const ProgramPlan plan(program, ProgramPlan::Inheritance::None);
    FixpointDriver::Warned warned;
    Counter counter;
    counter.between.rounds = 5;
    EXPECT_TRUE(FixpointDriver(counter, program, plan, Walk::Components, warned).run());
    EXPECT_TRUE(counter.walkOwn);
    EXPECT_EQ(counter.now, &counter.between);
    EXPECT_EQ(counter.between.rounds, 8);
    // A walk that unwinds leaves the counts it reached.
    counter.throwAt = 10;
    EXPECT_THROW(FixpointDriver(counter, program, plan, Walk::Components, warned).run(),
                 std::runtime_error);
    EXPECT_EQ(counter.now, &counter.between);
    EXPECT_EQ(counter.between.rounds, 10);
}

TEST(FixpointDriver, TheEvaluatorsOwnStateIsHeldByTheRunAndGoesWithIt) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program(negation);
    const ProgramPlan plan(program, ProgramPlan::Inheritance::None);
    FixpointDriver::Warned warned;
    Counter counter;
    // Without one, the evaluator has nothing to let go of.
    EXPECT_TRUE(FixpointDriver(counter, program, plan, Walk::Components, warned).run());
    EXPECT_EQ(counter.released, 0);
    bool gone = false;
    FixpointDriver driver(counter, program, plan, Walk::Components, warned);
    driver.holding(std::make_unique<Marked>(gone));
    EXPECT_FALSE(gone);
    EXPECT_TRUE(driver.run());
    EXPECT_TRUE(gone);
    EXPECT_EQ(counter.released, 1);
    EXPECT_TRUE(counter.releasedOwn);
    EXPECT_EQ(counter.between.own, nullptr);
    EXPECT_EQ(counter.between.rounds, 6);
    // A walk that unwinds lets it go too.
    gone = false;
    counter.throwAt = 8;
    EXPECT_THROW(FixpointDriver(counter, program, plan, Walk::Components, warned)
                     .holding(std::make_unique<Marked>(gone))
                     .run(),
                 std::runtime_error);
    EXPECT_TRUE(gone);
    EXPECT_EQ(counter.released, 2);
    EXPECT_EQ(counter.between.own, nullptr);
}

}  // namespace
