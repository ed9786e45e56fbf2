// The quorin program at a terminal: a pseudo-terminal of the test's own carries the keys typed and
// what the program draws, and the terminal's modes are compared with those it started with.
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/TerminalSession.h"

namespace {

const std::string Left = "\x1b[D";
const std::string Up = "\x1b[A";

bool sameModes(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_lflag == b.c_lflag &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// Each case starts the test build's quorin in a scratch folder that is also its home folder (no
// ".inputrc": emacs keys), with a scratch history file and a file to consult.
class QuorinAtATerminal : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!session.open()) GTEST_SKIP() << "no pseudo-terminal device";
        std::string pattern = (std::filesystem::temp_directory_path() / "quorin-tty-XXXXXX");
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        folder = pattern;
        std::ofstream(folder + "/history.his") << "sys.echo@(\"from the history file\")[].\n"
                                               << "sys.echo@(\"newest loaded\")[].\n";
        std::ofstream(folder + "/graph-of-edges.flp") << "?- sys.echo@(\"consulted\")[].\n";
        ASSERT_TRUE(session.modes(before));
    }
    void TearDown() override {
        if (!folder.empty()) std::filesystem::remove_all(folder);
    }

    // Runs quorin -his history.his; with a descriptor, standard output goes there instead; with
    // an editor, EDITOR names it.
    void startQuorin(int output = -1, const char* editor = nullptr) {
        std::string home = folder;
        session.start([home, output, editor] {
            if (output >= 0) dup2(output, 1);
            if (chdir(home.c_str()) != 0) return 98;
            setenv("HOME", home.c_str(), 1);
            for (const char* name : {"EDITOR", "COLUMNS", "ROWS", "QUORINCFG", "QUORINHIS",
                                     "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS"}) {
                unsetenv(name);
            }
            if (editor != nullptr) setenv("EDITOR", editor, 1);
            execl(QUORIN_PROGRAM, "quorin", "-his", "history.his", static_cast<char*>(nullptr));
            return 99;
        });
    }
    // Types the command and waits for the line its output ends with.
    void run(const std::string& keys, const std::string& output) {
        ASSERT_TRUE(session.waitFor("?- ")) << session.seen();
        ASSERT_TRUE(session.type(keys));
        EXPECT_TRUE(session.waitFor(output + "\r\n")) << session.seen();
    }
    void endAtThePrompt() {
        run("sys.end.\r", "Bye");
        EXPECT_EQ(session.finish(), 0);
        EXPECT_TRUE(modesAsAtTheStart());
    }
    bool modesAsAtTheStart() {
        termios after{};
        return session.modes(after) && sameModes(before, after);
    }

    terminal_test::TerminalSession session;
    std::string folder;
    termios before{};
};

}  // namespace

TEST_F(QuorinAtATerminal, AnEditedCommandRunsAndTheHistoryRecallsAndSearchesIt) {
    startQuorin();
    // The cursor goes back six characters, before the "b" of "ab".
    run("sys.echo@(\"ab\")[]." + Left + Left + Left + Left + Left + Left + "X\r", "aXb");
    run(Up + "\r", "aXb");
    run("\x12hist\r", "from the history file");  // Ctrl-R
    endAtThePrompt();
}

TEST_F(QuorinAtATerminal, EditorVimMeansViKeys) {
    startQuorin(-1, "vim");
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("sys.echo@(\"abXc\")[]."));
    ASSERT_TRUE(session.waitFor("[]."));
    // Escape alone: command mode on the last character (the line is drawn again once the
    // editor has waited for a further key in vain); six left, then delete under the cursor.
    ASSERT_TRUE(session.type("\x1b"));
    ASSERT_TRUE(session.waitFor("\r?- sys.echo@(\"abXc\")[].")) << session.seen();
    run("6hdl\r", "abc");
    endAtThePrompt();
}

TEST_F(QuorinAtATerminal, TabCompletesAFileNameInsideConsult) {
    startQuorin();
    run("sys.consult@(\"gra\t)[].\r", "consulted");
    EXPECT_NE(session.seen().find("sys.consult@(\"graph-of-edges.flp\")[]."), std::string::npos);
    endAtThePrompt();
}

TEST_F(QuorinAtATerminal, CtrlCKeepsTheLineAndCtrlDOnAnEmptyLinePromptsAgain) {
    startQuorin();
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("sys.echo@(\"ke"));
    ASSERT_TRUE(session.waitFor("ke"));
    // The terminal turns the Ctrl-C into a signal before it passes on the key typed after it,
    // and the editor takes the signal before it reads that key: once "p" is drawn, the Ctrl-C
    // has been dealt with at the prompt.
    ASSERT_TRUE(session.type("\x03"));
    ASSERT_TRUE(session.type("p"));
    ASSERT_TRUE(session.waitFor("kep")) << session.seen();
    ASSERT_TRUE(session.type("t\")[].\r"));
    EXPECT_TRUE(session.waitFor("kept\r\n")) << session.seen();
    // The Ctrl-C was the prompt's: the next evaluation step still runs.
    std::ofstream(folder + "/facts.flp") << "p(a).\n";
    run("sys.consult@(\"facts.flp\")[].\r", "");
    run("sys.tp[].\r", "TP Round 0");
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("\x04"));  // the same prompt again, which run waits for
    run("sys.echo@(\"still here\")[].\r", "still here");
    endAtThePrompt();
}

TEST_F(QuorinAtATerminal, SigtermAtThePromptEndsWithStatus6AndTheModesBack) {
    startQuorin();
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("abc"));
    ASSERT_TRUE(session.waitFor("abc"));
    kill(session.child(), SIGTERM);
    EXPECT_TRUE(session.waitFor("Leaving Quorin...   Bye")) << session.seen();
    EXPECT_EQ(session.finish(), 6);
    EXPECT_TRUE(modesAsAtTheStart());
}

// The modes of a terminal that has gone cannot be read; the program must end, not prompt on.
TEST_F(QuorinAtATerminal, AHangUpEndsTheProgramAsTheWindowClosing) {
    startQuorin();
    ASSERT_TRUE(session.waitFor("?- "));
    ASSERT_TRUE(session.type("abc"));
    ASSERT_TRUE(session.waitFor("abc"));
    session.hangUp();
    EXPECT_EQ(session.finish(), 2);
}

TEST_F(QuorinAtATerminal, APipeOnStandardOutputMeansThePlainReader) {
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    startQuorin(pipeEnds[1]);
    close(pipeEnds[1]);
    ASSERT_TRUE(session.type("sys.echo@(\"plain\")[].\nsys.end.\n"));
    EXPECT_EQ(session.finish(), 0);
    std::string output;
    char buffer[512];
    for (ssize_t got; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    // The terminal's own echo shows the typed line; nothing of it is drawn on standard output.
    EXPECT_NE(session.seen().find("sys.echo@(\"plain\")[].\r\n"), std::string::npos);
    EXPECT_NE(output.find("?- plain\n"), std::string::npos) << output;
    EXPECT_EQ(output.find("sys.echo"), std::string::npos) << output;
    EXPECT_NE(output.find("Bye\n"), std::string::npos) << output;
    EXPECT_TRUE(modesAsAtTheStart());
}
