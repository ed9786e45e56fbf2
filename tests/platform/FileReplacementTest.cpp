// Tests of files written beside their target: the old content stays until the new one is
// whole, failed and killed writes leave nothing behind, devices are written directly, and a
// folder that takes no new file refuses the write.
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
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
    for (auto kind : {FileReplacement::Temporary::Unnamed, FileReplacement::Temporary::Named}) {
        write(target, "old\n");
        FileReplacement file(target, kind);
        ASSERT_TRUE(file.open());
        file.stream() << "new\n";
        file.stream().flush();
        EXPECT_EQ(read(target), "old\n");
        // The temporary file beside the target has a name only when it was made with one.
        EXPECT_EQ(entries(), kind == FileReplacement::Temporary::Named ? 2u : 1u);
        EXPECT_TRUE(file.commit());
        EXPECT_EQ(read(target), "new\n");
        EXPECT_EQ(entries(), 1u);
    }
}

TEST_F(FileReplacementTest, ANewFileAppearsOnlyWhole) {
    FileReplacement file(target);
    ASSERT_TRUE(file.open());
    file.stream() << "new\n";
    file.stream().flush();
    EXPECT_FALSE(fs::exists(target));
    EXPECT_TRUE(file.commit());
    EXPECT_EQ(read(target), "new\n");
    EXPECT_EQ(entries(), 1u);
}

