// The object manager's shell commands, reached through methodCall as the shell reaches them.
#include <gtest/gtest.h>

#include <vector>

#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "shell/DumpTestSupport.h"

namespace {

using dump_test::DumpTest;
using dump_test::reportedNames;

// One argument of a call: a string, or an integer when `integer` is set.
struct Arg {
    std::string text;
    bool integer = false;
};

class OMShellCommandsTest : public DumpTest {
  protected:
    void SetUp() override {
        DumpTest::SetUp();
        value(obj("john"), obj("age"), 0, obj("30"));
        InternalName row[] = {obj("a")};
        om->addPredicate(pred("p", 1), row, 1);
    }
    // Calls the command with a fresh argument list (none at all when `noList`).
    FLSysRef call(const std::string& command, const std::vector<Arg>& args, bool noList = false) {
        // The list borrows the arguments; `held` owns them.
        std::vector<Ref<FLSysObject>> held;
        clib_list<FLSysObject*> list;
        for (const Arg& arg : args) {
            if (arg.integer)
                held.emplace_back(Ref<FLSysInteger>::make(std::stoi(arg.text)));
            else
                held.emplace_back(Ref<FLSysString>::make(arg.text));
            list.append(held.back().get());
        }
        return om->methodCall(command, noList ? nullptr : &list);
    }
};

TEST_F(OMShellCommandsTest, AcceptedFormsAndRefusals) {
    const std::string flogic = "john [age -> 30].\n\np(a).\n\n";
    const std::string refused = "Undefined MethodArg";
    struct Case {
        std::string command;
        std::vector<Arg> args;
        bool noList;
        bool answersOM;  // else null
        std::vector<std::string> errors;
        std::string debug;
    };
    const Case cases[] = {
        {"dump", {}, false, true, {}, flogic},
        {"dump", {}, true, true, {}, flogic},
        {"dump", {{"flogic"}}, false, true, {}, flogic},
        {"dump", {{"debug"}}, false, true, {}, ""},  // its text is checked below
        {"dump", {{"bogus"}}, false, false, {refused}, ""},
        {"dump", {{"flogic"}, {"x"}, {"y"}}, false, false, {refused}, ""},
        {"dump", {{"xml"}, {"x"}}, false, false, {refused}, ""},
        {"dump", {{"1", true}}, false, false, {"WrongArgument", refused}, ""},
        {"dump", {{"a"}, {"b"}, {"c"}, {"d"}}, false, false, {refused}, ""},
        {"showFrame", {{"john"}}, false, true, {}, "john [age -> 30].\n\n"},
        {"showFrame", {{"p"}, {"1", true}}, false, true, {}, "p(a).\n\n"},
        {"showFrame",
         {{"p"}, {"2", true}},
         false,
         true,
         {},
         "There is no predicate frame corresponding to predicate symbol p and arity 2\n"},
        {"showFrame", {}, false, false, {refused}, ""},
        {"showFrame", {}, true, false, {}, ""},
        {"showFrame", {{"a"}, {"b"}, {"c"}}, false, false, {}, ""},
        {"showFrame", {{"p"}, {"q"}}, false, false, {"WrongArgument", refused}, ""},
        {"saveAs", {}, false, false, {refused}, ""},
        {"saveAs", {{"1", true}}, false, false, {"WrongArgument", refused}, ""},
        {"typeCheck", {{"x"}}, false, false, {refused}, ""},
        {"eqTraceOn", {{"x"}}, false, false, {refused}, ""},
        {"eqTraceOff", {}, false, true, {}, ""},
        {"help", {{"x"}}, false, false, {refused}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command + " with " + std::to_string(c.args.size()) + " argument(s)");
        ErrorCapture errors;
        ChannelCapture debug(debugChannel());
        FLSysRef result = call(c.command, c.args, c.noList);
        EXPECT_EQ(result, c.answersOM ? static_cast<FLSysObject*>(om) : nullptr);
        EXPECT_EQ(reportedNames(errors), c.errors);
        if (c.command != "dump" || c.args.size() != 1 || c.args[0].text != "debug") {
            EXPECT_EQ(debug.text(), c.debug);
        }
    }
}

TEST_F(OMShellCommandsTest, RefusalMessageNamesTheCommand) {
    ErrorCapture errors;
    Error::setOutputFilter(2);
    EXPECT_EQ(call("giveSymTab", {{"x"}}), nullptr);
    EXPECT_EQ(errors.text(),
              "\n*** ERROR : Invalid Method Argument(s) to method call giveSymTab to the OM\n\n");
    const Error kept = centralErrorHandler().getError();
    EXPECT_EQ(kept.getOrigin(), 5);
    EXPECT_EQ(kept.getNumber(), 19);
    EXPECT_EQ(kept.getWhere(), "MainMemOM");
}

TEST_F(OMShellCommandsTest, CommandsReachTheObjectManager) {
    EXPECT_EQ(call("giveSymTab", {}), om->giveSymTab());
    {
        ErrorCapture errors;  // age has no signature
        EXPECT_EQ(call("typeCheck", {}), om);
        EXPECT_EQ(reportedNames(errors), std::vector<std::string>{"Type Violation"});
    }
    EXPECT_EQ(call("eqTraceOn", {}), om);
    // The debug listing names every frame before printing it.
    const std::string listing = debugOf([&] { call("dump", {{"debug"}}); });
    EXPECT_EQ(listing.rfind(obj("john").ToString() + "\n", 0), 0u) << listing;
    const std::string predicateLine = std::string(1, '\n').append(pred("p", 1).ToString());
    EXPECT_NE(listing.find(predicateLine + "\n"), std::string::npos) << listing;
    // With one argument "xml" the whole base goes out as XML with no root element.
    EXPECT_EQ(debugOf([&] { call("dump", {{"xml"}}); }),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<object id='john'>\n<age>30</age>\n"
              "</object>\n\n<p attr1='a'/>\n\n");
    // A name that is no command goes to the base protocol.
    OutputChannel channel;
    ChannelCapture shown(channel);
    clib_list<FLSysObject*> args;
    args.append(&channel);
    EXPECT_EQ(om->methodCall("display", &args), om);
    EXPECT_EQ(shown.text(),
              "This is an ObjectManager. \nDisplay the contents with the dump command.\n");
    ChannelCapture system(systemChannel());
    EXPECT_EQ(om->methodCall("print", nullptr), om);
    EXPECT_NE(system.text(), "");
}

TEST_F(OMShellCommandsTest, MissingObjectFrame) {
    EXPECT_EQ(debugOf([&] { call("showFrame", {{"nobody"}}); }),
              "There is no object frame corresponding to nobody\n");
}

}  // namespace
