// Tests of files written beside their target: the old content stays until the new one is
// whole, failed writes leave nothing behind, devices are written directly.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/FileReplacement.h"
#include "support/Unprivileged.h"

namespace {

namespace fs = std::filesystem;

class FileReplacementTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) /
                 ("replacement-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        target = (folder / "target.txt").string();
    }
    void TearDown() override { fs::remove_all(folder); }

    static std::string read(const std::string& path) {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static void write(const std::string& path, const std::string& text) {
        std::ofstream(path) << text;
    }
    // The names in the folder, the target's included.
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), {}));
    }

    fs::path folder;
    std::string target;
};

TEST_F(FileReplacementTest, TheOldContentStaysUntilTheCommit) {
    write(target, "old\n");
    FileReplacement file(target);
    ASSERT_TRUE(file.open());
    file.stream() << "new\n";
    file.stream().flush();
    EXPECT_EQ(read(target), "old\n");
    EXPECT_EQ(entries(), 2u);  // the target and the temporary file beside it
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(read(target), "new\n");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileReplacementTest, AnAbandonedWriteLeavesTheOldFileAndNoTemporary) {
    write(target, "old\n");
    {
        FileReplacement file(target);
        ASSERT_TRUE(file.open());
        file.stream() << "half";
    }
    EXPECT_EQ(read(target), "old\n");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileReplacementTest, ANewFileGetsTheUsualPermissionsAndAnOldOneKeepsItsOwn) {
    const mode_t mask = ::umask(022);
    {
        FileReplacement file(target);
        ASSERT_TRUE(file.open());
        file.stream() << "x";
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    {
        FileReplacement file(target);
        ASSERT_TRUE(file.open());
        file.stream() << "y";
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ::umask(mask);
}

TEST_F(FileReplacementTest, ALinkKeepsPointingAtTheReplacedFile) {
    write(target, "old\n");
    const std::string link = (folder / "link.txt").string();
    fs::create_symlink(target, link);
    FileReplacement file(link);
    ASSERT_TRUE(file.open());
    file.stream() << "new\n";
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read(target), "new\n");
}

TEST_F(FileReplacementTest, AFullDeviceFailsAndStaysADevice) {
    FileReplacement file("/dev/full");
    ASSERT_TRUE(file.open());
    file.stream() << "text\n";
    EXPECT_FALSE(file.commit());
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

TEST_F(FileReplacementTest, AFileWithoutWritePermissionIsNotReplaced) {
    unprivileged::lendFolder(folder.string());
    unprivileged::run([&] {
        write(target, "old\n");
        fs::permissions(target, fs::perms::owner_read);
        ASSERT_NE(::access(target.c_str(), W_OK), 0) << "this user writes a read-only file";
        FileReplacement file(target);
        EXPECT_FALSE(file.open());
        EXPECT_EQ(read(target), "old\n");
        EXPECT_EQ(entries(), 1u);
    });
}

TEST_F(FileReplacementTest, AMissingFolderCannotBeOpened) {
    FileReplacement file((folder / "no" / "such.txt").string());
    EXPECT_FALSE(file.open());
    EXPECT_FALSE(file.commit());
}

}  // namespace
