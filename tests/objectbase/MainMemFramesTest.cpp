// Tests of object frames, set frames and the method iterator.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "objectbase/MainMemFrames.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SetIterator.h"
#include "support/ChannelCapture.h"

using namespace objectbase_test;

TEST(MainMemObjFrameTest, NewFrameAndInsertLookupPrint) {
    MainMemObjFrame frame;
    EXPECT_EQ(printed(frame), "[ : s0\n  :: s0]\n");

    EXPECT_EQ(frame.insertMethod(obj(5), obj(9), 0, 0), 1);
    EXPECT_EQ(frame.insertMethod(obj(5), obj(8), 0, 0), 0);
    EXPECT_EQ(frame.insertMethod(obj(5), setName(3), 2, 0), 1);
    InternalName value;
    EXPECT_EQ(frame.lookupMethod(obj(5), 0, 0, value), 1);
    EXPECT_EQ(value, obj(9));
    EXPECT_EQ(frame.lookupMethod(obj(5), 0, 1, value), 0);
    frame.setSetName1(setName(7));
    EXPECT_EQ(printed(frame), "[ : s7\n  :: s0\n  o5 -> o9\n  o5 ->> s3]\n");
}

TEST(MainMemObjFrameTest, MethodIteratorFiltersAndReuse) {
    MainMemObjFrame frame;
    frame.insertMethod(obj(3), obj(30), 0, 0);
    frame.insertMethod(obj(2), setName(1), 1, 0);
    frame.insertMethod(obj(1), setName(2), 1, 0);
    frame.insertMethod(obj(4), InternalName(1, InternalName::ParamFrame, 2), 1, 1);
    frame.insertMethod(obj(6), setName(5), 6, 0);

    Iterator* it = frame.methodIterator(1, 0, nullptr);
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(1), obj(1));
    EXPECT_EQ(it->atColumn(2), setName(2));
    EXPECT_EQ(it->atColumn(3), InternalName(0, InternalName::Integer, 0));
    EXPECT_EQ(it->atColumn(4), builtinObject::SetArrow);
    ASSERT_TRUE(it->next());
    EXPECT_EQ(it->atColumn(1), obj(2));
    EXPECT_FALSE(it->next());
    EXPECT_FALSE(it->next());
    EXPECT_EQ(it->columns(), 2);
    {
        ErrorCapture errors;
        EXPECT_EQ(it->atColumn(1), InternalName::UndefinedObject);
        EXPECT_NE(errors.text().find("InvalidUse"), std::string::npos);
    }

    // A reused iterator takes the new filters; the form without arity accepts any arity.
    Iterator* again = frame.methodIterator(1, it);
    EXPECT_EQ(again, it);
    int count = 0;
    for (bool more = again->first(); more; more = again->next()) ++count;
    EXPECT_EQ(count, 3);
    Iterator* any = frame.methodIterator(1000, -1, again);
    count = 0;
    for (bool more = any->first(); more; more = any->next()) ++count;
    EXPECT_EQ(count, 5);

    // An iterator of another class is released and replaced.
    MainMemSetFrame members;
    Iterator* setIt = members.getIterator(nullptr);
    Iterator* replaced = frame.methodIterator(0, setIt);
    EXPECT_TRUE(replaced->isA("OFrameIterator"));
    decRef(replaced);
    decRef(any);
}

TEST(MainMemObjFrameTest, ReplaceNameMovesKeysAndCollectsPairs) {
    MainMemObjFrame frame;
    frame.insertMethod(obj(5), obj(9), 0, 0);
    frame.insertMethod(obj(7), obj(8), 0, 0);
    frame.insertMethod(obj(5), obj(4), 0, 1);
    frame.insertMethod(obj(2), obj(5), 0, 0);
    clib_dictionary<InternalName, InternalName> pairs;
    EXPECT_NE(frame.replaceName(obj(5), obj(7), pairs), 0);

    InternalName value;
    EXPECT_EQ(frame.lookupMethod(obj(5), 0, 0, value), 0);
    ASSERT_EQ(frame.lookupMethod(obj(7), 0, 0, value), 1);
    EXPECT_EQ(value, obj(8));
    ASSERT_EQ(frame.lookupMethod(obj(7), 0, 1, value), 1);
    EXPECT_EQ(value, obj(4));
    ASSERT_EQ(frame.lookupMethod(obj(2), 0, 0, value), 1);
    EXPECT_EQ(value, obj(7));
    EXPECT_EQ(frame.size(), 3);
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs.key(pairs.first_item()), obj(9));
    EXPECT_EQ(pairs.inf(pairs.first_item()), obj(8));

    clib_dictionary<InternalName, InternalName> none;
    EXPECT_EQ(frame.replaceName(obj(99), obj(98), none), 0);
    EXPECT_EQ(none.size(), 0);
}

