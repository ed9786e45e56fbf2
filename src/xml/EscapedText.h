// EscapedText: text escaped as a line of the event stream holds it, collected in memory.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/types.h>
// clang-format on

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

#include "xml/MyOutputCharStream.h"

// What the event writer feeds the tree instead of writing a line: a name, an attribute's value,
// the text of a data line. One is cleared and filled again for every event, so its room is kept
// and never filled with zeros first (a std::string grown and cut back per event of a document
// of a million elements cost a third of a billion instructions).
class EscapedText {
  public:
    void clear() { length = 0; }
    // Appends the characters, escaped; returns how many record ends they held.
    std::size_t append(const OpenSP::Char* s, std::size_t n) {
        // The text of a data event between two tags is a character or two, escaped here in one
        // piece; a call for each piece cost as much as the rest of the event.
        if (n > shortRun) return appendLong(s, n);
        std::size_t recordEnds = 0;
        char* const at = room(n * MyOutputCharStream::maxEscape + 1);
        length = static_cast<std::size_t>(MyOutputCharStream::escapeAt(s, n, at, &recordEnds) -
                                          bytes.get());
        return recordEnds;
    }
    // Appends bytes escaped already.
    void append(std::string_view text) {
        char* const at = room(text.size());
        if (!text.empty()) std::memcpy(at, text.data(), text.size());
        length += text.size();
    }
    // Valid until the text changes.
    std::string_view view() const { return {bytes.get(), length}; }

  private:
    static constexpr std::size_t shortRun = 8;
    // append for a longer text, escaped in chunks.
    std::size_t appendLong(const OpenSP::Char* s, std::size_t n);
    // Room for n bytes behind the text.
    char* room(std::size_t n) {
        if (capacity - length < n) grow(n);
        return bytes.get() + length;
    }
    void grow(std::size_t n);

    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
    std::size_t length = 0;
};
