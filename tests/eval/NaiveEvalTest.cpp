// Programs run to their fixpoint from F-Logic text: the rounds, the facts the heads make, the
// traces, the statistic lines, interrupts and the failures of a round.
#include <gtest/gtest.h>

#include <string>

#include "EvalHarness.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteralList.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/PTerm.h"
#include "platform/InterruptFlag.h"

namespace {

using eval_test::EvalHarness;
using eval_test::Lines;

const std::string iterations = "Number of TP iterations         : ";

TEST(NaiveEvalRounds, FactsTakeTwoRoundsAndAnEmptyProgramOne) {
    EvalHarness facts;
    EXPECT_EQ(facts.run("p(a). p(b). a[m->b]."), 1);
    Lines lines = facts.statistics();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind("(Time spent in retrieving       : ", 0), 0u);
    EXPECT_NE(lines[0].find(" real    "), std::string::npos);
    EXPECT_EQ(lines[0].substr(lines[0].size() - 6), " user)");
    EXPECT_EQ(lines[1], iterations + "2");
    EXPECT_EQ(facts.ask("?- p(X)."), (Lines{"X=a", "X=b"}));
    EXPECT_EQ(facts.ask("?- X[m->Y]."), (Lines{"X=a, Y=b"}));

    EvalHarness empty;
    EXPECT_EQ(empty.run(""), 1);
    EXPECT_EQ(empty.statistics().back(), iterations + "1");
    EXPECT_EQ(empty.naive->evaluate(nullptr), 0);
    EXPECT_TRUE(empty.statistics().empty());
}

TEST(NaiveEvalRounds, HeadsMakeObjectsValuesAndClasses) {
    EvalHarness h;
    EXPECT_EQ(h.run("p(a,1). p(a,2). p(b,3).\n"
                    "q(X), X : thing :- p(X,V).\n"
                    "X.f[v->>{V}] :- p(X,V).\n"
                    "s(X, k) :- p(X, 3)."),
              1);
    // A head list inserts every term for every row.
    EXPECT_EQ(h.ask("?- q(X), X : thing."), (Lines{"X=a", "X=b"}));
    // A path step makes one value object per host, whatever the number of rows.
    EXPECT_EQ(h.ask("?- a[f->O]."), (Lines{"O=a.f"}));
    EXPECT_EQ(h.ask("?- a.f[v->>{V}]."), (Lines{"V=1", "V=2"}));
    EXPECT_EQ(h.ask("?- b.f[v->>{V}]."), (Lines{"V=3"}));
    EXPECT_EQ(h.ask("?- s(X,Y)."), (Lines{"X=b, Y=k"}));
}

TEST(NaiveEvalRounds, ArithmeticInAHead) {
    // The grammar writes arithmetic only in comparisons; the rewriters put it into heads.
    EvalHarness h;
    h.rules.facts("p(a,1). p(b,3). p(c,3).");
    FRule* rule = h.rules.rule("r(V) :- p(X,V).");
    FRule* ten = h.rules.rule("r(10).");
    auto* head = static_cast<PTerm*>(rule->getHead()->termAt(rule->getHead()->firstItem()));
    auto* number = static_cast<PTerm*>(ten->getHead()->termAt(ten->getHead()->firstItem()));
    auto* args = new clib_list<FTerm*>;
    args->append(new ArithmeticExpr(head->getArgs()->head(), number->getArgs()->head(), "+"));
    head->setArgs(args);
    const Ref<Operand> rows = h.matcher->retrieve(rule, nullptr, h.rules.table());
    EXPECT_EQ(h.matcher->insert(rule, rows.get()), 1);
    EXPECT_EQ(h.ask("?- r(X)."), (Lines{"X=11", "X=13"}));
}

TEST(NaiveEvalRounds, NestedFunctionTermsAreMadeInsideOut) {
    EvalHarness h;
    EXPECT_EQ(h.run("p(a,b). f(g(X))[m->Y] :- p(X,Y)."), 1);
    EXPECT_EQ(h.ask("?- X[m->Y]."), (Lines{"X=f(g(a)), Y=b"}));
    // Identifiers are handed out in order of making: g(a) before f(g(a)).
    const InternalName g = h.firstValue("?- f(G)[m->b].");
    const InternalName f = h.firstValue("?- F[m->b].");
    EXPECT_EQ(h.rules.lexical(g), "g(a)");
    EXPECT_EQ(h.rules.lexical(f), "f(g(a))");
    EXPECT_LT(g.getValue(), f.getValue());
}

