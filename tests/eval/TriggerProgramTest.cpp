// Tests of TriggerProgram: which body literals become trigger queries, whether phases may insert
// all a trigger inherits, and the memberships and contested methods the rules' heads give.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "compile/SemanticAnalyser.h"
#include "eval/ProgramPlan.h"
#include "eval/TriggerProgram.h"
#include "foundation/OutputChannel.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Lines = std::vector<std::string>;

// A program analysed and planned for an evaluator that inherits, and its trigger program.
struct Drawn {
    explicit Drawn(const std::string& text) : program(harness.program(text)) {
        auto analyser = Ref<SemanticAnalyser>::make();
        analyser->analyse(program, program->getSymTab());
        analyser.reset();
        plan = std::make_unique<ProgramPlan>(program, ProgramPlan::Inheritance::Inherits);
        triggers = std::make_unique<const TriggerProgram>(program, *plan);
    }
    // The trigger queries as rules print.
    Lines queries() const {
        Lines lines;
        for (const Ref<FRule>& rule : triggers->rules()) lines.push_back(harness.print(rule.get()));
        return lines;
    }
    // The contested methods as terms print.
    Lines contested() const {
        Lines lines;
        for (const Ref<FTerm>& method : triggers->contestedMethods()) {
            OutputChannel channel;
            ChannelCapture text(channel);
            method->print(channel, harness.table(), nullptr);
            lines.push_back(text.text());
        }
        return lines;
    }
    rule_test::RuleHarness harness;
    FProgram* program;
    std::unique_ptr<ProgramPlan> plan;
    std::unique_ptr<const TriggerProgram> triggers;
};

const char* const values = "c[v*->1]. o : c. d :: c. q(o).\n";

TEST(TriggerProgram, ALiteralCoveredByAMoreGeneralOneIsDropped) {
    // X[v->1] gives way to the X[v->V] after it; o[v->V] after that is covered by it.
    const Drawn drawn(std::string(values) +
                      "r(X) :- X[v->1], q(X).\n"
                      "s(X) :- X[v->V], q(X).\n"
                      "t(V) :- o[v->V].");
    EXPECT_EQ(drawn.queries(), (Lines{"?- X[v -> V]."}));
}

TEST(TriggerProgram, ANegatedLiteralTriggersItsPositiveForm) {
    const Drawn drawn(std::string(values) + "r(X) :- q(X), not X[w->>{a}].");
    EXPECT_EQ(drawn.queries(), (Lines{"?- X[w ->> {a}]."}));
}

TEST(TriggerProgram, PredicatesSignaturesAndFactsGiveNoTrigger) {
    const Drawn drawn(std::string(values) + "o[w->2].\nr(X) :- q(X), X[u=>c].");
    EXPECT_EQ(drawn.queries(), (Lines{}));
}

TEST(TriggerProgram, PrintsTheListAsTheDebugTraceShowsIt) {
    const Drawn drawn(std::string(values) + "r(X) :- X[v->V], not X[w->>{a}].");
    OutputChannel channel;
    ChannelCapture text(channel);
    drawn.triggers->print(channel);
    EXPECT_EQ(text.text(), "TriggerList:\n?- X[v -> V].\n?- X[w ->> {a}].\n\n\n");
}

TEST(TriggerProgram, PhasesAreFullWhereNoRuleChangesWhatIsInherited) {
    const Drawn drawn(std::string(values) + "r(X,V) :- X[v->V].");
    EXPECT_TRUE(drawn.triggers->fullPhases());
    EXPECT_EQ(drawn.contested(), (Lines{}));
}

TEST(TriggerProgram, ASubclassRuleMakesSingleFactPhases) {
    const Drawn drawn(std::string(values) + "X :: c :- q(X).\nr(X,V) :- X[v->V].");
    EXPECT_FALSE(drawn.triggers->fullPhases());
}

TEST(TriggerProgram, MembershipInAClassNotNamedByAConstantMakesSingleFactPhases) {
    const Drawn drawn(std::string(values) + "X : C :- q(X), p(C).\nr(X,V) :- X[v->V].");
    EXPECT_FALSE(drawn.triggers->fullPhases());
}

TEST(TriggerProgram, MembershipRulesOfAConstantClassKeepFullPhases) {
    const Drawn drawn(std::string(values) + "X : d :- q(X).\nr(X,V) :- X[v->V].");
    EXPECT_TRUE(drawn.triggers->fullPhases());
}

TEST(TriggerProgram, MembershipRulesWithATriggerThroughAnyMethodMakeSingleFactPhases) {
    const Drawn drawn(std::string(values) + "X : d :- q(X).\nr(X,M,V) :- X[M->V].");
    EXPECT_FALSE(drawn.triggers->fullPhases());
}

TEST(TriggerProgram, MethodsRuleHeadsGiveValuesAreContested) {
    const Drawn drawn(std::string(values) +
                      "X[v->2] :- q(X).\nX[u=>c] :- q(X).\nr(X,V) :- X[v->V].");
    EXPECT_EQ(drawn.contested(), (Lines{"v"}));
    // Own values are left to later phases, which take one fact at a time; the phases before
    // them may still be full.
    EXPECT_TRUE(drawn.triggers->fullPhases());
}

TEST(TriggerProgram, AHeadThroughAnyMethodLeavesNothingForLater) {
    const Drawn drawn(std::string(values) + "X[M->2] :- q(X), p(M).\nr(X,V) :- X[v->V].");
    EXPECT_EQ(drawn.contested(), (Lines{}));
    EXPECT_FALSE(drawn.triggers->fullPhases());
}

}  // namespace
