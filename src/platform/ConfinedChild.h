// Runs a piece of work in a child process that the caller watches and ends when it grows too
// large or the user interrupts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// How the work in the child ended.
struct ChildOutcome {
    enum class End {
        // The work returned; report holds what it returned.
        finished,
        // The child held more memory than its budget and was killed.
        overMemory,
        // The interrupt flag was raised while the child ran; the child was killed and the flag
        // is left raised for the caller.
        interrupted,
        // The child ended without returning (killed by another signal, or it exited itself).
        failed,
    };
    End end = End::failed;
    std::string report;
};

// Runs work in a forked child and waits for it, polling the interrupt flag and the child's
// resident memory. The child shares nothing with the caller after the fork: whatever the work
// changes in memory is lost, so it must hand its results back through the returned text or
// through files. The child ends with _exit, so no exit handler of the caller (the removal of
// temporary files, the terminal's restoration) runs in it, and it takes the default action on
// every ending signal. When no child can be made, the work runs in the caller's process,
// unwatched. memoryBudget counts the bytes the child holds beyond what the caller held when
// it forked.
ChildOutcome runConfined(const std::function<std::string()>& work, std::uint64_t memoryBudget);
