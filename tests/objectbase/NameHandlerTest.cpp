// NameHandler: the numbering of fresh objects, sets and parameter frames.
#include <gtest/gtest.h>

#include "foundation/Ref.h"
#include "objectbase/NameHandler.h"

namespace {

TEST(NameHandler, CountersAreIndependentAndReset) {
    auto names = Ref<NameHandler>::make();
    auto other = Ref<NameHandler>::make();
    EXPECT_EQ(names->nextObjectId(), 101);
    EXPECT_EQ(names->nextSetId(), 1);
    EXPECT_EQ(names->nextParamId(), 1);
    EXPECT_EQ(names->nextParamId(), 2);
    EXPECT_EQ(names->nextObjectId(), 102);
    EXPECT_EQ(other->nextObjectId(), 101);
    names->reset();
    EXPECT_EQ(names->nextObjectId(), 101);
    EXPECT_EQ(names->nextSetId(), 1);
    EXPECT_EQ(names->nextParamId(), 1);
    EXPECT_EQ(other->nextObjectId(), 102);
}

}  // namespace
