// The control events made from signals: what each signal records, and that only the first
// farewell counts.
#include <gtest/gtest.h>

#include <csignal>

#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"

namespace {

class ControlEventsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        controlEvents::takeFarewell();
        interruptFlag.store(0);
    }
    void TearDown() override {
        controlEvents::takeFarewell();
        interruptFlag.store(0);
    }
};

TEST_F(ControlEventsTest, EachSignalRecordsItsEventAndRaisesTheInterruptFlag) {
    ASSERT_TRUE(controlEvents::install());
    struct Case {
        int signal;
        int event;
    };
    const Case cases[] = {{SIGQUIT, controlEvents::Break},
                          {SIGHUP, controlEvents::Close},
                          {SIGTERM, controlEvents::Shutdown}};
    for (const Case& c : cases) {
        interruptFlag.store(0);
        ASSERT_EQ(std::raise(c.signal), 0);
        EXPECT_EQ(interruptFlag.load(), 1) << c.signal;
        EXPECT_TRUE(controlEvents::farewellPending()) << c.signal;
        EXPECT_EQ(controlEvents::takeFarewell(), c.event) << c.signal;
        EXPECT_FALSE(controlEvents::farewellPending()) << c.signal;
    }
}

TEST_F(ControlEventsTest, CtrlCOnlyRaisesTheInterruptFlag) {
    ASSERT_TRUE(controlEvents::install());
    ASSERT_EQ(std::raise(SIGINT), 0);
    EXPECT_EQ(interruptFlag.load(), 1);
    EXPECT_FALSE(controlEvents::farewellPending());
    EXPECT_EQ(controlEvents::takeFarewell(), controlEvents::None);
}

TEST_F(ControlEventsTest, TheFirstFarewellWins) {
    controlEvents::record(controlEvents::Close);
    controlEvents::record(controlEvents::Shutdown);
    controlEvents::record(controlEvents::CtrlC);
    EXPECT_EQ(controlEvents::takeFarewell(), controlEvents::Close);
}

}  // namespace
