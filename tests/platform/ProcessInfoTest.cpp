// Tests of the process figures and clock readings of the platform layer.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/ProcessInfo.h"

TEST(ProcessInfoTest, ParsesTheFourMemoryLinesIntoBytes) {
    const std::string status =
        "Name:\tquorin\n"
        "VmPeak:\t  20480 kB\n"
        "VmSize:\t  16384 kB\n"
        "VmHWM:\t    4096 kB\n"
        "VmRSS:\t    3072 kB\n"
        "Threads:\t1\n";
    MemoryFigures figures = parseMemoryFigures(status);
    ASSERT_TRUE(figures.ok);
    EXPECT_EQ(figures.workingSet, 3072u * 1024);
    EXPECT_EQ(figures.peakWorkingSet, 4096u * 1024);
    EXPECT_EQ(figures.pagefileUsage, 16384u * 1024);
    EXPECT_EQ(figures.peakPagefileUsage, 20480u * 1024);
}

TEST(ProcessInfoTest, MissingOrUnreadableLineMakesTheFiguresUnusable) {
    EXPECT_FALSE(parseMemoryFigures("").ok);
    EXPECT_FALSE(parseMemoryFigures("VmPeak: 1 kB\nVmSize: 1 kB\nVmHWM: 1 kB\n").ok);
    EXPECT_FALSE(parseMemoryFigures("VmPeak: 1 kB\nVmSize: 1 kB\nVmHWM: 1 kB\nVmRSS: none\n").ok);
}

TEST(ProcessInfoTest, LiveFiguresAreConsistent) {
    MemoryFigures figures = readMemoryFigures();
    ASSERT_TRUE(figures.ok);
    EXPECT_GT(figures.workingSet, 0u);
    EXPECT_GE(figures.peakWorkingSet, figures.workingSet);
    EXPECT_GE(figures.peakPagefileUsage, figures.pagefileUsage);

    ProcessTimes before = readProcessTimes();
    ASSERT_TRUE(before.ok);
    volatile std::uint64_t sink = 0;
    for (int i = 0; i < 20000000; ++i) sink = sink + static_cast<std::uint64_t>(i);
    ProcessTimes after = readProcessTimes();
    EXPECT_GT(after.kernelMicroseconds + after.userMicroseconds,
              before.kernelMicroseconds + before.userMicroseconds);
}

TEST(ProcessInfoTest, ChildWaitedForAddsItsTimes) {
    ProcessTimes before = readProcessTimes();
    ASSERT_TRUE(before.ok);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        volatile std::uint64_t sink = 0;
        for (int i = 0; i < 50000000; ++i) sink = sink + static_cast<std::uint64_t>(i);
        _exit(0);
    }
    int status = 0;
    rusage used{};
    ASSERT_EQ(wait4(child, &status, 0, &used), child);
    noteChildWaited();
    const std::int64_t childMicroseconds =
        std::int64_t(used.ru_utime.tv_sec + used.ru_stime.tv_sec) * 1000000 +
        used.ru_utime.tv_usec + used.ru_stime.tv_usec;
    ProcessTimes after = readProcessTimes();
    ASSERT_TRUE(after.ok);
    EXPECT_GE(after.kernelMicroseconds + after.userMicroseconds -
                  (before.kernelMicroseconds + before.userMicroseconds),
              childMicroseconds);
}