TEST(NaiveEvalRounds, EqualitiesForceAnotherRound) {
    EvalHarness h;
    FProgram* program = h.rules.program("p(a). p(b). c[m->X] :- p(X).");
    // Round 0 enters the facts, round 1 gives c two values of a scalar method, which equates a
    // and b: the round answers -1 although its rows were new; the next finds nothing.
    EXPECT_EQ(h.naive->tpStep(program), 1);
    h.naive->tp(nullptr);
    EXPECT_EQ(h.naive->tpStep(program), -1);
    EXPECT_EQ(h.naive->tpStep(program), 0);
    EXPECT_EQ(h.ask("?- c[m->X], X = a, X = b."), (Lines{"X=a"}));
}

TEST(NaiveEvalRounds, EmptySetValuedHeadsStoreTheEmptySet) {
    // With variables and without: both store the empty set, never the undefined object.
    EvalHarness rule;
    EXPECT_EQ(rule.run("p(a). X[m->>{}] :- p(X)."), 1);
    EvalHarness fact;
    EXPECT_EQ(fact.run("a[m->>{}]."), 1);
    for (EvalHarness* h : {&rule, &fact}) {
        EXPECT_EQ(h->ask("?- X[m->>{Y}]."), (Lines{}));
        EXPECT_EQ(h->ask("?- X[M->>{Y}]."), (Lines{}));
    }
}

TEST(NaiveEvalRounds, RulesSharingAHeadTermWithOtherColumnOrders) {
    EvalHarness h;
    h.rules.facts("p(a,b). q(d,c).");
    FRule* first = h.rules.rule("t(X,Y) :- p(X,Y).");
    FRule* other = h.rules.rule("t(X,Y) :- q(Y,X).");
    // The second rule reuses the first rule's head term, as the delta rules of one rule do.
    auto shared =
        Ref<FRule>::make(first->getHead(), other->getBody(), other->getSymTab(), "", 0, 0);
    const Ref<Operand> rows1 = h.matcher->retrieve(first, nullptr, h.rules.table());
    const Ref<Operand> rows2 = h.matcher->retrieve(shared.get(), nullptr, h.rules.table());
    ASSERT_TRUE(rows1);
    ASSERT_TRUE(rows2);
    ASSERT_NE(rows1->columnOf(rows2->getColumns()->head()), 1)
        << "the two bodies must bind the head's variables in other columns";
    EXPECT_EQ(h.matcher->insert(first, rows1.get()), 1);
    EXPECT_EQ(h.matcher->insert(shared.get(), rows2.get()), 1);
    EXPECT_EQ(h.ask("?- t(X,Y)."), (Lines{"X=a, Y=b", "X=c, Y=d"}));
}

TEST(NaiveEvalRounds, RowsAndGroundHeadsAreInsertedOnceUntilReset) {
    EvalHarness h;
    const std::string facts = "r(a). r(b). q(b).";
    h.rules.facts(facts);
    FRule* rows = h.rules.rule("s(X) :- r(X).");
    FRule* ground = h.rules.rule("p(c) :- q(b).");
    auto retrieve = [&](FRule* rule) {
        return h.matcher->retrieve(rule, nullptr, h.rules.table());
    };
    Ref<Operand> bindings = retrieve(rows);
    Ref<Operand> truth = retrieve(ground);
    EXPECT_EQ(h.matcher->insert(rows, bindings.get()), 1);
    EXPECT_EQ(h.matcher->insert(ground, truth.get()), 1);
    EXPECT_EQ(h.matcher->insert(rows, bindings.get()), 0);
    // With the object base emptied the ground head still counts as inserted, until the reset.
    h.access->clear();
    h.rules.facts(facts);
    truth = retrieve(ground);
    EXPECT_EQ(h.matcher->insert(ground, truth.get()), 0);
    EXPECT_EQ(h.ask("?- p(X)."), (Lines{}));
    h.naive->reset(0);
    EXPECT_EQ(h.matcher->insert(ground, truth.get()), 1);
    EXPECT_EQ(h.ask("?- p(X)."), (Lines{"X=c"}));
    bindings = retrieve(rows);
    EXPECT_EQ(h.matcher->insert(rows, bindings.get()), 1);
    EXPECT_EQ(h.ask("?- s(X)."), (Lines{"X=a", "X=b"}));
}

TEST(NaiveEvalRounds, AggregateInAHeadIsRefused) {
    EvalHarness h;
    ErrorCapture errors;
    const auto agg = Ref<AggExpr>::make(new FLiteralList, FSymbol(1, InternalName::Variable, 0),
                                        "sum", VarList{});
    h.creator->scan(static_cast<FTerm*>(agg.get()));
    EXPECT_EQ(eval_test::errorNames(errors), "No Aggregation");
}

}  // namespace
