// The temporary files of the document layers are removed when the process ends, also when a
// signal ends it: a closed answer pipe, an exceeded file size, an abort.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "xml/LeftoverFiles.h"

namespace {

std::filesystem::path scratchFile(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("quorin-leftover-" + std::to_string(getpid()) + "-" + name);
}

// Runs the body in a child process and answers how it ended: the signal that ended it, or 0.
template <class Body>
int endingSignalOf(Body body) {
    const pid_t child = fork();
    if (child == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : 0;
}

TEST(LeftoverFiles, AClosedAnswerPipeRemovesTheFilesAndStillEndsTheProcess) {
    const std::filesystem::path kept = scratchFile("pipe");
    const std::filesystem::path forgotten = scratchFile("forgotten");
    const int sig = endingSignalOf([&] {
        std::ofstream(kept) << "stream";
        std::ofstream(forgotten) << "owner removes it";
        leftoverFiles::remember(kept.string());
        leftoverFiles::remember(forgotten.string());
        leftoverFiles::forget(forgotten.string());
        // Writing to a pipe whose reader is gone, as "quorin ... | head -3" does.
        int ends[2];
        if (pipe(ends) != 0) _exit(2);
        close(ends[0]);
        for (;;) {
            if (write(ends[1], "answer\n", 7) < 0) _exit(3);
        }
    });
    EXPECT_EQ(sig, SIGPIPE);
    EXPECT_FALSE(std::filesystem::exists(kept));
    EXPECT_TRUE(std::filesystem::exists(forgotten));
    std::filesystem::remove(forgotten);
}

TEST(LeftoverFiles, OtherEndingSignalsRemoveTheFilesToo) {
    for (int ending : {SIGXFSZ, SIGUSR1, SIGALRM}) {
        const std::filesystem::path kept = scratchFile("signal" + std::to_string(ending));
        const int sig = endingSignalOf([&] {
            std::ofstream(kept) << "stream";
            leftoverFiles::remember(kept.string());
            raise(ending);
        });
        EXPECT_EQ(sig, ending);
        EXPECT_FALSE(std::filesystem::exists(kept)) << ending;
    }
}

TEST(LeftoverFiles, ANormalExitRemovesThem) {
    const std::filesystem::path kept = scratchFile("exit");
    const int sig = endingSignalOf([&] {
        std::ofstream(kept) << "stream";
        leftoverFiles::remember(kept.string());
        std::exit(0);
    });
    EXPECT_EQ(sig, 0);
    EXPECT_FALSE(std::filesystem::exists(kept));
}

}  // namespace
