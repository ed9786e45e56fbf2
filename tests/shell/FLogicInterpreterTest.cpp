// The F-Logic interpreter driven from F-Logic text: programs, evaluation and its timing lines,
// queries end to end, the placeholder's errors, the class object and the rewriter slot.
#include <gtest/gtest.h>

#include "shell/ClauseRewriter.h"
#include "shell/DumpTestSupport.h"
#include "shell/InterpreterTestSupport.h"

namespace {

using dump_test::reportedNames;
using interp_test::Args;
using interp_test::InterpreterHarness;
using interp_test::Lines;

const std::string analyses = "Time spent in semantic analyses : ";
const std::string evaluation = "Total time spent in evaluation  : ";
const std::string computing = "Time spent in computing answers : ";
const std::string printing = "Time spent in pretty-printing   : ";

TEST(FLogicInterpreterTest, QueryBeforeAnyFactRunsOnTheCurrentBase) {
    InterpreterHarness h;
    ErrorCapture errors;
    EXPECT_EQ(h.ask("?- X : person."), h.interpreter);
    EXPECT_EQ(h.answers.find("\n% Answer to query : ?- X:person."), 0u) << h.answers;
    EXPECT_TRUE(h.answers.ends_with("\n% false\n")) << h.answers;
    EXPECT_EQ(h.timingLabels(), (Lines{computing, printing}));
    EXPECT_EQ(errors.text(), "");
}

TEST(FLogicInterpreterTest, EvalThenQueryAnswersFromTheFixpoint) {
    InterpreterHarness h;
    ErrorCapture errors;
    h.add("a : person. b : person. X : human :- X : person. ?- X : human.");
    EXPECT_EQ(h.interpreter->eval(), h.interpreter);
    EXPECT_EQ(h.timingLabels(), (Lines{analyses, evaluation}));
    EXPECT_EQ(h.ask("?- X : human."), h.interpreter);
    EXPECT_EQ(h.rows, 2);
    EXPECT_NE(h.answers.find("\nX/a   \nX/b   \n"), std::string::npos) << h.answers;
    EXPECT_EQ(h.timingLabels(), (Lines{computing, printing}));

    // Nothing changed: the second eval returns at once and writes no line.
    EXPECT_EQ(h.interpreter->eval(), h.interpreter);
    EXPECT_TRUE(h.timingLabels().empty());
    // A new clause makes the next eval run again.
    h.add("c : person.");
    EXPECT_EQ(h.interpreter->eval(), h.interpreter);
    EXPECT_EQ(h.timingLabels(), (Lines{analyses, evaluation}));
    h.ask("?- X : human.");
    EXPECT_EQ(h.rows, 3);
    EXPECT_EQ(errors.text(), "");
}

TEST(FLogicInterpreterTest, FailedAnalysisKeepsTheHeadingAndWritesNoTimes) {
    InterpreterHarness h;
    {
        ErrorCapture errors;
        EXPECT_EQ(h.ask("?- not p(X)."), nullptr);
        EXPECT_NE(errors.text(), "");
    }
    EXPECT_EQ(h.answers.find("\n% Answer to query : "), 0u) << h.answers;
    EXPECT_EQ(h.rows, -1);
    EXPECT_TRUE(h.timingLabels().empty());

    // A program that fails the analysis writes the analysis line only and stays unevaluated.
    h.add("p(X).");
    ErrorCapture errors;
    EXPECT_EQ(h.interpreter->eval(), nullptr);
    EXPECT_EQ(h.timingLabels(), (Lines{analyses}));
}

TEST(FLogicInterpreterTest, ProgramKeepsFactsAndRulesOnly) {
    InterpreterHarness h;
    ErrorCapture errors;
    FProgram* empty = h.interpreter->showProgram(nullptr);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getRules(), nullptr);
    EXPECT_EQ(h.interpreter->eval(), nullptr);  // no program yet
    EXPECT_TRUE(h.timingLabels().empty());

    FRule* query = h.rules.rule("?- X : c.");
    EXPECT_EQ(h.interpreter->addClause(query, h.rules.table()), h.interpreter);
    EXPECT_EQ(h.interpreter->showProgram(nullptr), empty);
    EXPECT_EQ(h.interpreter->addClause(nullptr, h.rules.table()), nullptr);

    h.add("a : c. X : d :- X : c.");
    EXPECT_EQ(h.programText(h.interpreter->showProgram(nullptr)), "a:c.\nX:d :- X:c.\n");
    EXPECT_EQ(h.programText(h.interpreter->showProgram()), "a:c.\nX:d :- X:c.\n");

    Args one{interp_test::num(1)};
    EXPECT_EQ(h.interpreter->showProgram(one.get()), nullptr);
    EXPECT_EQ(h.interpreter->forgetProgram(one.get()), nullptr);
    EXPECT_EQ(reportedNames(errors),
              (std::vector<std::string>{"WrongNumberOfArguments", "WrongNumberOfArguments"}));

    EXPECT_EQ(h.interpreter->forgetProgram(nullptr), h.interpreter);
    EXPECT_EQ(h.interpreter->showProgram(nullptr), empty);
}

