// Searching the history from the line editor.
#include "EditorTestSupport.h"

using namespace editortest;

class EditorSearchTest : public EditorTest {
  protected:
    void SetUp() override {
        history.add("consult@(\"a.flp\").");
        history.add("eval.");
        history.add("consult@(\"b.flp\").");
    }
};

TEST_F(EditorSearchTest, ThePromptShowsTheSearchTextAndTheCursorStandsAtTheMatch) {
    EXPECT_EQ(rowAfter(Keys{ctrl('R')}), "?");
    EXPECT_EQ(rowAfter(Keys{ctrl('R')} + typed("sul")), "sul? consult@(\"b.flp\").");
    EXPECT_EQ(screen.columnBeforeFeed(), 5 + 3);
    EXPECT_EQ(rowAfter(Keys{ctrl('R')} + typed("sul") + Keys{ctrl('R')}),
              "sul? consult@(\"a.flp\").");
}

TEST_F(EditorSearchTest, NoMatchBeepsShowsAnEmptyLineAndKeepsTheText) {
    EXPECT_EQ(rowAfter(Keys{ctrl('R')} + typed("sul") + Keys{ctrl('R'), ctrl('R')}), "sul?");
    EXPECT_EQ(screen.beeps(), 1);
    EXPECT_EQ(rowAfter(Keys{ctrl('R')} + typed("evx")), "evx?");
    EXPECT_EQ(screen.beeps(), 1);
}

TEST_F(EditorSearchTest, ShorteningTheTextSearchesAgainFromWhereTheSearchStands) {
    EXPECT_EQ(rowAfter(Keys{ctrl('R')} + typed("evx") + Keys{ctrl('H')}), "ev? eval.");
    // With nothing left to look for, the line found stays.
    EXPECT_EQ(rowAfter(Keys{ctrl('R')} + typed("e") + Keys{127}), "? eval.");
}

TEST_F(EditorSearchTest, AnEmptySearchTextBeepsOnCtrlRAndCtrlS) {
    rowAfter(Keys{ctrl('R'), ctrl('R'), ctrl('S')});
    EXPECT_EQ(screen.beeps(), 2);
}

TEST_F(EditorSearchTest, ForwardSearchGoesBackTowardsTheNewest) {
    EXPECT_EQ(rowAfter(Keys{ctrl('P'), ctrl('P'), ctrl('P'), ctrl('S')} + typed("consult") +
                       Keys{ctrl('S')}),
              "consult? consult@(\"b.flp\").");
}

TEST_F(EditorSearchTest, OtherKeysEndTheSearchAndThenActAsUsual) {
    EXPECT_EQ(edit(Keys{ctrl('R')} + typed("eva\r")), "eval.");
    EXPECT_EQ(edit(Keys{ctrl('R')} + typed("b.f") + Keys{ctrl('A')} + typed("X\r")),
              "Xconsult@(\"b.flp\").");
    // Ctrl-P goes on from the line found; Escape ends the search and kills the line as usual.
    EXPECT_EQ(edit(Keys{ctrl('R')} + typed("b.f") + Keys{ctrl('P'), '\r'}), "eval.");
    EXPECT_EQ(edit(Keys{ctrl('R')} + typed("eva") + Keys{Esc, Pause} + typed("y\r")), "y");
    EXPECT_EQ(editor.killBuffer(), "eval.");
    EXPECT_EQ(screen.beeps(), 0);
    EXPECT_EQ(rowAfter(Keys{ctrl('R')} + typed("eva") + Keys{ctrl('E')}), "> eval.");
}
