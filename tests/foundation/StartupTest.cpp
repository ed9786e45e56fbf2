// Tests of the state the program-wide globals are in once start-up has run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "foundation/Startup.h"
#include "foundation/StatisticHandler.h"
#include "foundation/Timer.h"

namespace {

int failures = 0;

void check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "start-up state wrong: %s\n", what);
    ++failures;
}

// Runs in a fresh process, so nothing has touched the globals before start-up.
void checkFreshStartup() {
    startupGlobals();
    startupGlobals();
    check(!centralErrorHandler().isError(), "an error is kept");
    check(centralErrorHandler().getError() == Error::ok(), "the kept error is not OK");
    check(centralErrorHandler().getError().getName() == "OK", "the kept error is not named OK");
    check(trueConstant().value() == 1 && falseConstant().value() == 0, "boolean constants");
    check(centralTimer().diffUser() == "no stop done", "the timer is not running");
    for (OutputChannel* channel : {&answerChannel(), &errorChannel(), &debugChannel(),
                                   &helpChannel(), &statisticChannel(), &systemChannel()}) {
        check(channel->currentStream() == nullptr, "a channel has a stream");
        check(channel->stackedStreams() == 0, "a channel has stacked streams");
        // Without a stream the text goes nowhere, and nothing fails.
        *channel << "dropped" << 42 << std::endl;
    }
    check(programDirectory().empty(), "the program directory is set");
    std::exit(failures == 0 ? 0 : 1);
}

}  // namespace

TEST(StartupDeathTest, GlobalsExistInTheirInitialState) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(checkFreshStartup(), ::testing::ExitedWithCode(0), "");
}
