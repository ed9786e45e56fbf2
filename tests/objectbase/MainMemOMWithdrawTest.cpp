// Tests of taking stored method values out of the main-memory object manager again.
#include <gtest/gtest.h>

#include <vector>

#include "foundation/set.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"

namespace {

using namespace objectbase_test;

class MainMemOMWithdrawTest : public ObjectManagerTest {
  protected:
    void SetUp() override {
        ObjectManagerTest::SetUp();
        h = obj("h");
        m = obj("m");
        a = obj("a");
        b = obj("b");
    }
    // The values of h.m@(args) of the type, read through a method-value iterator.
    std::vector<InternalName> values(int type, std::vector<InternalName> args = {}) {
        std::vector<InternalName> value;
        InternalName stored;
        if (args.empty()) {
            MainMemObjFrame* frame = om->getObjFrame(h);
            if (frame == nullptr || frame->lookupMethod(m, type, 0, stored) == 0) return value;
        } else if (om->lookupMethodValue(h, m, args.data(), static_cast<int>(args.size()), type,
                                         stored) == 0) {
            return value;
        }
        if (stored.getType() != InternalName::SetName) return {stored};
        auto it = Ref<Iterator>::adopt(om->setIterator(stored, nullptr));
        for (const auto& row : drain(it.get(), 1)) value.push_back(row[0]);
        it.reset();
        return value;
    }
    // Whether the method index lists h as a host of m under the type without arguments.
    bool indexedHost(int type) {
        const auto it = Ref<Iterator>::adopt(
            om->methodHostsIterator(m, static_cast<std::int16_t>(type), 0, nullptr));
        bool found = false;
        for (const auto& row : drain(it.get(), 1)) found = found || row[0] == h;
        return found;
    }

    InternalName h, m, a, b;
};

}  // namespace

TEST_F(MainMemOMWithdrawTest, AScalarValueGoesWithItsIndexEntry) {
    ASSERT_EQ(om->insertMethodValue(h, m, nullptr, 0, 0, num(1)), 1);
    EXPECT_TRUE(indexedHost(0));
    // Another value than the stored one takes nothing out.
    EXPECT_EQ(om->removeMethodValue(h, m, nullptr, 0, 0, num(2)), 0);
    EXPECT_EQ(om->removeMethodValue(h, m, nullptr, 0, 0, num(1)), 1);
    EXPECT_TRUE(values(0).empty());
    EXPECT_FALSE(indexedHost(0));
    // A new value is stored as the first one, with no equality.
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 0, num(2)), 1);
    EXPECT_EQ(values(0), std::vector<InternalName>{num(2)});
    EXPECT_EQ(om->applyEqualities(), 0);
    EXPECT_EQ(om->removeMethodValue(h, m, nullptr, 0, 0, num(2)), 1);
    EXPECT_EQ(om->removeMethodValue(h, m, nullptr, 0, 0, num(2)), 0);
}

TEST_F(MainMemOMWithdrawTest, ASetLosesOneMember) {
    set<InternalName> both;
    both.insert(a);
    both.insert(b);
    ASSERT_EQ(om->insertSetMember(h, m, nullptr, 0, 1, both), 1);
    EXPECT_EQ(om->removeMethodValue(h, m, nullptr, 0, 1, a), 1);
    EXPECT_EQ(values(1), std::vector<InternalName>{b});
    EXPECT_EQ(om->removeMethodValue(h, m, nullptr, 0, 1, a), 0);
}

TEST_F(MainMemOMWithdrawTest, ValuesWithArgumentsGoPerArgumentList) {
    ASSERT_EQ(om->insertMethodValue(h, m, &a, 1, 0, num(1)), 1);
    ASSERT_EQ(om->insertMethodValue(h, m, &b, 1, 0, num(2)), 1);
    EXPECT_EQ(om->removeMethodValue(h, m, &a, 1, 0, num(2)), 0);
    EXPECT_EQ(om->removeMethodValue(h, m, &a, 1, 0, num(1)), 1);
    EXPECT_TRUE(values(0, {a}).empty());
    EXPECT_EQ(values(0, {b}), std::vector<InternalName>{num(2)});
    EXPECT_EQ(om->insertMethodValue(h, m, &a, 1, 0, num(3)), 1);
    EXPECT_EQ(values(0, {a}), std::vector<InternalName>{num(3)});
    EXPECT_EQ(om->applyEqualities(), 0);

    ASSERT_EQ(om->insertMethodValue(h, m, &a, 1, 1, num(4)), 1);
    ASSERT_EQ(om->insertMethodValue(h, m, &a, 1, 1, num(5)), 1);
    EXPECT_EQ(om->removeMethodValue(h, m, &a, 1, 1, num(4)), 1);
    // One member went, the other is still there to go.
    EXPECT_EQ(om->removeMethodValue(h, m, &a, 1, 1, num(4)), 0);
    EXPECT_EQ(om->removeMethodValue(h, m, &a, 1, 1, num(5)), 1);
}

TEST_F(MainMemOMWithdrawTest, ManyRowsOfOneParameterFrame) {
    // Beyond the small array's limit the rows live in trees.
    for (int i = 0; i < 40; ++i) {
        const InternalName arg = num(100 + i);
        ASSERT_EQ(om->insertMethodValue(h, m, &arg, 1, 0, num(i)), 1);
    }
    for (int i = 0; i < 40; i += 2) {
        const InternalName arg = num(100 + i);
        EXPECT_EQ(om->removeMethodValue(h, m, &arg, 1, 0, num(i)), 1);
    }
    for (int i = 0; i < 40; ++i) {
        const InternalName arg = num(100 + i);
        EXPECT_EQ(values(0, {arg}).empty(), i % 2 == 0) << i;
    }
}
