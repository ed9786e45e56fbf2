// Tests of the bounded array: indexing from a lower bound, the range error and the row order.
#include <gtest/gtest.h>

#include "foundation/Ref.h"
#include "foundation/cArray.h"
#include "foundation/set.h"
#include "objectbase/InternalName.h"

namespace {

TEST(cArray, OutsideIndexIsReportedAndYieldsUndefined) {
    centralErrorHandler().reset();
    cArray<InternalName> a(2, 1);
    a[1] = InternalName(7, InternalName::Integer, 0);
    EXPECT_EQ(a[2], InternalName::UndefinedObject);
    EXPECT_FALSE(centralErrorHandler().isError());
    InternalName& outside = a[3];
    EXPECT_EQ(outside, InternalName::UndefinedObject);
    EXPECT_EQ(centralErrorHandler().getError(), err6::IllegalIndex);
    outside = InternalName(9, InternalName::Integer, 0);  // writes land nowhere that matters
    EXPECT_EQ(a[0], InternalName::UndefinedObject);
    EXPECT_EQ(a[1], InternalName(7, InternalName::Integer, 0));
    EXPECT_EQ(err6::IllegalIndex.getMessage(),
              "the specified index is not inside the previously defined range");
    centralErrorHandler().reset();

    // Indices far above a negative lower bound are outside too (no wrap-around).
    cArray<int> low(2, -5);
    EXPECT_EQ(low[INT32_MAX], 0);
    EXPECT_EQ(centralErrorHandler().getError(), err6::IllegalIndex);
    centralErrorHandler().reset();
    EXPECT_EQ(low.high(), -4);
}

cArray<InternalName>* row(std::initializer_list<int> values) {
    auto* r = new cArray<InternalName>(static_cast<std::int32_t>(values.size()), 1);
    int i = 1;
    for (int v : values) (*r)[i++] = InternalName(v, InternalName::Object, 0);
    return r;
}

TEST(cArray, RowsOrderedCellByCellWithPrefixFirst) {
    using Row = Ref<cArray<InternalName>>;
    const Row a = Row::adopt(row({1, 2}));
    const Row b = Row::adopt(row({1, 2, 0}));
    const Row c = Row::adopt(row({1, 3}));
    const Row a2 = Row::adopt(row({1, 2}));
    EXPECT_EQ(compare(*a, *b), -1);
    EXPECT_EQ(compare(*b, *a), 1);
    EXPECT_EQ(compare(*b, *c), -1);
    EXPECT_EQ(compare(*a, *a2), 0);

    set<cArray<InternalName>*> rows;
    rows.insert(c.get());
    rows.insert(b.get());
    rows.insert(a.get());
    rows.insert(a2.get());  // equal rows are one element
    EXPECT_EQ(rows.size(), 3);
    EXPECT_EQ(rows.choose(), a.get());
    EXPECT_TRUE(rows.member(a2.get()));
}

}  // namespace
