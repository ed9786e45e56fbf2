// Tests of the central error handler: filtering, keeping, output layout and its shell methods.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "foundation/ClibErrorHandler.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"

namespace {

class ErrorHandlerTest : public ShellStateTest {
  protected:
    ErrorHandler handler;  // a private handler, so the central one stays untouched

    const Error warning{3, 11, 1, "W", "a warning", "here", ""};
    const Error real{5, 11, 2, "E", "an error", "there", ""};
    const Error note{1, 1, 0, "N", "a note", "", ""};
    const Error fatal{6, 1, 3, "F", "very bad", "", ""};

    FLSysRef call(const std::string& name, int argument) {
        auto value = Ref<FLSysInteger>::make(argument);
        clib_list<FLSysObject*> args;
        args.append(value.get());
        FLSysRef result = handler.methodCall(name, &args);
        value.reset();
        return result;
    }
};

TEST_F(ErrorHandlerTest, FilterSelectsWhatIsPrintedWithItsPrefix) {
    handler.setOutputSeriousness(4);
    handler.report(warning);
    handler.report(note);
    EXPECT_EQ(errors.text(), "");
    handler.report(real);
    EXPECT_EQ(errors.text(), "\n*** ERROR : an error\n\n");

    errors.clear();
    handler.setOutputSeriousness(127);
    handler.report(warning);
    handler.report(note);
    handler.report(fatal);  // seriousness 3 is admitted with the errors but has no prefix
    EXPECT_EQ(errors.text(),
              "\n*** WARNING : a warning\n\n"
              "a note\n\n"
              "very bad\n\n");

    errors.clear();
    handler.setOutputSeriousness(1);
    handler.report(real);
    handler.report(note);
    EXPECT_EQ(errors.text(), "a note\n\n");
}

TEST_F(ErrorHandlerTest, KeepsTheMostSeriousOrTheLastError) {
    EXPECT_FALSE(handler.isError());
    EXPECT_EQ(handler.getError(), Error::ok());

    handler.report(warning);  // not printed, still kept
    EXPECT_EQ(handler.getError(), warning);
    EXPECT_FALSE(handler.isError());
    handler.report(real);
    EXPECT_EQ(handler.getError(), real);
    EXPECT_TRUE(handler.isError());
    handler.report(warning);
    EXPECT_EQ(handler.getError(), real);
    const Error later{7, 2, 2, "WrongNode", "later", "", ""};
    handler.report(later);  // as serious: replaces
    EXPECT_EQ(handler.getError(), later);

    handler.setKeepMostSerious(0);
    handler.report(note);
    EXPECT_EQ(handler.getError(), note);

    handler.reset();
    EXPECT_FALSE(handler.isError());
    EXPECT_EQ(handler.getError().getName(), "OK");
}

TEST_F(ErrorHandlerTest, DisplayDescribesEverythingAndRestoresTheMask) {
    handler.report(real);
    OutputChannel channel;
    ChannelCapture captured(channel);
    handler.display(channel);
    EXPECT_EQ(captured.text(),
              "An ErrorHandler containing \n-------------------------- \n"
              "E\nan error\nthere\n\nSeriousness: RealError\nError Number: 11\n"
              "Origin Number: 5\n--------------------------\n");
    EXPECT_EQ(Error::getOutputFilter(), 2);
    captured.clear();
    handler.print(channel);
    EXPECT_EQ(captured.text(), "anErrorHandler");
}

TEST_F(ErrorHandlerTest, ShellMethodsSetFilterAndMask) {
    EXPECT_EQ(call("setOutputSeriousness", -1), &handler);
    EXPECT_EQ(handler.outputSeriousness(), 4);
    EXPECT_EQ(call("setOutputFilter", -1), &handler);
    EXPECT_EQ(Error::getOutputFilter(), 11);
    Error::setOutputFilter(2);

    // A wrong argument is reported (on the central handler) and gives null.
    auto text = Ref<FLSysString>::make("4");
    clib_list<FLSysObject*> args;
    args.append(text.get());
    EXPECT_EQ(handler.methodCall("setOutputFilter", &args), nullptr);
    EXPECT_EQ(handler.methodCall("reset", &args), nullptr);
    EXPECT_EQ(centralErrorHandler().getError(), err11::WrongNumberOfArguments);
    EXPECT_EQ(handler.methodCall("help", &args), nullptr);
    EXPECT_EQ(help.text(), "");
    text.reset();

    handler.report(real);
    EXPECT_EQ(handler.methodCall("reset", nullptr), &handler);
    EXPECT_FALSE(handler.isError());

    const std::pair<const char*, int> named[] = {{"nothing", 0},  {"all", 127},    {"default", -1},
                                                 {"messages", 7}, {"warnings", 6}, {"errors", 4}};
    for (const auto& [name, value] : named) {
        FLSysRef result = handler.methodCall(name, nullptr);
        ASSERT_NE(result, nullptr) << name;
        ASSERT_TRUE(result->isA("FLSysInteger")) << name;
        EXPECT_EQ(static_cast<FLSysInteger*>(result.get())->value(), value) << name;
        result.reset();
    }
}

TEST_F(ErrorHandlerTest, Messages) {
    handler.setOutputSeriousness(4);
    EXPECT_EQ(handler.message("quiet"), &handler);
    handler.setOutputSeriousness(1);
    handler.message("loud");
    EXPECT_EQ(errors.text(), "loud");
}

TEST(ErrorHandlerDeathTest, ContainerHookReportsAndEndsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            auto* stream = new FLSysOStreamImpl<>(&std::cerr);
            errorChannel().setStream(stream);
            Error::setOutputFilter(3);
            centralErrorHandler().setOutputSeriousness(4);
            centralErrorHandler().installContainerErrorHook();
            error_handler(5, "dlist: something broke");
        },
        "\\*\\*\\* ERROR : CLIB-Error 5\ndlist: something broke");
}

}  // namespace
