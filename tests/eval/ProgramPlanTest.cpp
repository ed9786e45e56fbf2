// Tests of ProgramPlan and RuleSummary: what a clause reads and writes, the components of a
// program in dependency order, which of them run in one pass, and the plan of a program whose
// class hierarchy is derived.
#include <gtest/gtest.h>

#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "eval/ProgramPlan.h"
#include "eval/RuleSummary.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "objectbase/SymTab.h"
#include "support/RuleHarness.h"

namespace {

using Inheritance = ProgramPlan::Inheritance;

// A summary as text: "w" and the relations written, "r", "n" or "a" and those read
// (positively, negated, in an aggregate), then the steps, inheritable values and flags.
std::string summary(const std::string& text) {
    rule_test::RuleHarness harness;
    FRule* rule = harness.rule(text);
    const RuleSummary made = RuleSummary::of(rule, harness.table());
    auto name = [&](const RelationRef& relation) {
        const std::string symbol =
            relation.constant ? harness.table()->giveName(relation.name) : "_";
        switch (relation.kind) {
            case RelationRef::Kind::Predicate:
                return symbol + "/" + std::to_string(relation.number);
            case RelationRef::Kind::Method:
                return "[" + symbol + " " + std::to_string(relation.number) + "]";
            case RelationRef::Kind::Member:
                return ":" + symbol;
            case RelationRef::Kind::Subclass:
                return "::" + symbol;
        }
        return std::string();
    };
    auto cls = [&](const ClassRef& ref) {
        return ref.constant ? harness.table()->giveName(ref.name) : std::string("_");
    };
    std::string out;
    for (const RelationRef& relation : made.writes) out += "w " + name(relation) + "; ";
    for (const RuleSummary::Access& read : made.reads)
        out += std::string(read.how == RuleSummary::Read::Positive  ? "r "
                           : read.how == RuleSummary::Read::Negated ? "n "
                                                                    : "a ") +
               name(read.relation) + "; ";
    for (const RuleSummary::Step& step : made.steps)
        out += "step " + cls(step.lower) + "<" + cls(step.upper) + "; ";
    for (const RuleSummary::Inheritable& value : made.inheritables)
        out += "gives " + name(value.method) + " at " + cls(value.holder) + "; ";
    if (made.readsObjects) out += "objects; ";
    if (made.writesObjects) out += "makes objects; ";
    if (made.equates) out += "equates; ";
    if (made.readsWholeBase) out += "whole base; ";
    return out;
}

TEST(RuleSummary, ReadsAndWritesWithHowTheyAreRead) {
    EXPECT_EQ(summary("p(X) :- e(X,Y), not q(Y), N = count{Z ; r(Z)}."),
              "w p/1; r e/2; n q/1; a r/1; ");
    // Methods by name and arrow kind, classes by name; a variable position names none.
    EXPECT_EQ(summary("X[m ->> {Y}], X : k :- Y[n -> X], not X : C, X[M -> 1]."),
              "w [m 1]; w :k; r [n 0]; n :_; r [_ 0]; ");
    // A subclass head is a step of the hierarchy; an inheritable value names its holder.
    EXPECT_EQ(summary("C :: d :- v(C)."), "w ::d; r v/1; step _<d; ");
    EXPECT_EQ(summary("c[f *-> V] :- v(V)."), "w [f 3]; r v/1; gives [f 3] at c; ");
}

TEST(RuleSummary, ReadsNoRelationCanName) {
    // A bare object, and a built-in that reads the whole base.
    EXPECT_EQ(summary("p(X) :- X[]."), "w p/1; objects; ");
    EXPECT_EQ(summary("p(X) :- q(X), describe(X, M, A, V)."), "w p/1; r q/1; whole base; ");
    EXPECT_EQ(summary("X = Y, o[] :- q(X), q(Y)."), "r q/1; r q/1; makes objects; equates; ");
    // Comparisons read nothing.
    EXPECT_EQ(summary("p(X) :- q(X), X > 1."), "w p/1; r q/1; ");
}

TEST(RuleSummary, WhatTheDeltaRewritingAndTheTriggersReadOfAClause) {
    rule_test::RuleHarness harness;
    const RuleSummary made = RuleSummary::of(
        harness.rule("X[k@(Y) -> 1] :- q(X, Y), X[m@(a,b) ->> {}], not X[n -> 1], X[], "
                     "N = count{Z ; Z[v ->> {}]}."),
        harness.table());
    // A method by its arguments, its term where a head writes it.
    ASSERT_EQ(made.writes.size(), 1U);
    EXPECT_EQ(made.writes[0].arguments, 1);
    ASSERT_NE(made.writes[0].term, nullptr);
    ASSERT_EQ(made.reads.size(), 4U);
    EXPECT_EQ(made.reads[0].relation.kind, RelationRef::Kind::Predicate);
    // A set read with no results; a read inside a negated literal; an aggregate's read.
    EXPECT_EQ(made.reads[1].relation.arguments, 2);
    EXPECT_TRUE(made.reads[1].noResults);
    EXPECT_FALSE(made.reads[1].inNegation);
    EXPECT_TRUE(made.reads[2].inNegation);
    EXPECT_EQ(made.reads[2].how, RuleSummary::Read::Negated);
    EXPECT_EQ(made.reads[3].how, RuleSummary::Read::Aggregated);
    EXPECT_TRUE(made.reads[3].noResults);
    EXPECT_EQ(made.reads[3].relation.term, nullptr);
    // The bare object, read positively.
    ASSERT_EQ(made.objectReads.size(), 1U);
    EXPECT_EQ(made.objectReads[0].how, RuleSummary::Read::Positive);
}

// The plan of the text, one component a line; the rest, drawn over the hierarchy
// `below` gives (class name -> the names below it), follows a line "rest:".
std::string plan(const std::string& text, Inheritance inheritance = Inheritance::None,
                 const std::map<std::string, std::vector<std::string>>& below = {},
                 std::vector<std::string>* warnings = nullptr) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program(text);
    ProgramPlan made(program, inheritance);
    auto print = [&harness](const FRule* rule) { return harness.print(rule); };
    std::string out = made.describe(print);
    if (warnings != nullptr) *warnings = made.warnings();
    if (!made.componentwise()) out += "not componentwise\n";
    if (made.rest() == nullptr) return out;
    // The symbols of the classes the program names, by name.
    std::map<std::string, FSymbol> symbols;
    const ProgramPlan whole(program, inheritance, ProgramPlan::Split::Whole);
    for (const RuleSummary* rule : whole.summaries()) {
        for (const RuleSummary::Access& read : rule->reads)
            if (read.relation.constant)
                symbols[harness.table()->giveName(read.relation.name)] = read.relation.name;
        for (const RelationRef& written : rule->writes)
            if (written.constant) symbols[harness.table()->giveName(written.name)] = written.name;
    }
    const ProgramPlan::Subclasses subclasses = [&](const FSymbol& cls) {
        std::vector<FSymbol> found;
        const auto it = below.find(harness.table()->giveName(cls));
        if (it != below.end())
            for (const std::string& lower : it->second) found.push_back(symbols.at(lower));
        return found;
    };
    const std::unique_ptr<ProgramPlan> rest = made.drawRest(subclasses);
    out += "rest:\n" + rest->describe(print);
    if (warnings != nullptr)
        warnings->insert(warnings->end(), rest->warnings().begin(), rest->warnings().end());
    return out;
}

