// Tests of the F-Logic grammar through a parser over a text: the clauses it builds, the errors it
// reports and how it goes on after a rejected clause.
#include <gtest/gtest.h>

#include <string>

#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FVar.h"
#include "language/GrammarSupport.h"
#include "language/PTerm.h"
#include "language/ParserTestSupport.h"

namespace {

using language_test::ParserHarness;

struct Case {
    const char* input;
    const char* expected;  // the printed clause, or "null ok=0 | " and the ParseError message
};

void expectFirstClauses(const Case* begin, const Case* end) {
    for (const Case* c = begin; c != end; ++c) {
        ParserHarness harness;
        EXPECT_EQ(harness.first(c->input), c->expected) << "input: " << c->input;
    }
}

// The example programs' forms are round-tripped elsewhere; these are the other forms.
TEST(FLogicGrammar, ClausesReadBackAsWritten) {
    const Case cases[] = {
        {"p(a).", "p(a)."},
        {"?- p(X).", "?- p(X)."},
        {"p(a), q(b).", "p(a), q(b)."},
        {"p(X) :- q(X), not r(X).", "p(X) :- q(X), not r(X)."},
        {"?- p(_, _).", "?- p(_,_)."},
        {"?- p.", "?- p."},
        {"?- p().", "?- p."},
        {"?- X = [a, b].", "?- X = [a,b]."},
        {"?- X = [].", "?- X = nil."},
        {"?- X = f(g(Y), \"s\", 3, #1.5).", "?- X = f(g(Y),\"s\",3,#1.5)."},
        // Operators bind by class and group to the left.
        {"?- X = 1 + 2 * 3.", "?- X = 1 + 2 * 3."},
        {"?- X = a - b - c.", "?- X = a - b - c."},
        {"?- X = Y div 2.", "?- X = Y div 2."},
        {"?- X >= 1, X =< 2.",
         "null ok=0 | line 1 parse error near '<' : literal after comma expected"},
        {"?- X = count{Y [Z] ; p(Y, Z)}.", "?- X = count{Y [Z] ; p(Y,Z)}."},
        {"?- perl(f, [a, b], [X]).", "?- perl(f,[a,b],[X])."},
        // The list arguments become arguments of their own, printed in brackets again when
        // there is more than one of each.
        {"?- match(S, F, [X], [Y]).", "?- match(S,F,X,Y)."},
        {"?- pmatch(S, F, [X, Y], [A, B]).", "?- pmatch(S,F,[X,Y],[A,B])."},
        {"?- describe(a, b, c, d, e).", "?- describe(a,b,c,d,e)."},
        // A name standing as a literal is a predicate; before these tokens it is a term.
        {"?- f(a).", "?- f(a)."},
        {"?- f(a) = X.", "?- f(a) = X."},
        {"?- f(a) + 1 > 2.", "?- f(a) + 1 > 2."},
        {"?- f * 2 < 3.", "?- f * 2 < 3."},
        // A path standing as a literal is a molecule over it without parts.
        {"?- X.m.", "?- X.m[]."},
        {"?- X.m = 1.", "?- X.m = 1."},
        {"?- X..m!n!!k.", "?- X..m!n!!k[]."},
        {"?- X.m@(a, Y).", "?- X.m@(a,Y)[]."},
        // Molecules.
        {"X[m *-> a; n ->> {a, b}; k *->> c].", "X[m *-> a; n ->> {a, b}; k *->> {c}]."},
        {"X[m => (); n =>> (a, b); k => a].", "X[m => (); n =>> (a, b); k => (a)]."},
        {"X[m@(a, b) -> c].", "X[m@(a,b) -> c]."},
        // One result in parentheses is a list of one, so the signature reads back unchanged.
        {"X[m => (a)].", "X[m => (a)]."},
        {"?- f(a):c.", "?- f(a):c."},
        {"?- f(a)[b -> c].", "?- f(a)[b -> c]."},
        {"?- X[a -> b].m.", "?- X[a -> b].m[]."},
        {"?- X[a -> b].m = 1.", "?- X[a -> b].m = 1."},
        {"?- X[m -> (a.b)].", "?- X[m -> (a.b)]."},
        {"?- 1.5 = X.", "?- 1.5 = X."},
    };
    expectFirstClauses(std::begin(cases), std::end(cases));
}

TEST(FLogicGrammar, EachErrorProductionReportsItsMessage) {
    const Case cases[] = {
        {":- p.", "null ok=0 | line 1 parse error near ':-' : invalid rule head"},
        {"p(a)", "null ok=0 | line 1 parse error near '' : invalid expression after rule head"},
        {"p(a) q(b).", "null ok=0 | line 1 parse error near 'q' : comma between terms missing"},
        {"p, :- q.", "null ok=0 | line 1 parse error near ':-' : term after comma expected"},
        {"?- .", "null ok=0 | line 1 parse error near '' : invalid rule body"},
        {"?- p :- q.",
         "null ok=0 | line 1 parse error near ':-' : invalid expression after rule head"},
        {"?- p q.", "null ok=0 | line 1 parse error near 'q' : comma between literals missing"},
        {"?- p, .", "null ok=0 | line 1 parse error near '' : literal after comma expected"},
        {"?- X[m -> {a}].", "null ok=0 | line 1 parse error near '{' : invalid specification"},
        {"X[;].", "null ok=0 | line 1 parse error near ';' : invalid specification"},
        {"X[m -> a =].",
         "null ok=0 | line 1 parse error near '=' : invalid expression after specification"},
        {"X[m -> a n -> b].",
         "null ok=0 | line 1 parse error near 'n' : semicolon between specifications missing"},
        {"X[m -> a;].",
         "null ok=0 | line 1 parse error near ']' : specification after semicolon expected"},
        {"?- p(,).", "null ok=0 | line 1 parse error near ',' : incomplete path expression"},
        {"?- p(a =).", "null ok=0 | line 1 parse error near '=' : incomplete path expression"},
        {"?- p(a b).", "null ok=0 | line 1 parse error near 'b' : comma between paths missing"},
        {"?- p(a,).", "null ok=0 | line 1 parse error near ')' : path after comma expected"},
        // The checks of the actions.
        {"?- strcat(a, b).",
         "null ok=0 | line 1 parse error near '' : strcat is a builtin predicate and requires 3 "
         "arguments"},
        {"?- describe(a, b, c).\n",
         "null ok=0 | line 1 parse error near '.' : describe is a builtin predicate and requires "
         "4 arguments"},
        {"?- X = cnt{Y ; p(Y)}.",
         "null ok=0 | line 1 parse error near '}' : cnt is an invalid aggregate operator"},
        // Format and result lists of different lengths reject the clause.
        {"?- match(S, F, [X], [Y, Z]).",
         "null ok=0 | line 1 parse error near '' : number of format arguments does not "
         "correspond to number of result arguments"},
        {"$ p(a).", "null ok=0 | line 1 : character '$' is not allowed"},
    };
    expectFirstClauses(std::begin(cases), std::end(cases));
}

TEST(FLogicGrammar, OneReportPerErrorAndTheNextClauseParses) {
    ParserHarness harness;
    // The second error of a clause is reported when the first one's recovery has finished.
    EXPECT_EQ(harness.transcript("?- p, , q.\n?- p(a b c).\nr(c).\n\n?- s(\n"),
              "null ok=0\nnull ok=0\nr(c).\nnull ok=0\n"
              "line 1 parse error near ',' : literal after comma expected\n"
              "line 2 parse error near 'b' : comma between paths missing\n"
              "line 2 parse error near 'c' : comma between paths missing\n"
              "line 6 parse error near '' : incomplete path expression\n");
}

TEST(FLogicGrammar, EndOfInputDuringRecoveryEndsTheCall) {
    // A "." that ends the input answers clause ends for ever; recovery that discards them must
    // still come to an end.
    ParserHarness harness;
    EXPECT_EQ(harness.first("p(."),
              "null ok=0 | line 1 parse error near '' : incomplete path expression");
    EXPECT_EQ(harness.first("..a(."),
              "null ok=0 | line 1 parse error near '..' : invalid rule head");
}

// An escaped double quote is the quote itself; every other escape stays as written, which is how
// the object base writes a string back. The printed clause reads back to the same string.
TEST(FLogicGrammar, StringsHoldTheirQuotesBareAndOtherEscapesAsWritten) {
    ParserHarness harness;
    const std::string written = R"(?- X = "q\"t\tn\nb\bs\\\"e\\".)";
    EXPECT_EQ(harness.first(written), written);
    auto stored = [&](const std::string& text) {
        return harness.table()->lookup(text, InternalName::String, 0) != nullptr;
    };
    EXPECT_TRUE(stored(R"("q"t\tn\nb\bs\\"e\\")"));
    EXPECT_FALSE(stored(R"("q\"t\tn\nb\bs\\\"e\\")"));
    // A backslash before the closing quote does not escape it.
    EXPECT_EQ(harness.first(R"(p("a\\").)"), R"(p("a\\").)");
    EXPECT_TRUE(stored(R"("a\\")"));
}

TEST(FLogicGrammar, BlanksAndCommentsAfterTheLastClauseGiveNoRule) {
    ParserHarness harness;
    EXPECT_EQ(harness.transcript("p(a).\n% done\n  \n"), "p(a).\nnull\n");
    // A comment on the last line without a newline ends there.
    EXPECT_EQ(harness.transcript("p(a).% done"), "p(a).\n");
}

TEST(FLogicGrammar, RulesCarryTheLineOfTheirFullStop) {
    ParserHarness harness;
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString("p(a).\nq(\"x\ny\",\n b).\nr.");
    int ok = 0;
    const int expectedLines[] = {1, 4, 5};
    for (int line : expectedLines) {
        auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok));
        ASSERT_NE(rule, nullptr);
        EXPECT_EQ(rule->getLine(), line);
        EXPECT_EQ(rule->getLabel(), "");
    }
}

