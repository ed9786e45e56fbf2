// Reads process times through getrusage and memory figures from the process status file.
#include "platform/ProcessInfo.h"

#include <sys/resource.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::int64_t microseconds(const timeval& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1000000 + t.tv_usec;
}

// Reads the number of a "Name:   value kB" line into bytes; false when the text is not a size.
bool readKilobytes(const std::string& rest, std::uint64_t& bytes) {
    const char* text = rest.c_str();
    char* end = nullptr;
    unsigned long long value = std::strtoull(text, &end, 10);
    if (end == text) return false;
    bytes = static_cast<std::uint64_t>(value) * 1024;
    return true;
}

// Counts the waits for children; the children's times change only with one.
std::atomic<std::uint64_t> childWaits{1};

// The children's times as last read by this thread, and the count of waits they were read at
// (0: never read).
struct ChildrenTimes {
    std::uint64_t waits = 0;
    std::int64_t kernelMicroseconds = 0;
    std::int64_t userMicroseconds = 0;
};

}  // namespace

void noteChildWaited() {
    childWaits.fetch_add(1, std::memory_order_release);
}

ProcessTimes readProcessTimes() {
    ProcessTimes times;
    // The evaluation reads the times twice a round: the children's, a system call of their own,
    // are read again only after a wait has added to them.
    thread_local ChildrenTimes children;
    const std::uint64_t waits = childWaits.load(std::memory_order_acquire);
    if (children.waits != waits) {
        rusage reaped{};
        if (getrusage(RUSAGE_CHILDREN, &reaped) != 0) return times;
        children.waits = waits;
        children.kernelMicroseconds = microseconds(reaped.ru_stime);
        children.userMicroseconds = microseconds(reaped.ru_utime);
    }
    rusage usage{};
    if (getrusage(RUSAGE_SELF, &usage) != 0) return times;
    times.ok = true;
    times.kernelMicroseconds = microseconds(usage.ru_stime) + children.kernelMicroseconds;
    times.userMicroseconds = microseconds(usage.ru_utime) + children.userMicroseconds;
    return times;
}

MemoryFigures parseMemoryFigures(const std::string& statusText) {
    MemoryFigures figures;
    std::istringstream lines(statusText);
    std::string line;
    int found = 0;
    while (std::getline(lines, line)) {
        std::string::size_type colon = line.find(':');
        if (colon == std::string::npos) continue;
        std::string key = line.substr(0, colon);
        std::uint64_t* target = nullptr;
        int bit = 0;
        if (key == "VmRSS") {
            target = &figures.workingSet;
            bit = 1;
        } else if (key == "VmHWM") {
            target = &figures.peakWorkingSet;
            bit = 2;
        } else if (key == "VmSize") {
            target = &figures.pagefileUsage;
            bit = 4;
        } else if (key == "VmPeak") {
            target = &figures.peakPagefileUsage;
            bit = 8;
        }
        if (target != nullptr && readKilobytes(line.substr(colon + 1), *target)) found |= bit;
    }
    figures.ok = (found == 15);
    return figures;
}

MemoryFigures readMemoryFigures() {
    std::ifstream status("/proc/self/status");
    if (!status) return MemoryFigures{};
    std::ostringstream text;
    text << status.rdbuf();
    return parseMemoryFigures(text.str());
}