TEST(MainMemObjFrameTest, ReplaceNameKeepsEntriesAndPairsThatCarryInformation) {
    // Renaming a name to itself must not lose the entries stored under it.
    MainMemObjFrame frame;
    frame.insertMethod(obj(5), obj(9), 0, 0);
    frame.insertMethod(obj(5), obj(5), 1, 0);
    clib_dictionary<InternalName, InternalName> pairs;
    frame.replaceName(obj(5), obj(5), pairs);
    InternalName value;
    ASSERT_EQ(frame.lookupMethod(obj(5), 0, 0, value), 1);
    EXPECT_EQ(value, obj(9));
    ASSERT_EQ(frame.lookupMethod(obj(5), 1, 0, value), 1);
    EXPECT_EQ(value, obj(5));
    EXPECT_EQ(pairs.size(), 0);

    // A collision of equal values adds no pair, so it cannot overwrite the pair of a real one.
    MainMemObjFrame twice;
    twice.insertMethod(obj(5), obj(9), 0, 0);
    twice.insertMethod(obj(7), obj(8), 0, 0);
    twice.insertMethod(obj(5), obj(9), 0, 1);
    twice.insertMethod(obj(7), obj(9), 0, 1);
    EXPECT_EQ(twice.replaceName(obj(5), obj(7), pairs), 1);
    ASSERT_EQ(pairs.size(), 1);
    EXPECT_EQ(pairs.inf(pairs.lookup(obj(9))), obj(8));
    EXPECT_EQ(twice.size(), 2);
}

// Entries stored at random under keys of every type and arity are found, refused when the key
// is taken, and walked in key order through every filter, as a std::map keyed by
// (type, arity, method) holds them.
TEST(MainMemObjFrameTest, EntriesAgreeWithAnOrderedMap) {
    std::mt19937 random{46};
    for (int round = 0; round < 20; ++round) {
        MainMemObjFrame frame;
        std::map<std::tuple<int, int, InternalName>, InternalName> twin;
        const int spread = round % 2 == 0 ? 6 : 60;
        for (int step = 0; step < 300; ++step) {
            const int type = int(random() % 9), args = int(random() % 3);
            const InternalName method = obj(int(random() % unsigned(spread)));
            const InternalName value = obj(1000 + int(random() % 100));
            const bool fresh = twin.emplace(std::make_tuple(type, args, method), value).second;
            ASSERT_EQ(frame.insertMethod(method, value, type, args), fresh ? 1 : 0);
            InternalName found;
            ASSERT_EQ(frame.lookupMethod(method, type, args, found), 1);
            EXPECT_EQ(found, twin[std::make_tuple(type, args, method)]);
        }
        EXPECT_EQ(frame.size(), int(twin.size()));
        Iterator* it = nullptr;
        for (int typeFilter : {1000, 0, 1, 6}) {
            for (int arityFilter : {-1, 0, 2}) {
                std::vector<std::pair<InternalName, InternalName>> walked, expected;
                it = frame.methodIterator(typeFilter, arityFilter, it);
                for (bool more = it->first(); more; more = it->next())
                    walked.emplace_back(it->atColumn(1), it->atColumn(2));
                for (const auto& [key, value] : twin) {
                    const auto& [type, args, method] = key;
                    if ((typeFilter == 1000 || type == typeFilter) &&
                        (arityFilter == -1 || args == arityFilter))
                        expected.emplace_back(method, value);
                }
                EXPECT_EQ(walked, expected) << typeFilter << " " << arityFilter;
            }
        }
        decRef(it);
    }
}

// Entries added while an object frame is walked (inherited values are) are met when their key
// comes after the entry the walk stands on and not otherwise; none is met twice, and the value
// read is the entry's own.
TEST(MainMemObjFrameTest, AWalkGoesOnAfterItsEntryWhenEntriesAreAdded) {
    MainMemObjFrame frame;
    for (int i = 1; i <= 5; ++i) frame.insertMethod(obj(10 * i), obj(100 + i), 0, 0);
    Iterator* it = frame.methodIterator(0, nullptr);
    std::vector<std::pair<int, int>> seen;
    for (bool more = it->first(); more; more = it->next()) {
        seen.emplace_back(it->atColumn(1).getValue(), it->atColumn(2).getValue());
        if (it->atColumn(1) == obj(20)) {
            frame.insertMethod(obj(5), obj(99), 0, 0);
            frame.insertMethod(obj(25), obj(98), 0, 0);
        }
    }
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{
                        {10, 101}, {20, 102}, {25, 98}, {30, 103}, {40, 104}, {50, 105}}));
    decRef(it);
}

TEST(MainMemSetFrameTest, MembershipReplaceIteratorAndPrint) {
    MainMemSetFrame frame;
    EXPECT_EQ(frame.insert(setName(4)), 1);
    EXPECT_EQ(frame.insert(obj(3)), 1);
    EXPECT_EQ(frame.insert(obj(3)), 0);
    EXPECT_TRUE(frame.contains(obj(3)));
    EXPECT_EQ(frame.replace(obj(1), obj(2)), 0);
    EXPECT_EQ(frame.size(), 2);
    EXPECT_EQ(printed(frame), "{o3,s4}\n");
    EXPECT_EQ(frame.replace(obj(3), obj(6)), 1);
    EXPECT_FALSE(frame.contains(obj(3)));
    EXPECT_TRUE(frame.contains(obj(6)));

    Iterator* it = frame.getIterator(nullptr);
    MainMemSetFrame other;
    other.insert(obj(42));
    EXPECT_EQ(other.getIterator(it), it);
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(1), obj(42));
    EXPECT_FALSE(it->next());
    decRef(it);

    frame.clear();
    EXPECT_EQ(printed(frame), "{}\n");
}
