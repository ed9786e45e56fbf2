// The answer printer: answer blocks as the answer channel receives them, naming modes, its shell
// words and help, and the factory through which the evaluators get it.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "compile/Operand.h"
#include "eval/EvalHarness.h"
#include "eval/NaiveEvalWithInherit.h"
#include "eval/PPProtocol.h"
#include "eval/PrSemiNaive.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "platform/InterruptFlag.h"
#include "shell/DumpTestSupport.h"
#include "shell/PPVarSymTab.h"
#include "shell/PrettyPrinter.h"
#include "shell/PrettyPrinterTestSupport.h"
#include "support/ChannelCapture.h"

namespace {

using dump_test::reportedNames;
using printer_test::InterruptingOperand;
using printer_test::PrettyPrinterTest;
using Names = std::vector<std::string>;

// The forms the end-to-end cases do not reach: a query with variables and no answer, and exactly
// as many answers as the limit (nothing was left out, so no total line).
TEST_F(PrettyPrinterTest, EdgesOfTheAnswerBlock) {
    EXPECT_EQ(output("?- p(X).", {}), "% false\n");
    const InternalName a = object("a");
    const InternalName b = object("b");
    EXPECT_EQ(block("?- p(X).", {{a}, {b}}),
              "\n% Answer to query : ?- p(X).\nX/a   \nX/b   \n\n% 2 output(s) printed \n");
    ASSERT_EQ(call("limit", {"2"}, true), printer);
    EXPECT_EQ(output("?- p(X).", {{a}, {b}}), "X/a   \nX/b   \n\n% 2 output(s) printed \n");
    ASSERT_EQ(call("limit", {"0"}, true), printer);
    EXPECT_EQ(output("?- p(a).", {{}}), "% true\n");
}

TEST_F(PrettyPrinterTest, NamingModes) {
    const InternalName a = object("a");
    const InternalName symbolNumber(7, InternalName::Integer, -1);
    const std::string poorA = "o" + std::to_string(a.getValue());

    EXPECT_EQ(printer->mapToString(InternalName::UndefinedObject), "_");

    // The cache goes with the mode, so every name shows the new naming at once.
    printer->mode("poor");
    EXPECT_EQ(printer->mapToString(a), poorA);
    EXPECT_EQ(printer->mapToString(InternalName(7, InternalName::Integer, 0)), "i7");

    printer->mode("const");
    EXPECT_EQ(printer->mapToString(a), "a");
    EXPECT_EQ(printer->mapToString(symbolNumber), "i7");

    printer->mode("first");
    EXPECT_EQ(output("?- p(X).", {{a}}), "X/a   \n\n% 1 output(s) printed \n");
    EXPECT_EQ(errors.text(), "");
}

// Numbers are found by their value and other names by their hash: a number first printed while
// few were known, printed again once many are, a number with the symbol table's flag, negative
// numbers and objects keep their texts, and the texts of one row stay valid while its later
// cells add names.
TEST_F(PrettyPrinterTest, EveryNameKeepsItsTextHoweverManyArePrinted) {
    auto number = [](int value) { return InternalName(value, InternalName::Integer, 0); };
    const InternalName a = object("a");
    EXPECT_EQ(printer->mapToString(number(70000)), "70000");
    EXPECT_EQ(printer->mapToString(number(-5)), "-5");
    EXPECT_EQ(printer->mapToString(InternalName(7, InternalName::Integer, -1)), "7");
    std::vector<std::vector<InternalName>> rows;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        rows.push_back({number(3 * i), number(3 * i + 1), i % 2 == 0 ? a : number(3 * i + 2)});
        expected += "X/" + std::to_string(3 * i) + "   Y/" + std::to_string(3 * i + 1) + "   Z/" +
                    (i % 2 == 0 ? std::string("a") : std::to_string(3 * i + 2)) + "   \n";
    }
    expected += "\n% 3000 output(s) printed \n";
    EXPECT_EQ(output("?- p(X, Y, Z).", rows), expected);
    EXPECT_EQ(printer->mapToString(number(70000)), "70000");
    EXPECT_EQ(printer->mapToString(number(7)), "7");
    EXPECT_EQ(printer->mapToString(number(-5)), "-5");
    EXPECT_EQ(printer->mapToString(number(8999)), "8999");
    printer->mode("poor");
    EXPECT_EQ(printer->mapToString(number(70000)), "i70000");
    EXPECT_EQ(printer->mapToString(number(8999)), "i8999");
    EXPECT_EQ(errors.text(), "");
}