// A writer killed in the middle of its write, in a child process: answers the child's status.
int killedWriter(const std::string& target, FileReplacement::Temporary kind) {
    const pid_t child = fork();
    if (child == 0) {
        FileReplacement file(target, kind);
        if (!file.open()) _exit(3);
        file.stream() << std::string(100000, 'x');
        file.stream().flush();
        ::kill(::getpid(), SIGKILL);
        _exit(4);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

TEST_F(FileReplacementTest, AKilledWriterLeavesTheOldFileAndNothingElse) {
    write(target, "old\n");
    const int status = killedWriter(target, FileReplacement::Temporary::Unnamed);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_EQ(read(target), "old\n");
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileReplacementTest, WhatAKilledWriterLeftIsRemovedByTheNextWrite) {
    write(target, "old\n");
    const int status = killedWriter(target, FileReplacement::Temporary::Named);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    EXPECT_EQ(read(target), "old\n");
    ASSERT_EQ(entries(), 2u);  // the named temporary file of the killed writer
    // Files of other names, or of other targets, are not taken for leftovers.
    write((folder / ".target.txt.keep").string(), "x");
    write((folder / ".other.txt.AbC123").string(), "x");
    for (auto kind : {FileReplacement::Temporary::Unnamed, FileReplacement::Temporary::Named}) {
        FileReplacement file(target, kind);
        ASSERT_TRUE(file.open());
        file.stream() << "new\n";
        ASSERT_TRUE(file.commit());
        EXPECT_EQ(read(target), "new\n");
        EXPECT_EQ(entries(), 3u);
    }
}

TEST_F(FileReplacementTest, FilesOfTheUserNamedLikeTemporaryFilesStay) {
    write(target, "old\n");
    // An older writer's shape, the user's own copies, the mark with a check that does not hold.
    const char* const names[] = {".target.txt.AbC123", ".target.txt.backup", ".target.txt.v2copy",
                                 ".target.txt.quorin-save.AbCdEfGh0000",
                                 ".target.txt.quorin-save.AbC"};
    for (const char* name : names) write((folder / name).string(), "the user's\n");
    for (auto kind : {FileReplacement::Temporary::Unnamed, FileReplacement::Temporary::Named}) {
        FileReplacement file(target, kind);
        ASSERT_TRUE(file.open());
        file.stream() << "new\n";
        ASSERT_TRUE(file.commit());
    }
    for (const char* name : names) EXPECT_EQ(read((folder / name).string()), "the user's\n");
    EXPECT_EQ(entries(), 1u + std::size(names));
}

TEST_F(FileReplacementTest, ATargetWithTheLongestNameIsWrittenOverAndOver) {
    const long longest = ::pathconf(folder.c_str(), _PC_NAME_MAX);
    ASSERT_GT(longest, 20);
    // Multi-byte characters where the temporary name cuts the target's name.
    std::string name;
    while (name.size() + 2 <= static_cast<std::size_t>(longest)) name += "\xc3\xa9";
    const std::string path = (folder / name).string();
    for (int round = 0; round < 3; ++round) {
        for (auto kind : {FileReplacement::Temporary::Unnamed, FileReplacement::Temporary::Named}) {
            FileReplacement file(path, kind);
            ASSERT_TRUE(file.open()) << file.refusal();
            file.stream() << round << "\n";
            ASSERT_TRUE(file.commit()) << file.refusal();
            EXPECT_EQ(read(path), std::to_string(round) + "\n");
        }
    }
    // What a killed writer leaves under the shortened name is found again.
    const int status = killedWriter(path, FileReplacement::Temporary::Named);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
    ASSERT_EQ(entries(), 2u);
    FileReplacement file(path);
    ASSERT_TRUE(file.open());
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileReplacementTest, ALinkOfAnotherUserInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) GTEST_SKIP() << "only the superuser gives a link to another user";
    const fs::path shared = folder / "shared";
    fs::create_directories(shared);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    write(target, "the victim's\n");
    const fs::path planted = shared / "planted";
    fs::create_symlink(target, planted);
    ASSERT_EQ(::lchown(planted.c_str(), unprivileged::nobodyUser(), unprivileged::nobodyGroup()),
              0);
    {
        FileReplacement file(planted.string());
        EXPECT_FALSE(file.open());
        EXPECT_NE(file.refusal().find("is a symbolic link in a folder that all users may write"),
                  std::string::npos)
            << file.refusal();
    }
    EXPECT_EQ(read(target), "the victim's\n");
    // The folder's owner's link, and one outside a shared folder, are followed.
    ASSERT_EQ(::lchown(planted.c_str(), 0, 0), 0);
    {
        FileReplacement file(planted.string());
        ASSERT_TRUE(file.open()) << file.refusal();
        file.stream() << "new\n";
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(read(target), "new\n");
    EXPECT_TRUE(fs::is_symlink(planted));
}

TEST_F(FileReplacementTest, TheTemporaryFileOfALivingWriterStays) {
    write(target, "old\n");
    FileReplacement first(target, FileReplacement::Temporary::Named);
    ASSERT_TRUE(first.open());
    first.stream() << "first\n";
    {
        FileReplacement second(target);
        ASSERT_TRUE(second.open());
        second.stream() << "second\n";
        ASSERT_TRUE(second.commit());
    }
    EXPECT_EQ(entries(), 2u);
    EXPECT_TRUE(first.commit());
    EXPECT_EQ(read(target), "first\n");
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

TEST_F(FileReplacementTest, ALinkToAMissingFileMakesThatFile) {
    const std::string link = (folder / "link.txt").string();
    fs::create_symlink("target.txt", link);
    FileReplacement file(link);
    ASSERT_TRUE(file.open());
    file.stream() << "new\n";
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(read(target), "new\n");
}

TEST_F(FileReplacementTest, AFolderThatTakesNoNewFileRefusesTheWriteAndSaysWhy) {
    unprivileged::lendFolder(folder.string());
    unprivileged::run([&] {
        write(target, "old\n");
        fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
        for (auto kind : {FileReplacement::Temporary::Unnamed, FileReplacement::Temporary::Named}) {
            ASSERT_EQ(::access(target.c_str(), W_OK), 0);
            FileReplacement file(target, kind);
            EXPECT_FALSE(file.open());
            EXPECT_NE(file.refusal().find("no temporary file can be made in its folder"),
                      std::string::npos)
                << file.refusal();
            EXPECT_EQ(read(target), "old\n");
            EXPECT_EQ(entries(), 1u);
        }
        fs::permissions(folder, fs::perms::owner_all);
    });
}

TEST_F(FileReplacementTest, AFullDeviceFailsAndStaysADevice) {
    FileReplacement file("/dev/full");
    ASSERT_TRUE(file.open());
    file.stream() << "text\n";
    EXPECT_FALSE(file.commit());
    EXPECT_EQ(file.refusal(), std::strerror(ENOSPC));
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
    EXPECT_EQ(file.refusal(), std::strerror(ENOENT));
    EXPECT_FALSE(file.commit());
    EXPECT_FALSE(file.refusal().empty());
}

}  // namespace
