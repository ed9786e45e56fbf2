// RetryingFileBuffer: an output stream buffer over a file descriptor whose writes, when a signal
// cuts them short, are tried again, so that Ctrl-C while the output waits on a full pipe loses
// nothing and leaves the stream working.
#pragma once

#include <streambuf>

class RetryingFileBuffer : public std::streambuf {
  public:
    // Writes to `fd`, which it neither owns nor closes.
    explicit RetryingFileBuffer(int fd);
    ~RetryingFileBuffer() override;
    RetryingFileBuffer(const RetryingFileBuffer&) = delete;
    RetryingFileBuffer& operator=(const RetryingFileBuffer&) = delete;

  protected:
    int_type overflow(int_type character) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;
    int sync() override;

  private:
    // Writes everything given, again after each cut by a signal. Gives up (false) on an error,
    // and on a cut while a farewell event is pending: the program is leaving, and a reader that
    // never reads must not hold it.
    bool writeAll(const char* text, std::streamsize count);
    bool flushBuffer();

    int fd;
    char buffer[4096];
};