// A bound row's numbers read as the naming mode names them, written into the row or looked up:
// their digits, also at the ends of 32 bits, and a number mapped to a literal shows the literal
// once annotated literals are resolved.
TEST_F(PrettyPrinterTest, ARowsNumbersReadAsTheModeNamesThem) {
    const InternalName low(std::numeric_limits<std::int32_t>::min(), InternalName::Integer, -1);
    const InternalName high(std::numeric_limits<std::int32_t>::max(), InternalName::Integer, -1);
    const InternalName zero(0, InternalName::Integer, 0);
    const InternalName seven(7, InternalName::Integer, -1);
    const std::vector<std::vector<InternalName>> rows = {{low, high}, {zero, seven}};
    auto printed = [&](const std::string& first, const std::string& second) {
        return "X/" + printer->mapToString(rows[0][0]) + "   Y/" +
               printer->mapToString(rows[0][1]) + "   \nX/" + first + "   Y/" + second +
               "   \n\n% 2 output(s) printed \n";
    };
    for (const char* mode : {"first", "best", "const", "poor"}) {
        printer->mode(mode);
        const std::string expected =
            printed(printer->mapToString(zero), printer->mapToString(seven));
        EXPECT_EQ(output("?- p(X, Y).", rows), expected) << mode;
    }
    printer->mode("first");
    EXPECT_EQ(output("?- p(X, Y).", rows),
              "X/-2147483648   Y/2147483647   \nX/0   Y/7   \n\n% 2 output(s) printed \n");
    access->mapName(seven, string("\"seven\""));
    printer->annotatedLiterals("on");
    EXPECT_EQ(output("?- p(X, Y).", rows), printed("0", "\"seven\""));
    EXPECT_EQ(errors.text(), "");
}

TEST_F(PrettyPrinterTest, AnnotatedLiteralsPrintTheirValue) {
    const InternalName element = object("e1");
    const InternalName text = string("\"hello\"");
    access->mapName(element, text);
    EXPECT_EQ(printer->mapToString(element), "e1");
    printer->annotatedLiterals("on");
    EXPECT_EQ(output("?- p(X).", {{element}}), "X/\"hello\"   \n\n% 1 output(s) printed \n");
    printer->annotatedLiterals("off");
    EXPECT_EQ(printer->mapToString(element), "e1");
}

TEST_F(PrettyPrinterTest, UnprintableNamesAreReportedAsCannotPrint) {
    Error::setOutputFilter(1 | 8 | 32 | 64);
    EXPECT_EQ(output("?- p(X).", {{InternalName(5, InternalName::SetName, 1)}}),
              "X/???   \n\n% 1 output(s) printed \n");
    EXPECT_EQ(errors.text(),
              "\n*** ERROR : CannotPrint\nThe only description of the InternalName is : s5\n"
              "Error Number: 3\nOrigin Number: 12\n\n");
    errors.clear();
    EXPECT_EQ(printer->mapToString(InternalName(9, InternalName::ParamFrame, 2)), "???");
    EXPECT_NE(errors.text().find("Error Number: 2\n"), std::string::npos);
    errors.clear();
    EXPECT_EQ(printer->mapToString(InternalName(4, InternalName::Variable, 0)), "???");
    EXPECT_NE(errors.text().find("Error Number: 4\n"), std::string::npos);
}

