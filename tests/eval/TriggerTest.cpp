// Inheritance triggers: the trigger list and its deduplication, trigger phases in both modes with
// their traces and statistic lines, and queries matched until they inherit nothing new.
#include <gtest/gtest.h>

#include <string>

#include "EvalHarness.h"
#include "compile/SemanticAnalyser.h"
#include "eval/NaiveEvalWithInherit.h"
#include "eval/PrSemiNaive.h"
#include "eval/TriggerProgram.h"
#include "foundation/ShellValues.h"
#include "platform/InterruptFlag.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;

struct InheritHarness : EvalHarness {
    // In all-triggers mode the evaluator is the semi-naive one in mode naive, which switches it.
    explicit InheritHarness(bool allTriggers = false)
        : inheritOwner(Ref<NaiveEvalWithInherit>::adopt(
              allTriggers ? new PrSemiNaive(matcher, access)
                          : new NaiveEvalWithInherit(matcher, access))),
          inherit(inheritOwner.get()) {
        if (allTriggers) eval_test::callWith(inherit, "mode", {"allTriggers"});
    }
    FProgram* analysed(const std::string& text) {
        FProgram* program = rules.program(text);
        auto analyser = Ref<SemanticAnalyser>::make();
        analyser->analyse(program, program->getSymTab());
        analyser.reset();
        return program;
    }
    int run(const std::string& text) { return inherit->evaluate(analysed(text)); }
    void debugOn() { eval_test::callWith(inherit, "debugOn", {}); }
    // The printed trigger rules.
    Lines triggers() {
        Lines lines;
        if (const TriggerProgram* triggers = inherit->triggerProgram())
            for (const Ref<FRule>& rule : triggers->rules())
                lines.push_back(rules.print(rule.get()));
        return lines;
    }
    // The harness holds the evaluator; the tests borrow it through the plain pointer.
    Ref<NaiveEvalWithInherit> inheritOwner;
    NaiveEvalWithInherit* inherit;
};

const char* const inheriting = "c[v*->1]. o : c. p : c. p[v->2]. d :: c. q : d.\n";

TEST(InheritanceTriggers, ListIsDeduplicatedBothWaysWithoutPredicatesOrSignatures) {
    InheritHarness h;
    h.debugOn();
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(h.run(std::string(inheriting) + "r(X) :- X[v->1], p(X).\n"
                                              "s(X) :- X[v->V], not X[w->>{a}], X[u=>c].\n"
                                              "t(V) :- o[v->V]."),
              1);
    // X[v->1] is dropped for the more general X[v->V] listed after it; o[v->V] is covered by
    // it; the negated literal becomes positive; predicates and signatures give none.
    EXPECT_EQ(h.triggers(), (Lines{"?- X[v -> V].", "?- X[w ->> {a}]."}));
    const std::string text = debug.text();
    EXPECT_NE(text.find("TriggerList:\n?- X[v -> V].\n?- X[w ->> {a}].\n\n\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("0. Fixpoint\n"), std::string::npos);
    EXPECT_NE(text.find(" Trigger fired!\n"), std::string::npos);
    EXPECT_NE(text.find("No trigger found.\n"), std::string::npos);
    EXPECT_EQ(h.ask("?- r(X)."), (Lines{}));
    EXPECT_EQ(h.ask("?- X[v->V]."), (Lines{"V=1, X=o", "V=1, X=q", "V=2, X=p"}));
}

TEST(InheritanceTriggers, OneTriggerAndAllTriggersReachTheSameModel) {
    const std::string program =
        std::string(inheriting) + "c[w*->>{x,y}].\n" + "r(X,V) :- X[v->V].\ns(X,W) :- X[w->>{W}].";
    Lines models[2];
    int fixpoints[2] = {0, 0};
    for (int mode = 0; mode < 2; ++mode) {
        InheritHarness h(mode == 1);
        EXPECT_EQ(h.run(program), 1);
        models[mode] = h.ask("?- r(X,V).");
        for (const std::string& line : h.ask("?- s(X,W).")) models[mode].push_back(line);
        Lines lines = h.statistics();
        ASSERT_EQ(lines.size(), 4u);
        EXPECT_EQ(lines[2].rfind("(Time spent in firing triggers  : ", 0), 0u);
        fixpoints[mode] = std::stoi(lines[3].substr(lines[3].rfind(' ') + 1));
    }
    EXPECT_EQ(models[0], models[1]);
    EXPECT_EQ(models[0], (Lines{"V=1, X=o", "V=1, X=q", "V=2, X=p", "W=x, X=o", "W=x, X=p",
                                "W=x, X=q", "W=y, X=o", "W=y, X=p", "W=y, X=q"}));
    // All-triggers mode inherits everything a phase can see at once: no more phases.
    EXPECT_LE(fixpoints[1], fixpoints[0]);
    EXPECT_GT(fixpoints[0], 1);
}

TEST(InheritanceTriggers, WithoutInheritanceNoPhaseAndNoTriggerLines) {
    InheritHarness h;
    EXPECT_EQ(h.run("p(a). q(X) :- p(X)."), 1);
    EXPECT_EQ(h.inherit->triggerProgram(), nullptr);
    EXPECT_EQ(h.inherit->fireTrigger(), 0);
    Lines lines = h.statistics();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], "Number of TP iterations         : 3");
}

