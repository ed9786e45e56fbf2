// The windowed processor-time arithmetic of StretchTimer.
#include "foundation/StretchTimer.h"

#include "platform/Clock.h"
#include "platform/ProcessInfo.h"

namespace {

std::string durationOf(std::int64_t microseconds) {
    return Timer::formatDuration(static_cast<std::int32_t>(microseconds / 1000000),
                                 static_cast<std::int32_t>(microseconds % 1000000));
}

}  // namespace

std::int64_t StretchTimer::realMicroseconds() {
    return static_cast<std::int64_t>(steadyMicroseconds());
}

std::int64_t StretchTimer::processorMicroseconds() {
    const ProcessTimes times = readProcessTimes();
    return times.kernelMicroseconds + times.userMicroseconds;
}

void StretchTimer::closeWindow(std::int64_t now) {
    const std::int64_t processor = processorMicroseconds();
    const std::int64_t span = now - windowStart;
    const std::int64_t used = processor - windowProcessor;
    if (span > 0 && used > 0) {
        const std::int64_t inside = windowInside < span ? windowInside : span;
        // In floating point: a window of hours times its processor time overflows 64 bits.
        processorSum += static_cast<std::int64_t>(
            static_cast<double>(used) * static_cast<double>(inside) / static_cast<double>(span));
    } else if (span <= 0 && used > 0 && windowInside > 0) {
        processorSum += used;
    }
    windowStart = now;
    windowProcessor = processor;
    windowInside = 0;
    windowOpen = true;
}

void StretchTimer::cont() {
    const std::int64_t now = realMicroseconds();
    if (!windowOpen || now - windowStart >= WindowMicroseconds) closeWindow(now);
    running = true;
    stretchStart = now;
}

void StretchTimer::stop() {
    // As Timer: the stretch ended at the first stop.
    if (!running) return;
    running = false;
    // Never started: no stretch to end.
    if (!windowOpen) return;
    const std::int64_t now = realMicroseconds();
    const std::int64_t stretch = now > stretchStart ? now - stretchStart : 0;
    realSum += stretch;
    windowInside += stretch;
    if (now - windowStart >= WindowMicroseconds) closeWindow(now);
}

void StretchTimer::start() {
    realSum = 0;
    processorSum = 0;
    running = false;
    windowOpen = false;
    windowInside = 0;
    cont();
}

std::string StretchTimer::diffUser() {
    if (running) return "no stop done";
    // The stretches since the last reading get their share now.
    if (windowInside > 0) closeWindow(realMicroseconds());
    return durationOf(processorSum);
}

std::string StretchTimer::diffReal() {
    if (running) return "no stop done";
    return durationOf(realSum);
}
