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
    const std::unique_ptr<VarList> none = b.cnst("a")->giveVars();
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->empty());
    EXPECT_EQ(b.varNames(b.pred("p", {b.var("X"), b.var("Y"), b.var("X")})), "X,Y");
}

TEST(Safety, SafeOrderOfBodies) {
    TreeBuilder b;
    FVar* anon = b.var("_");
    auto p = [&](const char* name, std::initializer_list<FTerm*> args) {
        return b.pred(name, args);
    };
    auto less = [&](FTerm* left, int right) { return b.builtin("<", {left, b.num(right)}); };
    struct Case {
        const char* name;
        FLiteralList* body;
        const char* ordered;
        int anonBound;  // -1: not checked
    };
    const Case cases[] = {
        {"a literal moves behind the one binding its variables",
         b.body({b.lit(less(b.var("X"), 3)), b.lit(p("p", {b.var("X")}))}), "p(X), X < 3", 0},
        {"an unsafe body gives a shorter order",
         b.body({b.lit(p("p", {b.var("X")})), b.lit(less(b.var("Y"), 3))}), "p(X)", 0},
        {"negated literals with don't-cares come last",
         b.body({b.notLit(p("q", {b.var("X"), anon})), b.lit(p("p", {b.var("X")}))}),
         "p(X), not q(X,_)", 1},
        {"don't-cares are added only when every negated literal passes",
         b.body({b.lit(p("p", {b.var("X")})), b.notLit(p("q", {b.var("X"), anon})),
                 b.notLit(p("r", {b.var("Z")}))}),
         "p(X), not q(X,_)", 0},
        {"a don't-care met twice among the negated literals makes the second unsafe",
         b.body({b.notLit(p("q", {anon})), b.notLit(p("r", {anon}))}), "not q(_)", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VarSet bound;
        FLiteralList* ordered = b.own(c.body->safeOrder(bound, b.names));
        ASSERT_NE(ordered, nullptr);
        EXPECT_EQ(b.text(ordered), c.ordered);
        if (c.anonBound >= 0) {
            EXPECT_EQ(bound.member(anon->getName()), c.anonBound == 1);
        }
    }
    // The body itself is left as written.
    EXPECT_EQ(b.text(cases[0].body), "X < 3, p(X)");
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