TEST_F(PrettyPrinterTest, InterruptStopsTheRowsButNotTheCount) {
    FRule* query = harness.rule("?- p(X).");
    const std::unique_ptr<VarList> vars = query->giveVars();
    std::vector<InternalName> values;
    for (const char* name : {"a", "b", "c", "d"}) values.push_back(object(name));
    auto rows = Ref<InterruptingOperand>::make(*vars, values, 3);
    interruptFlag.store(1);  // a stale interrupt does not stop the next answers
    {
        ChannelCapture out(answerChannel());
        printer->makeOutput(query, rows.get());
        EXPECT_EQ(out.text(), "X/a   \nX/b   \n\nPrinting aborted\n\n% 2 output(s) printed \n");
    }
    EXPECT_EQ(interruptFlag.load(), 0);
    ChannelCapture out(answerChannel());
    printer->makeOutput(query, answers(query, {{values[0]}}));
    EXPECT_EQ(out.text(), "X/a   \n\n% 1 output(s) printed \n");
}

TEST_F(PrettyPrinterTest, NullQuery) {
    ChannelCapture out(answerChannel());
    FRule* query = harness.rule("?- p(X).");
    printer->makeOutput(nullptr, answers(query, {{object("a")}}));
    printer->makeOutput(nullptr, answers(query, {}));
    EXPECT_EQ(out.text(), "(NULL ParseTreeNode)\n(NULL ParseTreeNode)\n% false\n");
}

TEST_F(PrettyPrinterTest, RefusedWordsKeepTheSetting) {
    printer->style("instance");
    printer->mode("poor");
    printer->annotatedLiterals("on");
    struct Case {
        const char* word;
        const char* arg;
    };
    for (const Case& refused :
         {Case{"style", "xml"}, Case{"mode", "rich"}, Case{"annotatedLiterals", "yes"}}) {
        errors.clear();
        EXPECT_EQ(call(refused.word, {refused.arg}), printer) << refused.arg;
        EXPECT_EQ(reportedNames(errors), Names{"WrongArgument"}) << refused.arg;
    }
    EXPECT_EQ(printer->getStyle(), PrettyPrinter::Instance);
    EXPECT_EQ(printer->getMode(), PrettyPrinter::Poor);
    EXPECT_TRUE(printer->resolvesAnnotated());

    // A failed argument check answers null and changes nothing.
    errors.clear();
    EXPECT_EQ(call("limit", {"5"}), nullptr);
    EXPECT_EQ(call("style", {}), nullptr);
    EXPECT_EQ(call("nolimit", {"x"}), nullptr);
    EXPECT_EQ(reportedNames(errors),
              (Names{"WrongArgument", "WrongNumberOfArguments", "WrongNumberOfArguments"}));
    EXPECT_EQ(printer->getLimit(), -1);
}

TEST_F(PrettyPrinterTest, StyleLeavesAStreamTheUserSetOnTheAnswerChannel) {
    ChannelCapture out(answerChannel());
    std::ostringstream devnul;
    auto own = Ref<FLSysOStreamImpl<std::ostringstream>>::make(&devnul);
    answerChannel().setStream(own.get());
    for (const char* word : {"bound", "instance", "resultSet", "bound"}) {
        call("style", {word});
        EXPECT_EQ(answerChannel().currentStream(), own.get()) << word;
    }
    answerChannel().resetStream();
}

TEST_F(PrettyPrinterTest, ClassObjectAndEvaluatorFactory) {
    auto meta = Ref<PrettyPrinterMeta>::make();
    clib_list<FLSysObject*> args;
    args.append(access);
    FLSysRef made = meta->methodCall("new", &args);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isA("PrettyPrinter"));
    made.reset();
    EXPECT_EQ(meta->methodCall("new", nullptr), nullptr);
    EXPECT_EQ(reportedNames(errors), Names{"WrongNumberOfArguments"});
    meta.reset();

    auto embedded = Ref<PPProtocol>::adopt(makePrinter(&makePrettyPrinter, access));
    ASSERT_NE(embedded, nullptr);
    EXPECT_TRUE(embedded->isA("PrettyPrinter"));
}

