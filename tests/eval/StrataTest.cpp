// Tests of Strata: which rules of a program wait for which, read from the parts a program is
// cut into.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eval/Strata.h"
#include "foundation/OutputChannel.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

using Inheritance = Strata::Inheritance;

// Each part as its clauses in rule syntax, separated by " | ".
std::vector<std::string> parts(const std::string& text,
                               Inheritance inheritance = Inheritance::None) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program(text);
    const Strata strata(program, inheritance);
    std::vector<std::string> out;
    for (const Ref<FProgram>& part : strata.parts()) {
        std::string clauses;
        for (list_item it = part->firstItem(); it != nullptr; it = part->nextItem(it)) {
            FRule* clause = nullptr;
            part->ruleAt(it, clause);
            if (!clauses.empty()) clauses += " | ";
            clauses += harness.print(clause);
        }
        out.push_back(clauses);
    }
    return out;
}

TEST(Strata, AProgramWithoutNegationOrAggregateIsOnePart) {
    EXPECT_EQ(parts("e(a,b). t(X,Y) :- e(X,Y). t(X,Z) :- t(X,Y), e(Y,Z)."),
              std::vector<std::string>{"e(a,b). | t(X,Y) :- e(X,Y). | t(X,Z) :- t(X,Y), e(Y,Z)."});
}

TEST(Strata, NegationAndAggregatesWaitForTheRelationsTheyRead) {
    EXPECT_EQ(parts("m(M) :- M = max{X ; t(X)}. b(1). t(X) :- b(X). u(X) :- b(X), not t(X)."),
              (std::vector<std::string>{"b(1). | t(X) :- b(X).",
                                        "m(M) :- M = max{X ; t(X)}. | u(X) :- b(X), not t(X)."}));
    // A relation that neither facts nor rules write cannot change: no wait.
    EXPECT_EQ(parts("p(X) :- b(X), not q(X)."),
              std::vector<std::string>{"p(X) :- b(X), not q(X)."});
}

TEST(Strata, SeveralLevels) {
    EXPECT_EQ(parts("c(X) :- b(X), not a(X). b(1). a(X) :- b(X), X > 1. "
                    "d(N) :- N = count{X ; c(X)}."),
              (std::vector<std::string>{"b(1). | a(X) :- b(X), X > 1.", "c(X) :- b(X), not a(X).",
                                        "d(N) :- N = count{X ; c(X)}."}));
}

TEST(Strata, MethodsMembershipsAndSubclasses) {
    // A method by its name and arrow: another arrow of another name is not waited for.
    EXPECT_EQ(
        parts("o[m ->> {1}]. X[k ->> {Y}] :- X[m ->> {Y}]. "
              "p(X) :- X[m ->> {_}], not X[k ->> {2}]. X[n -> 1] :- p(X)."),
        (std::vector<std::string>{"o[m ->> {1}]. | X[k ->> {Y}] :- X[m ->> {Y}].",
                                  "p(X) :- X[m ->> {_}], not X[k ->> {2}]. | X[n -> 1] :- p(X)."}));
    // Memberships follow subclasses.
    EXPECT_EQ(parts("a : c. c :: d :- a : c. q(X) :- X : c, not X : d."),
              (std::vector<std::string>{"a:c. | c::d :- a:c.", "q(X) :- X:c, not X:d."}));
}

TEST(Strata, AVariableMethodReadsEveryMethodOfItsArrow) {
    EXPECT_EQ(
        parts("o[m ->> {1}]. X[k ->> {Y}] :- X[m ->> {Y}]. "
              "n(X, N) :- o[m ->> {X}], N = count{M [X] ; X[M ->> {_}]}."),
        (std::vector<std::string>{"o[m ->> {1}]. | X[k ->> {Y}] :- X[m ->> {Y}].",
                                  "n(X,N) :- o[m ->> {X}], N = count{M [X] ; X[M ->> {_}]}."}));
}

// The warnings of the program's parts evaluated in rounds.
std::vector<std::string> warnings(const std::string& text,
                                  Inheritance inheritance = Inheritance::None) {
    rule_test::RuleHarness harness;
    const Strata strata(harness.program(text), inheritance);
    return strata.warnings();
}

TEST(Strata, NegationThroughRecursionIsOnePartAfterWhatItReads) {
    EXPECT_EQ(
        parts("b(1). p(X) :- b(X), not q(X). q(X) :- b(X), not p(X)."),
        (std::vector<std::string>{"b(1).", "p(X) :- b(X), not q(X). | q(X) :- b(X), not p(X)."}));
    EXPECT_EQ(parts("b(1). X[v ->> {Y}] :- b(Y), N = count{Z ; X[M ->> {Z}]}, b(N)."),
              (std::vector<std::string>{
                  "b(1).", "X[v ->> {Y}] :- b(Y), N = count{Z ; X[M ->> {Z}]}, b(N)."}));
}

