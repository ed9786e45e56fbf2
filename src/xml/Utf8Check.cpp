// The check that a document file read as UTF-8 holds only well-formed UTF-8.
#include "xml/Utf8Check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "xml/DocumentHead.h"

namespace {

// Past the run of ASCII bytes from `at`, eight at a time, counting its line feeds in `line`: a
// document is mostly ASCII, and a byte at a time cost ten instructions a byte of its import.
// Stops at the first word that holds a byte of 0x80 or more, or where fewer than eight are left.
std::size_t skipAscii(const unsigned char* bytes, std::size_t at, std::size_t size,
                      unsigned long& line) {
    constexpr std::uint64_t high = 0x8080808080808080u;
    constexpr std::uint64_t ones = 0x0101010101010101u;
    for (; size - at >= 8; at += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + at, 8);
        if ((word & high) != 0) break;
        // A byte below 0x80 plus 0x7F reaches 0x80 unless it is zero, and carries into no
        // other byte: the zero bytes of word ^ '\n' are the line feeds.
        const std::uint64_t feeds = ~((word ^ ('\n' * ones)) + 0x7F * ones) & high;
        line += static_cast<unsigned long>(((feeds >> 7) * ones) >> 56);
    }
    return at;
}

}  // namespace

bool readAsUtf8(const std::string& file, bool xml) {
    return DocumentHead(file).readAsUtf8(xml);
}

unsigned long firstInvalidUtf8Line(const std::string& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) return 0;
    unsigned long line = 1;
    // The bytes still expected of the current sequence, and the bounds of the next one (they
    // rule out overlong forms, surrogates and values past 0x10FFFF).
    int expected = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    unsigned long found = 0;
    unsigned char buffer[65536];
    for (std::size_t size; found == 0 && (size = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        for (std::size_t i = 0; i < size; ++i) {
            if (expected == 0) {
                i = skipAscii(buffer, i, size, line);
                if (i == size) break;
            }
            const unsigned char c = buffer[i];
            if (expected > 0) {
                if (c < low || c > high) {
                    found = line;
                    break;
                }
                --expected;
                low = 0x80;
                high = 0xBF;
                continue;
            }
            if (c == '\n') ++line;
            if (c < 0x80) continue;
            if (c >= 0xC2 && c <= 0xDF) {
                expected = 1;
            } else if (c >= 0xE0 && c <= 0xEF) {
                expected = 2;
                if (c == 0xE0) low = 0xA0;
                if (c == 0xED) high = 0x9F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                expected = 3;
                if (c == 0xF0) low = 0x90;
                if (c == 0xF4) high = 0x8F;
            } else {
                found = line;
                break;
            }
        }
    }
    std::fclose(in);
    if (found == 0 && expected > 0) found = line;
    return found;
}
