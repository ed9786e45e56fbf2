// The semantic checks: the exact report of each check, their order within a rule and across a
// program, the inheritance mark, and the shell interface.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compile/SemanticAnalyser.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "language/AggExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/PTerm.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"
#include "support/RuleHarness.h"

namespace {

const std::string opening = "semantic error appeared in following rule. \n";

class SemanticAnalyserTest : public ::testing::Test {
  protected:
    // Analyses the first clause (or, with `whole`, the program) of the text; the result and
    // every report's message, one entry each.
    int analyse(const std::string& text, bool whole = false) {
        ErrorCapture errors;
        Error::setOutputFilter(2);
        ParseTreeNode* node = whole ? static_cast<ParseTreeNode*>(harness.program(text))
                                    : static_cast<ParseTreeNode*>(harness.rule(text));
        const int result = analyser->analyse(node, harness.table());
        reports = split(errors.text());
        return result;
    }
    // The error channel shows each report as an empty line, "*** ERROR : ", the message, and
    // two line ends.
    static std::vector<std::string> split(const std::string& text) {
        const std::string marker = "\n*** ERROR : ";
        std::vector<std::string> out;
        std::size_t at = text.find(marker);
        while (at != std::string::npos) {
            const std::size_t from = at + marker.size();
            const std::size_t next = text.find(marker, from);
            std::string part =
                text.substr(from, next == std::string::npos ? std::string::npos : next - from);
            if (part.size() >= 2 && part.compare(part.size() - 2, 2, "\n\n") == 0)
                part.resize(part.size() - 2);
            out.push_back(part);
            at = next;
        }
        return out;
    }

    rule_test::RuleHarness harness;
    Ref<SemanticAnalyser> analyser = Ref<SemanticAnalyser>::make();
    std::vector<std::string> reports;
};

TEST_F(SemanticAnalyserTest, SoundClausesPass) {
    for (const char* text :
         {"p(a).", "h(X) :- p(X, Y), not q(Y).", "?- p(X), X < 3.", "X = Y :- p(X), q(Y).",
          "h(X) :- p(X), X..m[n -> a].", "X.m[n -> a] :- p(X)."})
        EXPECT_EQ(analyse(text), 1) << text;
    EXPECT_TRUE(reports.empty());
}

TEST_F(SemanticAnalyserTest, EachCheckReportsOnce) {
    const std::string at = "\nThe rule ends at line 1.\n";
    const std::string unbound = "in rule head is (are) not bound by rule body ";
    const std::string dontCare = "Don't-Care variables are not allowed in rule head.\n";
    const std::pair<const char*, std::string> cases[] = {
        {"p(X).", "p(X)." + at + "The variable(s) X " + unbound},
        {"h(X, Z, Y) :- p(Y).", "h(X,Z,Y) :- p(Y)." + at + "The variable(s) X, Z " + unbound},
        {"p(_) :- q(Y).", "p(_) :- q(Y)." + at + dontCare},
        {"p(_, X) :- q(Y).",
         "p(_,X) :- q(Y)." + at + dontCare + "The variable(s) _#1, X " + unbound},
        // X stands in the body, so the head is bound; the body is not safe.
        {"q(X) :- not p(X).", "q(X) :- not p(X)." + at +
                                  "The variable(s) X in rule body represent an infinite answer "
                                  "set. \nCheck negated literals and built in predicates of "
                                  "rule body."},
        {"X < Y, Y > X :- p(X), q(Y).",
         "X < Y, Y > X :- p(X), q(Y)." + at + "Built in predicates are not allowed in rule head."},
        {"X..m[n -> a] :- p(X).",
         "X..m[n -> a] :- p(X)." + at +
             "Set valued path expressions are not allowed in rule head.\n"},
        {"?- S = count{X [X] ; p(X)}.", "?- S = count{X [X] ; p(X)}." + at +
                                            "invalid aggregate expression : count{X [X] ; p(X)}\n"
                                            "aggregation variable X may not appear in grouping "
                                            "list\n\n"},
    };
    for (const auto& [text, report] : cases) {
        EXPECT_EQ(analyse(text), 0) << text;
        EXPECT_EQ(reports, (std::vector<std::string>{opening + report})) << text;
    }

    // The label (the file name) leads the report, and the line is the clause's own.
    FRule* parsed = harness.rule("p(X).");
    auto labelled =
        Ref<FRule>::make(parsed->getHead(), nullptr, parsed->getSymTab(), "file.flp", 7, 0);
    {
        ErrorCapture errors;
        Error::setOutputFilter(2);
        EXPECT_EQ(analyser->analyse(labelled.get(), harness.table()), 0);
        EXPECT_EQ(split(errors.text()),
                  (std::vector<std::string>{"file.flp, " + opening +
                                            "p(X).\nThe rule ends at line 7.\nThe variable(s) X " +
                                            unbound}));
    }
    labelled.reset();
    EXPECT_EQ(analyse("X!!m[n -> a] :- p(X)."), 0);
}

TEST_F(SemanticAnalyserTest, AggregateChecks) {
    EXPECT_EQ(analyse("?- S = count{X [G] ; p(G)}."), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("aggregation variable X missing in literal list of aggregation\n"),
              std::string::npos);

    EXPECT_EQ(analyse("?- S = sum{X [G, H, G] ; p(X), not q(Y)}."), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(
        reports[0].find("grouping variables G, H, G missing in literal list of aggregation\n"
                        "grouping variables G appear more than one time grouping list\n"
                        "the variable(s) Y of literal list represent an infinite answer set\n"),
        std::string::npos)
        << reports[0];

    // Only the failing aggregate is reported.
    EXPECT_EQ(analyse("?- S = count{X [X] ; p(X)}, T = count{Y ; q(Y)}."), 0);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].find("invalid aggregate expression : count{Y"), std::string::npos);
}

