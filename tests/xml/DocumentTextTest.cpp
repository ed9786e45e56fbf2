// The characters an event stream's text stands for: each escape alone, and long texts of plain
// runs and escapes in every order.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "xml/DocumentText.h"

namespace {

TEST(DocumentTextTest, EachEscapeStandsForItsCharacters) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"plain text", "plain text"},
        {"a\\nb", "a\nb"},
        // A record end with its escaped line feed is one line break.
        {"a\\n\\012b", "a\nb"},
        {"\\n\\n", "\n\n"},
        {"\\\\", "\\"},
        {"say \\\"hi\\\"", "say \"hi\""},
        {"x\\|sdata\\|y", "xsdatay"},
        {"\\011tab", "\ttab"},
        {"\\#233;", "\xC3\xA9"},
        {"\\%66;", "B"},
        {"\\#128512;", "\xF0\x9F\x98\x80"},
        // What is no escape stays as written.
        {"\\#12x", "\\#12x"},
        {"\\#1114112;", "\\#1114112;"},
        {"\\q", "\\q"},
        {"\\09", "\\09"},
        {"end\\", "end\\"},
        {"\\", "\\"},
    };
    for (const auto& [written, meant] : cases) EXPECT_EQ(documentText(written), meant) << written;
}

// Texts of up to some thousand characters made of plain runs (short and long) and escapes:
// the text meant is the pieces' meanings in order, however the pieces meet.
TEST(DocumentTextTest, LongTextsOfRunsAndEscapesMeanTheirPieces) {
    const std::vector<std::pair<std::string, std::string>> escapes = {
        {"\\n", "\n"},         {"\\n\\012", "\n"}, {"\\\\", "\\"}, {"\\\"", "\""},
        {"\\|", ""},           {"\\011", "\t"},    {"\\#233;", "\xC3\xA9"},
        {"\\%66;", "B"},       {"\\#12x", "\\#12x"},
    };
    std::mt19937 random{11u};
    for (int text = 0; text < 2000; ++text) {
        std::string written;
        std::string meant;
        const int pieces = int(random() % 200);
        for (int piece = 0; piece < pieces; ++piece) {
            if (random() % 2 == 0) {
                const auto& [escape, meaning] = escapes[random() % escapes.size()];
                written += escape;
                meant += meaning;
            } else {
                std::string run(random() % 3 == 0 ? random() % 60 : random() % 4, ' ');
                for (char& c : run) c = "ab0;#|n\" "[random() % 9];
                written += run;
                meant += run;
            }
        }
        ASSERT_EQ(documentText(written), meant) << written;
        // A backslash at the very end is a character of its own.
        ASSERT_EQ(documentText(written + "\\"), meant + "\\") << written;
    }
}

}  // namespace
