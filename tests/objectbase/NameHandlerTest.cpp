// NameHandler: the numbering of fresh objects, sets and parameter frames.
#include <gtest/gtest.h>

#include "objectbase/NameHandler.h"

namespace {

TEST(NameHandler, CountersStartAboveTheirStartValues) {
    auto* names = new NameHandler();
    EXPECT_EQ(names->nextObjectId(), 101);
    EXPECT_EQ(names->nextObjectId(), 102);
    EXPECT_EQ(names->nextObjectId(), 103);
    EXPECT_EQ(names->nextSetId(), 1);
    EXPECT_EQ(names->nextParamId(), 1);
    EXPECT_EQ(names->nextParamId(), 2);
    EXPECT_EQ(names->nextSetId(), 2);
    names->reset();
    EXPECT_EQ(names->nextObjectId(), 101);
    EXPECT_EQ(names->nextSetId(), 1);
    EXPECT_EQ(names->nextParamId(), 1);
    decRef(names);
}

TEST(NameHandler, InstancesDoNotShareCounters) {
    auto* first = new NameHandler();
    first->nextObjectId();
    first->nextObjectId();
    auto* second = new NameHandler();
    EXPECT_EQ(second->nextObjectId(), 101);
    EXPECT_EQ(first->nextObjectId(), 103);
    second->reset();
    EXPECT_EQ(first->nextSetId(), 1);
    EXPECT_EQ(first->nextSetId(), 2);
    EXPECT_EQ(second->nextSetId(), 1);
    decRef(second);
    decRef(first);
}

}  // namespace