TEST(ProgramPlan, AChainIsOneComponentPerRuleInDependencyOrder) {
    // Written in any order, evaluated from the facts up, each rule in one pass.
    EXPECT_EQ(plan("p3(X) :- p2(X). p0(a). p2(X) :- p1(X). p1(X) :- p0(X)."),
              "1. one pass after the facts, stratum 0: p0(a). | p1(X) :- p0(X).\n"
              "2. one pass, stratum 0: p2(X) :- p1(X).\n"
              "3. one pass, stratum 0: p3(X) :- p2(X).\n");
}

TEST(ProgramPlan, MutualRecursionIsOneComponent) {
    // Independent components keep the order of their first rules.
    EXPECT_EQ(plan("e(1). s(X) :- e(X). p(X) :- e(X). p(X) :- q(X). q(X) :- p(X). "
                   "r(X) :- q(X)."),
              "1. one pass after the facts, stratum 0: e(1). | s(X) :- e(X).\n"
              "2. recursive, stratum 0: p(X) :- e(X). | p(X) :- q(X). | q(X) :- p(X).\n"
              "3. one pass, stratum 0: r(X) :- q(X).\n");
}

TEST(ProgramPlan, NegationBetweenComponentsRaisesTheStratum) {
    // The three components of the closing note: a recursion, a negation of it, a count of that.
    const std::string text =
        "e(1,2). e(2,3). t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z). "
        "u(X) :- e(X,_), not t(X,3). n(N) :- N = count{X ; u(X)}.";
    const std::string shown = plan(text);
    std::cout << "The plan of " << text << "\n" << shown;
    EXPECT_EQ(shown,
              "1. recursive after the facts, stratum 0: e(1,2). | e(2,3). | t(X,Y) :- e(X,Y). | "
              "t(X,Z) :- t(X,Y), e(Y,Z).\n"
              "2. one pass, stratum 1: u(X) :- e(X,_), not t(X,3).\n"
              "3. one pass, stratum 2: n(N) :- N = count{X ; u(X)}.\n");
    std::vector<std::string> warnings;
    EXPECT_EQ(plan("b(1). p(X) :- b(X), not q(X). q(X) :- b(X), not p(X).", Inheritance::None, {},
                   &warnings),
              "1. one pass after the facts, stratum 0: b(1).\n"
              "2. rounds, stratum 1: p(X) :- b(X), not q(X). | q(X) :- b(X), not p(X).\n");
    EXPECT_EQ(warnings.size(), 1U);
}