TEST(EmbeddedPrinterTest, TheInsertTraceWritesTheBindingsAsAnswers) {
    {
        eval_test::EvalHarness h;
        h.usePrinters(&makePrettyPrinter);
        clib_list<FLSysObject*> words;
        auto insert = Ref<FLSysString>::make("insert");
        words.append(insert.get());
        h.naive->methodCall("debugOn", &words);
        insert.reset();
        ChannelCapture debug(debugChannel());
        ChannelCapture answers(answerChannel());
        EXPECT_EQ(h.run("p(a). q(X) :- p(X)."), 1);
        // The rule's row comes again in the second round, where it changes nothing.
        const std::string row = "X/a   \n\n% 1 output(s) printed \n";
        EXPECT_EQ(answers.text(), row + row);
    }
}

// The session hands its printer maker to the evaluators' class objects; an evaluator one of them
// makes traces its inserts through that printer, and one made without a maker writes no answers.
TEST(EmbeddedPrinterTest, EvaluatorsMadeByClassObjectsEmbedTheirMakersPrinters) {
    eval_test::EvalHarness h;
    int round = 0;
    const auto insertTrace = [&](Ref<XMeta> meta) {
        clib_list<FLSysObject*> args;
        args.append(h.matcher);
        args.append(h.access);
        FLSysRef made = meta->methodCall("new", &args);
        meta.reset();
        EXPECT_NE(made, nullptr);
        if (made == nullptr) return std::string("no evaluator");
        clib_list<FLSysObject*> words;
        auto insert = Ref<FLSysString>::make("insert");
        words.append(insert.get());
        made->methodCall("debugOn", &words);
        insert.reset();
        ChannelCapture debug(debugChannel());
        ChannelCapture answers(answerChannel());
        // Each round derives facts of its own, so that every insert trace has something to show.
        const std::string n = std::to_string(++round);
        static_cast<Evaluation*>(made.get())
            ->evaluate(h.rules.program("p" + n + "(a). q" + n + "(X) :- p" + n + "(X)."));
        return answers.text();
    };
    std::vector<Ref<XMeta>> metas;
    metas.emplace_back(Ref<NaiveEvalMeta>::make(&makePrettyPrinter));
    metas.emplace_back(Ref<NaiveEvalWithInheritMeta>::make(&makePrettyPrinter));
    metas.emplace_back(Ref<PrSemiNaiveMeta>::make(&makePrettyPrinter));
    for (Ref<XMeta>& meta : metas) {
        const std::string name = meta->name();
        EXPECT_NE(insertTrace(std::move(meta)).find("X/a"), std::string::npos) << name;
    }
    EXPECT_EQ(insertTrace(Ref<NaiveEvalMeta>::make()), "");
    EXPECT_EQ(insertTrace(Ref<PrSemiNaiveMeta>::make()), "");
}

TEST(PPVarSymTabTest, BoundTextsReplaceNamesAndTheRestIsAnonymous) {
    auto names = Ref<SymTab>::make();
    names->initBuiltinSymbols();
    const FSymbol x = names->GetFSymbol("X", 5, 0);
    const FSymbol y = names->GetFSymbol("Y", 5, 0);
    auto vars = Ref<PPVarSymTab>::make();
    vars->load(names.get());
    EXPECT_EQ(vars->giveName(x), "X");
    vars->bind(x, "a");
    vars->bind(x, "b");
    EXPECT_EQ(vars->giveName(x), "b");
    EXPECT_EQ(vars->giveName(y), "Y");
    vars->load(nullptr);
    EXPECT_EQ(vars->giveName(x), "_");
}

}  // namespace
