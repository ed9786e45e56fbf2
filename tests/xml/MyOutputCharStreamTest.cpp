// Tests of the event stream's output: escapes, UTF-8, whole lines and long texts, as the file
// holds them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "xml/MyOutputCharStream.h"

namespace {

using Chars = std::vector<OpenSP::Char>;

// A file of each test's own: the cases run as processes side by side, and so may the suites of
// two builds, and one case's read removes its file.
std::string streamPath() {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return ::testing::TempDir() + "quorin-output-char-stream-" + test->name() + "-" +
           std::to_string(getpid()) + ".txt";
}

std::string readBack(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    std::remove(path.c_str());
    return text.str();
}

// The escaped form, one character at a time: what the stream's reader expects.
std::string expectedEscape(const Chars& chars) {
    std::string out;
    for (const OpenSP::Char c : chars) {
        if (c == 13) {
            out += "\\n";
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c < 32) {
            out += "\\0";
            out += char('0' + c / 8);
            out += char('0' + c % 8);
        } else if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000 && (c < 0xD800 || c > 0xDFFF)) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else if (c >= 0x10000 && c <= 0x10FFFF) {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += "\\#" + std::to_string(c) + ";";
        }
    }
    return out;
}

TEST(MyOutputCharStreamTest, EscapesEveryKindOfCharacter) {
    const Chars text = {'a',    '\\',   13,     9,       0,        31,       ' ', 0x7F, 0xE9,
                        0x20AC, 0xD800, 0xDFFF, 0x1F600, 0x10FFFF, 0x110000, 13,  'z'};
    const std::string path = streamPath();
    std::size_t recordEnds = 0;
    {
        MyOutputCharStream os(path.c_str());
        ASSERT_TRUE(os.isOpen());
        recordEnds = os.putEscaped(text.data(), text.size());
    }
    EXPECT_EQ(recordEnds, 2u);
    const std::string written = readBack(path);
    EXPECT_EQ(written, expectedEscape(text));
    EXPECT_EQ(written.substr(0, 13), "a\\\\\\n\\011\\000");
}

// A line is its command, its escaped operand and a line feed, between whatever the library's
// own buffer and the byte writes put before and after it, in order.
TEST(MyOutputCharStreamTest, WritesLinesInOrderWithTheLibrarysOutput) {
    const Chars name = {'e'};
    const Chars odd = {'a', 13, 'b'};
    const std::string path = streamPath();
    {
        MyOutputCharStream os(path.c_str());
        os << "L12";
        os.put('\n');
        EXPECT_EQ(os.putLine('(', name.data(), name.size()), 0u);
        os.putByte('-');
        EXPECT_EQ(os.putEscaped(odd.data(), odd.size()), 1u);
        os.putByte('\n');
        os << "?pi\n";
        EXPECT_EQ(os.putLine(')', name.data(), name.size()), 0u);
        EXPECT_EQ(os.putLine(')', nullptr, 0), 0u);
    }
    EXPECT_EQ(readBack(path), "L12\n(e\n-a\\nb\n?pi\n)e\n)\n");
}

// Texts longer than a piece of escaping and than the bytes' buffer come out whole, whatever
// mix of characters; so does a line of a long operand.
TEST(MyOutputCharStreamTest, KeepsLongTextsWhole) {
    Chars text;
    for (unsigned i = 0; i < 300000; ++i) {
        const OpenSP::Char pick[] = {'x', 13, '\\', 0xE9, 0x1F600, 0xD801, 'y', 7};
        text.push_back(pick[(i * 7 + i / 13) % 8]);
    }
    std::size_t ends = 0;
    for (const OpenSP::Char c : text) ends += c == 13;
    const std::string path = streamPath();
    {
        MyOutputCharStream os(path.c_str());
        EXPECT_EQ(os.putEscaped(text.data(), text.size()), ends);
        EXPECT_EQ(os.putLine('-', text.data(), 3000),
                  std::size_t(std::count(text.begin(), text.begin() + 3000, 13)));
        EXPECT_EQ(os.putLine('(', text.data() + 5, 1000),
                  std::size_t(std::count(text.begin() + 5, text.begin() + 1005, 13)));
    }
    const std::string expected =
        expectedEscape(text) + "-" + expectedEscape(Chars(text.begin(), text.begin() + 3000)) +
        "\n(" + expectedEscape(Chars(text.begin() + 5, text.begin() + 1005)) + "\n";
    EXPECT_EQ(readBack(path), expected);
}

}  // namespace
