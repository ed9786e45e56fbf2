// Tests of the small iterators the access layer composes: EmptyIterator, BigIterator,
// DummyIterator and ExplicitSetIterator, and the class words of every iterator here.
#include <gtest/gtest.h>

#include <string>

#include "AccessTestSupport.h"
#include "access/BigIterator.h"
#include "access/DummyIterator.h"
#include "access/EmptyIterator.h"
#include "access/ExplicitSetIterator.h"
#include "access/FuncOrPredIter.h"
#include "access/IsaIterator.h"
#include "access/RefIter.h"

using namespace access_test;

namespace {

// One row of one column holding the integer.
DummyIterator* single(int value) {
    const InternalName cell = integer(value);
    return new DummyIterator(&cell, 1, true);
}

Iterator* setOf(set<InternalName>& names) {
    return new ExplicitSetIterator(&names);
}

}  // namespace

TEST(BigIteratorTest, ConcatenatesInTheOrderAdded) {
    set<InternalName> two;
    two.insert(integer(1));
    two.insert(integer(2));
    set<InternalName> three;
    three.insert(integer(3));
    three.insert(integer(4));
    three.insert(integer(5));

    auto* big = new BigIterator();
    EXPECT_FALSE(big->next());   // not started
    EXPECT_FALSE(big->first());  // nothing added yet
    EXPECT_EQ(big->columns(), 0);
    EXPECT_EQ(big->atColumn(1), InternalName::UndefinedObject);
    decRef(big);
    big = new BigIterator();
    ASSERT_TRUE(big->add(setOf(two)));
    ASSERT_TRUE(big->add(setOf(three)));
    EXPECT_EQ(drain(big),
              (Rows{{integer(1)}, {integer(2)}, {integer(3)}, {integer(4)}, {integer(5)}}));
    // first() starts again from the first member.
    EXPECT_TRUE(big->first());
    EXPECT_EQ(big->atColumn(1), integer(1));
    EXPECT_EQ(big->columns(), 1);

    // Once started nothing more joins; the refused iterator stays the caller's.
    Iterator* late = single(9);
    EXPECT_FALSE(big->add(late));
    decRef(late);
    decRef(big);
}

TEST(BigIteratorTest, RefusesIteratorsWithoutRows) {
    auto* big = new BigIterator();
    EXPECT_FALSE(big->add(nullptr));
    ASSERT_TRUE(big->add(single(1)));
    auto* empty = new EmptyIterator();
    EXPECT_FALSE(big->add(empty));
    ASSERT_TRUE(big->add(single(2)));
    EXPECT_EQ(drain(big), (Rows{{integer(1)}, {integer(2)}}));
    decRef(empty);
    decRef(big);
}

TEST(DummyIteratorTest, OneRowOrNone) {
    const InternalName row[] = {integer(1), integer(2), integer(3)};

    auto* truth = new DummyIterator(row, 0, true);
    EXPECT_EQ(drain(truth), (Rows{{}}));  // one row without columns: "true"
    auto* falsity = new DummyIterator(row, 2, false);
    EXPECT_EQ(drain(falsity), Rows{});
    auto* missing = new DummyIterator(nullptr, 2, true);
    EXPECT_EQ(drain(missing), Rows{});

    auto* pair = new DummyIterator(row, 2, true);
    EXPECT_EQ(pair->atColumn(1), InternalName::UndefinedObject);  // before first()
    EXPECT_TRUE(pair->first());
    EXPECT_EQ(pair->atColumn(0), InternalName::UndefinedObject);
    EXPECT_EQ(pair->atColumn(3), InternalName::UndefinedObject);
    EXPECT_EQ(pair->atColumn(2), integer(2));
    EXPECT_FALSE(pair->next());
    EXPECT_EQ(pair->atColumn(1), InternalName::UndefinedObject);

    // Same width: the cells are overwritten; another width: the row is replaced.
    const InternalName other[] = {integer(7), integer(8), integer(9)};
    pair->reset(other, 2, true);
    EXPECT_EQ(drain(pair), (Rows{{integer(7), integer(8)}}));
    falsity->reset(other, 3, true);
    EXPECT_EQ(drain(falsity), (Rows{{integer(7), integer(8), integer(9)}}));
    falsity->reset(nullptr, 1, true);
    EXPECT_EQ(drain(falsity), Rows{});
    EXPECT_EQ(falsity->columns(), 1);

    for (Iterator* it : {static_cast<Iterator*>(truth), static_cast<Iterator*>(falsity),
                         static_cast<Iterator*>(missing), static_cast<Iterator*>(pair)})
        decRef(it);
}

TEST(ExplicitSetIteratorTest, WalksTheMembersInOrder) {
    set<InternalName> names;
    names.insert(integer(5));
    names.insert(integer(-5));
    Iterator* it = setOf(names);
    EXPECT_FALSE(it->next());
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
    EXPECT_EQ(drain(it), (Rows{{integer(-5)}, {integer(5)}}));
    EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);  // past the last
    EXPECT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(2), InternalName::UndefinedObject);
    decRef(it);

    set<InternalName> empty;
    it = setOf(empty);
    EXPECT_FALSE(it->first());
    decRef(it);
}

TEST(IteratorWordsTest, EachClassAnswersExactlyItsOwnWord) {
    const InternalName row[] = {InternalName::UndefinedObject, InternalName::UndefinedObject,
                                InternalName::UndefinedObject};
    set<InternalName> names;
    const InternalName free = InternalName::UndefinedObject;
    const struct {
        Iterator* it;
        const char* word;
    } iterators[] = {
        {new EmptyIterator(), "EmptyIterator"},
        {new BigIterator(), "BigIterator"},
        {new DummyIterator(row, 1, true), "DummyIterator"},
        {new ExplicitSetIterator(&names), "ExplicitSetIterator"},
        {new CommonRefIter(row, 3, 0, nullptr), "CommonRefIter"},
        {new LeftRefIter(row, 3, 0, nullptr), "LeftRefIter"},
        {new RightRefIter(row, 3, 0, nullptr), "RightRefIter"},
        {new FullySpecIsaIter(free, free, 1, nullptr), "IsaIterator"},
        {new LeftSpecIsaIter(free, free, 1, nullptr), "IsaIterator"},
        {new RightSpecIsaIter(free, free, 1, nullptr), "IsaIterator"},
        {new UnspecIsaIter(free, free, 1, nullptr), "IsaIterator"},
        {new FuncOrPredIter(row, 2, 1001, free, nullptr), "FuncOrPredIter"},
    };
    const char* words[] = {
        "Iterator",      "MatchIterator",       "RefIter",       "EmptyIterator", "BigIterator",
        "DummyIterator", "ExplicitSetIterator", "CommonRefIter", "LeftRefIter",   "RightRefIter",
        "IsaIterator",   "FuncOrPredIter",      "SetIterator"};
    for (const auto& entry : iterators) {
        for (const char* word : words)
            EXPECT_EQ(entry.it->isA(word), std::string(word) == entry.word)
                << entry.word << " asked " << word;
        decRef(entry.it);
    }
}
