// The shell's line input through a pseudo-terminal: the editor at a terminal, the plain reader
// behind a pipe, and the terminal's modes as they were afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "shell/LineInput.h"

namespace {

volatile sig_atomic_t farewellSeen = 0;
volatile sig_atomic_t interrupts = 0;
bool farewellPending() {
    return farewellSeen != 0;
}

void say(const std::string& text) {
    if (write(1, text.data(), text.size()) < 0) _exit(95);
}

// A child on a pseudo-terminal of its own (a new session, the terminal on 0, 1 and 2, 80 by 24),
// and the test on the other side of it.
class TerminalSession {
  public:
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

    // The child runs body and ends with its result as the exit status.
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

    void type(const std::string& keys) {
        ASSERT_EQ(write(master_, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    // Reads what the child wrote until text appears; false after five seconds without it.
    bool waitFor(const std::string& text) {
        for (int waited = 0; waited < 5000; waited += 10) {
            std::size_t at = seen_.find(text, from_);
            if (at != std::string::npos) {
                from_ = at + text.size();
                return true;
            }
            drain(10);
        }
        return false;
    }
    // The child's exit status (128 + the signal when a signal ended it); -1 after five seconds.
    int finish() {
        for (int waited = 0; waited < 5000; waited += 10) {
            int status = 0;
            if (waitpid(child_, &status, WNOHANG) == child_) {
                child_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            drain(10);
        }
        return -1;
    }
    void hangUp() {
        close(master_);
        master_ = -1;
    }
    pid_t child() const { return child_; }
    const std::string& seen() const { return seen_; }

  private:
    void drain(int milliseconds) {
        if (master_ < 0) {
            usleep(static_cast<useconds_t>(milliseconds) * 1000);
            return;
        }
        pollfd watch{master_, POLLIN, 0};
        if (poll(&watch, 1, milliseconds) > 0) {
            char buffer[512];
            ssize_t got = read(master_, buffer, sizeof buffer);
            if (got > 0) {
                seen_.append(buffer, static_cast<std::size_t>(got));
                return;
            }
        }
        usleep(static_cast<useconds_t>(milliseconds) * 1000);
    }

    int master_ = -1;
    std::string slaveName_;
    pid_t child_ = -1;
    std::string seen_;
    std::size_t from_ = 0;
};

// Reads lines until the end of input or the count, each reported as "[line]"; the status tells
// whether the terminal's modes were as at the start.
int readLines(int count = 1000) {
    termios before{};
    tcgetattr(0, &before);
    std::string line;
    while (count-- > 0 && quorin::lineio::getline("?- ", line)) say("[" + line + "]\n");
    termios after{};
    tcgetattr(0, &after);
    bool same = before.c_lflag == after.c_lflag && before.c_iflag == after.c_iflag &&
                std::memcmp(before.c_cc, after.c_cc, sizeof before.c_cc) == 0;
    return same ? 0 : 1;
}

class LineInputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!session.open()) GTEST_SKIP() << "no pseudo-terminal device";
    }
    TerminalSession session;
};

}  // namespace

TEST_F(LineInputTest, AnEditedLineIsReturnedAndUpRecallsTheHistory) {
    session.start([] {
        quorin::lineio::history_add("older.");
        return readLines(4);
    });
    ASSERT_TRUE(session.waitFor("?- "));
    session.type("abc\x02X\r");
    EXPECT_TRUE(session.waitFor("[abXc]"));
    ASSERT_TRUE(session.waitFor("?- "));
    session.type("\x1b[A\r");
    EXPECT_TRUE(session.waitFor("[older.]"));
    ASSERT_TRUE(session.waitFor("?- "));
    session.type("\x04");  // Ctrl-D on an empty line: the empty line
    EXPECT_TRUE(session.waitFor("[]"));
    ASSERT_TRUE(session.waitFor("?- "));
    session.type("sys.end.\r");
    EXPECT_TRUE(session.waitFor("[sys.end.]"));
    EXPECT_EQ(session.finish(), 0);  // the modes as at the start
}

TEST_F(LineInputTest, AHungUpTerminalEndsTheInput) {
    session.start([] {
        signal(SIGHUP, SIG_IGN);  // the shell's own handler would take it as a farewell
        std::string line;
        int lines = 0;
        while (quorin::lineio::getline("?- ", line) && lines < 5) ++lines;
        return lines;
    });
    ASSERT_TRUE(session.waitFor("?- "));
    session.hangUp();
    EXPECT_EQ(session.finish(), 0);
}

TEST_F(LineInputTest, CtrlCKeepsTheLineAndAFarewellSignalEndsTheInputWithTheModesBack) {
    session.start([] {
        struct sigaction action {};
        action.sa_handler = [](int sig) {
            if (sig == SIGTERM) farewellSeen = 1;
            if (sig == SIGINT) interrupts = interrupts + 1;
        };
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, nullptr);  // no SA_RESTART: the read is cut
        sigaction(SIGTERM, &action, nullptr);
        quorin::lineio::set_farewell_check(farewellPending);
        int status = readLines();
        say("input ended after " + std::to_string(interrupts) + " interrupt\n");
        return status;
    });
    ASSERT_TRUE(session.waitFor("?- "));
    session.type("ab");
    ASSERT_TRUE(session.waitFor("ab"));
    session.type("\x03");
    usleep(100000);
    session.type("c\r");
    EXPECT_TRUE(session.waitFor("[abc]"));
    ASSERT_TRUE(session.waitFor("?- "));
    kill(session.child(), SIGTERM);
    EXPECT_TRUE(session.waitFor("input ended after 1 interrupt"));
    EXPECT_EQ(session.finish(), 0);
}

TEST_F(LineInputTest, APipeOnStandardOutputMeansThePlainReader) {
    session.start([] {
        int out[2];
        if (pipe(out) != 0) return 96;
        int terminal = dup(1);
        dup2(out[1], 1);
        std::string line;
        bool got = quorin::lineio::getline("?- ", line);
        std::string report = got ? "plain [" + line + "]\n" : "none\n";
        if (write(terminal, report.data(), report.size()) < 0) return 95;
        return 0;
    });
    session.type("as typed\x02X\n");
    // The line discipline, not the editor, handled the keys: Ctrl-B is part of the line.
    EXPECT_TRUE(session.waitFor("plain [as typed\x02X]"));
    EXPECT_EQ(session.finish(), 0);
}