// What the printed form cannot show: nesting by precedence, and don't-cares that differ.
TEST(FLogicGrammar, ArithmeticNestsByPrecedenceAndDontCaresDiffer) {
    ParserHarness harness;
    auto parser = Ref<FLogicParser>::make();
    parser->setInputString("?- X = 1 + 2 * 3, p(_, _).");
    int ok = 0;
    auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok));
    ASSERT_NE(rule, nullptr);
    auto* equation = static_cast<PTerm*>(rule->getBody()->first()->getTerm());
    auto* sum = static_cast<ArithmeticExpr*>(equation->getArgs()->tail());
    ASSERT_TRUE(sum->isA("ArithmeticExpr"));
    EXPECT_EQ(sum->getOperator(), "+");
    ASSERT_TRUE(sum->getRight()->isA("ArithmeticExpr"));
    EXPECT_EQ(static_cast<ArithmeticExpr*>(sum->getRight())->getOperator(), "*");
    auto* dontCares = static_cast<PTerm*>(rule->getBody()->getList()->tail()->getTerm());
    auto* first = static_cast<FVar*>(dontCares->getArgs()->head());
    auto* second = static_cast<FVar*>(dontCares->getArgs()->tail());
    EXPECT_EQ(first->getName().getType(), InternalName::DontCare);
    EXPECT_NE(first->getName(), second->getName());
}

