// A farewell that arrives while one large join streams its rows into a rule head ends the
// evaluation there, not when the join is done.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "EvalHarness.h"
#include "objectbase/FactWriter.h"
#include "objectbase/MainMemOM.h"
#include "platform/ControlEvents.h"
#include "support/ChannelCapture.h"

namespace {

// An object base that counts the head's questions whether a row's member is stored (one per
// row the join gives the head) and records a farewell at the given one, as the signal handler
// would.
class FarewellAt : public MainMemOM {
  public:
    explicit FarewellAt(long at) : at(at) {}
    std::unique_ptr<FactWriter> openWriter(const FactRelation& relation) override {
        std::unique_ptr<FactWriter> writer = MainMemOM::openWriter(relation);
        if (relation.kind != FactRelation::Kind::SetMember) return writer;
        return std::make_unique<Counting>(*this, std::move(writer));
    }
    long asked = 0;

  private:
    class Counting : public FactWriter {
      public:
        Counting(FarewellAt& base, std::unique_ptr<FactWriter> writer)
            : base(base), writer(std::move(writer)) {}
        int insert(const InternalName* row) override { return writer->insert(row); }
        bool holds(const InternalName* row) override {
            if (++base.asked == base.at) controlEvents::record(controlEvents::Shutdown);
            return writer->holds(row);
        }
        void prefetch(const InternalName* row) override { writer->prefetch(row); }

      private:
        FarewellAt& base;
        std::unique_ptr<FactWriter> writer;
    };
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
    auto* counting = new FarewellAt(1000);
    eval_test::EvalHarness h(counting, [](OM* base) { return new OMAccess(base); });
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
