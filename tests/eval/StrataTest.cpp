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

// Each part as its clauses in rule syntax, separated by " | ".
std::vector<std::string> parts(const std::string& text) {
    rule_test::RuleHarness harness;
    FProgram* program = harness.program(text);
    const Strata strata(program);
    std::vector<std::string> out;
    for (FProgram* part : strata.parts()) {
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

TEST(Strata, NegationThroughRecursionKeepsOnePart) {
    EXPECT_EQ(
        parts("b(1). p(X) :- b(X), not q(X). q(X) :- b(X), not p(X)."),
        std::vector<std::string>{"b(1). | p(X) :- b(X), not q(X). | q(X) :- b(X), not p(X)."});
    EXPECT_EQ(parts("b(1). X[v ->> {Y}] :- b(Y), N = count{Z ; X[M ->> {Z}]}, b(N)."),
              std::vector<std::string>{
                  "b(1). | X[v ->> {Y}] :- b(Y), N = count{Z ; X[M ->> {Z}]}, b(N)."});
}

}  // namespace
