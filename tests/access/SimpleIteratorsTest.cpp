// Tests of the small iterators the access layer composes: BigIterator, DummyIterator and
// ExplicitSetIterator at their edges.
#include <gtest/gtest.h>

#include "AccessTestSupport.h"
#include "access/BigIterator.h"
#include "access/DummyIterator.h"
#include "access/EmptyIterator.h"
#include "access/ExplicitSetIterator.h"

using namespace access_test;

namespace {

// One row of one column holding the integer.
DummyIterator* single(int value) {
    const InternalName cell = integer(value);
    return new DummyIterator(&cell, 1, true);
}

}  // namespace

TEST(BigIteratorTest, ConcatenatesInOrderAndRefusesEmptyOrLateMembers) {
    auto big = Ref<BigIterator>::make();
    EXPECT_FALSE(big->next());   // not started
    EXPECT_FALSE(big->first());  // nothing added yet
    EXPECT_EQ(big->atColumn(1), InternalName::UndefinedObject);
    big.reset();

    set<InternalName> three;
    for (int v : {3, 4, 5}) three.insert(integer(v));
    big = Ref<BigIterator>::make();
    EXPECT_FALSE(big->add(nullptr));
    ASSERT_TRUE(big->add(single(1)));
    auto empty = Ref<EmptyIterator>::make();
    EXPECT_FALSE(big->add(empty.get()));
    ASSERT_TRUE(big->add(new ExplicitSetIterator(&three)));
    EXPECT_EQ(drain(big.get()), (Rows{{integer(1)}, {integer(3)}, {integer(4)}, {integer(5)}}));
    // first() starts again from the first member.
    EXPECT_TRUE(big->first());
    EXPECT_EQ(big->atColumn(1), integer(1));

    // Once started nothing more joins; the refused iterator stays the caller's.
    auto late = Ref<Iterator>::adopt(single(9));
    EXPECT_FALSE(big->add(late.get()));
    late.reset();
    empty.reset();
    big.reset();
}

TEST(DummyIteratorTest, OneRowOrNoneAndResetToAnotherWidth) {
    const InternalName row[] = {integer(1), integer(2), integer(3)};
    auto truth = Ref<DummyIterator>::make(row, 0, true);
    EXPECT_EQ(drain(truth.get()), (Rows{{}}));  // one row without columns: "true"
    auto missing = Ref<DummyIterator>::make(nullptr, 2, true);
    EXPECT_EQ(drain(missing.get()), Rows{});

    auto pair = Ref<DummyIterator>::make(row, 2, false);
    EXPECT_EQ(drain(pair.get()), Rows{});
    pair->reset(row, 2, true);
    EXPECT_EQ(pair->atColumn(1), InternalName::UndefinedObject);  // before first()
    EXPECT_TRUE(pair->first());
    EXPECT_EQ(pair->atColumn(0), InternalName::UndefinedObject);
    EXPECT_EQ(pair->atColumn(3), InternalName::UndefinedObject);
    EXPECT_FALSE(pair->next());
    EXPECT_EQ(pair->atColumn(1), InternalName::UndefinedObject);

    // Another width replaces the row; no row keeps the width.
    const InternalName other[] = {integer(7), integer(8), integer(9)};
    pair->reset(other, 3, true);
    EXPECT_EQ(drain(pair.get()), (Rows{{integer(7), integer(8), integer(9)}}));
    pair->reset(nullptr, 1, true);
    EXPECT_EQ(drain(pair.get()), Rows{});
    EXPECT_EQ(pair->columns(), 1);
    truth.reset();
    missing.reset();
    pair.reset();
}

TEST(ExplicitSetIteratorTest, WalksTheMembersInOrder) {
    set<InternalName> names;
    names.insert(integer(5));
    names.insert(integer(-5));
    Ref<Iterator> it = Ref<ExplicitSetIterator>::make(&names);
    EXPECT_FALSE(it->next());
    EXPECT_EQ(drain(it.get()), (Rows{{integer(-5)}, {integer(5)}}));
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);  // past the last
    it.reset();
    set<InternalName> empty;
    it = Ref<ExplicitSetIterator>::make(&empty);
    EXPECT_FALSE(it->first());
    it.reset();
}
