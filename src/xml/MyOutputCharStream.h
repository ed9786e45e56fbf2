// The output stream that writes the event stream, UTF-8 encoded, to a named file.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/OutputCharStream.h>
// clang-format on

#include <cstdio>

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
    // Characters, each encoded as UTF-8 (or as an escape where UTF-8 cannot hold it).
    void putChars(const OpenSP::Char* s, std::size_t n);

  private:
    // Characters collect in a buffer and are encoded a buffer at a time: one write for many
    // characters, and everything written is in the file once the run ends or the stream goes.
    void flushBuf(OpenSP::Char c) override;
    // Encodes the characters of the library's buffer behind the bytes written so far.
    void encodeBuffer();
    void encode(OpenSP::Char c);
    // Writes the encoded bytes to the file and empties their buffer.
    void writeBytes();

    static constexpr size_t bufferSize = 16384;
    // The longest a character gets: "\#" and ten digits and ";".
    static constexpr size_t maxEscape = 13;
    OpenSP::Char buffer[bufferSize];
    char bytes[4 * bufferSize];
    // The end of the bytes encoded, and where the room for one more character's bytes ends.
    char* out = bytes;
    char* const full = bytes + sizeof bytes - maxEscape - 1;
    std::FILE* file = nullptr;
    bool ownsFile = false;
    int openErrno = 0;
};