TEST(ProgramPlan, ReadsOfTheWholeBaseComeAfterEveryRuleThatAddsToIt) {
    // A rule reading bare objects comes after every rule whose head may make one, and reads
    // what it makes itself.
    EXPECT_EQ(plan("q(a). p(X) :- X[]. r(X) :- q(X)."),
              "1. one pass after the facts, stratum 0: q(a). | r(X) :- q(X).\n"
              "2. recursive, stratum 0: p(X) :- X[].\n");
    // A built-in that reads the whole base, too; a rule reading its result may make objects
    // it reads: one recursion.
    EXPECT_EQ(plan("q(a). d(X,M) :- q(X), describe(X, M, A, V). r(X) :- q(X). "
                   "s(X) :- d(X,M)."),
              "1. one pass after the facts, stratum 0: q(a). | r(X) :- q(X).\n"
              "2. recursive, stratum 0: d(X,M) :- q(X), describe(X,M,A,V). | s(X) :- d(X,M).\n");
    // Where that order would tie a negation into a recursion, the strata stay.
    std::vector<std::string> warnings;
    EXPECT_NE(plan("q(a). n(X) :- q(X), not p(X). p(X) :- X[].", Inheritance::None, {}, &warnings)
                  .find("not componentwise"),
              std::string::npos);
    EXPECT_TRUE(warnings.empty());
}

TEST(ProgramPlan, WhatNoRelationNamesKeepsTheStrata) {
    EXPECT_NE(plan("q(a). X = Y :- q(X), q(Y).").find("not componentwise"), std::string::npos);
    // Inheritable values, read by an evaluator that inherits.
    const std::string inherited = "e(a). c[f *-> 2]. X : c :- e(X). p(X) :- X[f -> V].";
    EXPECT_NE(plan(inherited, Inheritance::Inherits).find("not componentwise"), std::string::npos);
    EXPECT_EQ(plan(inherited, Inheritance::None).find("not componentwise"), std::string::npos);
}

// The numbers of the components of the text that an evaluator that inherits gives trigger
// phases, or "every stratum" where the phases stay with the strata.
std::string triggerPhases(const std::string& text,
                          Inheritance inheritance = Inheritance::Inherits) {
    rule_test::RuleHarness harness;
    const ProgramPlan made(harness.program(text), inheritance);
    if (made.triggerPlacement() == ProgramPlan::TriggerPlacement::EveryStratum)
        return "every stratum";
    std::string out;
    for (std::size_t i = 0; i < made.components().size(); ++i)
        if (made.components()[i].triggers == ProgramPlan::Triggers::Alternate)
            out += std::to_string(i + 1) + " ";
    return out;
}

