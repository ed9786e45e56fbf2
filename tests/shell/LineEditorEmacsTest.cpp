// The line editor's emacs keys, its limits, UTF-8 steps and sideways scrolling.
#include <string>

#include "EditorTestSupport.h"

using namespace editortest;

using Result = LineEditor::Result;

TEST_F(EditorTest, TypedTextIsInsertedOrOverwritesAndOverwriteLastsIntoTheNextLine) {
    EXPECT_EQ(edit(typed("abc") + Keys{ctrl('B'), ctrl('B')} + typed("X\r")), "aXbc");
    EXPECT_EQ(result, Result::Line);
    EXPECT_EQ(edit(typed("abcd") + Keys{ctrl('A'), ctrl('F'), ctrl('O')} + typed("XYZW\r")),
              "aXYZW");
    EXPECT_TRUE(editor.overwriting());
    EXPECT_EQ(edit(typed("ab") + Keys{ctrl('A')} + typed("Q\n")), "Qb");
    EXPECT_EQ(edit(Keys{ctrl('O')} + typed("ab") + Keys{ctrl('A')} + typed("Q\n")), "Qab");
}

TEST_F(EditorTest, LineEndsAndSingleStepsBeepAtTheEdges) {
    EXPECT_EQ(edit(typed("mid") + Keys{ctrl('A')} + typed("<") + Keys{ctrl('E')} + typed(">\r")),
              "<mid>");
    EXPECT_EQ(screen.beeps(), 0);
    EXPECT_EQ(edit(Keys{ctrl('B')} + typed("a") + Keys{ctrl('F'), '\r'}), "a");
    EXPECT_EQ(screen.beeps(), 2);
}

TEST_F(EditorTest, CtrlTExchangesTheCharactersAroundTheCursorAndBeepsAtTheEnds) {
    EXPECT_EQ(edit(typed("abc") + Keys{ctrl('B'), ctrl('T'), '\r'}), "acb");
    EXPECT_EQ(screen.beeps(), 0);
    EXPECT_EQ(edit(typed("ab") + Keys{ctrl('T'), ctrl('A'), ctrl('T'), '\r'}), "ab");
    EXPECT_EQ(screen.beeps(), 2);
}

TEST_F(EditorTest, TheThreeKillsFillTheKillBufferThatCtrlYPutsBack) {
    EXPECT_EQ(edit(typed("hello big world") + Keys{ctrl('W'), '\r'}), "hello big ");
    EXPECT_EQ(editor.killBuffer(), "world");
    EXPECT_EQ(edit(typed("hello big  ") + Keys{ctrl('W'), ctrl('Y'), ctrl('Y'), '\r'}),
              "hello big  big  ");
    EXPECT_EQ(editor.killBuffer(), "big  ");
    EXPECT_EQ(edit(typed("hello") + Keys{ctrl('A'), ctrl('F'), ctrl('K'), '\r'}), "h");
    EXPECT_EQ(editor.killBuffer(), "ello");
    EXPECT_EQ(edit(typed("gone") + Keys{ctrl('U')} + typed("x") + Keys{ctrl('A'), ctrl('Y'), '\r'}),
              "gonex");
    EXPECT_EQ(editor.killBuffer(), "gone");
    EXPECT_EQ(screen.beeps(), 0);
}

TEST_F(EditorTest, YankWithNothingKilledAndAKillOf256CharactersOnlyBeep) {
    EXPECT_EQ(edit(Keys{ctrl('Y')} + typed("a\r")), "a");
    EXPECT_EQ(screen.beeps(), 1);
    std::string longest(255, 'k');
    EXPECT_EQ(edit(typed(longest) + Keys{ctrl('U'), '\r'}), "");
    EXPECT_EQ(editor.killBuffer(), longest);
    std::string tooLong(256, 'z');
    EXPECT_EQ(edit(typed(tooLong) + Keys{ctrl('U'), '\r'}), tooLong);
    EXPECT_EQ(screen.beeps(), 2);
    EXPECT_EQ(editor.killBuffer(), longest);
}

TEST_F(EditorTest, AltFAndAltBMoveByWordsOfNonBlanks) {
    EXPECT_EQ(edit(typed("one two  three") + Keys{ctrl('A'), Esc, 'f'} + typed("X") +
                   Keys{Esc, 'f'} + typed("Y") + Keys{Esc, 'b', Esc, 'B'} + typed("Z\r")),
              "one ZXtwo  Ythree");
    EXPECT_EQ(screen.beeps(), 0);
    EXPECT_EQ(edit(Keys{Esc, 'f', Esc, 'b'} + typed("\r")), "");
    EXPECT_EQ(screen.beeps(), 2);
}

TEST_F(EditorTest, EscapeAloneOrWithAnotherKeyKillsTheLineAndConsumesTheKey) {
    EXPECT_EQ(edit(typed("first") + Keys{Esc, 'x'} + typed("ok\r")), "ok");
    EXPECT_EQ(editor.killBuffer(), "first");
    EXPECT_EQ(edit(typed("second") + Keys{Esc, Pause} + typed("y\r")), "y");
    EXPECT_EQ(editor.killBuffer(), "second");
}

TEST_F(EditorTest, AnUnknownControlKeyOnlyBeeps) {
    EXPECT_EQ(edit(typed("ab") + Keys{ctrl('G'), ctrl('V'), ctrl('\\'), ctrl(']')} + typed("c\r")),
              "abc");
    EXPECT_EQ(screen.beeps(), 4);
}

