// Reading shell text: the trimming of typed lines, readCommandLine over a scripted line source
// (prompts, joining, history, the end of input, nested shells), and blocks run line by line.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"
#include "shell/Block.h"
#include "shell/FLSysInterpreter.h"
#include "shell/LineInput.h"
#include "shell/ShellText.h"
#include "support/ChannelCapture.h"

namespace {

TEST(TrimLine, DropsLeadingBlanksCommentsAndTrailingBlanks) {
    struct Case {
        const char* line;
        const char* trimmed;
    };
    const Case cases[] = {
        {"   p(a).   ", "p(a)."},
        {"\tp(a).", "\tp(a)."},  // only blanks are skipped
        {"p(a). % the fact", "p(a)."},
        {"    % a comment alone", ""},
        {"      ", ""},
        {"sys.echo@(\"100% sure\")[].", "sys.echo@(\"100"},  // a "%" in quotes cuts too
    };
    for (const Case& c : cases) EXPECT_EQ(trimLine(c.line), c.trimmed) << c.line;
}

// The lines a scripted console gives, and the prompts it was shown.
std::deque<std::string> script;
std::vector<std::string> prompts;

bool scriptedLine(const std::string& prompt, std::string& line) {
    prompts.push_back(prompt);
    if (script.empty()) return false;
    line = script.front();
    script.pop_front();
    return true;
}

class ReadCommandLine : public ::testing::Test {
  protected:
    void SetUp() override {
        script.clear();
        prompts.clear();
        setCommandLineSource(&scriptedLine);
        sysOwner = Ref<FLSysInterpreter>::make();
        sys = sysOwner.get();
        answers.emplace(answerChannel());
    }
    void TearDown() override {
        answers.reset();
        sysOwner.reset();
        setCommandLineSource(nullptr);
    }
    std::vector<std::string> history() const { return quorin::lineio::history().lines(); }

    // The fixture holds the interpreter; the tests borrow it through the plain pointer.
    Ref<FLSysInterpreter> sysOwner;
    FLSysInterpreter* sys = nullptr;
    std::optional<ChannelCapture> answers;
};

TEST_F(ReadCommandLine, JoinsPiecesUntilTheTextEndsWithAPeriod) {
    script = {"  sys.help[]", "", "   % nothing here", "  ."};
    EXPECT_EQ(sys->readCommandLine(), "?- sys.help[] .\n");
    EXPECT_EQ(prompts, (std::vector<std::string>{"?- ", "  >", "  >", "  >"}));
    // Empty and comment lines before the first piece prompt for it again.
    prompts.clear();
    script = {"", "   % a comment", "p(X)."};
    EXPECT_EQ(sys->readCommandLine(), "?- p(X).\n");
    EXPECT_EQ(prompts, (std::vector<std::string>{"?- ", "?- ", "?- "}));
}

TEST_F(ReadCommandLine, TheSameCommandTwiceMakesOneHistoryEntry) {
    const std::string unique = "q(history, " + std::to_string(history().size()) + ").";
    script = {unique, unique, "r(" + unique.substr(2)};
    sys->readCommandLine();
    sys->readCommandLine();
    std::vector<std::string> after = history();
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.back(), unique);
    EXPECT_EQ(std::count(after.begin(), after.end(), unique), 1);
    sys->readCommandLine();
    EXPECT_EQ(history().back(), "r(" + unique.substr(2));
}

TEST_F(ReadCommandLine, EndOfInputEndsLikeTheEndCommand) {
    script = {"p(a"};
    EXPECT_EQ(sys->readCommandLine(), endOfInputCommand);
    FLSysRef result = sys->interprete(endOfInputCommand, 1);
    ASSERT_NE(result, nullptr);
    EXPECT_TRUE(result->isA("FLSysEsc"));
    EXPECT_EQ(result->name(), "end");
    result.reset();
}

