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

TEST(SetIteratorTest, WalksInIdentifierOrderAndReportsMisuse) {
    const InternalName o105(105, InternalName::Object, 0), o101(101, InternalName::Object, 0),
        s101(101, InternalName::SetName, 1), o200(200, InternalName::Object, 0);
    set<InternalName> names, other;
    for (const InternalName& n : {o105, s101, o101}) names.insert(n);
    other.insert(o200);

    centralErrorHandler().reset();
    auto it = Ref<SetIterator>::make(&names);
    EXPECT_EQ(it->columns(), 1);
    // Not positioned before first().
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
    EXPECT_TRUE(invalidUseReported());
    EXPECT_EQ(walk(*it), (std::vector<InternalName>{o101, s101, o105}));
    // Walking again starts over; past the end nothing is positioned.
    EXPECT_EQ(walk(*it), (std::vector<InternalName>{o101, s101, o105}));
    EXPECT_FALSE(it->next());
    ASSERT_TRUE(it->first());
    EXPECT_FALSE(invalidUseReported());
    for (int col : {0, 2}) {
        EXPECT_EQ(it->atColumn(col), InternalName::UndefinedObject);
        EXPECT_TRUE(invalidUseReported()) << col;
    }

    // Re-targeting leaves it unpositioned; an absent set has no rows.
    it->reset(&other);
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
    EXPECT_TRUE(invalidUseReported());
    EXPECT_FALSE(it->next());
    EXPECT_EQ(walk(*it), (std::vector<InternalName>{o200}));
    it->reset(nullptr);
    EXPECT_FALSE(it->first());
    EXPECT_FALSE(it->next());
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
    EXPECT_TRUE(invalidUseReported());
}
