// The safety step of terms and literals, and the safe ordering of rule bodies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ParseTreeTestSupport.h"

using language_test::TreeBuilder;

namespace {

struct BuiltinCase {
    const char* builtin;
    std::vector<const char*> args;  // upper case: variables; lower case: constants
    std::vector<const char*> boundBefore;
    bool safe;
    const char* boundAfter;  // the bound set afterwards, in identifier order of the variables
    int groupEnd = 0;
};

}  // namespace

TEST(Safety, BuiltinBindingPatterns) {
    const std::vector<BuiltinCase> cases = {
        {"describe", {"X", "Y"}, {}, true, "X,Y"},
        {"strcat", {"A", "B", "C"}, {"A", "B"}, true, "A,B,C"},
        {"strcat", {"A", "B", "C"}, {"A"}, false, "A"},
        {"strcat", {"a", "B", "C"}, {"B"}, true, "B,C"},
        {"string2integer", {"S", "N"}, {}, false, ""},
        {"string2integer", {"S", "N"}, {"S"}, true, "S,N"},
        {"=", {"X", "Y"}, {"Y"}, true, "X,Y"},
        {"=", {"X", "Y"}, {"X"}, true, "X,Y"},
        {"=", {"X", "Y"}, {}, false, ""},
        {"=", {"X", "a"}, {}, true, "X"},
        {"=", {"a", "b"}, {}, true, ""},
        {"equiv", {"X", "Y"}, {"X"}, false, "X"},
        {"equiv", {"X", "Y"}, {"X", "Y"}, true, "X,Y"},
        {"strlen", {"S", "N"}, {"S"}, true, "S,N"},
        {"strlen", {"S", "N"}, {"N"}, false, "N"},
        // match: the first 4 / 2 + 1 = 3 arguments are inputs.
        {"match", {"S", "P", "A", "B"}, {"S", "P", "A"}, true, "S,P,A,B"},
        {"match", {"S", "P", "A", "B"}, {"S", "P"}, false, "S,P"},
        {"<", {"X", "Y"}, {"X"}, false, "X"},
        {"<", {"X", "c"}, {"X"}, true, "X"},
        {"perl", {"F", "X", "Y", "Z"}, {"F", "X", "Y"}, true, "F,X,Y,Z", 3},
        {"perl", {"F", "X", "Y", "Z"}, {"F", "X"}, false, "F,X", 3},
    };
    for (const BuiltinCase& c : cases) {
        TreeBuilder b;
        // Enter the variables in argument order so that the bound set lists them that way.
        std::vector<FTerm*> args;
        for (const char* arg : c.args) {
            const bool variable = arg[0] >= 'A' && arg[0] <= 'Z';
            args.push_back(variable ? static_cast<FTerm*>(b.var(arg)) : b.cnst(arg));
        }
        VarSet bound;
        for (const char* name : c.boundBefore) bound.insert(b.varSymbol(name));
        PTerm* term = b.builtin(c.builtin, args, 0, c.groupEnd);
        SCOPED_TRACE(b.text(term));
        EXPECT_EQ(term->bindVars(bound, b.names), c.safe);
        EXPECT_EQ(b.names_of(bound), c.boundAfter);
    }
}

TEST(Safety, TermsAndLiterals) {
    TreeBuilder b;
    VarSet bound;
    // A plain predicate binds all its variables; a variable term only tests.
    EXPECT_FALSE(b.var("X")->bindVars(bound, b.names));
    EXPECT_TRUE(b.pred("p", {b.var("X"), b.fn("f", {b.var("Y")})})->bindVars(bound, b.names));
    EXPECT_EQ(b.names_of(bound), "X,Y");
    EXPECT_TRUE(b.var("X")->bindVars(bound, b.names));
    // A negated literal needs all its variables bound and binds none.
    VarSet some;
    some.insert(b.varSymbol("X"));
    EXPECT_FALSE(b.notLit(b.pred("q", {b.var("X"), b.var("Z")}))->bindVars(some, b.names));
    EXPECT_TRUE(b.notLit(b.pred("q", {b.var("X")}))->bindVars(some, b.names));
    EXPECT_EQ(b.names_of(some), "X");
    EXPECT_FALSE(b.lit(nullptr)->bindVars(some, b.names));
    // Ground terms give an empty variable list, not null.
    VarList* none = b.cnst("a")->giveVars();
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->empty());
    delete none;
    EXPECT_EQ(b.varNames(b.pred("p", {b.var("X"), b.var("Y"), b.var("X")})), "X,Y");
}

