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

  private:
    // Characters collect in a buffer and are encoded a buffer at a time: one write for many
    // characters, and everything written is in the file once the run ends or the stream goes.
    void flushBuf(OpenSP::Char c) override;
    void encodeBuffer();
    void writeBytes(const char* end);

    static constexpr size_t bufferSize = 16384;
    // The longest a character gets: "\#" and ten digits and ";".
    static constexpr size_t maxEscape = 13;
    OpenSP::Char buffer[bufferSize];
    char bytes[4 * bufferSize];
    std::FILE* file = nullptr;
    bool ownsFile = false;
    int openErrno = 0;
};
