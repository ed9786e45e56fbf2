// The stamps of stored methods' values: a method's stamp stays while only other methods' values
// are stored, and moves when its own values change, or when anything changes that no store
// attributes to one method.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>

#include "foundation/Ref.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/MethodType.h"
#include "objectbase/ObjectBaseTestSupport.h"

namespace {

using namespace objectbase_test;

class MethodValueStampsTest : public ObjectManagerTest {
  protected:
    static constexpr int Set = code(MethodType::Set);

    std::pair<std::uint64_t, std::uint64_t> stampOf(const std::string& method) {
        std::uint64_t epoch = 0;
        std::uint64_t change = 0;
        EXPECT_TRUE(om->methodValuesStamp(obj(method), Set, 0, epoch, change));
        return {epoch, change};
    }
    void store(const std::string& host, const std::string& method, const std::string& value) {
        om->insertMethodValue(obj(host), obj(method), nullptr, 0, Set, obj(value));
    }
};

TEST_F(MethodValueStampsTest, AStampStaysWhileOnlyOtherMethodsGainValues) {
    store("a", "e", "b");
    const auto e = stampOf("e");
    EXPECT_EQ(stampOf("e"), e);
    store("a", "r", "b");
    store("b", "r", "c");
    store("a", "r", "c");
    EXPECT_EQ(stampOf("e"), e);
    // A value stored again changes nothing.
    store("a", "e", "b");
    EXPECT_EQ(stampOf("e"), e);
}

TEST_F(MethodValueStampsTest, AStampMovesWhenItsMethodGainsAValue) {
    store("a", "e", "b");
    const auto first = stampOf("e");
    store("a", "e", "c");
    const auto second = stampOf("e");
    EXPECT_NE(second, first);
    store("d", "e", "c");
    EXPECT_NE(stampOf("e"), second);
}

TEST_F(MethodValueStampsTest, ChangesNoStoreAttributesMoveEveryStamp) {
    store("a", "e", "b");
    store("a", "r", "b");
    const auto e = stampOf("e");
    // A membership is no method's value: it moves every stamp, to be safe.
    om->insertIsa(obj("a"), obj("c"), 1);
    EXPECT_NE(stampOf("e"), e);
    const auto beforeWithdraw = stampOf("e");
    om->removeMethodValue(obj("a"), obj("r"), nullptr, 0, Set, obj("b"));
    EXPECT_NE(stampOf("e"), beforeWithdraw);
    const auto beforeEquality = stampOf("e");
    om->equate(obj("b"), obj("x"), 0);
    EXPECT_NE(stampOf("e"), beforeEquality);
}

TEST_F(MethodValueStampsTest, TwoObjectBasesNeverShareAStamp) {
    store("a", "e", "b");
    const auto mine = stampOf("e");
    const Ref<MainMemOM> other = Ref<MainMemOM>::make();
    std::uint64_t epoch = 0;
    std::uint64_t change = 0;
    other->methodValuesStamp(obj("e"), Set, 0, epoch, change);
    EXPECT_NE(epoch, mine.first);
}

}  // namespace