TEST(ProgramPlan, TriggerPhasesGoWithTheComponentsThatNeedThem) {
    // A chain of predicates beside an inheritable value: the facts, the rule that makes members
    // and the rule that reads the method have phases; the predicates above them have none.
    const std::string chain =
        "e(a). c[f *-> 2]. p(X) :- e(X). q(X) :- p(X). X : c :- q(X). r(X) :- X[f -> V]. "
        "s(X) :- r(X). n(X) :- e(X), not s(X).";
    EXPECT_EQ(triggerPhases(chain), "1 3 4 ");
    // A subclass step needs phases.
    EXPECT_EQ(triggerPhases("e(a). c[f *-> 2]. p(X) :- e(X). X :: c :- p(X). q(X) :- p(X)."),
              "1 2 ");
    // Nothing but inheritable values keeps those apart; anything else keeps the strata: an
    // equality, a read of bare objects, negation through a recursion.
    EXPECT_EQ(triggerPhases("e(a). c[f *-> 2]. X = Y :- e(X), e(Y)."), "every stratum");
    EXPECT_EQ(triggerPhases("e(a). c[f *-> 2]. p(X) :- X[]."), "every stratum");
    EXPECT_EQ(triggerPhases("e(a). c[f *-> 2]. p(X) :- e(X), not q(X). q(X) :- p(X)."),
              "every stratum");
    // An evaluator that does not inherit has no trigger phases to place.
    EXPECT_EQ(triggerPhases(chain, Inheritance::None), "every stratum");
}

// The walk policy the plan of the text chooses, as a word.
std::string policy(const std::string& text, Inheritance inheritance, ProgramPlan::Values values,
                   ProgramPlan::Road road = ProgramPlan::Road::First) {
    rule_test::RuleHarness harness;
    const ProgramPlan made(harness.program(text), inheritance);
    switch (made.walkPolicy(values, road)) {
        case ProgramPlan::WalkPolicy::Components:
            return "components";
        case ProgramPlan::WalkPolicy::SettleThenComponents:
            return "settle";
        case ProgramPlan::WalkPolicy::Strata:
            return "strata";
    }
    return "?";
}

TEST(ProgramPlan, TheWalkPolicyFollowsWhatKeepsTheComponentsTogether) {
    using Values = ProgramPlan::Values;
    const std::string chain = "e(a). p(X) :- e(X). q(X) :- p(X). n(X) :- e(X), not q(X).";
    EXPECT_EQ(policy(chain, Inheritance::None, Values::Stay), "components");
    // Inherited values may give a read what another component makes, where the plan does not
    // place the trigger phases with the components.
    EXPECT_EQ(policy(chain, Inheritance::None, Values::Reach), "strata");
    EXPECT_EQ(policy("e(a). c[f *-> 2]. p(X) :- X[].", Inheritance::Inherits, Values::Reach),
              "strata");
    // Nothing but inheritable values keeps these together: the trigger phases go with the
    // components.
    EXPECT_EQ(policy("e(a). c[f *-> 2]. p(X) :- e(X). X : c :- p(X). r(X) :- X[f -> V].",
                     Inheritance::Inherits, Values::Reach),
              "settle");
    // An equality may change any relation.
    EXPECT_EQ(policy("q(a). X = Y :- q(X), q(Y).", Inheritance::None, Values::Stay), "strata");
}

