// Wall-clock readings: a steady millisecond counter and the local calendar time.
#pragma once

#include <cstdint>
#include <ctime>

// Milliseconds of a steady clock that never jumps with changes of the system time.
std::uint64_t steadyMilliseconds();
// The same clock in microseconds.
std::uint64_t steadyMicroseconds();

// Makes local time follow the time-zone setting of the environment (TZ).
void initTimeZone();

// The current local calendar time; false when it cannot be obtained.
bool localNow(std::tm& out);