TEST(FLogicInterpreterTest, TpRunsOneRoundAndClearForgetsTheFixpoint) {
    InterpreterHarness h;
    ErrorCapture errors;
    h.add("a : c. X : d :- X : c.");
    {
        ChannelCapture rounds(systemChannel());
        EXPECT_EQ(h.interpreter->tp(), h.interpreter);
        EXPECT_EQ(rounds.text(), "TP Round 0\n");
    }
    EXPECT_EQ(h.interpreter->eval(), h.interpreter);
    h.statistics();
    // After the object base is emptied, clear makes eval run the program again.
    h.om->clear();
    h.interpreter->clear();
    EXPECT_EQ(h.interpreter->eval(), h.interpreter);
    EXPECT_EQ(h.timingLabels(), (Lines{analyses, evaluation}));
    h.ask("?- X : d.");
    EXPECT_EQ(h.rows, 1);
}

TEST(FLogicInterpreterTest, PlaceholderRefusesEveryPipelineCommand) {
    auto placeholder = Ref<EmptyFLogicInterp>::make();
    interp_test::InterpreterHarness h;
    ErrorCapture errors;
    FRule* query = h.rules.rule("?- X : c.");
    FRule* fact = h.rules.rule("a : c.");
    EXPECT_EQ(placeholder->eval(), nullptr);
    EXPECT_EQ(placeholder->tp(), nullptr);
    EXPECT_EQ(placeholder->forgetProgram(nullptr), nullptr);
    EXPECT_EQ(placeholder->showProgram(nullptr), nullptr);
    EXPECT_EQ(placeholder->query(query, h.rules.table()), nullptr);
    EXPECT_EQ(reportedNames(errors), std::vector<std::string>(5, "noFLogicInterpreter"));
    errors.clear();
    // Clauses, clear and the dialect behave as in a real interpreter.
    EXPECT_EQ(placeholder->addClause(fact, h.rules.table()), placeholder.get());
    placeholder->clear();
    placeholder->setDialect("Kavum");
    EXPECT_EQ(errors.text(), "");
    EXPECT_FALSE(placeholder->isOk());
}

TEST(FLogicInterpreterTest, ClassObjectChecksItsThreeArguments) {
    InterpreterHarness h;
    ErrorCapture errors;
    auto meta = Ref<FLogicInterpreterMeta>::make();
    {
        Args wrongOrder;
        wrongOrder.lend(h.printer);
        wrongOrder.lend(h.naive);
        wrongOrder.lend(h.analyser);
        EXPECT_EQ(meta->methodCall("new", wrongOrder.get()), nullptr);
        Args two;
        two.lend(h.naive);
        two.lend(h.printer);
        EXPECT_EQ(meta->methodCall("new", two.get()), nullptr);
        EXPECT_EQ(reportedNames(errors),
                  (std::vector<std::string>{"WrongArgument", "WrongNumberOfArguments"}));
    }
    Args args;
    args.lend(h.naive);
    args.lend(h.printer);
    args.lend(h.analyser);
    FLSysRef made = meta->methodCall("new", args.get());
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isA("FLogicInterpreter"));
    {
        ChannelCapture out(systemChannel());
        made->methodCall("display", nullptr);
        made->methodCall("print", nullptr);
        meta->methodCall("print", nullptr);
        EXPECT_EQ(out.text(), "a normal FLogicInterpreter \naFLogicInterpreterFLogicInterpreter");
    }
    made.reset();
}

// The analyser's holder (a shell variable) may let go of it while the interpreter still runs.
TEST(FLogicInterpreterTest, AnalyserOutlivesItsShellVariable) {
    InterpreterHarness h;
    auto analyser = Ref<SemanticAnalyser>::make();
    auto own = Ref<FLogicInterpreter>::make(h.naive, h.printer, analyser.get());
    analyser.reset();  // ?- sys.remove@("analyser")[].
    ErrorCapture errors;
    h.rules.facts("a : c.");
    ChannelCapture answers(answerChannel());
    EXPECT_EQ(own->query(h.rules.rule("?- X : c."), h.rules.table()), own);
    EXPECT_EQ(InterpreterHarness::countedRows(answers.text()), 1);
}

// Counts the clauses it is given and how many of its kind are alive.
class CountingRewriter : public ClauseRewriter {
  public:
    CountingRewriter() { ++alive; }
    void rewriteClause(FRule* /*clause*/, SymTab* /*names*/) override { ++rewritten; }
    static inline int alive = 0;
    static inline int rewritten = 0;

  protected:
    ~CountingRewriter() override { --alive; }
};

TEST(FLogicInterpreterTest, KavumDialectRewritesEveryClauseAndQuery) {
    InterpreterHarness h;
    ErrorCapture errors;
    h.interpreter->setDialect("Kavum");  // no rewriter yet: the slot stays empty
    h.add("a : c.");
    h.interpreter->useClauseRewriters([]() -> ClauseRewriter* { return new CountingRewriter; });
    CountingRewriter::rewritten = 0;
    h.interpreter->setDialect("Kavum");
    h.interpreter->setDialect("Kavum");
    EXPECT_EQ(CountingRewriter::alive, 1);
    h.add("b : c. X : d :- X : c. ?- X : c.");
    h.ask("?- X : c.");
    EXPECT_EQ(CountingRewriter::rewritten, 3);
    h.interpreter->setDialect("Pevo");  // another word changes nothing
    EXPECT_EQ(CountingRewriter::alive, 1);
    h.interpreter->setDialect("FLogic");
    EXPECT_EQ(CountingRewriter::alive, 0);
    h.add("e : c.");
    EXPECT_EQ(CountingRewriter::rewritten, 3);
    EXPECT_EQ(errors.text(), "");
}

}  // namespace
