// Wall-clock readings through clock_gettime and the C library's local-time conversion.
#include "platform/Clock.h"

#include <time.h>

std::uint64_t steadyMilliseconds() {
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
    return static_cast<std::uint64_t>(now.tv_sec) * 1000 +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000000;
}

std::uint64_t steadyMicroseconds() {
    timespec now{};
    if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000 +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000;
}

void initTimeZone() {
    tzset();
}

bool localNow(std::tm& out) {
    std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) return false;
    return localtime_r(&now, &out) != nullptr;
}
