// A child process on a pseudo-terminal of its own, and the test on the other side of it.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>

namespace terminal_test {

// The child gets a new session with the terminal on 0, 1 and 2 as its controlling terminal, 80
// by 24. Each wait gives up after the timeout, so a child that never answers fails the test
// instead of hanging it; the default is generous, for a machine whose every core is busy.
class TerminalSession {
  public:
    explicit TerminalSession(int timeoutMilliseconds = 120000) : timeout_(timeoutMilliseconds) {}
    TerminalSession(const TerminalSession&) = delete;
    TerminalSession& operator=(const TerminalSession&) = delete;

    // False when the machine has no pseudo-terminal device.
    bool open() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return false;
        slaveName_ = ptsname(master_);
        return true;
    }
    ~TerminalSession() {
        if (master_ >= 0) close(master_);
        if (child_ > 0) {
            kill(child_, SIGKILL);
            waitpid(child_, nullptr, 0);
        }
    }

    // The child runs body and ends with its result as the exit status (body may also exec).
    void start(const std::function<int()>& body) {
        child_ = fork();
        if (child_ != 0) return;
        setsid();
        int slave = ::open(slaveName_.c_str(), O_RDWR);
        if (slave < 0) _exit(97);
        ioctl(slave, TIOCSCTTY, 0);
        winsize size{};
        size.ws_col = 80;
        size.ws_row = 24;
        ioctl(slave, TIOCSWINSZ, &size);
        for (int fd = 0; fd < 3; ++fd) dup2(slave, fd);
        if (slave > 2) close(slave);
        close(master_);
        std::exit(body());
    }

    bool type(const std::string& keys) {
        return write(master_, keys.data(), keys.size()) == static_cast<ssize_t>(keys.size());
    }
    // Reads what the child wrote until text appears after what earlier waits found; false after
    // the timeout without it.
    bool waitFor(const std::string& text) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_);
        for (;;) {
            std::size_t at = seen_.find(text, from_);
            if (at != std::string::npos) {
                from_ = at + text.size();
                return true;
            }
            if (Clock::now() >= deadline) return false;
            drain(deadline);
        }
    }
    // The child's exit status (128 + the signal when a signal ended it); -1 after the timeout.
    // What the child writes meanwhile is read, so that it never waits on a full terminal.
    int finish() {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_);
        for (;;) {
            int status = 0;
            if (waitpid(child_, &status, WNOHANG) == child_) {
                child_ = -1;
                keepTheRest();
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (Clock::now() >= deadline) return -1;
            drain(std::min(deadline, Clock::now() + std::chrono::milliseconds(10)));
        }
    }
    // The modes of the terminal's child side (the kernel answers them on the master too).
    bool modes(termios& into) const { return master_ >= 0 && tcgetattr(master_, &into) == 0; }
    void hangUp() {
        close(master_);
        master_ = -1;
    }
    pid_t child() const { return child_; }
    const std::string& seen() const { return seen_; }

  private:
    using Clock = std::chrono::steady_clock;

    // Waits until the child writes or the deadline passes, and keeps what it wrote. A terminal
    // whose other side has gone reports an error at once; then this waits out the slice, since
    // nothing more can come.
    void drain(Clock::time_point until) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        const int milliseconds = std::max(0, static_cast<int>(left.count()));
        if (master_ >= 0) {
            pollfd watch{master_, POLLIN, 0};
            if (poll(&watch, 1, milliseconds) > 0) {
                char buffer[512];
                ssize_t got = read(master_, buffer, sizeof buffer);
                if (got > 0) {
                    seen_.append(buffer, static_cast<std::size_t>(got));
                    return;
                }
            } else {
                return;
            }
        }
        poll(nullptr, 0, std::min(milliseconds, 10));
    }

    // What the terminal still holds once the child has gone (the echo of the last keys on a busy
    // machine): it is kept before the session is read.
    void keepTheRest() {
        if (master_ < 0) return;
        char buffer[512];
        for (pollfd watch{master_, POLLIN, 0};
             poll(&watch, 1, 0) > 0 && (watch.revents & POLLIN);) {
            const ssize_t got = read(master_, buffer, sizeof buffer);
            if (got <= 0) return;
            seen_.append(buffer, static_cast<std::size_t>(got));
        }
    }

    int timeout_;
    int master_ = -1;
    std::string slaveName_;
    pid_t child_ = -1;
    std::string seen_;
    std::size_t from_ = 0;
};

}  // namespace terminal_test
