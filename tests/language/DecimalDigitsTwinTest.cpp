// Reading a run of digits a word at a time against reading it a character at a time: random
// texts of digits and other characters, read from every place, give the same end and value.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "language/DecimalDigits.h"
#include "support/RoadTwin.h"

namespace {

using road_twin::Dice;
using road_twin::Road;

// Digits in runs of every length from none to past twenty, between characters next to the
// digits' codes ('/', ':', the ones adding 6 carries out of), blanks, signs and the end mark.
std::string randomText(Dice& dice) {
    const std::string others = "/:;?@ ,).\n\t-+x\xfa\xff\xc0";
    std::string text;
    for (int run = dice.between(1, 8); run > 0; --run) {
        for (int k = dice.oneIn(4) ? 0 : dice.between(1, dice.oneIn(3) ? 22 : 10); k > 0; --k)
            text += char('0' + dice.below(10));
        text += others[std::size_t(dice.below(int(others.size())))];
    }
    return text;
}

// From every place of the text: the number of digits read and their value, one line each.
std::string readings(const std::string& text, Road road) {
    std::string out;
    const char* const begin = text.c_str();
    const char* const end = begin + text.size();
    for (const char* at = begin; at < end; ++at) {
        std::uint64_t value = ~std::uint64_t{0};
        const char* const after = road == Road::Chosen ? decimal_digits::read(at, end, value)
                                                       : decimal_digits::readOneByOne(at, value);
        out += std::to_string(after - at) + " " + std::to_string(value) + "\n";
    }
    return out;
}

TEST(DecimalDigitsTwin, WordAtATimeReadsAsCharacterAtATime) {
    EXPECT_EQ(road_twin::expectTwins(4231, 3000, randomText, readings), 3000);
}

TEST(DecimalDigitsTwin, FixedRuns) {
    road_twin::expectTwinsOn(
        std::vector<std::string>{"", "0", "12345678", "12345678)", "99999999,", "2147483647)",
                                 "2147483648,", "18446744073709551615x", "18446744073709551616x",
                                 "000000000001.", "9/8:7", "1234567\xff", "0000000000000000000000"},
        readings);
}

}  // namespace
