// The names made after a mark go again when nothing stored holds them, and a name made later is
// numbered above every name made before: names made after the forgetting keep their order.
#include <gtest/gtest.h>

#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SymTab.h"

namespace {

using namespace objectbase_test;

class QueryNamesTest : public ObjectManagerTest {
  protected:
    bool known(const FSymbol& symbol) {
        InternalName name;
        return om->giveInternalName(symbol, name) != 0;
    }
    FSymbol string(const std::string& text) {
        return om->giveSymTab()->GetFSymbol("\"" + text + "\"", InternalName::String, 0);
    }
};

TEST_F(QueryNamesTest, NamesNothingHoldsGoAndComeBackNumberedAfterTheRest) {
    const InternalName q = obj("q");
    const std::int64_t mark = om->nameMark();
    InternalName r;
    om->getOrCreateName(string("r"), r);
    const InternalName zz = obj("zz");
    EXPECT_TRUE(known(string("r")));
    om->forgetNamesMadeAfter(mark);
    EXPECT_FALSE(known(string("r")));
    EXPECT_FALSE(known(function("zz", 0)));
    EXPECT_TRUE(known(function("q", 0)));
    // Made again, above every name made so far.
    const InternalName s = obj("s");
    InternalName again;
    om->getOrCreateName(string("r"), again);
    EXPECT_LT(q, s);
    EXPECT_LT(s, again);
    EXPECT_LT(zz, again);
}

TEST_F(QueryNamesTest, NamesAStoredFactHoldsStay) {
    const std::int64_t mark = om->nameMark();
    const InternalName host = obj("h");
    const InternalName cls = obj("c");
    const InternalName unused = obj("u");
    InternalName value;
    om->getOrCreateName(string("v"), value);
    const InternalName method = obj("m");
    om->insertIsa(host, cls, 1);
    om->insertMethodValue(host, method, nullptr, 0, 0, value);
    om->forgetNamesMadeAfter(mark);
    EXPECT_TRUE(known(function("h", 0)));
    EXPECT_TRUE(known(function("c", 0)));
    EXPECT_TRUE(known(function("m", 0)));
    EXPECT_TRUE(known(string("v")));
    EXPECT_FALSE(known(function("u", 0)));
    (void)unused;
}

}  // namespace
