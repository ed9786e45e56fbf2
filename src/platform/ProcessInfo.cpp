// Reads process times through getrusage and memory figures from the process status file.
#include "platform/ProcessInfo.h"

#include <sys/resource.h>

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

}  // namespace

ProcessTimes readProcessTimes() {
    ProcessTimes times;
    rusage usage{};
    rusage children{};
    if (getrusage(RUSAGE_SELF, &usage) != 0 || getrusage(RUSAGE_CHILDREN, &children) != 0)
        return times;
    times.ok = true;
    times.kernelMicroseconds = microseconds(usage.ru_stime) + microseconds(children.ru_stime);
    times.userMicroseconds = microseconds(usage.ru_utime) + microseconds(children.ru_utime);
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