TEST(ProgramPlan, EachEvaluationTakesTheWalkPolicyThePlanChoosesForIt) {
    using Values = ProgramPlan::Values;
    using Road = ProgramPlan::Road;
    const std::string chain = "e(a). p(X) :- e(X). q(X) :- p(X). n(X) :- e(X), not q(X).";
    // Evaluating again runs the components apart as a first evaluation does; the single rounds
    // of tp go by strata.
    EXPECT_EQ(policy(chain, Inheritance::None, Values::Stay, Road::Again), "components");
    EXPECT_EQ(policy(chain, Inheritance::None, Values::Stay, Road::OneRound), "strata");
    // A part evaluated in rounds: a first evaluation runs the components apart, evaluating again
    // goes by strata.
    const std::string rounds =
        "e(a). p(X) :- e(X), not q(X). q(X) :- e(X), not p(X). r(X) :- e(X).";
    EXPECT_EQ(policy(rounds, Inheritance::None, Values::Stay), "components");
    EXPECT_EQ(policy(rounds, Inheritance::None, Values::Stay, Road::Again), "strata");
    // Evaluating again places no trigger phases with the components.
    const std::string settles = "e(a). c[f *-> 2]. p(X) :- e(X). X : c :- p(X). r(X) :- X[f -> V].";
    EXPECT_EQ(policy(settles, Inheritance::Inherits, Values::Reach, Road::Again), "strata");
    EXPECT_EQ(policy(settles, Inheritance::Inherits, Values::Reach, Road::OneRound), "strata");
}

// The components of the text that settle what is inherited before the others run, and those
// after them that alternate with trigger phases, as "settle <count>; <numbers>".
std::string settling(const std::string& text) {
    rule_test::RuleHarness harness;
    const ProgramPlan made(harness.program(text), Inheritance::Inherits);
    if (made.triggerPlacement() == ProgramPlan::TriggerPlacement::EveryStratum)
        return "every stratum";
    std::string out = "settle " + std::to_string(made.settlingComponents()) + ";";
    for (std::size_t i = made.settlingComponents(); i < made.components().size(); ++i)
        if (made.components()[i].triggers == ProgramPlan::Triggers::Alternate)
            out += " " + std::to_string(i + 1);
    return out;
}

TEST(ProgramPlan, RulesGivingMethodsValuesSettleBeforeTheRest) {
    // A rule giving a method a value may replace an inherited value or equate objects through
    // a method with one value: the components up to it settle together, with the facts; a
    // chain of predicates above it, and a rule that only reads a method, come after.
    const std::string text =
        "e(a). e(b). c[m *-> 1]. o : c. p1(X) :- e(X). X[n -> Y] :- p1(X), e(Y). "
        "p2(X) :- p1(X). p3(X) :- p2(X). v(X, V) :- X[m -> V]. w(X) :- v(X, V).";
    EXPECT_EQ(settling(text), "settle 2; 5");
    EXPECT_EQ(plan(text, Inheritance::Inherits),
              "1. one pass after the facts, stratum 0: e(a). | e(b). | c[m *-> 1]. | o:c. | "
              "p1(X) :- e(X).\n"
              "2. one pass, stratum 0: X[n -> Y] :- p1(X), e(Y).\n"
              "3. one pass, stratum 0: p2(X) :- p1(X).\n"
              "4. one pass, stratum 0: p3(X) :- p2(X).\n"
              "5. one pass, stratum 0: v(X,V) :- X[m -> V].\n"
              "6. one pass, stratum 0: w(X) :- v(X,V).\n"
              "not componentwise\n");
    // The rule giving values reads the end of the chain: the chain settles with it.
    EXPECT_EQ(settling("e(a). c[m *-> 1]. p1(X) :- e(X). p2(X) :- p1(X). "
                       "X[m -> 2] :- p2(X). v(X) :- X[m -> 1]."),
              "settle 3; 4");
    // Memberships, subclasses and inheritable values given by rules settle too.
    EXPECT_EQ(settling("e(a). c[m *-> 1]. p(X) :- e(X). C[m *-> 2] :- p(C). q(X) :- p(X)."),
              "settle 2;");
    EXPECT_EQ(settling("e(a). c[m *-> 1]. p(X) :- e(X). X :: c :- p(X). q(X) :- X[m -> V]."),
              "settle 2; 3");
    // Only the facts change what is inherited: they settle alone.
    EXPECT_EQ(settling("e(a). c[m *-> 1]. o : c. p(X) :- e(X). v(X) :- X[m -> 1]."), "settle 1; 2");
    // Still the strata for an equality or negation through a recursion.
    EXPECT_EQ(settling("e(a). c[f *-> 2]. X = Y :- e(X), e(Y). Y[f -> 1] :- e(Y)."),
              "every stratum");
}

