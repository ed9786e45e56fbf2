// Figures about the running process: processor time used and memory held.
#pragma once

#include <cstdint>
#include <string>

// Processor time the process has used so far, split into kernel and user time.
struct ProcessTimes {
    bool ok = false;
    std::int64_t kernelMicroseconds = 0;
    std::int64_t userMicroseconds = 0;
};

// Memory the process holds, in bytes. The working set is the resident set; the "pagefile" pair is
// the process's whole virtual size and its peak, the nearest figure with a kernel-kept maximum to
// the memory a process has committed.
struct MemoryFigures {
    bool ok = false;
    std::uint64_t workingSet = 0;
    std::uint64_t peakWorkingSet = 0;
    std::uint64_t pagefileUsage = 0;
    std::uint64_t peakPagefileUsage = 0;
};

// Kernel and user time of the calling process and of the children it has waited for (the
// document parser runs in one); ok is false when the system refuses the query.
ProcessTimes readProcessTimes();

// Every wait for a child (waitpid and its kin) that may have reaped one calls this after the
// wait: the children's times grow only then, and readProcessTimes reads them again only after
// it.
void noteChildWaited();

// The memory figures of the calling process; ok is false when they cannot be read.
MemoryFigures readMemoryFigures();

// Takes the memory figures out of the text of a process status file ("VmRSS:  1234 kB" lines).
// ok is true only when all four lines were found and readable.
MemoryFigures parseMemoryFigures(const std::string& statusText);
