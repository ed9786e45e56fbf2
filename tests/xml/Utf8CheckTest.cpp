// Tests of the UTF-8 check of document files: the line of the first byte that is not well-formed
// UTF-8, against a check of one byte at a time, over files of ASCII runs of every length and
// alignment, multi-byte characters and faults of every kind, longer than one read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "xml/Utf8Check.h"

namespace {

// The line of the first fault, by the table of well-formed sequences: a lead byte and the
// range of each byte that follows it.
unsigned long firstFaultLine(const std::string& bytes) {
    unsigned long line = 1;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == '\n') ++line;
        int trail = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c < 0x80) {
            trail = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            trail = 1;
        } else if (c == 0xE0) {
            trail = 2;
            low = 0xA0;
        } else if (c >= 0xE1 && c <= 0xEC) {
            trail = 2;
        } else if (c == 0xED) {
            trail = 2;
            high = 0x9F;
        } else if (c == 0xEE || c == 0xEF) {
            trail = 2;
        } else if (c == 0xF0) {
            trail = 3;
            low = 0x90;
        } else if (c >= 0xF1 && c <= 0xF3) {
            trail = 3;
        } else if (c == 0xF4) {
            trail = 3;
            high = 0x8F;
        } else {
            return line;
        }
        for (int k = 1; k <= trail; ++k) {
            if (i + k >= bytes.size()) return line;
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return line;
        }
        i += static_cast<std::size_t>(trail) + 1;
    }
    return 0;
}

class Utf8CheckTest : public ::testing::Test {
  protected:
    unsigned long check(const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
        return firstInvalidUtf8Line(file.string());
    }
    void TearDown() override { std::filesystem::remove(file); }

    std::filesystem::path file = std::filesystem::temp_directory_path() /
                                 ("quorin-utf8-check-" + std::to_string(getpid()) + ".txt");
};

TEST_F(Utf8CheckTest, TheFirstFaultIsFoundOnItsLineWhereverItLies) {
    const char* characters[] = {"\xc3\xa9",         "\xe2\x82\xac", "\xf0\x9d\x84\x9e",
                                "\xf4\x8f\xbf\xbf", "\xed\x9f\xbf", "\xee\x80\x80"};
    const char* faults[] = {"\x80",         "\xc0\xaf",         "\xc1\xbf",
                            "\xed\xa0\x80", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80",
                            "\xe2x",        "\xe0\x9f\x80",     "\xf0\x8f\xbf\xbf",
                            "\xff"};
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        // ASCII runs of every length up to thirty, line feeds at any place in them, characters
        // of two to four bytes between them; every few files a fault somewhere, or one cut off
        // at the end.
        std::string bytes;
        const std::size_t size = round < 200 ? 50 + random() % 400 : 65536 + random() % 70000;
        while (bytes.size() < size) {
            const std::size_t run = random() % 31;
            for (std::size_t k = 0; k < run; ++k)
                bytes += random() % 9 == 0 ? '\n' : static_cast<char>(' ' + random() % 95);
            if (random() % 3 == 0) bytes += characters[random() % std::size(characters)];
        }
        if (round % 4 == 1) {
            bytes.insert(random() % bytes.size(), faults[random() % std::size(faults)]);
        } else if (round % 4 == 2) {
            bytes += std::string(characters[random() % 4]).substr(0, 1);
        }
        EXPECT_EQ(check(bytes), firstFaultLine(bytes)) << "round " << round;
    }
}

TEST_F(Utf8CheckTest, WellFormedFilesHaveNoFault) {
    EXPECT_EQ(check(""), 0u);
    EXPECT_EQ(check(std::string(100000, 'a') + "\n\xf0\x9d\x84\x9e\n"), 0u);
    EXPECT_EQ(check(std::string(100000, '\n') + "\x80"), 100001u);
}

}  // namespace
