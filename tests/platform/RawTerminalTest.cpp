// The raw terminal over a pseudo-terminal: the modes it sets, and the modes put back on every way
// out of the process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/RawTerminal.h"
#include "support/ChildWait.h"

namespace {

class RawTerminalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
            GTEST_SKIP() << "no pseudo-terminal device: " << std::strerror(errno);
        }
        slave = open(ptsname(master), O_RDWR | O_NOCTTY);
        ASSERT_GE(slave, 0);
        ASSERT_EQ(tcgetattr(slave, &original), 0);
    }
    void TearDown() override {
        if (slave >= 0) close(slave);
        if (master >= 0) close(master);
    }

    termios now() const {
        termios modes{};
        tcgetattr(slave, &modes);
        return modes;
    }
    static bool sameModes(const termios& a, const termios& b) {
        return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
               a.c_cflag == b.c_cflag && std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
    }
    static bool isRawMode(const termios& modes) {
        return !(modes.c_lflag & (ICANON | ECHO | IEXTEN)) && (modes.c_lflag & ISIG) &&
               !(modes.c_iflag & (IXON | ICRNL | INLCR | IGNCR)) && (modes.c_oflag & OPOST) &&
               modes.c_cc[VMIN] == 1 && modes.c_cc[VTIME] == 0;
    }

    // Runs body in a child whose terminal is raw (after first running prepare), and waits for
    // it; the status is returned.
    template <typename Body>
    int inRawChild(Body body, void (*prepare)() = nullptr) {
        pid_t child = fork();
        if (child == 0) {
            if (prepare != nullptr) prepare();
            RawTerminal terminal(slave, slave);
            if (!terminal.enter()) _exit(90);
            body(terminal);
            _exit(91);
        }
        int status = 0;
        EXPECT_TRUE(child_wait::waitWithin(child, status)) << "the child did not end";
        return status;
    }

    int master = -1;
    int slave = -1;
    termios original{};
};

}  // namespace

TEST_F(RawTerminalTest, RawModeKeepsSignalsAndOutputProcessingAndLeavingRestores) {
    RawTerminal terminal(slave, slave);
    EXPECT_TRUE(terminal.interactive());
    ASSERT_TRUE(terminal.enter());
    EXPECT_TRUE(terminal.isRaw());
    EXPECT_TRUE(isRawMode(now()));
    terminal.leave();
    EXPECT_FALSE(terminal.isRaw());
    EXPECT_TRUE(sameModes(now(), original));

    ASSERT_TRUE(terminal.enter());
    {
        RawTerminal second(slave, slave);  // refused while the first is raw, and harmless
        EXPECT_FALSE(second.enter());
    }
    EXPECT_TRUE(isRawMode(now()));
    terminal.leave();
}

TEST_F(RawTerminalTest, ReadsBytesOneAtATimeAndSeesAHangUp) {
    RawTerminal terminal(slave, slave);
    ASSERT_TRUE(terminal.enter());
    EXPECT_FALSE(terminal.byteWaiting(0));
    ASSERT_EQ(write(master, "a\r", 2), 2);
    EXPECT_TRUE(terminal.byteWaiting(1000));
    unsigned char byte = 0;
    ASSERT_EQ(terminal.readByte(byte), RawTerminal::Read::Byte);
    EXPECT_EQ(byte, 'a');
    ASSERT_EQ(terminal.readByte(byte), RawTerminal::Read::Byte);
    EXPECT_EQ(byte, '\r');  // no translation to a line feed
    terminal.leave();
    close(master);
    master = -1;
    EXPECT_EQ(terminal.readByte(byte), RawTerminal::Read::End);
}

TEST_F(RawTerminalTest, TheWindowSizeComesFromTheTerminal) {
    winsize size{};
    size.ws_col = 80;
    size.ws_row = 24;
    ASSERT_EQ(ioctl(master, TIOCSWINSZ, &size), 0);
    RawTerminal terminal(slave, slave);
    int columns = 0;
    int rows = 0;
    ASSERT_TRUE(terminal.windowSize(columns, rows));
    EXPECT_EQ(columns, 80);
    EXPECT_EQ(rows, 24);
    RawTerminal notATerminal(slave, master == 0 ? 1 : -1);
    EXPECT_FALSE(notATerminal.windowSize(columns, rows));
}

TEST_F(RawTerminalTest, ExitPutsTheModesBack) {
    int status = inRawChild([](RawTerminal&) { std::exit(3); });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 3);
    EXPECT_TRUE(sameModes(now(), original));
}

