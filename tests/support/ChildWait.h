// Waits of a test on its children and pipes that end by a deadline: on a loaded machine a child
// may be slow, but one that never ends must fail its test, not hang it until ctest's timeout.
#pragma once

#include <poll.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>

namespace child_wait {

using Clock = std::chrono::steady_clock;

// Long enough for a sanitizer build on a machine whose every core runs something else.
constexpr std::chrono::milliseconds Generous{120000};

inline int remainingMilliseconds(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// Waits until fd shows one of the events; false when the deadline passes first.
inline bool awaitEvents(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd watch{fd, events, 0};
        int ready = poll(&watch, 1, remainingMilliseconds(deadline));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

// Reads exactly count bytes unless the writer closes first or the limit passes; the bytes read.
inline std::size_t readWithin(int fd, void* into, std::size_t count,
                              std::chrono::milliseconds limit = Generous) {
    const auto deadline = Clock::now() + limit;
    std::size_t got = 0;
    while (got < count && awaitEvents(fd, POLLIN, deadline)) {
        ssize_t now = read(fd, static_cast<char*>(into) + got, count - got);
        if (now == 0) break;
        if (now < 0) {
            if (errno == EINTR) continue;
            break;
        }
        got += static_cast<std::size_t>(now);
    }
    return got;
}

// Waits for the child's end and returns waitpid's status for it; when the limit passes first,
// the child is killed, reaped, and the result is false.
inline bool waitWithin(pid_t child, int& status, std::chrono::milliseconds limit = Generous) {
    const auto deadline = Clock::now() + limit;
    // A process descriptor turns readable when its process ends: no polling of waitpid.
    const int process = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
    if (process >= 0) {
        bool ended = awaitEvents(process, POLLIN, deadline);
        close(process);
        if (ended) return waitpid(child, &status, 0) == child;
    } else {
        while (Clock::now() < deadline) {
            pid_t done = waitpid(child, &status, WNOHANG);
            if (done == child) return true;
            if (done < 0 && errno != EINTR) return false;
            poll(nullptr, 0, 10);
        }
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return false;
}

// Sends the signal again and again until the child ends, for a child that may not yet wait
// where the signal is meant to find it (a signal that comes too early is taken and lost); false,
// with the child killed, when it has not ended within the limit.
inline bool signalUntilEnd(pid_t child, int signal, int& status,
                           std::chrono::milliseconds limit = Generous) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        kill(child, signal);
        const auto slice = std::min(deadline, Clock::now() + std::chrono::milliseconds(20));
        const int process = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
        if (process >= 0) {
            awaitEvents(process, POLLIN, slice);
            close(process);
        } else {
            poll(nullptr, 0, remainingMilliseconds(slice));
        }
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return true;
        if (done < 0 && errno != EINTR) return false;
    }
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    return false;
}

// Waits until the child stops (WUNTRACED); false when it does not within the limit. Nothing
// announces a stop on a descriptor, so this asks in short slices until the deadline.
inline bool waitForStop(pid_t child, int& status, std::chrono::milliseconds limit = Generous) {
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline) {
        pid_t done = waitpid(child, &status, WNOHANG | WUNTRACED);
        if (done == child) return true;
        if (done < 0 && errno != EINTR) return false;
        poll(nullptr, 0, 10);
    }
    return false;
}

}  // namespace child_wait
