// sys through methodCall, as the shell reaches it: the command table, variables, load, open,
// switch, the nested shell loop and display.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "shell/DumpTestSupport.h"
#include "shell/InterpreterTestSupport.h"

namespace {

using dump_test::reportedNames;
using interp_test::Args;
using interp_test::InterpreterHarness;
using interp_test::num;
using interp_test::str;
using Names = std::vector<std::string>;

// What a command answers: sys itself, null, or a new value shown by its print form.
struct Expected {
    enum Kind { Sys, Null, Value } kind;
    std::string printed;
};
const Expected isSys{Expected::Sys, ""};
const Expected isNull{Expected::Null, ""};
Expected value(const std::string& printed) {
    return {Expected::Value, printed};
}

std::string printed(FLSysObject* object) {
    OutputChannel channel;
    ChannelCapture text(channel);
    object->print(channel);
    return text.text();
}

// One argument of a call: a string or an integer.
struct Arg {
    std::string text;
    bool integer = false;
};
Arg integer(int number) {
    return {std::to_string(number), true};
}

TEST(FLSysInterpreterTest, CommandTable) {
    struct Case {
        std::string name;
        std::vector<Arg> args;
        Expected result;
        Names errors;
    };
    const Names none;
    const Names noInterpreter{"noFLogicInterpreter"};
    const Names count{"WrongNumberOfArguments"};
    const Names wrongClass{"WrongArgument"};
    const Case cases[] = {
        {"\"abc\"", {}, value("\"abc\""), none},
        {"-42", {}, value("-42"), none},
        {"\"abc\"", {{"x"}}, isNull, count},
        {"end", {}, value("FLSysEsc(end)"), none},
        {"return", {integer(1)}, value("FLSysEsc(return)"), none},
        {"eval", {}, isSys, noInterpreter},
        {"tp", {}, isNull, noInterpreter},
        {"load", {}, isNull, count},
        {"load", {{"a"}, {"b"}}, isNull, count},
        {"load", {integer(5)}, isNull, {"WrongArgument", "UnknownMethod"}},
        {"showProgram", {}, isSys, noInterpreter},
        {"forgetProgram", {}, isNull, noInterpreter},
        {"garbageCollection", {integer(1)}, isSys, none},
        {"forgetIDB", {integer(1)}, isNull, none},
        {"switch", {}, isNull, count},
        {"switch", {{"x"}, {"y"}}, isNull, wrongClass},
        {"debugOn", {}, isSys, none},
        {"debugOff", {}, isSys, none},
        {"interpreteLine", {integer(5)}, isNull, wrongClass},
        {"interpreteFile", {}, isNull, count},
        {"consult", {integer(1)}, isNull, wrongClass},
        {"open", {integer(5)}, isNull, wrongClass},
        {"remove", {{"1"}}, isSys, {"AssignmentToConstants"}},
        {"remove", {{"\"s\""}}, isSys, {"AssignmentToConstants"}},
        {"remove", {{"nosuch"}}, isSys, none},
        {"remove", {}, isNull, count},
        {"help", {integer(1)}, isNull, count},
        {"display", {integer(1)}, isNull, count},
        {"print", {}, isSys, none},
        {"print", {integer(1)}, isNull, count},
        {"echo", {integer(5)}, isNull, {"WrongArgument", "UnknownMethod"}},
        {"echo", {}, isNull, {"WrongNumberOfArguments", "UnknownMethod"}},
        {"echo", {{"hi"}}, isSys, none},
        {"isOk", {}, value("true"), none},
        {"isA", {{"FLSysInterpreter"}}, value("true"), none},
        {"nosuch", {}, isNull, {"UnknownMethod"}},
    };
    auto sys = Ref<FLSysInterpreter>::make();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " with " + std::to_string(c.args.size()) + " argument(s)");
        Args args;
        for (const Arg& arg : c.args)
            args.take(arg.integer ? num(std::stoi(arg.text)) : str(arg.text));
        ErrorCapture errors;
        ChannelCapture help(helpChannel());
        FLSysRef result = sys->methodCall(c.name, args.get());
        EXPECT_EQ(reportedNames(errors), c.errors);
        switch (c.result.kind) {
            case Expected::Sys:
                EXPECT_EQ(result, sys.get());
                break;
            case Expected::Null:
                EXPECT_EQ(result, nullptr);
                break;
            case Expected::Value:
                ASSERT_NE(result, nullptr);
                EXPECT_NE(result, sys.get());
                EXPECT_EQ(printed(result.get()), c.result.printed);
                result.reset();
                break;
        }
        EXPECT_EQ(help.text(), "");
    }
    EXPECT_EQ(sys->refCount(), 1);
}