TEST(InheritanceTriggers, QueryIsMatchedUntilNothingIsInherited) {
    InheritHarness h;
    h.rules.facts("o : c. p : c. q : c. p[v->2].");
    h.rules.facts("c[v*->1].");
    FProgram* program = h.analysed("c[v*->1]. o : c.");
    EXPECT_EQ(h.inherit->evaluate(program), 1);
    h.inherit->reset(0);
    const Lines before = h.ask("?- X[v->V].");
    const Ref<Operand> answers = h.inherit->retrieve(h.rules.rule("?- X[v->V]."), nullptr);
    ASSERT_TRUE(answers);
    std::size_t rows = 0;
    scan(answers.get(), RowOrder::Ordered, [&](const RowView&) {
        ++rows;
        return true;
    });
    // o and q inherit 1, p has its own 2.
    EXPECT_EQ(rows, 3u);
    // The values the query inherited go again: the base is the one the evaluation left.
    EXPECT_EQ(h.ask("?- X[v->V]."), before);
    // A fact is no query.
    ErrorCapture errors;
    EXPECT_FALSE(h.inherit->retrieve(h.rules.rule("p(a)."), nullptr));
    EXPECT_EQ(eval_test::errorNames(errors), "WrongArg");
}

TEST(InheritanceTriggers, InterruptStillFiresOnePhaseThenCancels) {
    InheritHarness h;
    auto cancelling =
        Ref<eval_test::InterruptedInFirstRound<NaiveEvalWithInherit>>::make(h.matcher, h.access);
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(cancelling->evaluate(h.analysed(std::string(inheriting) + "r(X) :- X[v->1].")), 0);
    EXPECT_EQ(debug.text(), "evaluation cancelled at round 1\n");
    EXPECT_EQ(interruptFlag.load(), 0);
    // The statistic lines come before the cancel line, the trigger count is 0.
    EXPECT_EQ(h.statistics().size(), 2u);
    // The one phase ran: no rule changes what is inherited, so it stored every value its
    // trigger inherits.
    EXPECT_EQ(h.ask("?- X[v->1]."), (Lines{"X=o", "X=q"}));
    cancelling->reset(1);
    EXPECT_EQ(cancelling->inheritance(), 0);
    cancelling.reset();
}

}  // namespace

namespace {

// The facts that the first trigger phase of an evaluation of the text stored.
int firstPhaseFacts(const std::string& text) {
    InheritHarness h;
    h.debugOn();
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(h.run(text), 1);
    const std::string trace = debug.text();
    const std::size_t fired = trace.find(" Trigger fired!");
    if (fired == std::string::npos) return 0;
    const std::size_t start = trace.rfind('\n', fired);
    return std::stoi(trace.substr(start + 1, fired - start - 1));
}

TEST(InheritanceTriggers, OneTriggerPhaseTakesAllItInheritsWhereNoRuleCanChangeIt) {
    const std::string hierarchy = "c[v*->1]. o : c. q : c.\n";
    // Rules that read the value and classify by it into a class holding no v: one phase.
    EXPECT_EQ(firstPhaseFacts(hierarchy + "r(X) :- X[v->1].\nX : k :- X[v->1]."), 2);
    // A member joins k only once it has its v, which it keeps: k's own v changes nothing.
    EXPECT_EQ(firstPhaseFacts(hierarchy + "k[v*->1].\nX : k :- X[v->1]."), 2);
    // The class holds a value of another method a trigger reads: a host that joins it after
    // inheriting from a class above gives way to its value, so the phase still takes all.
    EXPECT_EQ(firstPhaseFacts(hierarchy + "k[w*->1].\nX : k :- X[v->1].\nr(X) :- X[w->1]."), 2);
    // A rule derives a subclass relation: the rules between two inherited facts may change the
    // next one, so one fact per phase.
    EXPECT_EQ(firstPhaseFacts(hierarchy + "X :: k :- X[v->1]."), 1);
    // A rule derives v values: v comes after everything else, one fact at a time.
    EXPECT_EQ(firstPhaseFacts(hierarchy + "r(X) :- X[v->1].\nX[v->2] :- X[w->3]."), 1);
}

TEST(InheritanceTriggers, AnOwnValueARuleGivesLaterIsNotPrecededByTheInheritedOne) {
    const std::string program =
        "a[m*->v1; n*->5]. x : a.\np(X, V) :- X[m->V].\nX[m->v2] :- X[n->5].";
    for (bool allTriggers : {false, true}) {
        InheritHarness h(allTriggers);
        EXPECT_EQ(h.run(program), 1);
        EXPECT_EQ(h.ask("?- p(X, V)."), (Lines{"V=v2, X=x"})) << allTriggers;
        EXPECT_EQ(h.ask("?- x[m->V]."), (Lines{"V=v2"})) << allTriggers;
        // The rule's v2 stood beside no inherited v1: nothing was withdrawn or equated.
        EXPECT_EQ(h.access->inheritance().withdrawnValues(), 0);
    }
}

TEST(InheritanceTriggers, ASetWithAnOwnMemberTakesNoInheritedOneInEitherMode) {
    const std::string program = "a[s*->>{p}; k*->1]. x : a.\nX[s->>{q}] :- X[k->1].";
    for (bool allTriggers : {false, true}) {
        InheritHarness h(allTriggers);
        EXPECT_EQ(h.run(program), 1);
        EXPECT_EQ(h.ask("?- x[s->>{M}]."), (Lines{"M=q"})) << allTriggers;
    }
}

}  // namespace
