// The html answer style: the answer file's escapes and interrupts, switching styles and streams,
// clear, an answer file that cannot be opened, and the browser the printer starts.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "shell/DumpTestSupport.h"
#include "shell/PrettyPrinterTestSupport.h"

namespace {

namespace fs = std::filesystem;
using dump_test::reportedNames;
using printer_test::InterruptingOperand;
using printer_test::PrettyPrinterTest;
using Lines = std::vector<std::string>;

const std::string header = "<HTML>\n<HEAD>\n<TITLE> QUORINs answer </TITLE>\n</HEAD>\n<BODY>\n";

// Sets an environment variable (or unsets it, for nullopt) and puts the old value back.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : name(name) {
        if (const char* old = std::getenv(name)) before = old;
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (before)
            setenv(name, before->c_str(), 1);
        else
            unsetenv(name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    const char* name;
    std::optional<std::string> before;
};

std::string fileText(const fs::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A scratch working folder for the answer file, HOME and fake browsers; the old working folder
// comes back afterwards. BROWSER is "true", so no test starts a real browser by accident.
class HtmlTest : public PrettyPrinterTest {
  protected:
    HtmlTest() : before(fs::current_path()) {
        char pattern[] = "/tmp/quorin-html-XXXXXX";
        scratch = mkdtemp(pattern);
        fs::create_directories(scratch / "home");
        fs::current_path(scratch);
        home.emplace("HOME", (scratch / "home").string());
        browser.emplace("BROWSER", "true");
    }
    ~HtmlTest() override {
        fs::current_path(before);
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
    }

    // Prints the answers wherever the answer channel points now (with the heading, unless not).
    void answer(const std::string& queryText, const std::vector<std::vector<InternalName>>& rows,
                bool heading = true) {
        FRule* query = harness.rule(queryText);
        Operand* result = answers(query, rows);
        if (heading) printer->beginQuery(query);
        printer->makeOutput(query, result);
    }
    std::string answerFile() const { return fileText(fs::current_path() / ".quorinoutput.html"); }

    // A fake browser: a script that writes its arguments, one a line, then "end" into `out`;
    // with `waitFor` it first waits until that file exists (two minutes at most, so that a
    // failed test leaves no script waiting for ever).
    fs::path fakeBrowser(const std::string& name, const fs::path& out,
                         const fs::path& waitFor = {}) {
        fs::create_directories(scratch / "bin");
        const fs::path script = scratch / "bin" / name;
        std::ofstream text(script);
        text << "#!/bin/sh\nPATH=/usr/bin:/bin\n";
        if (!waitFor.empty())
            text << "i=0\nwhile [ ! -e '" << waitFor.string()
                 << "' ] && [ $i -lt 6000 ]; do sleep 0.02; i=$((i+1)); done\n";
        text << "{ for a in \"$@\"; do printf '%s\\n' \"$a\"; done\n"
             << "  printf 'stdin=%s\\n' \"$(readlink /proc/$$/fd/0)\"\n"
             << "  printf 'session=%s\\n' \"$(cut -d' ' -f6 /proc/$$/stat)\"\n"
             << "  echo end; } > '" << out.string() << ".part'\nmv '" << out.string() << ".part' '"
             << out.string() << "'\n";
        text.close();
        chmod(script.c_str(), 0755);
        return script;
    }
    // The lines the fake browser wrote, without "end"; empty after two minutes without them
    // (a browser runs in the background: nothing tells when it has written).
    static Lines browserLines(const fs::path& out) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        while (!fs::exists(out) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        Lines lines;
        std::istringstream text(fileText(out));
        for (std::string line; std::getline(text, line) && line != "end";) lines.push_back(line);
        return lines;
    }
    // The browser's arguments (its program name first) after a false answer in the html style.
    Lines startedWith(const fs::path& out) {
        printer->style("html");
        output("?- p(a).", {});
        Lines lines = browserLines(out);
        if (lines.size() >= 2) lines.resize(lines.size() - 2);  // stdin and session
        return lines;
    }
    std::string url() const {
        return "file:" + fs::current_path().string() + "/.quorinoutput.html";
    }

    fs::path before;
    fs::path scratch;
    std::optional<ScopedEnv> home;
    std::optional<ScopedEnv> browser;
};

// The end-to-end cases hold a whole answer file; here the query heading's escapes and an
// interrupted listing.
TEST_F(HtmlTest, EscapedHeadingsAndAnInterruptedListing) {
    const InternalName a = object("a");
    EXPECT_EQ(call("style", {"html"}), printer);
    answer("?- q(\"a<b&c\", X).", {{a}});

    FRule* query = harness.rule("?- p(X).");
    const std::unique_ptr<VarList> vars = query->giveVars();
    const auto rows = Ref<InterruptingOperand>::adopt(
        new InterruptingOperand(*vars, {a, object("b"), object("c")}, 2));
    printer->beginQuery(query);
    printer->makeOutput(query, rows.get());

    EXPECT_EQ(answerFile(),
              header +
                  "<BR> <BR> <H3>\n% Answer to query : ?- q(\"a&lt;b&amp;c\",X).</H3>\n"
                  "<STRONG>X/</STRONG>a   <BR>\n"
                  "  <BR>\n% 1 output(s) printed \n<BR>"
                  "<BR> <BR> <H3>\n% Answer to query : ?- p(X).</H3>\n"
                  "<STRONG>X/</STRONG>a   <BR>\n"
                  "  <BR>\nPrinting aborted\n<BR>  <BR>\n% 1 output(s) printed \n<BR>");
    EXPECT_EQ(errors.text(), "");
}

TEST_F(HtmlTest, LinksInValues) {
    ChannelCapture out(answerChannel());
    const auto html = [&](const std::string& text) {
        out.clear();
        printer->writeHtmlValue(text);
        return out.text();
    };
    EXPECT_EQ(html("plain"), "plain  ");
    EXPECT_EQ(html("see \"ftp:x\" or \"mailto:y\"!"),
              "see <A HREF=\"ftp:x\">\"ftp:x\"</A> or <A HREF=\"mailto:y\">\"mailto:y\"</A>!  ");
    // Each prefix is searched again after the end of its own link.
    EXPECT_EQ(html("\"http:a\"\"http:b\""),
              "<A HREF=\"http:a\">\"http:a\"</A><A HREF=\"http:b\">\"http:b\"</A>  ");
    // No closing quote: no link. A link starting inside an earlier one is none either.
    EXPECT_EQ(html("\"file:open"), "\"file:open  ");
    EXPECT_EQ(html("\"http:a\"ftp:b\""), "<A HREF=\"http:a\">\"http:a\"</A>ftp:b\"  ");
    EXPECT_EQ(html("\"http:a<b>&\""),
              "<A HREF=\"http:a&lt;b&gt;&amp;\">\"http:a&lt;b&gt;&amp;\"</A>  ");
}

TEST_F(HtmlTest, SwitchingStylesMovesTheAnswers) {
    const InternalName a = object("a");
    const std::string row = "X/a   \n\n% 1 output(s) printed \n";
    ChannelCapture out(answerChannel());
    printer->style("html");
    answer("?- p(X).", {{a}}, false);
    EXPECT_EQ(out.text(), "");
    printer->style("bound");
    answer("?- p(X).", {{a}}, false);
    EXPECT_EQ(out.text(), row);

    // Twice: two more headers, and one bound brings the captured stream back.
    out.clear();
    printer->style("html");
    printer->style("html");
    printer->style("bound");
    answer("?- p(X).", {{a}}, false);
    EXPECT_EQ(out.text(), row);
    EXPECT_EQ(answerFile(),
              header + "<STRONG>X/</STRONG>a   <BR>\n  <BR>\n% 1 output(s) printed \n<BR>" +
                  header + header);

    // A stream the user set over the html stream stays and receives the answers.
    printer->style("html");
    std::ostringstream mine;
    auto own = Ref<FLSysOStreamImpl<std::ostringstream>>::make(&mine);
    answerChannel().setStream(own.get());
    printer->style("bound");
    EXPECT_EQ(answerChannel().currentStream(), own.get());
    answer("?- p(X).", {{a}}, false);
    answerChannel().resetStream();
    own.reset();
    EXPECT_EQ(mine.str(), row);
    printer->style("bound");
    out.clear();
    answer("?- p(X).", {{a}}, false);
    EXPECT_EQ(out.text(), row);
}

TEST_F(HtmlTest, ClearRestartsTheFile) {
    printer->clear();
    EXPECT_FALSE(fs::exists(".quorinoutput.html"));
    printer->style("html");
    output("?- p(a).", {{}});
    printer->style("bound");
    EXPECT_EQ(call("clear", {}), printer);
    EXPECT_EQ(answerFile(), " \n" + header);
}

TEST_F(HtmlTest, AReleasedPrinterGivesTheAnswerChannelBack) {
    ChannelCapture out(answerChannel());
    printer->style("html");
    printerOwner.reset();
    printerOwner = Ref<PrettyPrinter>::make(access);
    printer = printerOwner.get();
    answer("?- p(X).", {{object("a")}}, false);
    EXPECT_EQ(out.text(), "X/a   \n\n% 1 output(s) printed \n");
}

TEST_F(HtmlTest, AnAnswerFileThatCannotBeOpenedIsReported) {
    ChannelCapture out(answerChannel());
    printer->style("instance");
    fs::create_directory(".quorinoutput.html");
    FLSysOStream* const captured = answerChannel().currentStream();
    EXPECT_EQ(call("style", {"html"}), printer);
    EXPECT_EQ(reportedNames(errors), Lines{"CannotOpenFile"});
    EXPECT_EQ(printer->getStyle(), PrettyPrinter::Instance);
    EXPECT_EQ(answerChannel().currentStream(), captured);
    EXPECT_EQ(output("?- p(X).", {{object("a")}}), "p(a).\n\n% 1 output(s) printed \n");

    // Opened once, then the name turns into a folder: clear cannot reopen it.
    fs::remove(".quorinoutput.html");
    printer->style("html");
    fs::remove(".quorinoutput.html");
    fs::create_directory(".quorinoutput.html");
    errors.clear();
    printer->clear();
    EXPECT_EQ(reportedNames(errors), Lines{"CannotOpenFile"});
    printer->style("bound");
}

TEST_F(HtmlTest, BrowserListsAndTheDesktopDefault) {
    {
        const fs::path out = scratch / "listed";
        ScopedEnv listed("BROWSER", fakeBrowser("first", out).string() + ":/nowhere/second");
        EXPECT_EQ(startedWith(out), Lines{url()});
    }
    const fs::path out = scratch / "default";
    fakeBrowser("xdg-open", out);
    ScopedEnv unset("BROWSER", std::nullopt);
    ScopedEnv path("PATH", (scratch / "bin").string());
    EXPECT_EQ(startedWith(out), Lines{url()});
}

TEST_F(HtmlTest, ARunningBrowserIsToldToOpenTheFile) {
    const fs::path netscape = scratch / "home" / ".netscape";
    fs::create_directories(netscape);
    std::ofstream(netscape / "lockfile").close();
    {
        const fs::path out = scratch / "new";
        ScopedEnv named("BROWSER", fakeBrowser("fake1", out).string());
        EXPECT_EQ(startedWith(out), Lines{url()});
    }
    {
        const fs::path out = scratch / "unset";
        ScopedEnv named("BROWSER", fakeBrowser("fake2", out).string());
        ScopedEnv noHome("HOME", std::nullopt);
        std::ofstream(netscape / "lock").close();
        EXPECT_EQ(startedWith(out), Lines{url()});
    }
    const fs::path out = scratch / "remote";
    ScopedEnv named("BROWSER", fakeBrowser("fake3", out).string());
    EXPECT_EQ(startedWith(out), (Lines{"-remote", "openURL(" + url() + ")"}));
}

TEST_F(HtmlTest, TheWorkingFolderIsOneArgumentAndNeverACommand) {
    const fs::path folder = scratch / "a b;touch marker;'x'";
    fs::create_directory(folder);
    fs::current_path(folder);
    const fs::path out = scratch / "args";
    ScopedEnv named("BROWSER", fakeBrowser("fake", out).string());
    EXPECT_EQ(startedWith(out), Lines{"file:" + folder.string() + "/.quorinoutput.html"});
    EXPECT_FALSE(fs::exists(folder / "marker"));
}

TEST_F(HtmlTest, TheBrowserOpensTheFileInItsOwnSessionAndIsNeverWaitedFor) {
    const fs::path out = scratch / "args";
    const fs::path release = scratch / "release";
    ScopedEnv named("BROWSER", fakeBrowser("fake", out, release).string());
    printer->style("html");
    output("?- p(a).", {});
    // showInBrowser has returned while the browser still waits.
    EXPECT_FALSE(fs::exists(out));
    std::ofstream(release).close();
    const Lines lines = browserLines(out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], url());
    // Its own session, and no keys of the user's.
    EXPECT_EQ(lines[1], "stdin=/dev/null");
    EXPECT_NE(lines[2], "session=" + std::to_string(getsid(0)));
}

// A browser started outside html would have been started before the one started in html, and
// would be a quicker copy of the same script.
TEST_F(HtmlTest, NoBrowserOutsideTheHtmlStyle) {
    const fs::path wrong = scratch / "wrong";
    {
        ScopedEnv named("BROWSER", fakeBrowser("wrong", wrong).string());
        printer->showInBrowser();
        printer->style("resultSet");
        printer->showInBrowser();
        output("?- p(a).", {});
        printer->style("bound");
        output("?- p(a).", {{}});
    }
    const fs::path out = scratch / "args";
    ScopedEnv named("BROWSER", fakeBrowser("fake", out).string());
    EXPECT_EQ(startedWith(out), Lines{url()});
    EXPECT_FALSE(fs::exists(wrong));
}

}  // namespace
