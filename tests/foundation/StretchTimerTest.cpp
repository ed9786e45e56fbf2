// Tests of StretchTimer: real time summed stretch by stretch, processor time read once a window
// and shared out to the stretches by their real time.
#include <gtest/gtest.h>

#include "foundation/StretchTimer.h"

namespace {

// Both clocks set by the test; counts the processor readings.
class SetClockTimer : public StretchTimer {
  public:
    std::int64_t now = 0;
    std::int64_t processor = 0;
    int processorReadings = 0;

    // Time passes busy: both clocks advance.
    void busy(std::int64_t microseconds) {
        now += microseconds;
        processor += microseconds;
    }

  protected:
    std::int64_t realMicroseconds() override { return now; }
    std::int64_t processorMicroseconds() override {
        ++processorReadings;
        return processor;
    }
};

}  // namespace

TEST(StretchTimerTest, LongStretchesGetTheirProcessorTimeExactly) {
    SetClockTimer timer;
    EXPECT_EQ(timer.diffUser(), "no stop done");
    timer.start();
    timer.busy(250000);
    EXPECT_EQ(timer.diffUser(), "no stop done");
    timer.stop();
    timer.busy(1000000);  // outside any stretch
    timer.cont();
    timer.busy(120000);
    timer.stop();
    EXPECT_EQ(timer.diffReal(), "0.37sec");
    EXPECT_EQ(timer.diffUser(), "0.37sec");
}

TEST(StretchTimerTest, ManyShortStretchesReadTheProcessorClockOnceAWindow) {
    SetClockTimer timer;
    timer.start();
    timer.stop();
    // 2,000 stretches of 30 microseconds, each followed by 70 busy ones outside: 60 ms of
    // 200 ms inside.
    for (int i = 0; i < 2000; ++i) {
        timer.cont();
        timer.busy(30);
        timer.stop();
        timer.busy(70);
    }
    EXPECT_EQ(timer.diffReal(), "0.06sec");
    EXPECT_EQ(timer.diffUser(), "0.06sec");
    EXPECT_LE(timer.processorReadings, 2 + 200000 / StretchTimer::WindowMicroseconds);
}

TEST(StretchTimerTest, ProcessorTimeOutsideTheStretchesIsNotCounted) {
    SetClockTimer timer;
    timer.start();
    timer.stop();
    // Idle inside (waiting), busy outside.
    timer.cont();
    timer.now += 40000;
    timer.stop();
    timer.busy(60000);
    EXPECT_EQ(timer.diffReal(), "0.04sec");
    EXPECT_EQ(timer.diffUser(), "0.00sec");
    // start zeroes both sums.
    timer.start();
    timer.busy(20000);
    timer.stop();
    EXPECT_EQ(timer.diffReal(), "0.02sec");
    EXPECT_EQ(timer.diffUser(), "0.02sec");
}
