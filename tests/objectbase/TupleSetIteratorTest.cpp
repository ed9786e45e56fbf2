// Tests of the iterators over sets of tuples and extended tuples.
#include <gtest/gtest.h>

#include <string>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/TupleSetIterator.h"
#include "support/ChannelCapture.h"

namespace {

InternalName obj(int v) {
    return InternalName(v, InternalName::Object, 0);
}

// The error reported last while an ErrorCapture lives.
Error lastError() {
    return centralErrorHandler().getError();
}

}  // namespace

TEST(TupleSetIteratorTest, WalksRowsInOrderAndRejectsBadColumns) {
    InternalName a[] = {obj(2), obj(1)};
    InternalName b[] = {obj(1), obj(3)};
    set<Tuple> rows;
    rows.insert(Tuple(a, 2));
    rows.insert(Tuple(b, 2));

    auto it = Ref<TupleSetIterator>::make(&rows, 2);
    EXPECT_EQ(it->columns(), 2);
    {
        ErrorCapture errors;
        EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);  // not positioned yet
        EXPECT_EQ(lastError().getMessage(),
                  "Invalid use of TupleSetIterator::atColumn(int), the result is an undefined "
                  "object ");
    }
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(1), obj(1));
    EXPECT_EQ(it->atColumn(2), obj(3));
    {
        ErrorCapture errors;
        EXPECT_EQ(it->atColumn(0), InternalName::UndefinedObject);
        EXPECT_EQ(it->atColumn(3), InternalName::UndefinedObject);
        EXPECT_EQ(lastError().getNumber(), 11);
    }
    ASSERT_TRUE(it->next());
    EXPECT_EQ(it->atColumn(1), obj(2));
    EXPECT_FALSE(it->next());
    EXPECT_FALSE(it->next());

    // Re-targeting leaves the iterator unpositioned; a null set has no rows.
    it->reset(static_cast<set<Tuple>*>(nullptr), 4);
    EXPECT_EQ(it->columns(), 4);
    EXPECT_FALSE(it->first());
    EXPECT_FALSE(it->next());
}

TEST(TupleSetIteratorTest, ExtendedRowsKeepEveryResult) {
    InternalName a[] = {obj(1), obj(9)};
    InternalName b[] = {obj(1), obj(8)};
    InternalName c[] = {obj(0), obj(9)};
    set<ExtendedTuple> rows;
    rows.insert(ExtendedTuple(a, 2));
    rows.insert(ExtendedTuple(b, 2));
    rows.insert(ExtendedTuple(c, 2));
    EXPECT_EQ(rows.size(), 3);
    // A probe with an undefined result is an ordinary row, not a wildcard.
    InternalName probe[] = {obj(1), InternalName::UndefinedObject};
    EXPECT_FALSE(rows.member(ExtendedTuple(probe, 2)));
    EXPECT_EQ(probe[1], InternalName::UndefinedObject);

    auto it = Ref<ExtendedTupleSetIterator>::make(&rows, 2);
    EXPECT_FALSE(it->isA("TupleSetIterator"));
    std::string seen;
    for (bool more = it->first(); more; more = it->next())
        seen += it->atColumn(1).ToString() + "-" + it->atColumn(2).ToString() + " ";
    EXPECT_EQ(seen, "o0-o9 o1-o8 o1-o9 ");

    // Whoever holds it as a TupleSetIterator re-targets it through the one reset.
    TupleSetIterator* asTuples = it.get();
    set<ExtendedTuple> fewer;
    fewer.insert(ExtendedTuple(c, 2));
    asTuples->reset(&fewer, 2);
    ASSERT_TRUE(asTuples->first());
    EXPECT_EQ(asTuples->atColumn(1), obj(0));
    EXPECT_FALSE(asTuples->next());
    {
        ErrorCapture errors;
        EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
        EXPECT_EQ(lastError().getMessage(),
                  "Invalid use of ExtendedTupleSetIterator::atColumn(int), the result is an "
                  "undefined object ");
    }
}

TEST(TupleDeathTest, RowsThatCannotBeKeptAreRefused) {
    auto* high = reinterpret_cast<InternalName*>(std::uintptr_t(1) << 48);
    EXPECT_DEATH(Tuple(high, 2), "CLIB ERROR HANDLER");
    InternalName cells[2];
    EXPECT_DEATH(ExtendedTuple(cells, 40000), "CLIB ERROR HANDLER");
}
