// Tests of Timer: the duration and date texts, the start/stop/cont arithmetic and the shell
// methods.
#include <gtest/gtest.h>

#include <vector>

#include "foundation/OutputChannel.h"
#include "foundation/ShellTestSupport.h"
#include "foundation/ShellValues.h"
#include "foundation/Timer.h"
#include "foundation/clib_list.h"

namespace {

// A timer whose clocks read from a script: each reading takes the next (real, cpu) pair.
class ScriptedTimer : public Timer {
  public:
    struct Reading {
        std::int32_t realSec, realUsec, cpuSec, cpuUsec;
    };
    std::vector<Reading> script;
    std::size_t readings = 0;

  protected:
    void readClocks() override {
        const Reading& r = script.at(readings++);
        now_real_sec = r.realSec;
        now_real_usec = r.realUsec;
        now_cpu_sec = r.cpuSec;
        now_cpu_usec = r.cpuUsec;
    }
};

std::string textOf(const FLSysRef& result) {
    EXPECT_NE(result, nullptr);
    if (result == nullptr || !result->isA("FLSysString")) return "<no string>";
    return static_cast<FLSysString*>(result.get())->value();
}

}  // namespace

TEST(TimerFormatTest, DurationsDatesAndTimesOfDay) {
    EXPECT_EQ(Timer::formatDuration(3725, 500000), "1h2min5.50sec");
    EXPECT_EQ(Timer::formatDuration(59, 999000), "59.99sec");
    EXPECT_EQ(Timer::formatDuration(60, 0), "1min0.00sec");
    EXPECT_EQ(Timer::formatDuration(86400 + 60, 0), "1d1min0.00sec");

    std::tm morning{};
    morning.tm_hour = 9;
    morning.tm_min = 5;
    morning.tm_mday = 5;
    morning.tm_mon = 11;
    morning.tm_year = 126;
    EXPECT_EQ(Timer::formatDayTime(morning), "09:05:00");
    EXPECT_EQ(Timer::formatDate(morning), "5 Dec 2026");
}

TEST(TimerStateTest, StopAddsTheStretchWithBorrowAndCont) {
    ScriptedTimer timer;
    timer.script = {{10, 900000, 1, 0}, {11, 100000, 1, 250000}, {20, 0, 2, 0}, {21, 0, 2, 0}};
    EXPECT_EQ(timer.diffReal(), "no stop done");
    timer.start();
    EXPECT_EQ(timer.diffReal(), "no stop done");
    timer.stop();
    EXPECT_TRUE(timer.isStopped());
    EXPECT_EQ(timer.diffReal(), "0.20sec");
    EXPECT_EQ(timer.diffReal(), "0.20sec");
    EXPECT_EQ(timer.diffUser(), "0.25sec");
    timer.cont();
    EXPECT_EQ(timer.diffReal(), "no stop done");
    EXPECT_EQ(timer.diffUser(), "no stop done");
    timer.stop();
    EXPECT_EQ(timer.diffReal(), "1.20sec");
    EXPECT_EQ(timer.diffUser(), "0.25sec");
}

TEST(TimerStateTest, MicrosecondsSummingToOneSecondCarry) {
    ScriptedTimer timer;
    timer.script = {{0, 0, 0, 0}, {0, 400000, 0, 0}, {5, 0, 0, 0}, {5, 600000, 0, 0}};
    timer.start();
    timer.stop();
    timer.cont();
    timer.stop();
    EXPECT_EQ(timer.diffReal(), "1.00sec");
}

TEST(TimerStateTest, SecondStopWithoutContAddsNothingAndStartResets) {
    ScriptedTimer timer;
    timer.script = {{100, 0, 0, 0}, {103, 0, 0, 0}, {200, 0, 0, 0}, {300, 0, 0, 0}};
    timer.start();
    timer.stop();
    timer.stop();
    EXPECT_EQ(timer.readings, 2u);
    EXPECT_EQ(timer.diffReal(), "3.00sec");
    timer.start();
    timer.stop();
    EXPECT_EQ(timer.diffReal(), "1min40.00sec");
}

TEST(TimerShellTest, MethodsWithoutArgumentsAndRefusals) {
    ScriptedTimer timer;
    timer.script = {{0, 0, 0, 0}, {0, 500000, 0, 10000}};
    EXPECT_EQ(timer.methodCall("start", nullptr), &timer);
    clib_list<FLSysObject*> empty;
    EXPECT_EQ(timer.methodCall("stop", &empty), &timer);
    EXPECT_EQ(textOf(timer.methodCall("diffReal", nullptr)), "0.50sec");
    EXPECT_EQ(textOf(timer.methodCall("diffUser", nullptr)), "0.01sec");

    FLSysInteger argument(1);
    clib_list<FLSysObject*> one;
    one.append(&argument);
    for (const char* name :
         {"date", "dayTime", "stop", "diffReal", "diffUser", "start", "cont", "help"}) {
        EXPECT_EQ(timer.methodCall(name, &one), nullptr) << name;
    }
    EXPECT_EQ(timer.readings, 2u);

    EXPECT_EQ(textOf(timer.methodCall("dayTime", nullptr)).size(), 8u);
}

TEST(TimerShellTest, PrintAndDisplay) {
    Timer timer;
    ChannelCapture system(systemChannel());
    timer.print(systemChannel());
    timer.display(systemChannel());
    EXPECT_EQ(system.text(),
              "aTimerThis is a normal Timer. \nThere are no further informations.\n");
}
