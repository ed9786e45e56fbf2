// A farewell that arrives while one large join streams its rows into a rule head ends the
// evaluation there, not when the join is done.
#include <gtest/gtest.h>

#include <string>

#include "EvalHarness.h"
#include "platform/ControlEvents.h"
#include "support/ChannelCapture.h"

namespace {

// An access layer that counts the head's questions whether a row's value is stored (one per row
// the join gives the head) and records a farewell at the given one, as the signal handler would.
class FarewellAt : public OMAccess {
  public:
    FarewellAt(OM* om, long at) : OMAccess(om), at(at) {}
    bool holdsValueKeepingSets(const InternalName& host, const InternalName& method,
                               MethodType type, const InternalName& value,
                               HostSetCache& sets) override {
        if (++asked == at) controlEvents::record(controlEvents::Shutdown);
        return OMAccess::holdsValueKeepingSets(host, method, type, value, sets);
    }
    long asked = 0;

  private:
    long at;
};

class FarewellInJoin : public ::testing::Test {
  protected:
    void SetUp() override { forget(); }
    void TearDown() override { forget(); }
    static void forget() {
        controlEvents::takeFarewell();
        controlEvents::clearInterrupt();
        controlEvents::takeCutShort();
        interruptFlag.store(0);
    }
};

TEST_F(FarewellInJoin, EndsTheEvaluationWithinAPollIntervalOfRows) {
    FarewellAt* counting = nullptr;
    eval_test::EvalHarness h(
        [&counting](OM* base) { return counting = new FarewellAt(base, 1000); });
    for (int from = 0; from < 200; from += 50) {
        std::string facts;
        for (int i = from; i < from + 50; ++i) facts += "n(" + std::to_string(i) + ").\n";
        h.rules.facts(facts);
    }
    // Round 0 makes the 40,000 edges of a complete graph; in round 1 the join of two edges
    // streams its eight million rows into the head, which asks for each whether its value is
    // stored.
    FProgram* program = h.rules.program("e(X,Y) :- n(X), n(Y).\nX[reach->>{Z}] :- e(X,Y), e(Y,Z).");
    ChannelCapture debug(debugChannel());
    EXPECT_EQ(h.naive->evaluate(program), 0);
    EXPECT_NE(debug.text().find("evaluation cancelled at round"), std::string::npos)
        << debug.text();
    // The join stops once a poll has seen the farewell: a few thousand rows later at most.
    EXPECT_GE(counting->asked, 1000);
    EXPECT_LT(counting->asked, 1000 + 2 * 4096);
}

}  // namespace
