// A reader of a pipe that sleeps before it reads, so that a writer meanwhile fills the pipe and
// waits in write.
#pragma once

#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

class SlowPipeReader {
  public:
    SlowPipeReader(int fd, std::chrono::milliseconds delay)
        : reader([this, fd, delay] {
              std::this_thread::sleep_for(delay);
              char chunk[65536];
              ssize_t got = 0;
              while ((got = read(fd, chunk, sizeof chunk)) != 0) {
                  if (got > 0) received.append(chunk, static_cast<std::size_t>(got));
              }
          }) {}
    SlowPipeReader(const SlowPipeReader&) = delete;
    SlowPipeReader& operator=(const SlowPipeReader&) = delete;
    ~SlowPipeReader() {
        if (reader.joinable()) reader.join();
    }

    // Waits until the pipe's write end is closed and everything is read; what was read.
    const std::string& finish() {
        if (reader.joinable()) reader.join();
        return received;
    }

  private:
    std::string received;
    std::thread reader;
};
