// Tests of the container library's start-up options and exit tables, run in a child process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <string>

#include "foundation/ClibStartup.h"
#include "foundation/MemoryManager.h"

namespace {

// Runs this test program again with the given environment settings and only one of the child
// tests below, and answers what the child wrote on standard error.
std::string child_stderr(const std::string& environment,
                         const std::string& child = "DISABLED_HoldsOneChunk") {
    // A child that never ends is ended, so that the test fails instead of hanging.
    std::string command =
        "timeout -s KILL 120 env -u CLIB_INIT -u CLIB_NODE_DATA -u CLIB_EDGE_DATA " + environment +
        " /proc/" + std::to_string(getpid()) +
        "/exe --gtest_also_run_disabled_tests"
        " --gtest_filter=ClibStartupChild." +
        child + " 2>&1 >/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "<no child>";
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    pclose(pipe);
    return out;
}

void* held_chunk = nullptr;

// Started only as a child: keeps one chunk in use until exit.
TEST(ClibStartupChild, DISABLED_HoldsOneChunk) {
    held_chunk = std_memory_mgr->allocate(12);
}

// Started only as a child: uses chunks and gives every one back.
TEST(ClibStartupChild, DISABLED_FreesEverything) {
    void* small = std_memory_mgr->allocate(32);
    void* large = std_memory_mgr->allocate(1000);
    std_memory_mgr->deallocate(large, 1000);
    std_memory_mgr->deallocate(small, 32);
}

TEST(ClibStartup, NoLeakTableWhenEverythingWasFreed) {
    EXPECT_EQ(child_stderr("CLIB_INIT=show_memory_leaks", "DISABLED_FreesEverything"), "");
}

// The start-up that runs in every unit must not narrow the floating-point unit for the process.
TEST(ClibStartup, LongDoubleKeepsItsPrecision) {
    clib_set_fpu_precision();
    volatile long double one = 1.0L;
    volatile long double tiny = std::ldexp(1.0L, -(LDBL_MANT_DIG - 1));
    EXPECT_NE(one + tiny, one);
}

TEST(ClibStartup, SilentWithoutOptions) {
    EXPECT_EQ(child_stderr(""), "");
}

TEST(ClibStartup, SlotOptionsAreEchoed) {
    EXPECT_EQ(child_stderr("CLIB_NODE_DATA=3"), "\nnode_data_slots = 3\nedge_data_slots = 0\n\n");
    EXPECT_EQ(child_stderr("CLIB_EDGE_DATA=12 CLIB_NODE_DATA=-4"),
              "\nnode_data_slots = -4\nedge_data_slots = 12\n\n");
    // Text that is no number, or beyond the int range, counts as 0.
    EXPECT_EQ(child_stderr("CLIB_NODE_DATA=99999999999 CLIB_EDGE_DATA=abc"),
              "\nnode_data_slots = 0\nedge_data_slots = 0\n\n");
}

TEST(ClibStartup, ExitTablesFollowClibInit) {
    std::string stats = child_stderr("CLIB_INIT=show_memory_statistics");
    EXPECT_NE(stats.find("\t STD_MEMORY_MGR (memory status)\n"), std::string::npos) << stats;
    EXPECT_EQ(stats.find("(memory still in use)"), std::string::npos) << stats;

    std::string both = child_stderr("CLIB_INIT='show_memory_leaks show_memory_statistics'");
    std::size_t leaks = both.find("\t STD_MEMORY_MGR (memory still in use)\n");
    std::size_t status = both.find("\t STD_MEMORY_MGR (memory status)\n");
    ASSERT_NE(leaks, std::string::npos) << both;
    ASSERT_NE(status, std::string::npos) << both;
    EXPECT_LT(leaks, status);
}

}  // namespace
