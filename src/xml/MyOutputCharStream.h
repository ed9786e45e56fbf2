// The output stream that writes the event stream, UTF-8 encoded, to a named file.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/OutputCharStream.h>
// clang-format on

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

class MyOutputCharStream : public OpenSP::OutputCharStream {
  public:
    // "CON:" names standard output, which is flushed but never closed.
    explicit MyOutputCharStream(const char* name);
    ~MyOutputCharStream() override;
    MyOutputCharStream(const MyOutputCharStream&) = delete;
    MyOutputCharStream& operator=(const MyOutputCharStream&) = delete;

    bool isOpen() const { return file != nullptr; }
    // The errno of a failed open.
    int openError() const { return openErrno; }
    void flush() override;

    // The event writer's own road: a line of the stream is a few characters, and going through
    // the library's buffer of characters, then encoding that buffer, cost more than the parse
    // of a small element. These write UTF-8 bytes straight into the encoded buffer, after what
    // the library's buffer holds.
    void putByte(char c) {
        if (ptr_ != buffer) encodeBuffer();
        if (out >= full) writeBytes();
        *out++ = c;
    }
    void putBytes(const char* text) {
        while (*text != '\0') putByte(*text++);
    }
    // Bytes encoded and escaped already, as they are.
    void putEncoded(std::string_view bytes) {
        while (!bytes.empty()) {
            const std::size_t chunk = std::min(bytes.size(), escapeChunk);
            char* const at = reserve(chunk);
            std::memcpy(at, bytes.data(), chunk);
            out = at + chunk;
            bytes.remove_prefix(chunk);
        }
    }
    // Characters, each encoded as UTF-8 (or as an escape where UTF-8 cannot hold it).
    void putChars(const OpenSP::Char* s, std::size_t n);
    // Characters as a line of the stream holds them: a record end as "\n", a backslash doubled,
    // any other control character as "\0" and two octal digits, the rest as putChars writes
    // them. Returns how many record ends the text held. Inline, as the line writer is: the
    // text of a data event between two tags is a character or two.
    std::size_t putEscaped(const OpenSP::Char* s, std::size_t n) {
        std::size_t recordEnds = 0;
        while (n > 0) {
            const std::size_t chunk = std::min(n, escapeChunk);
            out = escapeAt(s, chunk, reserve(chunk * maxEscape + 1), &recordEnds);
            s += chunk;
            n -= chunk;
        }
        return recordEnds;
    }
    // A whole line: the command, the operand escaped as putEscaped does, and the line feed.
    // Returns how many record ends the operand held.
    std::size_t putLine(char command, const OpenSP::Char* s, std::size_t n) {
        // A name, mostly: the line is written in one piece.
        if (n > escapeChunk) {
            putByte(command);
            const std::size_t recordEnds = putEscaped(s, n);
            putByte('\n');
            return recordEnds;
        }
        std::size_t recordEnds = 0;
        char* at = reserve(n * maxEscape + 3);
        *at++ = command;
        at = escapeAt(s, n, at, &recordEnds);
        *at++ = '\n';
        out = at;
        return recordEnds;
    }

    // The escaping of a line's text, shared with EscapedText, which collects such text in memory.
    // The longest a character gets: "\#" and ten digits and ";".
    static constexpr size_t maxEscape = 13;
    // The characters escaped in one piece: room for the longest of them stays well within the
    // bytes' buffer.
    static constexpr size_t escapeChunk = 1024;
    // How a character below 0x80 goes into a line of the stream; those above are encoded.
    enum class Escape : unsigned char { plain, recordEnd, backslash, octal };
    // Every character of a document's text is asked: a table rather than a chain of tests.
    static constexpr std::array<Escape, 0x80> escapes = [] {
        std::array<Escape, 0x80> table{};
        for (unsigned c = 0; c < 32; ++c) table[c] = Escape::octal;
        table[13] = Escape::recordEnd;
        table['\\'] = Escape::backslash;
        return table;
    }();
    // Escapes the characters at `at`, which has room for maxEscape + 1 bytes a character;
    // counts the record ends in *recordEnds and returns the end of the bytes.
    static char* escapeAt(const OpenSP::Char* s, std::size_t n, char* at, std::size_t* recordEnds) {
        for (const OpenSP::Char* end = s + n; s < end; ++s) {
            const OpenSP::Char c = *s;
            // Most of a document's text is plain ASCII, copied as it is.
            if (c < 0x80 && escapes[c] == Escape::plain) {
                *at++ = char(c);
                continue;
            }
            if (c >= 0x80) {
                at = encodeAt(c, at);
                continue;
            }
            switch (escapes[c]) {
                case Escape::plain:
                    break;
                case Escape::recordEnd:
                    at[0] = '\\';
                    at[1] = 'n';
                    at += 2;
                    ++*recordEnds;
                    break;
                case Escape::backslash:
                    at[0] = '\\';
                    at[1] = '\\';
                    at += 2;
                    break;
                case Escape::octal:
                    at[0] = '\\';
                    at[1] = '0';
                    at[2] = char('0' + c / 8);
                    at[3] = char('0' + c % 8);
                    at += 4;
                    break;
            }
        }
        return at;
    }

  private:
    // Characters collect in a buffer and are encoded a buffer at a time: one write for many
    // characters, and everything written is in the file once the run ends or the stream goes.
    void flushBuf(OpenSP::Char c) override;
    // Encodes the characters of the library's buffer behind the bytes written so far.
    void encodeBuffer();
    void encode(OpenSP::Char c) { out = encodeAt(c, out); }
    // Writes the character's bytes at `at` (room for maxEscape + 1 bytes) and returns their end.
    static char* encodeAt(OpenSP::Char c, char* at);
    // Room for n more bytes behind the bytes encoded so far: what the library's buffer holds is
    // encoded first, and the bytes go to the file when the room is short.
    char* reserve(std::size_t n) {
        if (ptr_ != buffer) encodeBuffer();
        if (static_cast<std::size_t>(bytes + sizeof bytes - out) < n) writeBytes();
        return out;
    }
    // Writes the encoded bytes to the file and empties their buffer.
    void writeBytes();

    static constexpr size_t bufferSize = 16384;
    OpenSP::Char buffer[bufferSize];
    char bytes[4 * bufferSize];
    // The end of the bytes encoded, and where the room for one more character's bytes ends.
    char* out = bytes;
    char* const full = bytes + sizeof bytes - maxEscape - 1;
    std::FILE* file = nullptr;
    bool ownsFile = false;
    int openErrno = 0;
};
