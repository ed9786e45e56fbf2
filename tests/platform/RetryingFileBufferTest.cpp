// The answer buffer against signals: a write that waits on a full pipe and is cut by a signal
// (a handler that does not restart system calls, as the shell installs) loses nothing.
#include <gtest/gtest.h>
#include <poll.h>
#include <pthread.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <ostream>
#include <string>
#include <thread>

#include "platform/RetryingFileBuffer.h"
#include "support/GatedPipeReader.h"

namespace {

volatile sig_atomic_t alarms = 0;
extern "C" void onAlarm(int) {
    alarms = alarms + 1;
}

TEST(RetryingFileBuffer, WritesCutBySignalsAreTriedAgain) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = onAlarm;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
    // A signal every 20 ms. The reader begins once the pipe is full and a few signals have come
    // since, so that they cut writes that wait on it.
    itimerval every{{0, 20000}, {0, 20000}};
    setitimer(ITIMER_REAL, &every, nullptr);

    pipe_test::GatedPipeReader reader(ends[0], [writeEnd = ends[1]] {
        sigset_t alarm;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        pthread_sigmask(SIG_BLOCK, &alarm, nullptr);  // the signals are for the writer
        pipe_test::waitUntilFull(writeEnd);
        const sig_atomic_t whenFull = alarms;
        const auto deadline = child_wait::Clock::now() + child_wait::Generous;
        while (alarms < whenFull + 3 && child_wait::Clock::now() < deadline) poll(nullptr, 0, 5);
    });
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
