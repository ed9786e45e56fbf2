// EscapedText: text escaped as a line of the event stream holds it, collected in memory.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/types.h>
// clang-format on

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <vector>

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
        std::size_t recordEnds = 0;
        // The text of a data event between two tags is a character or two: one piece.
        if (n <= MyOutputCharStream::escapeChunk) {
            char* const at = room(n * MyOutputCharStream::maxEscape + 1);
            length = static_cast<std::size_t>(MyOutputCharStream::escapeAt(s, n, at, &recordEnds) -
                                              bytes.data());
            return recordEnds;
        }
        while (n > 0) {
            const std::size_t chunk = std::min(n, MyOutputCharStream::escapeChunk);
            char* const at = room(chunk * MyOutputCharStream::maxEscape + 1);
            const char* const end = MyOutputCharStream::escapeAt(s, chunk, at, &recordEnds);
            length += static_cast<std::size_t>(end - at);
            s += chunk;
            n -= chunk;
        }
        return recordEnds;
    }
    // Appends bytes escaped already.
    void append(std::string_view bytes) {
        char* const at = room(bytes.size());
        if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
        length += bytes.size();
    }
    // Valid until the text changes.
    std::string_view view() const { return {bytes.data(), length}; }

  private:
    // Room for n bytes behind the text.
    char* room(std::size_t n) {
        if (bytes.size() - length < n) bytes.resize(std::max(length + n, 2 * bytes.size()));
        return bytes.data() + length;
    }

    std::vector<char> bytes;
    std::size_t length = 0;
};