TEST(Strata, OnlyTheRecursionThroughNegationIsEvaluatedInRounds) {
    // The relations it reads come before it, those that read it after it, and a stratified
    // relation beside it keeps its own strata.
    EXPECT_EQ(
        parts("m(a,b). m(b,a). e(1). w(X) :- m(X,Y), not w(Y). l(X) :- m(X,_), not w(X). "
              "p(X) :- e(X). q(X) :- e(X), not p(X). r(X) :- m(X,_)."),
        (std::vector<std::string>{"m(a,b). | m(b,a). | e(1). | p(X) :- e(X). | r(X) :- m(X,_).",
                                  "w(X) :- m(X,Y), not w(Y). | q(X) :- e(X), not p(X).",
                                  "l(X) :- m(X,_), not w(X)."}));
    // Rounds come after the relations they read even when they read them positively.
    EXPECT_EQ(parts("e(1). f(X) :- e(X). w(X) :- f(X), not w(X). g(X) :- w(X)."),
              (std::vector<std::string>{"e(1). | f(X) :- e(X).", "w(X) :- f(X), not w(X).",
                                        "g(X) :- w(X)."}));
}

TEST(Strata, AWarningNamesTheRelationsAndTheRule) {
    EXPECT_EQ(warnings("move(a,b).\nwin(X) :- move(X,Y), not win(Y)."),
              std::vector<std::string>{"Warning: negation through recursion, not stratifiable: "
                                       "win/1 (rule at line 2); evaluated in rounds"});
    EXPECT_EQ(warnings("b(1).\nc(N) :- N = count{X ; d(X)}.\nd(X) :- b(X), c(N), X > N."),
              std::vector<std::string>{"Warning: aggregation through recursion, not stratifiable: "
                                       "c/1, d/1 (rule at line 2); evaluated in rounds"});
    // One line for each part in rounds; none for a stratified program.
    EXPECT_EQ(warnings("p :- not q.\nq :- not p.\nr(X) :- s(X), not r(X)."),
              (std::vector<std::string>{
                  "Warning: negation through recursion, not stratifiable: p/0, q/0 (rule at "
                  "line 1); evaluated in rounds",
                  "Warning: negation through recursion, not stratifiable: r/1 (rule at line 3); "
                  "evaluated in rounds"}));
    EXPECT_TRUE(warnings("e(1). p(X) :- e(X). q(X) :- e(X), not p(X).").empty());
}

TEST(Strata, EachClassIsARelationOfItsOwn) {
    // A membership that negates a method does not tie the program into one recursion.
    EXPECT_EQ(parts("e(1). X : k :- e(X), not X[f -> 2]. p(X) :- e(X). q(X) :- e(X), not p(X)."),
              (std::vector<std::string>{"e(1). | X:k :- e(X), not X[f -> 2]. | p(X) :- e(X).",
                                        "q(X) :- e(X), not p(X)."}));
    // A class derived recursively is complete before another class negates it.
    EXPECT_EQ(parts("s : node. s : reached. Y : reached :- X : reached, edge(X,Y). "
                    "X : unreached :- X : node, not X : reached."),
              (std::vector<std::string>{"s:node. | s:reached. | Y:reached :- X:reached, edge(X,Y).",
                                        "X:unreached :- X:node, not X:reached."}));
    EXPECT_TRUE(warnings("X : j :- e(X), not X : k. X : k :- e(X), not X : m.").empty());
    EXPECT_EQ(warnings("X : k :- e(X), not X : k."),
              std::vector<std::string>{"Warning: negation through recursion, not stratifiable: "
                                       "_ : k (rule at line 1); evaluated in rounds"});
}

TEST(Strata, MembershipsFollowTheHierarchyTheProgramBuilds) {
    // The members of k are members of j: reading j waits for k.
    EXPECT_EQ(parts("e(1). k :: j. X : k :- e(X). X : m :- e(X), not X : j."),
              (std::vector<std::string>{"e(1). | k::j. | X:k :- e(X).", "X:m :- e(X), not X:j."}));
    // Also when a rule makes the step, and for the subclasses of j.
    EXPECT_EQ(parts("e(1). k :: j :- e(1). X :: k :- e(X). s(X) :- e(X), not X :: j."),
              (std::vector<std::string>{"e(1). | k::j :- e(1). | X::k :- e(X).",
                                        "s(X) :- e(X), not X::j."}));
    // Nothing leads from k to j: no wait, no recursion.
    EXPECT_EQ(parts("e(1). X : k :- e(X), not X : j. X : j :- e(X), not X : m."),
              (std::vector<std::string>{"e(1). | X:j :- e(X), not X:m.", "X:k :- e(X), not X:j."}));
    // A subclass head that negates another class's subclasses.
    EXPECT_EQ(parts("n1 :: c. n1 :: top. n2 :: top :- n1 :: top. "
                    "X :: rest :- node(X), X :: c, not X :: top."),
              (std::vector<std::string>{"n1::c. | n1::top. | n2::top :- n1::top.",
                                        "X::rest :- node(X), X::c, not X::top."}));
    // With k :: j, negating j in a membership of k is a recursion.
    EXPECT_EQ(warnings("k :: j.\nX : k :- e(X), not X : j."),
              std::vector<std::string>{"Warning: negation through recursion, not stratifiable: "
                                       "_ : k, _ : j (rule at line 2); evaluated in rounds"});
}