TEST_F(EditorTest, CtrlDEndsAnEmptyLineAndDeletesOtherwise) {
    EXPECT_EQ(edit(Keys{ctrl('D')} + typed("never\r")), "");
    EXPECT_EQ(result, Result::Line);
    EXPECT_EQ(keys.left(), 6u);
    EXPECT_EQ(edit(typed("abc") + Keys{ctrl('A'), ctrl('D'), ctrl('E'), ctrl('D'), '\r'}), "bc");
    EXPECT_EQ(screen.beeps(), 1);
}

TEST_F(EditorTest, AFunctionKeyReturnsTheEmptyLineAndARunDryInputEndsIt) {
    EXPECT_EQ(edit(typed("typed") + Keys{0} + typed("never\r")), "");
    EXPECT_EQ(result, Result::Line);
    EXPECT_EQ(edit(typed("cut off")), "");
    EXPECT_EQ(result, Result::EndOfInput);
}

TEST_F(EditorTest, TheLineHolds2047BytesAndAYankIsCutToFit) {
    std::string full(2046, 'a');
    std::string line = edit(typed(full) + typed("\xc3\xa9") + typed("b\r"));
    EXPECT_EQ(line, full + "b");
    EXPECT_EQ(screen.beeps(), 1);  // the two-byte character did not fit, the last byte did
    EXPECT_EQ(edit(typed(full) + typed("bc\r")).size(), 2047u);
    EXPECT_EQ(screen.beeps(), 2);

    edit(typed("xyz") + Keys{ctrl('U'), '\r'});
    line = edit(typed(std::string(2045, 'a')) + Keys{ctrl('Y'), '\r'});
    EXPECT_EQ(line, std::string(2045, 'a') + "xy");
    EXPECT_EQ(screen.beeps(), 3);
}

TEST_F(EditorTest, MotionDeletionExchangeAndOverwriteStepOverWholeUtf8Characters) {
    const std::string e = "\xc3\xa9";         // é
    const std::string euro = "\xe2\x82\xac";  // €
    EXPECT_EQ(edit(typed("a" + e + euro + "b") + Keys{ctrl('B'), ctrl('B'), ctrl('H'), '\r'}),
              "a" + euro + "b");
    EXPECT_EQ(edit(typed(e + euro) + Keys{ctrl('B'), ctrl('T'), '\r'}), euro + e);
    EXPECT_EQ(edit(typed(e + euro + "x") + Keys{ctrl('A'), ctrl('D'), ctrl('O')} + typed("12") +
                   Keys{ctrl('O'), '\r'}),
              "12");
    EXPECT_EQ(edit(typed("a" + e + euro) + Keys{ctrl('B'), '\r'}), "a" + e + euro);
    EXPECT_EQ(editor.cursor(), 3u);  // before the euro sign, after the two bytes of é
    EXPECT_EQ(rowAfter(typed("a" + e + euro)), "> a" + e + euro);
    EXPECT_EQ(screen.columnBeforeFeed(), 5);
}

TEST_F(EditorTest, AWideLineScrollsSidewaysWithMarkersWhereTextIsHidden) {
    editor.settings().width = 30;  // 27 columns for the line after "> " and the free last column
    editor.settings().widthSet = true;
    std::string digits = "0123456789012345678901234567890123456789";
    EXPECT_EQ(rowAfter(typed(digits)), "> $" + digits.substr(14));
    EXPECT_EQ(screen.columnBeforeFeed(), 29);
    EXPECT_EQ(rowAfter(typed(digits) + Keys{ctrl('A')}), "> " + digits.substr(0, 26) + "$");
    EXPECT_EQ(screen.columnBeforeFeed(), 2);
    std::string row = rowAfter(typed(digits) + Keys{ctrl('A')} + Keys(20, ctrl('F')));
    EXPECT_EQ(row, "> " + digits.substr(0, 26) + "$");
    EXPECT_EQ(screen.columnBeforeFeed(), 22);
}

TEST_F(EditorTest, BeforeAnyWidthIsSetTheLineScrolls27ColumnsAtATime) {
    editor.settings().width = 30;
    std::string digits = "0123456789012345678901234567890123456789";
    EXPECT_EQ(rowAfter(typed(digits)), "> $" + digits.substr(27));
    EXPECT_EQ(rowAfter(typed(digits) + Keys{ctrl('B'), ctrl('B'), ctrl('B'), ctrl('B'), ctrl('B')}),
              "> $" + digits.substr(27));
}

TEST_F(EditorTest, APromptIsShownUpTo79Characters) {
    editor.settings().width = 250;
    std::string prompt(100, 'p');
    EXPECT_EQ(rowAfter(typed("x"), prompt), std::string(79, 'p') + "x");
}

TEST_F(EditorTest, AfterAStopTheLineIsDrawnAgainWhereItWas) {
    EXPECT_EQ(edit(typed("ab") + Keys{KeySource::Redraw} + typed("c\r")), "abc");
    EXPECT_EQ(screen.rowText(0), "> abc");
}

TEST_F(EditorTest, CtrlLDrawsThePromptAndTheLineOnANewRow) {
    rowAfter(typed("abc") + Keys{ctrl('L')});
    EXPECT_EQ(screen.rowText(0), "> abc");
    EXPECT_EQ(screen.rowText(1), "> abc");
}
