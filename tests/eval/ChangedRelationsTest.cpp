// Tests of ChangedRelations: which parts of a program read, under negation or in an aggregate,
// a relation that facts added at its fixpoint may change.
#include <gtest/gtest.h>

#include <string>

#include "eval/ChangedRelations.h"
#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "support/RuleHarness.h"

namespace {

// Whether some rule of `program` reads, under negation or in an aggregate, a relation the facts
// of `added` may change. The added facts are appended as a consult appends them, kept compact
// where they can be.
bool guardedRead(const std::string& program, const std::string& added) {
    rule_test::RuleHarness harness;
    FProgram* rules = harness.program(program);
    auto facts = Ref<FProgram>::make(new clib_list<FRule*>, harness.table());
    for (FRule* fact : harness.parse(added)) facts->appendClause(fact);
    const bool guarded = ChangedRelations(rules, facts.get()).readUnderNegationOrAggregate(rules);
    facts.reset();
    return guarded;
}

TEST(ChangedRelations, ANegationOfADerivedRelationDependsOnTheFactsItIsDerivedFrom) {
    const std::string program = "t(X) :- e(X). u(X) :- b(X), not t(X).";
    EXPECT_TRUE(guardedRead(program, "e(1)."));
    // b is read positively only, and t does not follow from it.
    EXPECT_FALSE(guardedRead(program, "b(1)."));
    // Through a chain of rules.
    EXPECT_TRUE(guardedRead("s(X) :- t(X). t(X) :- e(X). v(X) :- b(X), not s(X).", "e(2)."));
    // A relation nothing writes.
    EXPECT_FALSE(guardedRead("p(X) :- b(X), not q(X).", "b(1). r(2)."));
    // Predicates are told apart by their arity too.
    EXPECT_FALSE(guardedRead("p(X) :- b(X), not q(X).", "q(1, 2)."));
    EXPECT_TRUE(guardedRead("p(X) :- b(X), not q(X).", "q(1)."));
}

TEST(ChangedRelations, AnAggregateReadsWhatItFolds) {
    const std::string program = "t(X) :- e(X). m(N) :- N = count{X ; t(X)}.";
    EXPECT_TRUE(guardedRead(program, "e(3)."));
    EXPECT_FALSE(guardedRead(program, "b(3)."));
    // An aggregate over a relation the added facts write themselves.
    EXPECT_TRUE(guardedRead("m(N) :- N = sum{X ; b(X)}.", "b(4)."));
    // A positive read beside the aggregate does not count.
    EXPECT_FALSE(guardedRead("m(Y, N) :- b(Y), N = count{X ; t(X)}.", "b(4)."));
}

TEST(ChangedRelations, MethodsByNameAndThroughVariables) {
    // A method written is read under negation by name.
    EXPECT_TRUE(guardedRead("p(X) :- b(X), not X[m ->> {1}].", "o[m ->> {1}]."));
    EXPECT_FALSE(guardedRead("p(X) :- b(X), not X[k ->> {1}].", "o[m ->> {1}]."));
    // A rule that reads every method writes k from the new value of m.
    const std::string program = "X[k ->> {Y}] :- X[M ->> {Y}]. p(X) :- b(X), not X[k ->> {2}].";
    EXPECT_TRUE(guardedRead(program, "o[m ->> {2}]."));
    EXPECT_FALSE(guardedRead(program, "b(2)."));
    // A negated read of every method.
    EXPECT_TRUE(guardedRead("p(X) :- b(X), not X[M -> 1].", "o[n -> 1]."));
    // A molecule fact of several parts writes each of them.
    EXPECT_TRUE(guardedRead("p(X) :- b(X), not X[n -> 1].", "o[m -> 2; n -> 3]."));
}

TEST(ChangedRelations, MembershipsFollowSubclasses) {
    // The new member of c may be one of d as well, when c is below d in the base.
    EXPECT_TRUE(guardedRead("q(X) :- b(X), not X : d.", "a : c."));
    EXPECT_TRUE(guardedRead("q(X) :- b(X), not X : d.", "c :: d."));
    EXPECT_TRUE(guardedRead("q(X) :- b(X), not X : d.", "a : c[m -> 1]."));
    EXPECT_FALSE(guardedRead("q(X) :- b(X), not X : d.", "a[m -> 1]."));
    // Memberships derived from a new fact.
    EXPECT_TRUE(guardedRead("X : d :- e(X). q(X) :- b(X), not X : d.", "e(1)."));
}

// Whether the clauses of `added`, appended to `program`, leave alone what inheritance reads and
// makes.
bool leavesInheritance(const std::string& program, const std::string& added) {
    rule_test::RuleHarness harness;
    FProgram* rules = harness.program(program);
    auto facts = Ref<FProgram>::make(new clib_list<FRule*>, harness.table());
    for (FRule* fact : harness.parse(added)) facts->appendClause(fact);
    const bool leaves = ChangedRelations(rules, facts.get()).leaveInheritance();
    facts.reset();
    return leaves;
}

TEST(ChangedRelations, PredicatesAloneLeaveInheritance) {
    const std::string program =
        "c[v *-> 1]. a : c. t(X, Y) :- e(X, Y). t(X, Z) :- e(X, Y), t(Y, Z). "
        "w(X, Y) :- t(X, Z), Z[v -> Y].";
    // A predicate, and what rules derive from it, all predicates: even a rule that joins it
    // with inherited values writes a predicate.
    EXPECT_TRUE(leavesInheritance(program, "e(1, 2)."));
    EXPECT_TRUE(leavesInheritance(program, "unrelated(fact)."));
    // A new rule over predicates only.
    EXPECT_TRUE(leavesInheritance(program, "s(X) :- t(X, X)."));
    // A membership, a subclass, a class value, an own value.
    EXPECT_FALSE(leavesInheritance(program, "b : c."));
    EXPECT_FALSE(leavesInheritance(program, "c :: d."));
    EXPECT_FALSE(leavesInheritance(program, "d[v *-> 2]."));
    EXPECT_FALSE(leavesInheritance(program, "a[v -> 3]."));
    // A predicate from which a rule derives a membership, a value or an equation.
    EXPECT_FALSE(leavesInheritance(program + " X : c :- m(X).", "m(1)."));
    EXPECT_FALSE(leavesInheritance(program + " X[v -> 2] :- m(X).", "m(1)."));
    EXPECT_FALSE(leavesInheritance(program + " X = Y :- m(X, Y).", "m(1, 2)."));
    // A path in a head makes the value it names.
    EXPECT_FALSE(leavesInheritance(program + " p(X.v) :- m(X).", "m(1)."));
    // A new rule that reads a method asks for inherited values no phase looked for yet, though
    // it writes a predicate.
    EXPECT_FALSE(leavesInheritance(program, "r(X) :- e(X, Y), not X[u -> 1]."));
    EXPECT_FALSE(leavesInheritance(program, "r(X) :- e(X, Y), Y[v -> 1]."));
}

TEST(ChangedRelations, APartIsAskedRuleByRule) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program("t(X) :- e(X). u(X) :- b(X), not t(X). e(1).");
    FProgram* lower = harness.program("t(X) :- e(X). e(1).");
    FProgram* upper = harness.program("u(X) :- b(X), not t(X).");
    FProgram* added = harness.program("e(2).");
    const ChangedRelations changed(program, added);
    EXPECT_FALSE(changed.readUnderNegationOrAggregate(lower));
    EXPECT_TRUE(changed.readUnderNegationOrAggregate(upper));
}

}  // namespace
