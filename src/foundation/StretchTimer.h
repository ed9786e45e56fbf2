// StretchTimer: a stopwatch for the many short stretches of an evaluation, which reads the
// processor clock a few times a second instead of at every stretch.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/Timer.h"

// The evaluators time every round's retrieval, and a program of thousands of small parts has
// thousands of rounds of some microseconds each: reading the processor time (a system call of
// its own, slower than such a round on a busy machine) at both ends of every stretch cost more
// than the rounds themselves. The real time is read at every start and stop, a cheap clock;
// the processor time only when a window of at least WindowMicroseconds of real time has passed
// since the last reading, and the processor time of a window goes to the stretches in the share
// of the window's real time they took. Exact over stretches longer than a window, and within
// the hundredths the times are written in otherwise; the processor time of the children waited
// for counts as in Timer.
class StretchTimer : public Timer {
  public:
    static constexpr std::int64_t WindowMicroseconds = 10000;

    StretchTimer() = default;
    ~StretchTimer() override = default;

    std::string diffUser() override;
    std::string diffReal() override;
    void cont() override;
    void stop() override;
    void start() override;

  protected:
    // The steady clock and the processor time of the process and its waited-for children, in
    // microseconds; virtual for the tests.
    virtual std::int64_t realMicroseconds();
    virtual std::int64_t processorMicroseconds();

  private:
    // Gives the processor time since the window began to the stretches in their share of it,
    // and begins the next window at `now`.
    void closeWindow(std::int64_t now);

    // A new timer runs, as Timer's does, until its first stop.
    bool running = true;
    // Whether the window has its first reading (made by start, or by the first cont).
    bool windowOpen = false;
    std::int64_t stretchStart = 0;
    std::int64_t windowStart = 0;
    std::int64_t windowProcessor = 0;
    // Real time inside stretches since the window began.
    std::int64_t windowInside = 0;
    std::int64_t realSum = 0;
    std::int64_t processorSum = 0;
};
