// The reader of the event stream: hands on the lines the document tree is built from, and the
// events they tell.
#pragma once

#include <array>
#include <cstddef>
#include <cstring>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "xml/DocumentEvents.h"

// Reads the event stream a line at a time, passing over empty lines and the lines no tree needs
// (definitions, "L", "C" and the like). Escapes are left as written.
class EsisReader {
  public:
    // Moves to the next kept line; at the end of the stream the current line is a single line
    // feed and atEnd() holds. The reader takes the stream's text in large blocks, so a reader
    // reads one stream only, and nothing else reads that stream after it.
    void readEsisLine(std::istream& in) {
        // Most lines lie whole within the block and are kept: they are cut out here.
        if (!endOfInput && blockStart < blockEnd) {
            const char* begin = block.data() + blockStart;
            const std::size_t available = blockEnd - blockStart;
            const auto* feed = static_cast<const char*>(std::memchr(begin, '\n', available));
            if (feed != nullptr && feed != begin && !isSkipped(*begin)) {
                const auto length = static_cast<std::size_t>(feed - begin);
                line = std::string_view(begin, length);
                blockStart += length + 1;
                return;
            }
        }
        readLineAcross(in);
    }

    // The line, valid until the next read: mostly a view of the block it lies in.
    std::string_view currentLine() const { return line; }
    bool atEnd() const { return endOfInput; }

    // Tells the events the event of a kept line: its command, and its operands cut apart where
    // the writer joined them. A line of no known command is unexpected.
    static void deliver(std::string_view line, DocumentEvents& events);

  private:
    // The commands of the lines no tree needs, as a table: every line of a stream is asked.
    static constexpr std::array<bool, 256> skippedCommands = [] {
        std::array<bool, 256> table{};
        for (const char command : std::string_view("#&CDEINSTaefi{}L"))
            table[static_cast<unsigned char>(command)] = true;
        return table;
    }();
    static bool isSkipped(char command) {
        return skippedCommands[static_cast<unsigned char>(command)];
    }
    // readEsisLine for any line: one that spans blocks, is passed over or ends the stream.
    void readLineAcross(std::istream& in);
    // The next line of the stream, without its line feed, into `line`; false at its end.
    bool nextLine(std::istream& in);

    std::string_view line;
    // A line that spans two blocks, copied together.
    std::string spanned;
    bool endOfInput = false;
    // A document's stream has a line or more for each of its elements: the lines are cut out
    // of a block read at once rather than read a character at a time.
    std::vector<char> block;
    std::size_t blockStart = 0;
    std::size_t blockEnd = 0;
};