TEST_F(SemanticAnalyserTest, NestNeedsNoAggregationVariableInItsBody) {
    // The same aggregate once over "count" and once over "nest".
    FRule* rule = harness.rule("?- S = count{X [G] ; p(G)}.");
    auto* equality = static_cast<PTerm*>(rule->getBody()->getList()->head()->getTerm());
    auto* count = static_cast<AggExpr*>(equality->getArgs()->tail());
    auto* nest = new AggExpr(count->getBody(), count->getAggVar(), "nest", count->getGroupVars());
    {
        ErrorCapture errors;
        EXPECT_EQ(analyser->analyse(rule, harness.table()), 0);
        auto* args = new clib_list<FTerm*>;
        incRef(equality->getArgs()->head());
        args->append(equality->getArgs()->head());
        args->append(nest);
        equality->setArgs(args);
        EXPECT_EQ(analyser->analyse(rule, harness.table()), 1);
    }
}

TEST_F(SemanticAnalyserTest, ChecksOfOneRuleReportInOrder) {
    // Path, then body safety, then head variables, then head built-ins.
    EXPECT_EQ(analyse("X..m[a -> b], Z < W :- not p(X)."), 0);
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_NE(reports[0].find("Set valued path"), std::string::npos);
    EXPECT_NE(reports[1].find("in rule body represent"), std::string::npos);
    EXPECT_NE(reports[2].find("in rule head is (are) not bound"), std::string::npos);
    EXPECT_NE(reports[3].find("Built in predicates"), std::string::npos);
}

TEST_F(SemanticAnalyserTest, ProgramsReportEveryFailingRuleAndGetTheMark) {
    EXPECT_EQ(analyse("p(X).\nq(a).\nr(Y) :- s(Z).\n", true), 0);
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_NE(reports[0].find("p(X).\nThe rule ends at line 1."), std::string::npos);
    EXPECT_NE(reports[1].find("r(Y) :- s(Z).\nThe rule ends at line 3."), std::string::npos);

    FProgram* plain = harness.program("h(X) :- X[m -> Y].");
    plain->setInheritanceMark(7);
    EXPECT_EQ(analyser->analyse(plain, harness.table()), 1);
    EXPECT_EQ(plain->inheritanceMark(), 0);

    FProgram* inheriting = harness.program("h(X) :- p(X).\nc[m *-> a].\n");
    EXPECT_EQ(analyser->analyse(inheriting, harness.table()), 1);
    EXPECT_EQ(inheriting->inheritanceMark(), 1);

    // A single rule leaves the program's mark alone.
    FRule* rule = harness.rule("h(X) :- X!m[n -> Y].");
    inheriting->setInheritanceMark(5);
    EXPECT_EQ(analyser->analyse(rule, harness.table()), 1);
    EXPECT_EQ(inheriting->inheritanceMark(), 5);
}

TEST_F(SemanticAnalyserTest, WrongNodesAndMissingTables) {
    ErrorCapture errors;
    FRule* rule = harness.rule("p(X).");
    EXPECT_EQ(analyser->analyse(rule, nullptr), 0);
    EXPECT_EQ(errors.text(), "");
    EXPECT_EQ(analyser->analyse(rule->getHead(), harness.table()), 0);
    EXPECT_EQ(analyser->analyse(nullptr, harness.table()), 0);
    EXPECT_EQ(errors.text(), "\n*** ERROR : WrongNode\n\n\n*** ERROR : WrongNode\n\n");
}

TEST_F(SemanticAnalyserTest, ShellMethods) {
    FRule* rule = harness.rule("p(X).");
    auto* args = new FLSysArgs;
    args->append(rule);
    args->append(harness.table());
    {
        ErrorCapture errors;
        FLSysRef answer = analyser->methodCall("analyse", args);
        ASSERT_NE(answer, nullptr);
        ASSERT_TRUE(answer->isA("FLSysInteger"));
        EXPECT_EQ(static_cast<FLSysInteger*>(answer.get())->value(), 0);
        answer.reset();
    }
    delete args;
}

}  // namespace
