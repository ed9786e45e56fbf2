// The one table of method types: every arrow of the rule language names its type and back, and
// each type has the step and the printed arrow the language gives it.
#include <gtest/gtest.h>

#include <string>

#include "objectbase/MethodType.h"

namespace {

struct Expected {
    int number;
    std::string arrow;
    std::string plainArrow;
    std::string step;
    bool fLogic;
};

// The codes as the rule language numbers them; F-Logic writes 0, 1, 3, 4, 6 and 7.
const Expected expected[] = {
    {0, "->", "->", ".", true},      {1, "->>", "->>", "..", true},
    {2, "@->>", "->>", "/@", false}, {3, "*->", "*->", "!", true},
    {4, "*->>", "*->>", "!!", true}, {5, "@*->>", "*->>", "!!@", false},
    {6, "=>", "=>", "", true},       {7, "=>>", "=>>", "", true},
    {8, "@=>>", "=>>", "", false},
};

TEST(MethodTypeTable, EveryArrowNamesItsTypeAndBack) {
    for (const Expected& row : expected) {
        SCOPED_TRACE(row.arrow);
        const MethodTypeText* text = methodTypeText(row.number);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(code(text->type), row.number);
        EXPECT_EQ(text->arrow, row.arrow);
        EXPECT_EQ(text->plainArrow, row.plainArrow);
        EXPECT_EQ(text->step, row.step);
        EXPECT_EQ(text->fLogic, row.fLogic);
        ASSERT_TRUE(methodTypeOfArrow(row.arrow).has_value());
        EXPECT_EQ(code(*methodTypeOfArrow(row.arrow)), row.number);
        EXPECT_EQ(isSignature(MethodType(row.number)), row.number >= 6);
    }
}

TEST(MethodTypeTable, OtherNumbersAndTextsNameNoType) {
    EXPECT_EQ(methodTypeText(-1), nullptr);
    EXPECT_EQ(methodTypeText(9), nullptr);
    for (const char* text : {"", "-", ">", "->>>", "@->", "*=>", ".", "=> "})
        EXPECT_FALSE(methodTypeOfArrow(text).has_value()) << text;
}

}  // namespace
