// A function symbol's table filled the way a rule head over ordered rows fills it (announced
// ahead, every term above the last) against one grown term by term with a lookup of an old term
// between any two: the same objects and answers, also after equating, rebinding and clearing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "objectbase/FunctionTableHandle.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SymTab.h"

namespace {

using namespace objectbase_test;

class MainMemOMFunctionTableTest : public TwoManagersTest {
  protected:
    static constexpr int Objects = 120;

    void SetUp() override {
        TwoManagersTest::SetUp();
        intern();
    }
    // The arguments, made in both managers, in ascending order.
    void intern() {
        args.clear();
        for (int i = 0; i < Objects; ++i) args.push_back(object("n" + std::to_string(i)));
        std::sort(args.begin(), args.end(),
                  [](const InternalName& a, const InternalName& b) { return a.compare(b) < 0; });
    }
    FSymbol function(MainMemOM* om) {
        return om->giveSymTab()->GetFSymbol("f", InternalName::Function, 2);
    }
    // The terms f(args[i], args[i + k]) in ascending order: announced and made through a kept
    // table in `plain`; in `other` by the symbol, the call's first term looked up after each.
    void makeTerms(int from, int k) {
        const int count = Objects - k - from;
        FunctionTableHandle table(function(plain));
        plain->expectFunctionObjects(function(plain), std::size_t(count));
        const InternalName first[2] = {args[std::size_t(from)], args[std::size_t(from + k)]};
        for (int i = from; i + k < Objects; ++i) {
            const InternalName pair[2] = {args[std::size_t(i)], args[std::size_t(i + k)]};
            InternalName a;
            InternalName b;
            InternalName old;
            const int madeA = plain->getFunctionObject(table, pair, 2, a);
            const int madeB = other->getFunctionObject(function(other), pair, 2, b);
            EXPECT_EQ(madeA, madeB) << i;
            EXPECT_EQ(a, b) << i;
            other->getFunctionObject(function(other), first, 2, old);
        }
    }
    // Every term f(args[i], args[j]) for j - i in 0..3: the same answer in both, none made.
    void agree(const std::string& step) {
        for (int i = 0; i < Objects; ++i)
            for (int j = i; j < std::min(Objects, i + 4); ++j) {
                const InternalName pair[2] = {args[std::size_t(i)], args[std::size_t(j)]};
                InternalName a = InternalName::UndefinedObject;
                InternalName b = InternalName::UndefinedObject;
                const int madeA = plain->getFunctionObject(function(plain), pair, 2, a);
                const int madeB = other->getFunctionObject(function(other), pair, 2, b);
                EXPECT_EQ(madeA, madeB) << step << " " << i << " " << j;
                EXPECT_EQ(a, b) << step << " " << i << " " << j;
            }
        EXPECT_EQ(dumped(plain), dumped(other)) << step;
    }

    std::vector<InternalName> args;
};

TEST_F(MainMemOMFunctionTableTest, AnAnnouncedAscendingTableAgreesWithAGrownOne) {
    makeTerms(0, 1);
    // The terms just made are old now in both.
    makeTerms(0, 1);
    agree("made");

    // Two arguments equated: the terms of either become one.
    EXPECT_EQ(plain->equate(args[5], args[4], 0), 1);
    EXPECT_EQ(other->equate(args[5], args[4], 0), 1);
    plain->applyEqualities();
    other->applyEqualities();
    agree("equated");
    makeTerms(60, 2);
    agree("equated, more made");

    // The symbol bound to a table that does not exist: a new one, filled afresh.
    const InternalName gone(77, InternalName::ParamFrame, 3);
    plain->registerName(function(plain), gone);
    other->registerName(function(other), gone);
    makeTerms(10, 1);
    agree("rebound");

    plain->clear();
    other->clear();
    intern();
    makeTerms(0, 3);
    agree("cleared");
}

}  // namespace