TEST(Strata, AVariableClassPositionReadsOrWritesEveryClass) {
    // Written through a variable: any class may change.
    EXPECT_EQ(
        parts("e(1). c(k). X : C :- e(X), c(C). p(X) :- e(X), not X : k."),
        (std::vector<std::string>{"e(1). | c(k). | X:C :- e(X), c(C).", "p(X) :- e(X), not X:k."}));
    // Read through a variable: every class is read.
    EXPECT_EQ(
        parts("e(1). c(j). X : k :- e(X). p(X) :- e(X), c(C), not X : C."),
        (std::vector<std::string>{"e(1). | c(j). | X:k :- e(X).", "p(X) :- e(X), c(C), not X:C."}));
    EXPECT_EQ(warnings("X : C :- e(X), c(C), not X : k."),
              std::vector<std::string>{"Warning: negation through recursion, not stratifiable: "
                                       "_ : _, _ : k (rule at line 1); evaluated in rounds"});
    // A variable side of a step: any class may be below k, or above j.
    EXPECT_EQ(warnings("X :: k :- c(X).\nY : m :- e(Y), not Y : k."),
              std::vector<std::string>{"Warning: negation through recursion, not stratifiable: "
                                       "_ : m, _ : k, _ : _ (rule at line 2); evaluated in "
                                       "rounds"});
}

TEST(Strata, AMethodReadDependsOnClassesOnlyWhereInheritanceReachesIt) {
    const std::string inherited = "e(a). c[f *-> 2]. X : c :- e(X). X : k :- e(X), not X[f -> 2].";
    // The evaluator inherits and c holds a value of f to inherit: reading f waits for the
    // members of c.
    EXPECT_EQ(parts(inherited, Inheritance::Inherits),
              (std::vector<std::string>{"e(a). | c[f *-> 2]. | X:c :- e(X).",
                                        "X:k :- e(X), not X[f -> 2]."}));
    // Without inheritance it reads f alone, which nothing writes.
    EXPECT_EQ(parts(inherited, Inheritance::None),
              std::vector<std::string>{
                  "e(a). | c[f *-> 2]. | X:c :- e(X). | X:k :- e(X), not X[f -> 2]."});
    // No class holds an inheritable value of f: f alone, also when inheriting.
    EXPECT_EQ(parts("e(a). c[g *-> 2]. X : c :- e(X). X : k :- e(X), not X[f -> 2].",
                    Inheritance::Inherits),
              std::vector<std::string>{
                  "e(a). | c[g *-> 2]. | X:c :- e(X). | X:k :- e(X), not X[f -> 2]."});
    // A value a rule derives counts, and so does one written through a variable method.
    EXPECT_EQ(parts("e(a). v(2). c[f *-> V] :- v(V). X : c :- e(X). "
                    "X : k :- e(X), not X[f -> 2].",
                    Inheritance::Inherits),
              (std::vector<std::string>{"e(a). | v(2). | c[f *-> V] :- v(V). | X:c :- e(X).",
                                        "X:k :- e(X), not X[f -> 2]."}));
    EXPECT_EQ(parts("e(a). n(f). c[M *-> 2] :- n(M). X : c :- e(X). "
                    "X : k :- e(X), not X[f -> 2].",
                    Inheritance::Inherits),
              (std::vector<std::string>{"e(a). | n(f). | c[M *-> 2] :- n(M). | X:c :- e(X).",
                                        "X:k :- e(X), not X[f -> 2]."}));
    // The class holding the value is c, not k: membership in k may negate f.
    EXPECT_TRUE(
        warnings("c[f *-> 2]. X : k :- e(X), not X[f -> 2].", Inheritance::Inherits).empty());
    // Unless k is below c.
    EXPECT_EQ(
        warnings("k :: c.\nc[f *-> 2].\nX : k :- e(X), not X[f -> 2].", Inheritance::Inherits),
        std::vector<std::string>{"Warning: negation through recursion, not stratifiable: "
                                 "_ : k, _ : c (rule at line 3); evaluated in rounds"});
    // An inheritable arrow read itself sees what the superclasses of its host hold.
    EXPECT_EQ(parts("e(a). c[f *-> 2]. X :: c :- e(X). p(X) :- e(X), not X[f *-> 2].",
                    Inheritance::Inherits),
              (std::vector<std::string>{"e(a). | c[f *-> 2]. | X::c :- e(X).",
                                        "p(X) :- e(X), not X[f *-> 2]."}));
}

}  // namespace
