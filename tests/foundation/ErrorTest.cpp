// Error values: equality by origin and number, and describe under the print mask.
#include <gtest/gtest.h>

#include "foundation/Error.h"

namespace {

class ErrorTest : public ::testing::Test {
  protected:
    void SetUp() override { saved = Error::getOutputFilter(); }
    void TearDown() override { Error::setOutputFilter(saved); }
    int saved = 0;
};

TEST_F(ErrorTest, DescribeFollowsTheMask) {
    Error e(5, 11, 2, "NoParamFrame", "Allocation failed", "MainMemOM::x", "");
    Error::setOutputFilter(14);
    EXPECT_EQ(e.describe(), "Allocation failed\nMainMemOM::x\n\n");
    Error::setOutputFilter(2);
    EXPECT_EQ(e.describe(), "Allocation failed\n");
    Error::setOutputFilter(127);
    EXPECT_EQ(e.describe(),
              "NoParamFrame\nAllocation failed\nMainMemOM::x\n\nSeriousness: RealError\n"
              "Error Number: 11\nOrigin Number: 5\n");
    Error::setOutputFilter(0);
    EXPECT_EQ(e.describe(), "");
}

TEST_F(ErrorTest, PlacedErrorChangesOnlyWhereItArises) {
    const Error e(11, 7, 1, "InternalProblems", "Something broke", "Catalogue", "more");
    const Error placed = e.at("Merge::evaluate");
    Error::setOutputFilter(127);
    EXPECT_EQ(placed.describe(),
              "InternalProblems\nSomething broke\nMerge::evaluate\nmore\nSeriousness: Warning\n"
              "Error Number: 7\nOrigin Number: 11\n");
    EXPECT_EQ(placed, e);
    EXPECT_EQ(e.getWhere(), "Catalogue");
}

TEST_F(ErrorTest, SeriousnessLineNamesKnownLevelsOnly) {
    Error::setOutputFilter(16);
    EXPECT_EQ(Error(1, 1, 0, "", "", "", "").describe(), "Seriousness: NoError\n");
    EXPECT_EQ(Error(1, 1, 1, "", "", "", "").describe(), "Seriousness: Warning\n");
    EXPECT_EQ(Error(1, 1, 3, "", "", "", "").describe(), "Seriousness: 3\n");
}

TEST_F(ErrorTest, OkErrorIsOriginZero) {
    const Error& ok = Error::ok();
    EXPECT_EQ(ok.getOrigin(), 0);
    Error::setOutputFilter(15);
    EXPECT_EQ(ok.describe(), "OK\nno error occurred\nclass Error\nNever Mind.\n");
}

}  // namespace
