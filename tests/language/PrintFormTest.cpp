// Rule-syntax print forms the parser tests do not reach: terms built by hand, missing tables,
// programs, and the shell print.
#include <gtest/gtest.h>

#include "ParseTreeTestSupport.h"
#include "foundation/ErrorHandler.h"

using language_test::TreeBuilder;

namespace {

std::string quotedVar(TreeBuilder& b, FVar* var) {
    OutputChannel channel;
    ChannelCapture capture(channel);
    var->printVar(channel, b.names, b.vars, 1);
    return capture.text();
}

}  // namespace

TEST(PrintForm, ListsAndNumbers) {
    TreeBuilder b;
    EXPECT_EQ(b.text(b.list({b.cnst("a"), b.var("X")}, b.cnst("c"))), "[a,X|c]");
    EXPECT_EQ(b.text(b.list({b.list({b.num(1)})})), "[[1]]");
    // The integer 4 shares its value with the list constructor's symbol but is a number.
    EXPECT_EQ(b.text(b.num(4)), "4");
}

TEST(PrintForm, Variables) {
    TreeBuilder b;
    EXPECT_EQ(b.text(b.var("_Named")), "_Named");
    FVar* dotted = b.var("X.y");
    EXPECT_EQ(b.text(dotted), "X.y");
    EXPECT_EQ(quotedVar(b, dotted), "(X.y)");
    EXPECT_EQ(quotedVar(b, b.var("X")), "X");
    FVar* parenthesised = b.var("Y");
    parenthesised->setParenthesized();
    EXPECT_EQ(b.text(parenthesised), "(Y)");
    // Without a variable table the identifier form is written.
    OutputChannel channel;
    ChannelCapture capture(channel);
    b.var("Z")->print(channel, b.names, nullptr);
    EXPECT_EQ(capture.text(), b.varSymbol("Z").ToString());
}

TEST(PrintForm, PredicateTermsInfixOrPrefixByNameAndArity) {
    TreeBuilder b;
    EXPECT_EQ(b.text(b.pred("q", {})), "q");
    EXPECT_EQ(b.text(b.builtin("<", {b.var("X"), b.num(3)})), "X < 3");
    EXPECT_EQ(b.text(b.builtin("strlen", {b.var("S"), b.var("N")})), "strlen(S,N)");
    EXPECT_EQ(b.text(b.builtin("equiv", {b.var("S"), b.var("N")})), "equiv(S,N)");
    // Without a names table nothing is known to be built in: the prefix form.
    OutputChannel channel;
    ChannelCapture capture(channel);
    b.builtin("<", {b.num(1), b.num(2)})->print(channel, nullptr, nullptr);
    EXPECT_EQ(capture.text().find(" < "), std::string::npos);
}

TEST(PrintForm, MatchAndPerlBracketGroups) {
    TreeBuilder b;
    auto v = [&](const char* n) -> FTerm* { return b.var(n); };
    // Six: two groups of (6 - 2) / 2 = 2.
    EXPECT_EQ(b.text(b.builtin("match", {v("S"), v("P"), v("A"), v("B"), v("C"), v("D")})),
              "match(S,P,[A,B],[C,D])");
    EXPECT_EQ(b.text(b.builtin("pmatch", {v("S"), v("P"), v("A"), v("B"), v("C")})),
              "pmatch(S,P,[A],[B,C])");
    // One leading argument, the first group up to position 3, the rest in the second group.
    EXPECT_EQ(b.text(b.builtin("perl", {v("F"), v("X"), v("Y"), v("Z")}, 1, 3)),
              "perl(F,[X,Y],[Z])");
}

TEST(PrintForm, ClausesAndPrograms) {
    TreeBuilder b;
    FRule* fact = b.fact({b.pred("p", {b.cnst("a")})});
    FRule* rule = b.rule({b.pred("q", {b.var("X")})},
                         {b.lit(b.pred("p", {b.var("X")})), b.notLit(b.pred("r", {b.var("X")}))});
    FRule* query = b.query({b.lit(b.pred("q", {b.var("Y")}))});
    EXPECT_EQ(b.text(b.program({fact, rule, query})), "p(a).\nq(X) :- p(X), not r(X).\n?- q(Y).\n");
    EXPECT_EQ(b.text(b.program({})), "/* This FProgram is empty */ \n");
    EXPECT_EQ(b.text(b.head({b.cnst("a"), nullptr})), "a, NULL");
    EXPECT_EQ(b.head({})->head(), nullptr);
    // Display names through the program's own tables.
    OutputChannel channel;
    ChannelCapture capture(channel);
    b.program({rule})->display(channel);
    EXPECT_EQ(capture.text(), "q(X) :- p(X), not r(X).\n");
}

TEST(PrintForm, ShellPrintNamesTheClass) {
    TreeBuilder b;
    OutputChannel channel;
    ChannelCapture capture(channel);
    for (FLSysObject* node : std::vector<FLSysObject*>{b.var("X"), b.program({}), b.head({})})
        node->print(channel);
    EXPECT_EQ(capture.text(), "aFVaraFProgramaFTermList");
}

TEST(PrintForm, TermWithoutPrintFormReportsAndWritesDots) {
    // A term class that does not define its print form falls back to FTerm's.
    class Opaque : public FTerm {
      public:
        Opaque() : FTerm() {}
        ParseTreeNode* clone() const override { return nullptr; }
        void collectVars(VarList&) const override {}
        int compareSameClass(const ParseTreeNode&) const override { return 0; }
    };
    ErrorCapture errors;
    Opaque term;
    OutputChannel channel;
    ChannelCapture capture(channel);
    term.print(channel, nullptr, nullptr);
    EXPECT_EQ(capture.text(), "...");
    EXPECT_NE(errors.text().find("FTermPrintCalled"), std::string::npos);
}

TEST(PrintForm, NamesAreReadThroughTheTablesGiveName) {
    // A variable table that shows values in place of the variables, as an answer printer does.
    class ValueTable : public SymTab {
      public:
        std::string giveName(const InternalName& symbol) const override {
            return symbol.isVariable() ? "42" : SymTab::giveName(symbol);
        }
    };
    TreeBuilder b;
    ValueTable values;
    OutputChannel channel;
    ChannelCapture capture(channel);
    b.pred("p", {b.var("X"), b.cnst("a")})->print(channel, b.names, &values);
    EXPECT_EQ(capture.text(), "p(42,a)");
}
