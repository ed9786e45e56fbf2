// UTF-8 character boundaries, tolerant of malformed text.
#include "shell/Utf8Steps.h"

namespace utf8 {

int expectedLength(unsigned char lead) {
    if (lead >= 0xC2 && lead <= 0xDF) return 2;
    if (lead >= 0xE0 && lead <= 0xEF) return 3;
    if (lead >= 0xF0 && lead <= 0xF4) return 4;
    return 1;
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

std::size_t nextBoundary(std::string_view text, std::size_t pos) {
    int length = expectedLength(static_cast<unsigned char>(text[pos]));
    std::size_t end = pos + 1;
    for (int i = 1; i < length; ++i) {
        if (end >= text.size() || !isContinuation(static_cast<unsigned char>(text[end]))) {
            return pos + 1;  // an unfinished sequence: its lead byte stands alone
        }
        ++end;
    }
    return end;
}

std::size_t previousBoundary(std::string_view text, std::size_t pos) {
    // A lead byte up to three bytes back owns the continuation bytes only when its sequence
    // ends exactly at pos.
    for (std::size_t back = 1; back <= 4 && back <= pos; ++back) {
        std::size_t start = pos - back;
        unsigned char byte = static_cast<unsigned char>(text[start]);
        if (!isContinuation(byte)) {
            return nextBoundary(text, start) == pos ? start : pos - 1;
        }
    }
    return pos - 1;
}

int countCharacters(std::string_view text, std::size_t from, std::size_t to) {
    int count = 0;
    while (from < to) {
        from = nextBoundary(text, from);
        ++count;
    }
    return count;
}

std::size_t advance(std::string_view text, std::size_t pos, int count) {
    while (count-- > 0 && pos < text.size()) pos = nextBoundary(text, pos);
    return pos;
}

}  // namespace utf8