TEST(ProgramPlan, ADerivedHierarchyIsMadeFirst) {
    const std::string text =
        "e(1). e(2).\np(X) :- e(X), X > 1.\nX : k1 :- p(X).\nX : k2 :- e(X), not X : k1.\n"
        "vlk(vk0, vk1).\nC :: D :- vlk(C, D).";
    // The subclass rule reads only vlk: it goes first, the rest follows with the hierarchy
    // made, which joins neither k1 nor k2.
    std::vector<std::string> warnings;
    EXPECT_EQ(plan(text, Inheritance::None, {}, &warnings),
              "1. one pass after the facts, stratum 0: e(1). | e(2). | vlk(vk0,vk1). | "
              "C::D :- vlk(C,D).\n"
              "then, over the hierarchy these make: p(X) :- e(X), X > 1. | X:k1 :- p(X). | "
              "X:k2 :- e(X), not X:k1.\n"
              "rest:\n"
              "1. one pass, stratum 0: p(X) :- e(X), X > 1.\n"
              "2. one pass, stratum 0: X:k1 :- p(X).\n"
              "3. one pass, stratum 1: X:k2 :- e(X), not X:k1.\n");
    EXPECT_TRUE(warnings.empty());
    // Made with k1 below k2, the hierarchy still leaves the negation stratified.
    EXPECT_EQ(plan(text, Inheritance::None, {{"k2", {"k1"}}}, &warnings).substr(0, 1), "1");
    EXPECT_TRUE(warnings.empty());
    // Made with k2 below k1, the negation runs through a recursion: the warning stays.
    plan(text, Inheritance::None, {{"k1", {"k2"}}}, &warnings);
    EXPECT_EQ(warnings, std::vector<std::string>{
                            "Warning: negation through recursion, not stratifiable: _ : k1, _ : "
                            "k2 (rule at line 4); evaluated in rounds"});
    // A subclass rule that reads memberships needs the hierarchy to be read: no split, and the
    // variable step ties the classes as before.
    const std::string reading =
        "e(1).\nX : k1 :- e(X).\nX : k2 :- e(X), not X : k1.\n"
        "C :: D :- vlk(C, D), X : C.";
    EXPECT_EQ(plan(reading, Inheritance::None, {}, &warnings).find("rest:"), std::string::npos);
    EXPECT_EQ(warnings.size(), 1U);
}

TEST(ProgramPlan, ASubclassRuleReadingTheSubclassRelationIsMadeFirst) {
    const std::string rules =
        "e(1). e(2).\np(X) :- e(X), X > 1.\nX : k1 :- p(X).\nX : k2 :- e(X), not X : k1.\n";
    std::vector<std::string> warnings;
    // Subclass rules with variable heads that read the subclass relation (and vlk) make the
    // hierarchy alone: they go first, with no warning.
    for (const char* rule : {"C :: D :- vlk(C, E), E :: D.", "C :: D :- vlk(C, D), k3 :: D.",
                             "C :: D :- vlk(C, D), D :: C.", "C :: D :- vlk(C, D), C :: k3."}) {
        const std::string made = plan(rules + rule, Inheritance::None, {}, &warnings);
        EXPECT_NE(made.find("rest:"), std::string::npos) << rule;
        EXPECT_TRUE(warnings.empty()) << rule;
    }
    // A subclass rule that reads a membership stays in one recursion with them, warned.
    EXPECT_EQ(plan(rules + "C :: D :- vlk(C, D), X : k5.", Inheritance::None, {}, &warnings)
                  .find("rest:"),
              std::string::npos);
    EXPECT_EQ(warnings.size(), 1U);
    // So does one reading the steps that a rule reading memberships makes.
    EXPECT_EQ(plan(rules + "C :: D :- vlk(C, E), E :: D.\nk6 :: k7 :- X : k2.", Inheritance::None,
                   {}, &warnings)
                  .find("rest:"),
              std::string::npos);
    EXPECT_EQ(warnings.size(), 1U);
}

}  // namespace
