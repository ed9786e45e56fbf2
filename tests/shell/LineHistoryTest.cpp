// The history ring: what is added, what is dropped, browsing both ways and loading a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "EditorTestSupport.h"
#include "shell/LineHistory.h"

using namespace editortest;

TEST(LineHistoryTest, LeadingWhiteSpaceAndOneTrailingNewlineAreDroppedAndARepeatIsStoredOnce) {
    LineHistory history;
    history.add(" \t\nfirst.\n");
    history.add("first.");
    history.add("   ");
    history.add("\n");
    history.add("second.");
    history.add("first.");
    EXPECT_EQ(history.lines(), (std::vector<std::string>{"first.", "second.", "first."}));
}

TEST(LineHistoryTest, TheHundredthLineDropsTheOldest) {
    LineHistory history;
    for (int i = 0; i < 99; ++i) history.add("line " + std::to_string(i));
    EXPECT_EQ(history.lines().size(), 99u);
    EXPECT_EQ(history.lines().front(), "line 0");
    history.add("line 99");
    std::vector<std::string> lines = history.lines();
    ASSERT_EQ(lines.size(), 99u);
    EXPECT_EQ(lines.front(), "line 1");
    EXPECT_EQ(lines.back(), "line 99");

    // Browsing back stops at the oldest line kept.
    std::string line;
    int steps = 0;
    while (history.previous(line)) ++steps;
    EXPECT_EQ(steps, 99);
    EXPECT_EQ(line, "line 1");
}

TEST(LineHistoryTest, EveryFileLineIsOneEntryCutToTheLongestLine) {
    std::string path = testing::TempDir() + "history-" + std::to_string(getpid());
    {
        std::ofstream file(path);
        file << std::string(3000, 'x') << "\n";
        file << "?- short.\r\n";
        file << "last without newline";
    }
    LineHistory history;
    history.load(path);
    std::remove(path.c_str());
    std::vector<std::string> lines = history.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(2047, 'x'));
    EXPECT_EQ(lines[1], "?- short.");
    EXPECT_EQ(lines[2], "last without newline");

    history.load(path);  // gone now: nothing happens
    EXPECT_EQ(history.lines().size(), 3u);
}

TEST_F(EditorTest, BrowsingBeepsAndEmptiesTheLineAtBothEnds) {
    history.add("older.");
    history.add("newer.");
    EXPECT_EQ(edit(Keys{ctrl('P'), '\r'}), "newer.");
    EXPECT_EQ(edit(Keys{ctrl('P'), ctrl('P'), '\r'}), "older.");
    EXPECT_EQ(screen.beeps(), 0);
    EXPECT_EQ(edit(Keys{ctrl('P'), ctrl('P'), ctrl('P'), '\r'}), "");
    EXPECT_EQ(screen.beeps(), 1);
    EXPECT_EQ(edit(Keys{ctrl('P'), ctrl('P'), ctrl('N'), '\r'}), "newer.");
    EXPECT_EQ(edit(typed("draft") + Keys{ctrl('N'), '\r'}), "");
    EXPECT_EQ(screen.beeps(), 2);
    // A recalled line has the cursor at its end.
    EXPECT_EQ(edit(Keys{ctrl('P')} + typed("!\r")), "newer.!");
}

TEST_F(EditorTest, EachLineStartsBrowsingAtTheNewestEntry) {
    history.add("a.");
    history.add("b.");
    edit(Keys{ctrl('P'), ctrl('P'), '\r'});
    EXPECT_EQ(edit(Keys{ctrl('P'), '\r'}), "b.");
}
