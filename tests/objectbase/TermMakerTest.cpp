// A term maker kept across a random run of terms, hints, equalities and clears answers what a
// lookup by the symbol answers in a twin base, and leaves the same base; the abstract manager's
// plain maker does too.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SymTab.h"
#include "objectbase/TermMaker.h"

namespace {

using namespace objectbase_test;

class TermMakerTest : public TwoManagersTest {
  protected:
    FSymbol function(MainMemOM* om, int arity) {
        return om->giveSymTab()->GetFSymbol("f", InternalName::Function, arity);
    }
    // `count` random steps: mostly terms of f/2 over a few objects (in runs that ascend and
    // runs that do not), each hinted first, now and then an equality or a clear.
    void run(TermMaker& maker, unsigned seed, int count) {
        std::mt19937 random(seed);
        std::vector<InternalName> args;
        for (int i = 0; i < 30; ++i) args.push_back(object("n" + std::to_string(i)));
        for (int step = 0; step < count; ++step) {
            const unsigned pick = random() % 100;
            if (pick == 0) {
                plain->clear();
                other->clear();
                args.clear();
                for (int i = 0; i < 30; ++i) args.push_back(object("n" + std::to_string(i)));
                continue;
            }
            if (pick < 3) {
                const InternalName a = args[random() % args.size()];
                const InternalName b = args[random() % args.size()];
                EXPECT_EQ(plain->equate(a, b, 0), other->equate(a, b, 0));
                plain->applyEqualities();
                other->applyEqualities();
                continue;
            }
            const std::size_t i = random() % args.size();
            const std::size_t j = pick < 50 ? (i + 1) % args.size() : random() % args.size();
            const InternalName pair[2] = {args[i], args[j]};
            maker.prefetch(pair, 2);
            InternalName a = InternalName::UndefinedObject;
            InternalName b = InternalName::UndefinedObject;
            const int madeA = maker.make(pair, 2, a);
            const int madeB = other->getFunctionObject(function(other, 2), pair, 2, b);
            ASSERT_EQ(madeA, madeB) << step;
            ASSERT_EQ(a, b) << step;
        }
        EXPECT_EQ(dumped(plain), dumped(other));
    }
};

TEST_F(TermMakerTest, KeptMakerAnswersAsLookupsBySymbol) {
    for (unsigned seed : {1u, 2u, 3u}) {
        const std::unique_ptr<TermMaker> maker = plain->openTermMaker(function(plain, 2));
        ASSERT_NE(maker, nullptr);
        EXPECT_EQ(maker->function(), function(plain, 2));
        run(*maker, seed, 3000);
    }
}

TEST_F(TermMakerTest, PlainMakerAnswersAsLookupsBySymbol) {
    const std::unique_ptr<TermMaker> maker = plain->OM::openTermMaker(function(plain, 2));
    run(*maker, 4, 2000);
}

// A maker keeps its manager: the manager's last other holder may let it go first.
TEST_F(TermMakerTest, MakerKeepsItsManager) {
    auto om = Ref<MainMemOM>::make();
    std::unique_ptr<TermMaker> maker =
        om->openTermMaker(om->giveSymTab()->GetFSymbol("g", InternalName::Function, 2));
    InternalName arg;
    om->internName(arg, "a", 1);
    om.reset();
    const InternalName pair[2] = {arg, arg};
    InternalName made = InternalName::UndefinedObject;
    EXPECT_EQ(maker->make(pair, 2, made), 1);
    EXPECT_EQ(maker->make(pair, 2, made), 0);
    maker.reset();
}

}  // namespace
