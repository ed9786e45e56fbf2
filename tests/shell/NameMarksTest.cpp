// NameMarks: marks kept apart by kind, number and arity, in the arrays and in the map alike.
#include <gtest/gtest.h>

#include <cstdint>

#include "objectbase/InternalName.h"
#include "shell/NameMarks.h"

namespace {

TEST(NameMarks, NamesWithoutMarksAnswerNone) {
    NameMarks<std::uint8_t> marks;
    EXPECT_EQ(marks.get(InternalName(5, InternalName::Object, 0)), 0);
    EXPECT_EQ(marks.get(InternalName(-3, InternalName::Integer, 0)), 0);
}

TEST(NameMarks, SetAnswersTheMarkBeforeIt) {
    NameMarks<std::uint8_t> marks;
    const InternalName object(7, InternalName::Object, 0);
    EXPECT_EQ(marks.set(object, 1), 0);
    EXPECT_EQ(marks.set(object, 2), 1);
    EXPECT_EQ(marks.get(object), 2);
}

TEST(NameMarks, KindsAndAritiesOfOneNumberAreApart) {
    NameMarks<std::int32_t> marks;
    const InternalName object(9, InternalName::Object, 0);
    const InternalName string(9, InternalName::String, 0);
    const InternalName integer(9, InternalName::Integer, 0);
    const InternalName term(9, InternalName::Object, 2);
    const InternalName set(9, InternalName::SetName, 0);
    marks.set(object, 1);
    marks.set(string, 2);
    marks.set(integer, 3);
    marks.set(term, 4);
    marks.set(set, 5);
    EXPECT_EQ(marks.get(object), 1);
    EXPECT_EQ(marks.get(string), 2);
    EXPECT_EQ(marks.get(integer), 3);
    EXPECT_EQ(marks.get(term), 4);
    EXPECT_EQ(marks.get(set), 5);
    EXPECT_EQ(marks.get(InternalName(9, InternalName::Float, 0)), 0);
}

TEST(NameMarks, LargeAndNegativeNumbersAreKeptToo) {
    NameMarks<std::int32_t> marks;
    const InternalName big(1 << 26, InternalName::Integer, 0);
    const InternalName negative(-4, InternalName::Integer, 0);
    const InternalName far(1 << 25, InternalName::Object, 0);
    marks.set(big, 11);
    marks.set(negative, 12);
    marks.set(far, 13);
    EXPECT_EQ(marks.get(big), 11);
    EXPECT_EQ(marks.get(negative), 12);
    EXPECT_EQ(marks.get(far), 13);
    EXPECT_EQ(marks.get(InternalName(4, InternalName::Integer, 0)), 0);
}

// Raising counts a name's marks up to the highest given, in the arrays and in the map alike,
// and answers the mark before it.
TEST(NameMarks, RaiseCountsUpToTheHighest) {
    NameMarks<std::uint8_t> marks;
    for (const InternalName& name :
         {InternalName(6, InternalName::Object, 0), InternalName(6, InternalName::String, 0),
          InternalName(6, InternalName::Integer, 0), InternalName(6, InternalName::Object, 2),
          InternalName(-6, InternalName::Integer, 0),
          InternalName(1 << 26, InternalName::Object, 0)}) {
        EXPECT_EQ(marks.raise(name, 2), 0);
        EXPECT_EQ(marks.get(name), 1);
        EXPECT_EQ(marks.raise(name, 2), 1);
        EXPECT_EQ(marks.raise(name, 2), 2);
        EXPECT_EQ(marks.get(name), 2);
    }
    EXPECT_EQ(marks.get(InternalName(6, InternalName::Float, 0)), 0);
}

TEST(NameMarks, ClearForgetsEveryMark) {
    NameMarks<std::uint8_t> marks;
    const InternalName object(3, InternalName::Object, 0);
    const InternalName term(3, InternalName::Object, 1);
    marks.set(object, 1);
    marks.set(term, 1);
    marks.clear();
    EXPECT_EQ(marks.get(object), 0);
    EXPECT_EQ(marks.get(term), 0);
    EXPECT_EQ(marks.set(object, 2), 0);
}

// Room made for the objects keeps the marks set before it, answers none for the others, and
// leaves the names beyond it to grow as before; room smaller than the array changes nothing.
TEST(NameMarks, RoomForObjectsKeepsTheMarksAndGrowsBeyondIt) {
    NameMarks<std::uint32_t> marks;
    const InternalName first(2, InternalName::Object, 0);
    marks.set(first, 7);
    marks.reserveObjects(100);
    EXPECT_EQ(marks.get(first), 7u);
    EXPECT_EQ(marks.get(InternalName(99, InternalName::Object, 0)), 0u);
    EXPECT_EQ(marks.get(InternalName(99, InternalName::String, 0)), 0u);
    EXPECT_EQ(marks.set(InternalName(99, InternalName::Object, 0), 3), 0u);
    EXPECT_EQ(marks.set(InternalName(500, InternalName::Object, 0), 4), 0u);
    marks.reserveObjects(10);
    EXPECT_EQ(marks.get(InternalName(99, InternalName::Object, 0)), 3u);
    EXPECT_EQ(marks.get(InternalName(500, InternalName::Object, 0)), 4u);
    EXPECT_EQ(marks.get(first), 7u);
}

}  // namespace