TEST(Safety, SafeOrderMovesALiteralBehindTheOneBindingItsVariables) {
    TreeBuilder b;
    FLiteralList* body =
        b.body({b.lit(b.builtin("<", {b.var("X"), b.num(3)})), b.lit(b.pred("p", {b.var("X")}))});
    VarSet bound;
    FLiteralList* ordered = b.own(body->safeOrder(bound, b.names));
    ASSERT_NE(ordered, nullptr);
    EXPECT_EQ(b.text(ordered), "p(X), X < 3");
    EXPECT_EQ(b.names_of(bound), "X");
    EXPECT_EQ(b.text(body), "X < 3, p(X)");  // the body itself is left as written
}

TEST(Safety, SafeOrderOfAnUnsafeBodyIsShorter) {
    TreeBuilder b;
    FLiteralList* body =
        b.body({b.lit(b.pred("p", {b.var("X")})), b.lit(b.builtin("<", {b.var("Y"), b.num(3)}))});
    VarSet bound;
    FLiteralList* ordered = b.own(body->safeOrder(bound, b.names));
    ASSERT_NE(ordered, nullptr);
    EXPECT_EQ(b.text(ordered), "p(X)");
}

TEST(Safety, NegatedLiteralsWithDontCaresComeLast) {
    TreeBuilder b;
    FVar* anon = b.var("_");
    FLiteralList* body =
        b.body({b.notLit(b.pred("q", {b.var("X"), anon})), b.lit(b.pred("p", {b.var("X")}))});
    VarSet bound;
    FLiteralList* ordered = b.own(body->safeOrder(bound, b.names));
    ASSERT_NE(ordered, nullptr);
    EXPECT_EQ(b.text(ordered), "p(X), not q(X,_)");
    EXPECT_TRUE(bound.member(anon->getName()));
}

TEST(Safety, DontCaresAreAddedOnlyWhenEveryNegatedLiteralPasses) {
    TreeBuilder b;
    FVar* anon = b.var("_");
    FLiteralList* body =
        b.body({b.lit(b.pred("p", {b.var("X")})), b.notLit(b.pred("q", {b.var("X"), anon})),
                b.notLit(b.pred("r", {b.var("Z")}))});
    VarSet bound;
    FLiteralList* ordered = b.own(body->safeOrder(bound, b.names));
    ASSERT_NE(ordered, nullptr);
    EXPECT_EQ(b.text(ordered), "p(X), not q(X,_)");
    EXPECT_FALSE(bound.member(anon->getName()));
    // A don't-care met twice among the negated literals makes the second unsafe.
    FLiteralList* twice = b.body({b.notLit(b.pred("q", {anon})), b.notLit(b.pred("r", {anon}))});
    VarSet none;
    FLiteralList* partial = b.own(twice->safeOrder(none, b.names));
    ASSERT_NE(partial, nullptr);
    EXPECT_EQ(b.text(partial), "not q(_)");
}

TEST(Safety, SafeOrderIsNullWhenNothingCanBePlaced) {
    TreeBuilder b;
    FLiteralList* body = b.body(
        {b.notLit(b.pred("q", {b.var("X")})), b.notLit(b.builtin("<", {b.var("_"), b.num(1)}))});
    VarSet bound;
    EXPECT_EQ(body->safeOrder(bound, b.names), nullptr);
    // A negated built-in is never safe by don't-cares.
    VarSet seen;
    EXPECT_FALSE(
        b.notLit(b.builtin("<", {b.var("_"), b.num(1)}))->negationSafe(bound, seen, b.names));
}