TEST_F(ReadCommandLine, ANestedShellPutsAPlusBeforeThePrompt) {
    script = {"sys.shell[].", "sys.echo@(\"deep\")[].", "sys.end[].", "sys.end[]."};
    EXPECT_EQ(sys->interprete("?- sys.shell[].", 1), sys);
    EXPECT_EQ(prompts, (std::vector<std::string>{"+?- ", "++?- ", "++?- ", "+?- "}));
    EXPECT_EQ(answers->text(), "deep\n");
    // The end of input leaves every nested shell.
    prompts.clear();
    script = {"sys.shell[]."};
    EXPECT_EQ(sys->interprete("?- sys.shell[].", 1), sys);
    EXPECT_EQ(prompts, (std::vector<std::string>{"+?- ", "++?- ", "+?- "}));
}

TEST_F(ReadCommandLine, APendingFarewellStopsTheTextAndEndsTheInput) {
    script = {"sys.echo@(\"typed\")[]."};
    controlEvents::record(controlEvents::Shutdown);
    EXPECT_EQ(sys->interprete("?- sys.echo@(\"a\")[]. ?- sys.echo@(\"b\")[].", 1), sys);
    EXPECT_EQ(sys->readCommandLine(), endOfInputCommand);
    EXPECT_TRUE(prompts.empty());
    EXPECT_EQ(controlEvents::takeFarewell(), controlEvents::Shutdown);
    interruptFlag.store(0);
    EXPECT_EQ(answers->text(), "");
}

class BlockDoIt : public ::testing::Test {
  protected:
    void SetUp() override {
        sysOwner = Ref<FLSysInterpreter>::make();
        sys = sysOwner.get();
    }
    void TearDown() override { sysOwner.reset(); }

    // Runs a block of the text and answers what the answer channel showed.
    std::string run(const std::string& text, FLSysRef* result = nullptr) {
        ChannelCapture answers(answerChannel());
        auto block = Ref<Block>::make(sys, text);
        FLSysRef last = block->doIt(nullptr);
        if (result != nullptr) *result = std::move(last);
        block.reset();
        return answers.text();
    }

    Ref<FLSysInterpreter> sysOwner;
    FLSysInterpreter* sys = nullptr;
};

TEST_F(BlockDoIt, RunsEveryLineWhateverTheLineBeforeGave) {
    ErrorCapture errors;
    EXPECT_EQ(run("?- sys.echo@(\"a\")[].\n?- sys.nosuch[].\n?- sys.end[].\n"
                  "?- sys.echo@(\"b\")[].\n"),
              "a\nb\n");
    EXPECT_NE(errors.text().find("UnknownMethod"), std::string::npos);
    // Empty lines are skipped and a last line without newline runs.
    EXPECT_EQ(run("\n\n?- sys.echo@(\"one\")[].\n\n?- sys.echo@(\"two\")[]."), "one\ntwo\n");
}

TEST_F(BlockDoIt, AnswersTheLastLinesResult) {
    FLSysRef result;
    run("?- sys.end[].\n?- sys.echo@(\"x\")[].\n", &result);
    EXPECT_EQ(result, sys);
    result.reset();

    run("?- sys.echo@(\"x\")[].\n?- sys.end[].\n", &result);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->name(), "end");
    result.reset();

    run("", &result);
    EXPECT_EQ(result, nullptr);
}

TEST_F(BlockDoIt, RefusesArgumentsAndAMissingInterpreter) {
    ErrorCapture errors;
    auto block = Ref<Block>::make(sys, "?- sys.echo@(\"never\")[].\n");
    clib_list<FLSysObject*> args;
    FLSysInteger one(1);
    args.append(&one);
    EXPECT_EQ(block->doIt(&args), nullptr);
    EXPECT_NE(errors.text().find("WrongNumberOfArguments"), std::string::npos);
    block.reset();

    errors.clear();
    auto orphan = Ref<Block>::make(nullptr, "?- sys.echo@(\"never\")[].\n");
    EXPECT_EQ(orphan->doIt(nullptr), nullptr);
    EXPECT_NE(errors.text().find("NoInterpreterFound"), std::string::npos);
}

}  // namespace
