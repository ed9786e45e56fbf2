// Tests of work run in a watched child process: its result, its memory bound, the interrupt,
// and that nothing of the caller's runs in it.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/ConfinedChild.h"
#include "platform/InterruptFlag.h"

namespace {

constexpr std::uint64_t megabyte = 1024 * 1024;

TEST(ConfinedChildTest, TheWorksResultComesBackAndItsChangesStayInTheChild) {
    int changed = 0;
    const ChildOutcome outcome = runConfined(
        [&] {
            changed = 1;
            return std::string("result\n with \0 bytes", 20);
        },
        64 * megabyte);
    EXPECT_EQ(outcome.end, ChildOutcome::End::finished);
    EXPECT_EQ(outcome.report, std::string("result\n with \0 bytes", 20));
    EXPECT_EQ(changed, 0);

    // A long result does not block the child on a full pipe.
    const ChildOutcome large = runConfined([] { return std::string(1 << 20, 'x'); }, 64 * megabyte);
    EXPECT_EQ(large.end, ChildOutcome::End::finished);
    EXPECT_EQ(large.report.size(), 1u << 20);

    // A caller that ignores SIGCHLD never sees its child's status: the result still comes back.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction before {};
    sigaction(SIGCHLD, &ignore, &before);
    const ChildOutcome unseen = runConfined([] { return std::string("reaped"); }, 64 * megabyte);
    sigaction(SIGCHLD, &before, nullptr);
    EXPECT_EQ(unseen.end, ChildOutcome::End::finished);
    EXPECT_EQ(unseen.report, "reaped");
}

TEST(ConfinedChildTest, AChildThatGrowsPastItsBudgetIsKilled) {
    // The child touches up to 1 GB in steps; the budget stops it long before.
    const ChildOutcome outcome = runConfined(
        [] {
            for (int step = 0; step < 256; ++step) {
                char* block = static_cast<char*>(std::malloc(4 * megabyte));
                if (block != nullptr) std::memset(block, step, 4 * megabyte);
                usleep(1000);
            }
            return std::string("grew");
        },
        48 * megabyte);
    EXPECT_EQ(outcome.end, ChildOutcome::End::overMemory);
    EXPECT_EQ(outcome.report, "");
}

TEST(ConfinedChildTest, AnInterruptEndsTheChildAndStaysRaised) {
    interruptFlag.store(1);
    const ChildOutcome outcome = runConfined(
        [] {
            sleep(30);
            return std::string("slept");
        },
        64 * megabyte);
    EXPECT_EQ(outcome.end, ChildOutcome::End::interrupted);
    EXPECT_EQ(interruptFlag.load(), 1);
    interruptFlag.store(0);
}

// The caller's handler of a signal writes a file; in the child the signal takes its default
// action instead, and a child that exits by itself has not finished its work.
TEST(ConfinedChildTest, TheCallersHandlersAndExitsDoNotRunInTheChild) {
    static std::string marker;
    marker =
        (std::filesystem::temp_directory_path() / ("quorin-confined-" + std::to_string(getpid())))
            .string();
    std::filesystem::remove(marker);
    struct sigaction ours {};
    ours.sa_handler = [](int) { std::ofstream(marker) << "handled"; };
    sigemptyset(&ours.sa_mask);
    struct sigaction before {};
    sigaction(SIGUSR1, &ours, &before);

    const ChildOutcome signalled = runConfined(
        [] {
            raise(SIGUSR1);
            return std::string("after the signal");
        },
        64 * megabyte);
    EXPECT_EQ(signalled.end, ChildOutcome::End::failed);
    EXPECT_FALSE(std::filesystem::exists(marker));

    const ChildOutcome exited = runConfined([]() -> std::string { std::_Exit(0); }, 64 * megabyte);
    EXPECT_EQ(exited.end, ChildOutcome::End::failed);
    sigaction(SIGUSR1, &before, nullptr);
    std::filesystem::remove(marker);
}

}  // namespace
