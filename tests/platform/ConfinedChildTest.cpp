// Tests of work run in a watched child process: its result, its memory bounds, the interrupt, a
// child that stops making progress, and that nothing of the caller's (handlers, held locks,
// memory) reaches the child.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "platform/ConfinedChild.h"
#include "platform/ConfinedChildTestRoles.h"
#include "platform/InterruptFlag.h"

namespace {

constexpr std::uint64_t megabyte = 1024 * 1024;

// A lock the caller holds while its child runs.
std::mutex heldByTheCaller;
// Changed by the work; in the caller it must keep its value.
int changedByTheWork = 0;

// Maps and touches the given number of megabytes, outside the allocator (a sanitizer's
// allocator keeps freed blocks), so that the resident memory is what the work asks for.
void* touch(std::size_t megabytes) {
    void* block = mmap(nullptr, megabytes * megabyte, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    std::memset(block, 1, megabytes * megabyte);
    return block;
}

std::string echo(const std::string& request) {
    changedByTheWork = 1;
    if (request == "large") return std::string(1 << 20, 'x');
    return request;
}

std::string grow(const std::string&) {
    for (int step = 0; step < 256; ++step) {
        touch(4);
        usleep(1000);
    }
    return "grew";
}

std::string sleepLong(const std::string&) {
    sleep(30);
    return "slept";
}

std::string raiseSignal(const std::string&) {
    raise(SIGUSR1);
    return "after the signal";
}

std::string exitEarly(const std::string&) {
    std::_Exit(0);
}

std::string waitForever(const std::string&) {
    for (;;) pause();
}

std::string takeTheLock(const std::string&) {
    std::lock_guard<std::mutex> lock(heldByTheCaller);
    return "locked";
}

// Holds 192 MB during its setup, gives it back, says its setup is done, and then holds the
// megabytes the request names.
std::string setupThenRun(const std::string& request) {
    void* setup = touch(192);
    munmap(setup, 192 * megabyte);
    confinedChildSetupDone();
    touch(static_cast<std::size_t>(std::atoi(request.c_str())));
    usleep(200000);
    return "ran";
}

const ConfinedRole echoRole{"echo", &echo};
const ConfinedRole growRole{"grow", &grow};
const ConfinedRole sleepRole{"sleep", &sleepLong};
const ConfinedRole raiseRole{"raise", &raiseSignal};
const ConfinedRole exitRole{"exit", &exitEarly};
const ConfinedRole waitRole{"wait", &waitForever};
const ConfinedRole lockRole{"lock", &takeTheLock};
const ConfinedRole setupRole{"setup", &setupThenRun};

ConfinedLimits limits(std::uint64_t megabytes) {
    ConfinedLimits result;
    result.setupMemory = megabytes * megabyte;
    result.memoryBudget = megabytes * megabyte;
    return result;
}

TEST(ConfinedChildTest, TheWorksResultComesBackAndItsChangesStayInTheChild) {
    const std::string request("result\n with \0 bytes", 20);
    const ChildOutcome outcome = runConfined(echoRole, request, limits(512));
    EXPECT_EQ(outcome.end, ChildOutcome::End::finished);
    EXPECT_EQ(outcome.report, request);
    EXPECT_EQ(changedByTheWork, 0);

    // A long result does not block the child on a full pipe, nor a long request the caller.
    const ChildOutcome large = runConfined(echoRole, "large", limits(512));
    EXPECT_EQ(large.end, ChildOutcome::End::finished);
    EXPECT_EQ(large.report.size(), 1u << 20);
    const std::string longRequest(3 << 20, 'y');
    const ChildOutcome echoed = runConfined(echoRole, longRequest, limits(512));
    EXPECT_EQ(echoed.end, ChildOutcome::End::finished);
    EXPECT_EQ(echoed.report, longRequest);

    // A caller that ignores SIGCHLD never sees its child's status: the result still comes back.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction before {};
    sigaction(SIGCHLD, &ignore, &before);
    const ChildOutcome unseen = runConfined(echoRole, "reaped", limits(512));
    sigaction(SIGCHLD, &before, nullptr);
    EXPECT_EQ(unseen.end, ChildOutcome::End::finished);
    EXPECT_EQ(unseen.report, "reaped");
}

TEST(ConfinedChildTest, AChildThatGrowsPastItsBudgetIsKilled) {
    // The child touches up to 1 GB in steps; the budget stops it long before.
    const ChildOutcome outcome = runConfined(growRole, "", limits(256));
    EXPECT_EQ(outcome.end, ChildOutcome::End::overMemory);
    EXPECT_EQ(outcome.budget, 256 * megabyte);
    EXPECT_EQ(outcome.report, "");
}

TEST(ConfinedChildTest, TheSetupHasABudgetOfItsOwn) {
    ConfinedLimits bounds;
    bounds.setupMemory = 768 * megabyte;
    bounds.memoryBudget = 160 * megabyte;
    // 192 MB during the setup pass; 16 MB afterwards too.
    const ChildOutcome small = runConfined(setupRole, "16", bounds);
    EXPECT_EQ(small.end, ChildOutcome::End::finished);
    EXPECT_EQ(small.report, "ran");
    // 192 MB after the setup do not.
    const ChildOutcome large = runConfined(setupRole, "192", bounds);
    EXPECT_EQ(large.end, ChildOutcome::End::overMemory);
    // The budget after the setup counts from what the child held then.
    EXPECT_GE(large.budget, 160 * megabyte);
    EXPECT_LT(large.budget, 400 * megabyte);
}

TEST(ConfinedChildTest, AnInterruptEndsTheChildAndStaysRaised) {
    interruptFlag.store(1);
    const ChildOutcome outcome = runConfined(sleepRole, "", limits(512));
    EXPECT_EQ(outcome.end, ChildOutcome::End::interrupted);
    EXPECT_EQ(interruptFlag.load(), 1);
    interruptFlag.store(0);
}

TEST(ConfinedChildTest, AChildWithoutProgressIsEnded) {
    ConfinedLimits bounds = limits(512);
    bounds.stallSeconds = 1;
    const ChildOutcome outcome = runConfined(waitRole, "", bounds);
    EXPECT_EQ(outcome.end, ChildOutcome::End::stalled);
    EXPECT_EQ(outcome.report, "");
}

// A lock the caller holds when the child starts is not held in the child; a thread of the
// caller that allocates all the time does not leave the allocator's lock held in it either.
TEST(ConfinedChildTest, NoLockOfTheCallerIsHeldInTheChild) {
    std::lock_guard<std::mutex> lock(heldByTheCaller);
    ConfinedLimits bounds = limits(512);
    bounds.stallSeconds = 20;
    const ChildOutcome locked = runConfined(lockRole, "", bounds);
    EXPECT_EQ(locked.end, ChildOutcome::End::finished);
    EXPECT_EQ(locked.report, "locked");

    std::atomic<bool> stop{false};
    std::thread allocating([&] {
        while (!stop.load()) {
            std::string* text = new std::string(1000, 'a');
            delete text;
        }
    });
    for (int round = 0; round < 20; ++round) {
        const ChildOutcome outcome = runConfined(echoRole, "round", bounds);
        EXPECT_EQ(outcome.end, ChildOutcome::End::finished) << round;
    }
    stop.store(true);
    allocating.join();
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

    const ChildOutcome signalled = runConfined(raiseRole, "", limits(512));
    EXPECT_EQ(signalled.end, ChildOutcome::End::failed);
    EXPECT_FALSE(std::filesystem::exists(marker));

    const ChildOutcome exited = runConfined(exitRole, "", limits(512));
    EXPECT_EQ(exited.end, ChildOutcome::End::failed);
    sigaction(SIGUSR1, &before, nullptr);
    std::filesystem::remove(marker);
}

}  // namespace

void runConfinedTestChild(int argc, char** argv) {
    runConfinedChild(
        argc, argv,
        {echoRole, growRole, sleepRole, raiseRole, exitRole, waitRole, lockRole, setupRole});
}
