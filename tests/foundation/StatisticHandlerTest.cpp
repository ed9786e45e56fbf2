// Tests of StatisticHandler: the order of shown lines, the memory report and the shell methods.
#include <gtest/gtest.h>

#include <regex>

#include "foundation/OutputChannel.h"
#include "foundation/ShellTestSupport.h"
#include "foundation/ShellValues.h"
#include "foundation/StatisticHandler.h"
#include "foundation/clib_list.h"

TEST(StatisticHandlerTest, ShowsCategoriesAscendingAndLinesInInsertionOrder) {
    StatisticHandler handler;
    ChannelCapture out(statisticChannel());
    handler.show();
    EXPECT_EQ(out.text(), "");

    handler.insert(std::string("five a"), 5);
    handler.insert("one", 1);
    handler.insert(std::string("five b"), 5);
    // A null line neither makes a category nor breaks the listing.
    handler.insert(static_cast<const char*>(nullptr), 5);
    handler.show();
    EXPECT_EQ(out.text(), "one\n\nfive a\nfive b\n\n");
    // Showing keeps the lines.
    handler.show();
    EXPECT_EQ(out.text(), "one\n\nfive a\nfive b\n\none\n\nfive a\nfive b\n\n");

    handler.clear();
    handler.insert("after clear", 0);
    ChannelCapture again(statisticChannel());
    handler.show();
    EXPECT_EQ(again.text(), "after clear\n\n");
}

TEST(StatisticHandlerTest, MemoryReportHasTheTwoTables) {
    StatisticHandler handler;
    ChannelCapture out(statisticChannel());
    EXPECT_EQ(handler.methodCall("memory", nullptr), &handler);
    const std::regex report(
        "Working set \\(KB\\)\nactual : [0-9]+\npeak   : [0-9]+\n\n"
        "Pagefile \\(KB\\)\nactual : [0-9]+\npeak   : [0-9]+\n\n");
    EXPECT_TRUE(std::regex_match(out.text(), report)) << out.text();

    ChannelCapture other(answerChannel());
    clib_list<FLSysObject*> args;
    args.append(&answerChannel());
    EXPECT_EQ(handler.methodCall("memory", &args), &handler);
    EXPECT_TRUE(std::regex_match(other.text(), report)) << other.text();
}

TEST(StatisticHandlerTest, ShellMethodsRefuseWrongArguments) {
    StatisticHandler handler;
    handler.insert("kept", 2);
    FLSysString notAChannel("statisticChannel");
    clib_list<FLSysObject*> args;
    args.append(&notAChannel);
    EXPECT_EQ(handler.methodCall("memory", &args), nullptr);
    EXPECT_EQ(handler.methodCall("show", &args), nullptr);
    EXPECT_EQ(handler.methodCall("help", &args), nullptr);
    // The shell cannot add lines.
    EXPECT_EQ(handler.methodCall("insert", &args), &handler);

    ChannelCapture out(statisticChannel());
    EXPECT_EQ(handler.methodCall("show", nullptr), &handler);
    EXPECT_EQ(out.text(), "kept\n\n");
    EXPECT_EQ(handler.methodCall("clear", &args), &handler);
    handler.show();
    EXPECT_EQ(out.text(), "kept\n\n");
}

TEST(StatisticHandlerTest, Identity) {
    StatisticHandler handler;
    ChannelCapture system(systemChannel());
    handler.print(systemChannel());
    handler.display(systemChannel());
    EXPECT_EQ(system.text(),
              "aStatisticHandlerThis is a normal StatisticHandler. \n"
              "There are no further informations.\n");
}
