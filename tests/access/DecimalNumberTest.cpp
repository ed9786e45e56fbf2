// The short-integer road of the decimal reader against its general road, on random numbers.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "access/DecimalNumber.h"

namespace {

// Random signs and digit strings of 1 to 12 digits, leading zeros included: every text the
// short road takes reads as the general road reads it, and it takes every text of at most nine
// digits.
TEST(DecimalNumberTest, ShortIntegersReadAsTheGeneralRoadReadsThem) {
    std::mt19937 random(91);
    std::uniform_int_distribution<int> sign(0, 3);
    std::uniform_int_distribution<int> length(1, 12);
    std::uniform_int_distribution<int> digit(0, 9);
    for (int i = 0; i < 20000; ++i) {
        std::string text;
        const int s = sign(random);
        if (s == 1) text += '+';
        if (s == 2) text += '-';
        const int digits = length(random);
        for (int d = 0; d < digits; ++d) text += char('0' + digit(random));
        InternalName fast;
        InternalName general;
        decimalNumber::readNumber(text, general);
        if (decimalNumber::readShortInteger(text, fast)) {
            EXPECT_EQ(fast, general) << text;
        } else {
            EXPECT_GT(digits, 9) << text;
        }
        InternalName whole;
        ASSERT_TRUE(decimalNumber::readWhole(text, whole)) << text;
        EXPECT_EQ(whole, general) << text;
    }
}

TEST(DecimalNumberTest, TheShortRoadTakesNothingButASignAndDigits) {
    for (const char* text : {"", "+", "-", "1.5", "1e3", ".5", "5.", "12a", " 1", "+-1"}) {
        InternalName out;
        EXPECT_FALSE(decimalNumber::readShortInteger(text, out)) << text;
    }
}

}  // namespace