TEST(FLSysInterpreterTest, VariablesHoldReferencesAndDisplayInByteOrder) {
    const auto sysOwner = Ref<FLSysInterpreter>::make();
    FLSysInterpreter* const sys = sysOwner.get();
    ErrorCapture errors;
    auto text = Ref<FLSysObject>::adopt(str("abc"));
    sys->assign("x", text.get());
    sys->assign("n", nullptr);
    // The variable holds the only reference once the maker's handle goes.
    sys->assign("Zed", Ref<FLSysObject>::adopt(num(7)).get());
    sys->assign("1", text.get());
    EXPECT_EQ(reportedNames(errors), Names{"AssignmentToConstants"});
    EXPECT_EQ(text->refCount(), 2);

    // Naming a variable answers its value with one more reference; a null value is null.
    FLSysRef got = sys->methodCall("x", nullptr);
    EXPECT_EQ(got, text);
    EXPECT_EQ(text->refCount(), 3);
    got.reset();
    EXPECT_EQ(sys->methodCall("n", nullptr), nullptr);
    Args one{num(1)};
    errors.clear();
    EXPECT_EQ(sys->methodCall("x", one.get()), nullptr);
    EXPECT_EQ(reportedNames(errors), Names{"WrongNumberOfArguments"});
    // sys is held without a reference.
    EXPECT_EQ(sys->refCount(), 1);

    {
        ChannelCapture out(systemChannel());
        EXPECT_EQ(sys->methodCall("display", nullptr), sys);
        EXPECT_EQ(out.text(),
                  "FLSysInterpreter{\n"
                  "  Zed : 7\n"
                  "  n : NULL\n"
                  "  sys : aFLSysInterpreter\n"
                  "  x : \"abc\"\n"
                  "}\n");
    }
    // Replacing and removing release the old value.
    sys->assign("x", nullptr);
    EXPECT_EQ(text->refCount(), 1);
    sys->assign("x", text.get());
    Args name{str("x")};
    EXPECT_EQ(sys->methodCall("remove", name.get()), sys);
    EXPECT_EQ(text->refCount(), 1);
    EXPECT_FALSE(sys->lookupVariable("x").has_value());
    EXPECT_TRUE(sys->lookupVariable("n").has_value());
    text.reset();
}

// A variable naming sys holds it without a reference, however often it is replaced: one that
// counted would keep sys alive for good.
TEST(FLSysInterpreterTest, VariablesNamingSysDoNotKeepItAlive) {
    const auto sys = Ref<FLSysInterpreter>::make();
    const auto text = FLSysRef::adopt(str("abc"));
    sys->assign("me", sys.get());
    EXPECT_EQ(sys->lookupVariable("me").value_or(nullptr), sys.get());
    EXPECT_EQ(sys->refCount(), 1);
    sys->assign("me", text.get());
    EXPECT_EQ(text->refCount(), 2);
    sys->assign("me", sys.get());
    EXPECT_EQ(text->refCount(), 1);
    EXPECT_EQ(sys->lookupVariable("me").value_or(nullptr), sys.get());
    EXPECT_EQ(sys->refCount(), 1);
    sys->unsetVariable("me");
    EXPECT_FALSE(sys->lookupVariable("me").has_value());
    EXPECT_EQ(sys->refCount(), 1);

    // finish lets every value go, the name of sys itself too.
    sys->assign("x", text.get());
    EXPECT_EQ(text->refCount(), 2);
    sys->finish();
    EXPECT_EQ(text->refCount(), 1);
    EXPECT_FALSE(sys->lookupVariable("sys").has_value());
    EXPECT_EQ(sys->refCount(), 1);
}

TEST(FLSysInterpreterTest, SwitchLinksTheInterpreterAndSymbolTable) {
    InterpreterHarness h;
    ErrorCapture errors;
    EXPECT_EQ(h.sys->linkedInterpreter(), h.interpreter);
    EXPECT_EQ(h.sys->currentSymTab(), h.access->giveSymTab());
    EXPECT_EQ(h.sys->methodCall("eval", nullptr), h.sys);  // no program: no report, still sys
    EXPECT_EQ(errors.text(), "");
    Args swapped;
    swapped.lend(h.access->giveSymTab());
    swapped.lend(h.interpreter);
    EXPECT_EQ(h.sys->methodCall("switch", swapped.get()), nullptr);
    EXPECT_EQ(reportedNames(errors), Names{"WrongArgument"});
    EXPECT_EQ(h.sys->linkedInterpreter(), h.interpreter);

    // The interpreter's results carry a reference for the caller.
    h.interpreter->addClause(h.rules.rule("a : c."), h.rules.table());
    const int before = h.interpreter->refCount();
    FLSysRef result = h.sys->methodCall("tp", nullptr);
    EXPECT_EQ(result, h.interpreter);
    EXPECT_EQ(h.interpreter->refCount(), before + 1);
    result.reset();
    result = h.sys->methodCall("forgetProgram", nullptr);
    EXPECT_EQ(result, h.interpreter);
    result.reset();
}

