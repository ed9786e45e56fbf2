// The shell's line input through a pseudo-terminal: the editor at a terminal, the plain reader
// behind a pipe, and the terminal's modes as they were afterwards.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/InterruptFlag.h"
#include "shell/LineInput.h"
#include "support/TerminalSession.h"

namespace {

volatile sig_atomic_t farewellSeen = 0;
volatile sig_atomic_t interrupts = 0;
bool farewellPending() {
    return farewellSeen != 0;
}

void say(const std::string& text) {
    if (write(1, text.data(), text.size()) < 0) _exit(95);
}

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
    terminal_test::TerminalSession session;
};

}  // namespace

TEST_F(LineInputTest, AnEditedLineIsReturnedAndUpRecallsTheHistory) {
    session.start([] {
        quorin::lineio::history_add("older.");
        return readLines(4);
    });
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("abc\x02X\r"));
    EXPECT_TRUE(session.waitFor("[abXc]"));
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("\x1b[A\r"));
    EXPECT_TRUE(session.waitFor("[older.]"));
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("\x04"));  // Ctrl-D on an empty line: the empty line
    EXPECT_TRUE(session.waitFor("[]"));
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("sys.end.\r"));
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
    ASSERT_TRUE(session.type("ab"));
    ASSERT_TRUE(session.waitFor("ab"));
    // The signal is pending before the key after it can be read, and the editor takes it
    // before it reads that key: once "c" is drawn, the Ctrl-C was the prompt's.
    ASSERT_TRUE(session.type("\x03"));
    ASSERT_TRUE(session.type("c"));
    ASSERT_TRUE(session.waitFor("abc"));
    ASSERT_TRUE(session.type("\r"));
    EXPECT_TRUE(session.waitFor("[abc]"));
    ASSERT_TRUE(session.waitFor("?- "));
    kill(session.child(), SIGTERM);
    EXPECT_TRUE(session.waitFor("input ended after 1 interrupt"));
    EXPECT_EQ(session.finish(), 0);
}

TEST_F(LineInputTest, AnInterruptWhileTheEditorWorksIsThePromptsToo) {
    session.start([] {
        // The completion hook stands for any work between two keys: a Ctrl-C taken then raises
        // the flag without cutting a read.
        quorin::lineio::set_completion_hook(
            [](const std::string&, int) -> std::optional<std::string> {
                interruptFlag.store(1);
                return std::nullopt;
            });
        std::string line;
        bool got = quorin::lineio::getline("?- ", line);
        say(std::string(got ? "line" : "none") + " flag " + std::to_string(interruptFlag.load()) +
            "\n");
        return 0;
    });
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("ab\t"));
    ASSERT_TRUE(session.type("\r"));
    EXPECT_TRUE(session.waitFor("line flag 0"));
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
    ASSERT_TRUE(session.type("as typed\x02X\n"));
    // The line discipline, not the editor, handled the keys: Ctrl-B is part of the line.
    EXPECT_TRUE(session.waitFor("plain [as typed\x02X]"));
    EXPECT_EQ(session.finish(), 0);
}