TEST(FLogicGrammar, DeepNestingOverflowsTheStackWithAReport) {
    ParserHarness harness;
    language_test::expectDeepNestingRejected(harness);
}

// Chains grow the tree without growing the parser's stack: a path and an operator chain a
// million long, a path in a method argument and a molecule chain are refused with the stack
// limit's message, and the next clause parses.
TEST(FLogicGrammar, ChainsDeeperThanTheLimitAreRefusedLikeDeepNesting) {
    std::string path = "a", sum = "1", argument = "a.m@(b", molecules = "a";
    for (int i = 0; i < 1000000; ++i) {
        path += ".m";
        sum += " + 1";
    }
    for (int i = 0; i < 2 * GrammarSupport::maxDepth; ++i) {
        argument += ".m";
        molecules += "[k->b].m";
    }
    const std::string clauses[] = {"?- X = " + path + ".", "p(X) :- X = " + sum + ".",
                                   "?- X = " + argument + ").", "?- " + molecules + "[k->X]."};
    const char* nearTokens[] = {"'.'", "'+'", "'.'", "'['"};
    for (int i = 0; i < 4; ++i) {
        ParserHarness harness;
        const std::string transcript = harness.transcript(clauses[i] + "\np(a).");
        EXPECT_EQ(transcript, std::string("null ok=0\np(a).\nline 1 parse error near ") +
                                  nearTokens[i] + " : parser stack overflow\n")
            << "clause " << i;
    }
}

// Up to the limit a chain is an ordinary clause that prints as it was read.
TEST(FLogicGrammar, ChainsWithinTheLimitParse) {
    std::string path = "a";
    for (int i = 1; i < GrammarSupport::maxDepth - 8; ++i) path += ".m";
    ParserHarness harness;
    EXPECT_EQ(harness.first("?- X = " + path + "."), "?- X = " + path + ".");
}

}  // namespace