TEST(FLSysInterpreterTest, ShowProgramDisplaysOnTheAnswerChannel) {
    InterpreterHarness h;
    h.add("a : c. X : d :- X : c.");
    ChannelCapture out(answerChannel());
    EXPECT_EQ(h.sys->methodCall("showProgram", nullptr), h.sys);
    EXPECT_NE(out.text().find("X:d :- X:c."), std::string::npos) << out.text();
}

// A file in the temporary folder, removed afterwards.
class TempFile {
  public:
    TempFile(const std::string& name, const std::string& text) : path(::testing::TempDir() + name) {
        std::ofstream(path) << text;
    }
    ~TempFile() { std::remove(path.c_str()); }
    std::string contents() const {
        std::ifstream in(path);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    std::string path;
};

TEST(FLSysInterpreterTest, LoadInsertsFactsAndKeepsTheProgramTypedBefore) {
    InterpreterHarness h;
    h.add("p(x). X : d :- X : c.");
    const std::string before = h.programText(h.interpreter->showProgram());
    TempFile file("quorin-load.flp", "a : c.\nb : c.\n?- X : c.\ne : c.\n");

    ErrorCapture errors;
    Error::setOutputFilter(2);
    Args args{str(file.path)};
    EXPECT_EQ(h.sys->methodCall("load", args.get()), h.sys);
    EXPECT_EQ(reportedNames(errors),
              Names{"file " + file.path + " contains rules or queries, no insert done. "});
    // The file's facts are in the object base; the program typed before is unchanged and has not
    // been evaluated.
    EXPECT_EQ(h.ask("?- X : c."), h.interpreter);
    EXPECT_EQ(h.rows, 3);
    h.ask("?- p(X).");
    EXPECT_TRUE(h.answers.ends_with("\n% false\n")) << h.answers;
    EXPECT_EQ(h.programText(h.interpreter->showProgram()), before);
    EXPECT_EQ(h.interpreter->eval(), h.interpreter);
    h.ask("?- X : d.");
    EXPECT_EQ(h.rows, 3);
}

TEST(FLSysInterpreterTest, LoadWithDebugEchoesEachClause) {
    InterpreterHarness h;
    TempFile file("quorin-echo.flp", "a : c.\n");
    h.sys->methodCall("debugOn", nullptr);
    ChannelCapture debug(debugChannel());
    Args args{str(file.path)};
    EXPECT_EQ(h.sys->methodCall("load", args.get()), h.sys);
    EXPECT_EQ(debug.text(), "a:c.\n\n");
}

TEST(FLSysInterpreterTest, OpenWritesToTheFileOrRefusesIt) {
    auto sys = Ref<FLSysInterpreter>::make();
    TempFile file("quorin-open.txt", "old text");
    {
        Args args{str(file.path)};
        FLSysRef stream = sys->methodCall("open", args.get());
        ASSERT_NE(stream, nullptr);
        EXPECT_TRUE(stream->isA("FLSysOStream"));
        EXPECT_EQ(file.contents(), "");
        *static_cast<FLSysOStream*>(stream.get()) << "logged" << std::endl;
        stream.reset();  // closes the file
        EXPECT_EQ(file.contents(), "logged\n");
    }
    ErrorCapture errors;
    Args args{str(::testing::TempDir() + "no-such-folder/x.txt")};
    EXPECT_EQ(sys->methodCall("open", args.get()), nullptr);
    EXPECT_EQ(reportedNames(errors), Names{"CannotOpenFile"});
}

// sys that records the shell text it is given instead of interpreting it.
class ScriptedSys : public FLSysInterpreter {
  public:
    FLSysRef interprete(const std::string& text, int) override {
        interpreted.push_back(text);
        return FLSysRef::share(this);
    }
    Names interpreted;
};

TEST(FLSysInterpreterTest, ForgetIDBClearsTheEvaluationThenTheBaseAndPrinter) {
    auto sys = Ref<ScriptedSys>::make();
    EXPECT_EQ(sys->methodCall("forgetIDB", nullptr), sys.get());
    EXPECT_EQ(sys->interpreted, Names{"?- sys.theOMAccess.clear[]. ?- sys.prn.clear[]."});
}

}  // namespace
