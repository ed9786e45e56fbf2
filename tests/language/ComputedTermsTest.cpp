// Arithmetic and aggregate terms: print forms, safety, variables, equality and copies.
#include <gtest/gtest.h>

#include <vector>

#include "ParseTreeTestSupport.h"

using language_test::TreeBuilder;

TEST(ComputedTerms, PrintForms) {
    TreeBuilder b;
    ArithmeticExpr* inner = b.arith(b.var("X"), "+", b.num(1));
    inner->setParenthesized();
    EXPECT_EQ(b.text(b.arith(inner, "*", b.var("Y"))), "(X + 1) * Y");
    EXPECT_EQ(b.text(b.arith(b.var("X"), "+", b.arith(b.num(1), "*", b.num(2)))), "X + 1 * 2");

    FLiteralList* body = b.body({b.lit(b.pred("p", {b.var("X"), b.var("Y"), b.var("Z")}))});
    EXPECT_EQ(b.text(b.agg("count", "X", {"Y", "Z"}, body)), "count{X [Y,Z] ; p(X,Y,Z)}");
    EXPECT_EQ(b.text(b.agg("sum", "X", {}, body)), "sum{X ; p(X,Y,Z)}");
}

TEST(ComputedTerms, Safety) {
    TreeBuilder b;
    ArithmeticExpr* expr = b.arith(b.num(2), "*", b.var("X"));
    VarSet bound;
    EXPECT_FALSE(expr->bindVars(bound, b.names));
    bound.insert(b.varSymbol("X"));
    EXPECT_TRUE(expr->bindVars(bound, b.names));
    EXPECT_TRUE(
        b.arith(b.var("X"), "-", b.arith(b.var("X"), "+", b.num(1)))->bindVars(bound, b.names));
    EXPECT_FALSE(
        b.arith(b.var("X"), "-", b.arith(b.var("W"), "+", b.num(1)))->bindVars(bound, b.names));
    EXPECT_EQ(b.names_of(bound), "X");  // arithmetic binds nothing

    // "=" with an unbound side is as safe as the arithmetic on the other side.
    VarSet forEquality;
    forEquality.insert(b.varSymbol("X"));
    EXPECT_TRUE(b.builtin("=", {b.var("Y"), b.arith(b.var("X"), "+", b.num(1))})
                    ->bindVars(forEquality, b.names));
    EXPECT_EQ(b.names_of(forEquality), "X,Y");
    VarSet empty;
    EXPECT_FALSE(
        b.builtin("=", {b.var("V"), b.arith(b.var("U"), "+", b.num(1))})->bindVars(empty, b.names));

    FLiteralList* body = b.body({b.lit(b.pred("p", {b.var("A"), b.var("G")}))});
    AggExpr* aggregate = b.agg("count", "A", {"G", "G"}, body);
    VarSet groups;
    EXPECT_TRUE(aggregate->bindVars(groups, b.names));
    EXPECT_EQ(b.names_of(groups), "G");
    EXPECT_EQ(b.varNames(aggregate), "G");
    EXPECT_EQ(b.varNames(b.arith(b.var("X"), "+", b.var("X"))), "X");
}

TEST(ComputedTerms, EqualityIncludesBodyAndGroups) {
    TreeBuilder b;
    auto body = [&](const char* pred) {
        return b.body({b.lit(b.pred(pred, {b.var("X"), b.var("Y")}))});
    };
    AggExpr* aggregate = b.agg("count", "X", {"Y"}, body("p"));
    EXPECT_TRUE(aggregate->deepEqual(*b.agg("count", "X", {"Y"}, body("p"))));
    EXPECT_EQ(aggregate->compare(*b.agg("count", "X", {"Y"}, body("p"))), 0);
    for (AggExpr* other :
         {b.agg("count", "X", {"Y"}, body("q")), b.agg("count", "X", {}, body("p")),
          b.agg("sum", "X", {"Y"}, body("p")), b.agg("count", "Y", {"Y"}, body("p"))}) {
        EXPECT_FALSE(aggregate->deepEqual(*other)) << b.text(other);
        EXPECT_NE(aggregate->compare(*other), 0) << b.text(other);
    }
    ArithmeticExpr* sum = b.arith(b.var("X"), "+", b.num(1));
    EXPECT_TRUE(sum->deepEqual(*b.arith(b.var("X"), "+", b.num(1))));
    EXPECT_EQ(sum->compare(*b.arith(b.var("X"), "+", b.num(1))), 0);
    EXPECT_FALSE(sum->deepEqual(*b.arith(b.var("X"), "-", b.num(1))));
}

TEST(ComputedTerms, ClonesAreIndependent) {
    TreeBuilder b;
    AggExpr* aggregate =
        b.agg("count", "X", {"Y"}, b.body({b.lit(b.pred("p", {b.var("X"), b.var("Y")}))}));
    ArithmeticExpr* expr = b.arith(b.var("X"), "+", b.num(1));
    auto* aggCopy = b.own(static_cast<AggExpr*>(aggregate->clone()));
    auto* exprCopy = b.own(static_cast<ArithmeticExpr*>(expr->clone()));
    ASSERT_NE(aggCopy, nullptr);
    ASSERT_NE(exprCopy, nullptr);
    EXPECT_TRUE(aggCopy->deepEqual(*aggregate));
    aggCopy->getBody()->append(b.lit(b.cnst("more")));
    exprCopy->setLeft(b.num(7));
    EXPECT_EQ(b.text(aggregate), "count{X [Y] ; p(X,Y)}");
    EXPECT_EQ(b.text(expr), "X + 1");
    VarList groups = aggregate->getGroupVars();
    groups.append(b.varSymbol("Z"));
    EXPECT_EQ(b.varNames(aggregate), "Y");
}
