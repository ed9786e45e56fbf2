// Tab in the line editor: completion through a hook, the listing, and file-name completion.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "EditorTestSupport.h"
#include "shell/FileNameCompletion.h"

using namespace editortest;

namespace {

// A hook over a fixed list of names: those that begin with the word, one per call.
CompletionHook namesHook(std::vector<std::string> names) {
    return [names](const std::string& word, int counter) -> std::optional<std::string> {
        int seen = 0;
        for (const std::string& name : names) {
            if (name.compare(0, word.size(), word) == 0 && seen++ == counter) return name;
        }
        return std::nullopt;
    };
}

}  // namespace

class EditorCompletionTest : public EditorTest {
  protected:
    void use(std::vector<std::string> names) {
        hook = std::make_unique<HookCompletion>(namesHook(std::move(names)));
        editor.settings().completion = hook.get();
    }
    std::unique_ptr<Completion> hook;
};

TEST_F(EditorTest, WithoutCompletionTabFillsBlanksToTheNextMultipleOfEight) {
    EXPECT_EQ(edit(typed("ab\tc\r")), "ab    c");              // "> ab" is 4 columns
    EXPECT_EQ(edit(typed("abcdef\tc\r")), "abcdef        c");  // 8 columns: a whole tab
}

TEST_F(EditorCompletionTest, OneMatchReplacesTheWordAndIsFollowedByABlankOrTheClosingQuote) {
    use({"family.flp", "other.flp"});
    EXPECT_EQ(edit(typed("consult fa\tx\r")), "consult family.flp x");
    EXPECT_EQ(edit(typed("sys.consult@(\"fa\t).\r")), "sys.consult@(\"family.flp\").");
    EXPECT_EQ(edit(typed("x 'fa\t\r")), "x 'family.flp'");
    EXPECT_EQ(screen.beeps(), 0);
}

TEST_F(EditorCompletionTest, SeveralMatchesLeaveTheirCommonBeginning) {
    use({"famA", "famB", "other"});
    EXPECT_EQ(edit(typed("f\t\r")), "fam");
    EXPECT_EQ(edit(typed("o fam\t\r")), "o fam");
}

TEST_F(EditorCompletionTest, NoMatchBeepsAndSaysSo) {
    use({"family.flp"});
    edit(typed("zz\t") + Keys{'\r'});
    EXPECT_EQ(screen.beeps(), 1);
    EXPECT_EQ(screen.rowText(1), "    (no matches)");
    EXPECT_EQ(screen.rowText(2), "> zz");
}

TEST_F(EditorCompletionTest, TheDotEntriesAreNeverMatches) {
    use({".", "..", ".hidden"});
    EXPECT_EQ(edit(typed(".\t\r")), ".hidden ");
}

TEST_F(EditorCompletionTest, ASecondTabListsTheMatchesInColumnsWithinTheScreen) {
    editor.settings().width = 40;
    editor.settings().height = 10;
    std::vector<std::string> names;
    for (int i = 0; i < 30; ++i)
        names.push_back("name" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    use(names);
    edit(typed("n\t\t\r"));
    // 32 usable columns, 8 a column: 4 columns; 6 rows fit in 10 lines; 24 shown, 6 omitted.
    EXPECT_EQ(screen.rowText(1), "    name00  name06  name12  name18");
    EXPECT_EQ(screen.rowText(6), "    name05  name11  name17  name23");
    EXPECT_EQ(screen.rowText(7), "    ... 6 others omitted ...");
    EXPECT_EQ(screen.rowText(8), "> name");
}

TEST_F(EditorCompletionTest, TheListingIsSortedWithoutRegardToCaseAndDropsTheSharedFolder) {
    use({"dir/beta", "dir/Alpha", "dir/alps", "dir/Beta"});
    edit(typed("dir/\t\t\r"));
    // 72 usable columns, 7 a name: 10 columns of 7 characters each.
    EXPECT_EQ(screen.rowText(1), "    Alpha  alps   Beta   beta");
}

TEST_F(EditorCompletionTest, ACompletionIsCutToWhatTheLineHolds) {
    use({std::string(30, 'q')});
    std::string line = edit(typed(std::string(2040, 'a') + " q\t\r"));
    EXPECT_EQ(line.size(), 2047u);
    EXPECT_EQ(screen.beeps(), 1);
}

class FileNameCompletionTest : public EditorTest {
  protected:
    void SetUp() override {
        folder = testing::TempDir() + "complete-" + std::to_string(getpid());
        std::filesystem::create_directories(folder + "/sub");
        for (const char* name : {"alpha.flp", "alps.flp", "Alpine.flp", "my file.flp",
                                 "say \"hi\".flp", "sub/inner.flp"}) {
            close(open((folder + "/" + name).c_str(), O_CREAT | O_WRONLY, 0600));
        }
        editor.settings().completion = &files;
        const char* home = std::getenv("HOME");
        if (home != nullptr) savedHome = home;
    }
    void TearDown() override {
        std::filesystem::remove_all(folder);
        if (savedHome.empty()) {
            unsetenv("HOME");
        } else {
            setenv("HOME", savedHome.c_str(), 1);
        }
    }

    std::string folder;
    std::string savedHome;
    FileNameCompletion files;
};

TEST_F(FileNameCompletionTest, NamesAreMatchedExactlyAndAFolderGetsASlash) {
    EXPECT_EQ(edit(typed(folder + "/al\t\r")), folder + "/alp");
    EXPECT_EQ(edit(typed(folder + "/Al\t\r")), folder + "/Alpine.flp ");
    EXPECT_EQ(edit(typed(folder + "/su\tin\t\r")), folder + "/sub/inner.flp ");
    EXPECT_EQ(screen.beeps(), 0);
}

TEST_F(FileNameCompletionTest, NamesWithSpecialCharactersAreQuoted) {
    EXPECT_EQ(edit(typed("x " + folder + "/my\t\r")), "x \"" + folder + "/my file.flp\"");
    EXPECT_EQ(edit(typed("x " + folder + "/sa\t\r")), "x '" + folder + "/say \"hi\".flp'");
}

TEST_F(FileNameCompletionTest, TildeStandsForTheHomeFolder) {
    setenv("HOME", folder.c_str(), 1);
    EXPECT_EQ(edit(typed("~/alph\t\r")), folder + "/alpha.flp ");
    EXPECT_EQ(edit(typed("~/su\t\r")), folder + "/sub/");
    EXPECT_EQ(files.match("~", 0).value_or("").rfind("~/", 0), 0u);
}

TEST_F(FileNameCompletionTest, WithoutASlashTheCurrentFolderIsListed) {
    std::string here = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    EXPECT_EQ(edit(typed("alph\t\r")), "alpha.flp ");
    EXPECT_EQ(edit(typed("s\t\t\r")), "s");
    std::filesystem::current_path(here);
    EXPECT_EQ(screen.rowText(2), "    say \"hi\".flp  sub");
}
