// NameHandler: the numbering of fresh objects, sets and parameter frames.
#include <gtest/gtest.h>

#include "objectbase/NameHandler.h"

namespace {

TEST(NameHandler, CountersAreIndependentAndReset) {
    auto* names = new NameHandler();
    EXPECT_EQ(names->nextObjectId(), 101);
    EXPECT_EQ(names->nextObjectId(), 102);
    EXPECT_EQ(names->nextSetId(), 1);
    EXPECT_EQ(names->nextParamId(), 1);
    EXPECT_EQ(names->nextParamId(), 2);
    EXPECT_EQ(names->nextSetId(), 2);
    // Another object manager's handler has its own numbering.
    auto* other = new NameHandler();
    EXPECT_EQ(other->nextObjectId(), 101);
    EXPECT_EQ(names->nextObjectId(), 103);
    names->reset();
    EXPECT_EQ(names->nextObjectId(), 101);
    EXPECT_EQ(names->nextSetId(), 1);
    EXPECT_EQ(names->nextParamId(), 1);
    EXPECT_EQ(other->nextObjectId(), 102);
    decRef(other);
    decRef(names);
}

}  // namespace
