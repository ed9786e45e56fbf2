// A reader of a pipe that first waits for something to happen, so that a writer meanwhile fills
// the pipe and waits in write; every wait ends by a deadline.
#pragma once

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "support/ChildWait.h"

namespace pipe_test {

// Waits until the pipe whose write end this is has no room left, that is until its writer must
// wait; false when the limit passes first. A pipe tells when it has room, not when it has none,
// so this asks in short slices.
inline bool waitUntilFull(int writeEnd, std::chrono::milliseconds limit = child_wait::Generous) {
    const auto deadline = child_wait::Clock::now() + limit;
    while (child_wait::Clock::now() < deadline) {
        pollfd watch{writeEnd, POLLOUT, 0};
        if (poll(&watch, 1, 0) == 0) return true;
        poll(nullptr, 0, 5);
    }
    return false;
}

// Reads the pipe on a thread of its own once `first` has returned (run on that thread), until
// the write end is closed.
class GatedPipeReader {
  public:
    GatedPipeReader(int fd, std::function<void()> first)
        : reader([this, fd, first = std::move(first)] {
              first();
              char chunk[65536];
              for (;;) {
                  ssize_t got = read(fd, chunk, sizeof chunk);
                  if (got == 0) break;
                  if (got < 0) {
                      if (errno == EINTR) continue;
                      break;
                  }
                  received.append(chunk, static_cast<std::size_t>(got));
              }
          }) {}
    GatedPipeReader(const GatedPipeReader&) = delete;
    GatedPipeReader& operator=(const GatedPipeReader&) = delete;
    ~GatedPipeReader() {
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

}  // namespace pipe_test
