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
    bool holdsValueKeepingSets(const InternalName& host, const InternalName& method, int type,
                               const InternalName& value, HostSetCache& sets) override {
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
    auto* om = new MainMemOM();
    auto* access = new FarewellAt(om, 1000);
    {
        rule_test::RuleHarness rules(access);
        auto* translator = new Translator(1);
        auto* creator = new Creator1(access);
        auto* algebra = new AlgebraicEval(access);
        auto* matcher = new Matcher(translator, creator, algebra, nullptr);
        auto* naive = new NaiveEval(matcher, access);
        for (int from = 0; from < 200; from += 50) {
            std::string facts;
            for (int i = from; i < from + 50; ++i) facts += "n(" + std::to_string(i) + ").\n";
            rules.facts(facts);
        }
        // Round 0 makes the 40,000 edges of a complete graph; in round 1 the join of two edges
        // streams its eight million rows into the head, which asks for each whether its value
        // is stored.
        FProgram* program =
            rules.program("e(X,Y) :- n(X), n(Y).\nX[reach->>{Z}] :- e(X,Y), e(Y,Z).");
        ChannelCapture debug(debugChannel());
        EXPECT_EQ(naive->evaluate(program), 0);
        EXPECT_NE(debug.text().find("evaluation cancelled at round"), std::string::npos)
            << debug.text();
        // The join stops once a poll has seen the farewell: a few thousand rows later at most.
        EXPECT_GE(access->asked, 1000);
        EXPECT_LT(access->asked, 1000 + 2 * 4096);
        decRef(naive);
        decRef(matcher);
        decRef(algebra);
        decRef(creator);
        decRef(translator);
    }
    decRef(access);
    decRef(om);
}

}  // namespace
