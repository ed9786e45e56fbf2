// vi's command mode in the line editor, and how vi mode and the screen size are decided.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "EditorTestSupport.h"
#include "shell/EditorSettings.h"

using namespace editortest;

class EditorViTest : public EditorTest {
  protected:
    void SetUp() override { editor.settings().viMode = true; }
    // Types the text, enters command mode (nothing waiting after Escape), then the commands.
    std::string command(const std::string& text, const Keys& commands) {
        return edit(typed(text) + Keys{Esc, Pause} + commands + Keys{'\r'});
    }
};

TEST_F(EditorViTest, EscapeEntersCommandModeOneCharacterToTheLeft) {
    EXPECT_EQ(command("abc", typed("iX")), "abXc");
    EXPECT_EQ(command("abc", typed("^aX")), "aXbc");
    EXPECT_EQ(screen.beeps(), 0);
    EXPECT_EQ(command("abc", Keys{Esc} + typed("zx")), "abc");
    EXPECT_EQ(screen.beeps(), 3);
}

TEST_F(EditorViTest, AnEscapeWithAKeyWaitingTakesItAsTheFirstCommand) {
    EXPECT_EQ(edit(typed("abc") + Keys{Esc} + typed("hiX\r")), "aXbc");
}

TEST_F(EditorViTest, ACountRepeatsTheCommand) {
    EXPECT_EQ(command("abcdef", typed("^3liX")), "abcXdef");
    EXPECT_EQ(command("one two three four", typed("^2wiX")), "one two Xthree four");
    EXPECT_EQ(command("abcdef", typed("12hiX")), "Xabcdef");
    EXPECT_EQ(screen.beeps(), 1);
}

TEST_F(EditorViTest, DeletesOverEachMotionAndFillsTheKillBuffer) {
    EXPECT_EQ(command("abcdef", typed("dh")), "abcdf");
    EXPECT_EQ(editor.killBuffer(), "e");
    EXPECT_EQ(command("abcdef", typed("^dl")), "bcdef");
    EXPECT_EQ(editor.killBuffer(), "a");
    EXPECT_EQ(command("abcdef", typed("^d ")), "bcdef");
    EXPECT_EQ(command("abcdef", typed("^2dl")), "cdef");
    EXPECT_EQ(editor.killBuffer(), "ab");
    EXPECT_EQ(command("abcdef", typed("^d3l")), "def");
    EXPECT_EQ(command("abcdef", typed("^ld$")), "a");
    EXPECT_EQ(editor.killBuffer(), "bcdef");
    EXPECT_EQ(command("one two three", typed("^dw")), "two three");
    EXPECT_EQ(editor.killBuffer(), "one ");
    EXPECT_EQ(command("one two three", typed("^2dw")), "three");
    EXPECT_EQ(screen.beeps(), 0);
    EXPECT_EQ(command("abc", typed("dz")), "abc");
    EXPECT_EQ(screen.beeps(), 1);
}

TEST_F(EditorViTest, DdKillsTheLineAndReturnsToInsertMode) {
    EXPECT_EQ(command("abc", typed("ddX")), "X");
    EXPECT_EQ(editor.killBuffer(), "abc");
}

TEST_F(EditorViTest, CtrlDInCommandModeDeletesIntoTheKillBuffer) {
    EXPECT_EQ(command("abc", Keys{'^', ctrl('D')}), "bc");
    EXPECT_EQ(editor.killBuffer(), "a");
}

TEST_F(EditorViTest, RReplacesOneCharacterAndCapitalROverwrites) {
    EXPECT_EQ(command("abc", typed("^rX")), "Xbc");
    EXPECT_EQ(command("abc", typed("^2rY")), "YYc");
    EXPECT_EQ(command("abc", typed("^RXY")), "XYc");
    EXPECT_TRUE(editor.overwriting());
    EXPECT_EQ(command("abc", typed("^iXY")), "XYabc");
    EXPECT_FALSE(editor.overwriting());
}

TEST_F(EditorViTest, PPutsTheKillBufferAfterAndCapitalPBeforeTheCursor) {
    EXPECT_EQ(command("abc", typed("^dlp")), "bac");
    EXPECT_EQ(command("abc", typed("^dlP")), "abc");
    EXPECT_EQ(command("abc", typed("^dl2p")), "baac");
}

TEST_F(EditorViTest, KAndJBrowseTheHistory) {
    history.add("first.");
    history.add("second.");
    EXPECT_EQ(command("", typed("k")), "second.");
    EXPECT_EQ(command("", typed("2k")), "first.");
    EXPECT_EQ(command("", typed("kkj")), "second.");
    EXPECT_EQ(screen.beeps(), 0);
}

TEST(EditorSettingsTest, ViModeComesFromEditorOrElseFromInputrc) {
    std::string home = testing::TempDir() + "home-" + std::to_string(getpid());
    ASSERT_EQ(mkdir(home.c_str(), 0700), 0);
    EXPECT_TRUE(EditorSettings::viMode("vim", home));
    EXPECT_FALSE(EditorSettings::viMode("emacs", home));
    EXPECT_FALSE(EditorSettings::viMode(nullptr, home));
    {
        std::ofstream inputrc(home + "/.inputrc");
        inputrc << "set bell-style none\nset editing-mode vi\n";
    }
    EXPECT_TRUE(EditorSettings::viMode(nullptr, home));
    EXPECT_TRUE(EditorSettings::viMode("emacs", home));
    {
        std::ofstream inputrc(home + "/.inputrc");
        inputrc << "set editing-mode emacs\n";
    }
    EXPECT_FALSE(EditorSettings::viMode(nullptr, home));
    std::remove((home + "/.inputrc").c_str());
    rmdir(home.c_str());
}

TEST(EditorSettingsTest, ColumnsAndRowsCountOnlyAboveTheirLeastAndTheWindowWins) {
    LineEditorSettings settings;
    EditorSettings::applyEnvironment("20", "10", settings);
    EXPECT_EQ(settings.width, 80);
    EXPECT_EQ(settings.height, 24);
    EXPECT_FALSE(settings.widthSet);
    EditorSettings::applyEnvironment("300", "11", settings);
    EXPECT_EQ(settings.width, 250);
    EXPECT_EQ(settings.height, 11);
    EXPECT_TRUE(settings.widthSet);
    EditorSettings::applyEnvironment("21", nullptr, settings);
    EXPECT_EQ(settings.width, 21);

    EditorSettings::applyWindow(false, 100, 40, settings);
    EXPECT_EQ(settings.width, 21);
    EditorSettings::applyWindow(true, 0, 0, settings);
    EXPECT_EQ(settings.width, 21);
    EXPECT_EQ(settings.height, 11);
    EditorSettings::applyWindow(true, 300, 50, settings);
    EXPECT_EQ(settings.width, 250);
    EXPECT_EQ(settings.height, 50);
    // Narrower or lower windows than the editor can use count as the smallest it can.
    EditorSettings::applyWindow(true, 15, 5, settings);
    EXPECT_EQ(settings.width, 21);
    EXPECT_EQ(settings.height, 10);
}
