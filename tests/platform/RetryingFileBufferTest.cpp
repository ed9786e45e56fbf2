// The answer buffer against signals: a write that waits on a full pipe and is cut by a signal
// (a handler that does not restart system calls, as the shell installs) loses nothing.
#include <gtest/gtest.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <ostream>
#include <string>
#include <thread>

#include "platform/RetryingFileBuffer.h"
#include "support/SlowPipeReader.h"

namespace {

extern "C" void onAlarm(int) {}

TEST(RetryingFileBuffer, WritesCutBySignalsAreTriedAgain) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
    // A signal every 20 ms while the pipe is full and its reader still asleep.
    itimerval every{{0, 20000}, {0, 20000}};
    setitimer(ITIMER_REAL, &every, nullptr);

    SlowPipeReader reader(ends[0], std::chrono::milliseconds(300));
    const std::string line(99, 'x');
    {
        RetryingFileBuffer buffer(ends[1]);
        std::ostream out(&buffer);
        for (int i = 0; i < 5000; ++i) out << line << '\n';
        out.flush();
        EXPECT_TRUE(out.good());
    }
    itimerval stop{};
    setitimer(ITIMER_REAL, &stop, nullptr);
    close(ends[1]);
    const std::string& received = reader.finish();
    close(ends[0]);
    sigaction(SIGALRM, &previous, nullptr);
    EXPECT_EQ(received.size(), 5000u * 100u);
}

}  // namespace