TEST_F(RawTerminalTest, AFaultPutsTheModesBackAndReachesTheHandlerInstalledBefore) {
    int status = inRawChild([](RawTerminal&) { std::abort(); });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    EXPECT_TRUE(sameModes(now(), original));

    int chained = inRawChild([](RawTerminal&) { raise(SIGFPE); },
                             [] { signal(SIGFPE, [](int) { _exit(7); }); });
    ASSERT_TRUE(WIFEXITED(chained));
    EXPECT_EQ(WEXITSTATUS(chained), 7);
    EXPECT_TRUE(sameModes(now(), original));
}

TEST_F(RawTerminalTest, AnUnhandledEndingSignalPutsTheModesBackFirst) {
    int status = inRawChild([](RawTerminal&) { raise(SIGTERM); });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
    EXPECT_TRUE(sameModes(now(), original));
}

TEST_F(RawTerminalTest, AHandledSignalCutsTheReadAndLeavesTheTerminalRaw) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    if (child == 0) {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigaction(SIGINT, &action, nullptr);  // no SA_RESTART
        RawTerminal terminal(slave, slave);
        if (!terminal.enter()) _exit(90);
        if (write(ready[1], "r", 1) != 1) _exit(92);
        unsigned char byte = 0;
        RawTerminal::Read got = terminal.readByte(byte);
        std::exit(got == RawTerminal::Read::Interrupted && terminal.isRaw() ? 0 : 93);
    }
    char mark = 0;
    ASSERT_EQ(child_wait::readWithin(ready[0], &mark, 1), 1u);
    EXPECT_TRUE(isRawMode(now()));
    // Until the read is cut: a signal before the child waits in it is taken by the handler.
    int status = 0;
    EXPECT_TRUE(child_wait::signalUntilEnd(child, SIGINT, status)) << "the read was never cut";
    close(ready[0]);
    close(ready[1]);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(sameModes(now(), original));  // the child's exit guard restored them
}

namespace {
volatile sig_atomic_t timedOut = 0;
// A signal that comes after the question whether to stop and before the read waits.
bool signalJustBeforeTheWait() {
    raise(SIGUSR1);
    return false;
}
bool stopAtOnce() {
    return true;
}
}  // namespace

TEST_F(RawTerminalTest, ASignalJustBeforeTheWaitStillCutsItAndAStopKeepsTheKey) {
    pid_t child = fork();
    if (child == 0) {
        struct sigaction action {};
        action.sa_handler = [](int) {};
        sigaction(SIGUSR1, &action, nullptr);  // no SA_RESTART
        action.sa_handler = [](int) { timedOut = 1; };
        sigaction(SIGALRM, &action, nullptr);
        RawTerminal terminal(slave, slave);
        if (!terminal.enter()) _exit(90);
        alarm(60);  // a missed signal would leave the read waiting for a key that never comes
        unsigned char byte = 0;
        if (terminal.readByte(byte, signalJustBeforeTheWait) != RawTerminal::Read::Interrupted ||
            timedOut) {
            _exit(93);
        }
        alarm(0);
        if (write(master, "k", 1) != 1) _exit(92);
        if (terminal.readByte(byte, stopAtOnce) != RawTerminal::Read::Interrupted) _exit(94);
        std::exit(terminal.readByte(byte) == RawTerminal::Read::Byte && byte == 'k' ? 0 : 95);
    }
    int status = 0;
    ASSERT_TRUE(child_wait::waitWithin(child, status)) << "the child did not end";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(RawTerminalTest, AStopPutsTheModesBackAndContinuingMakesThemRawAgain) {
    int toParent[2];
    int toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t child = fork();
    if (child == 0) {
        // A process group of its own whose parent is in another one of the same session, so a
        // stop signal is not discarded as it would be in an orphaned group.
        setpgid(0, 0);
        RawTerminal terminal(slave, slave);
        if (!terminal.enter()) _exit(90);
        raise(SIGTSTP);
        bool resumed = RawTerminal::takeResumed();
        if (write(toParent[1], resumed ? "y" : "n", 1) != 1) _exit(92);
        char go = 0;
        if (read(toChild[0], &go, 1) != 1) _exit(93);
        std::exit(0);
    }
    int status = 0;
    if (!child_wait::waitForStop(child, status)) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the child neither stopped nor ended";
    }
    ASSERT_TRUE(WIFSTOPPED(status)) << "the child was not stopped";
    EXPECT_TRUE(sameModes(now(), original));
    kill(child, SIGCONT);
    char resumed = 0;
    EXPECT_EQ(child_wait::readWithin(toParent[0], &resumed, 1), 1u);
    EXPECT_EQ(resumed, 'y');
    EXPECT_TRUE(isRawMode(now()));
    ASSERT_EQ(write(toChild[1], "g", 1), 1);
    ASSERT_TRUE(child_wait::waitWithin(child, status)) << "the child did not end";
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) close(fd);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_TRUE(sameModes(now(), original));
}
