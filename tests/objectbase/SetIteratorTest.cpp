// Tests of SetIterator: walking a set in order, an absent set, re-targeting and misuse.
#include <gtest/gtest.h>

#include <vector>

#include "foundation/ErrorHandler.h"
#include "objectbase/SetIterator.h"

namespace {

std::vector<InternalName> walk(Iterator& it) {
    std::vector<InternalName> rows;
    for (bool more = it.first(); more; more = it.next()) rows.push_back(it.atColumn(1));
    return rows;
}

// True when the last report was the invalid use of atColumn (origin 6, number 7).
bool invalidUseReported() {
    Error kept = centralErrorHandler().getError();
    centralErrorHandler().reset();
    return kept.getOrigin() == 6 && kept.getNumber() == 7 && kept.getName() == "InvalidUse";
}

}  // namespace

TEST(SetIteratorTest, WalksTheMembersInIdentifierOrder) {
    set<InternalName> names;
    const InternalName o105(105, InternalName::Object, 0);
    const InternalName o101(101, InternalName::Object, 0);
    const InternalName s101(101, InternalName::SetName, 1);
    names.insert(o105);
    names.insert(s101);
    names.insert(o101);

    auto* it = new SetIterator(&names);
    EXPECT_EQ(it->columns(), 1);
    EXPECT_EQ(walk(*it), (std::vector<InternalName>{o101, s101, o105}));
    // Walking again starts over; past the end nothing is positioned.
    EXPECT_EQ(walk(*it), (std::vector<InternalName>{o101, s101, o105}));
    EXPECT_FALSE(it->next());
    decRef(it);
}

TEST(SetIteratorTest, AbsentOrEmptySetHasNoRows) {
    centralErrorHandler().reset();
    auto* it = new SetIterator(nullptr);
    EXPECT_FALSE(it->first());
    EXPECT_FALSE(it->next());
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
    EXPECT_TRUE(invalidUseReported());

    set<InternalName> empty;
    it->reset(&empty);
    EXPECT_FALSE(it->first());
    decRef(it);
}

TEST(SetIteratorTest, MisuseIsReportedAndResetLeavesItUnpositioned) {
    set<InternalName> first;
    set<InternalName> second;
    const InternalName i7(7, InternalName::Integer, -1);
    const InternalName o200(200, InternalName::Object, 0);
    first.insert(i7);
    second.insert(o200);

    centralErrorHandler().reset();
    auto* it = new SetIterator(&first);
    // Not positioned before first().
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
    EXPECT_TRUE(invalidUseReported());
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(1), i7);
    EXPECT_FALSE(invalidUseReported());
    for (int col : {0, 2}) {
        EXPECT_EQ(it->atColumn(col), InternalName::UndefinedObject);
        EXPECT_TRUE(invalidUseReported()) << col;
    }

    it->reset(&second);
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
    EXPECT_TRUE(invalidUseReported());
    EXPECT_FALSE(it->next());
    EXPECT_EQ(walk(*it), (std::vector<InternalName>{o200}));
    it->reset(nullptr);
    EXPECT_FALSE(it->first());
    decRef(it);
}
