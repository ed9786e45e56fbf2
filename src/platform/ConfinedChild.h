// Runs a piece of work in a fresh child process that the caller watches and ends when it grows
// too large, stops making progress, or the user interrupts.
#pragma once

#include <cstdint>
#include <initializer_list>
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
        // The child used no processor time and wrote nothing for the stall limit and was killed.
        stalled,
        // The child ended without returning (killed by another signal, or it exited itself).
        failed,
    };
    End end = End::failed;
    std::string report;
    // With overMemory: the resident bytes the child was allowed and went beyond.
    std::uint64_t budget = 0;
};

// A piece of work a child can be asked to run by name: it is given the request text the caller
// wrote and returns its result text. Only text crosses between the processes.
struct ConfinedRole {
    const char* name;
    std::string (*work)(const std::string& request);
};

// The limits a child is watched against.
struct ConfinedLimits {
    // The resident bytes the child may hold until it says its setup is done
    // (confinedChildSetupDone), and the bytes it may add after that to what it then held: what
    // the setup built stays in use.
    std::uint64_t setupMemory = std::uint64_t{512} * 1024 * 1024;
    std::uint64_t memoryBudget = std::uint64_t{512} * 1024 * 1024;
    // A child that uses no processor time and writes nothing for this long is taken as stuck.
    int stallSeconds = 60;
};

// Runs the role in a child process and waits for it, polling the interrupt flag, the child's
// resident memory and its processor time. The child is the program itself started anew (the
// file /proc/self/exe, with the marker below as its first argument), not a fork of the caller:
// it inherits no lock another thread of the caller held, no handler and no buffered output, and
// whatever it changes stays in it. The request reaches the child on its standard input, the
// result comes back on a pipe. When no child can be started, the work runs in the caller's
// process, unwatched.
ChildOutcome runConfined(const ConfinedRole& role, const std::string& request,
                         const ConfinedLimits& limits);

// The first argument that makes a program a confined child; no user types it.
inline constexpr const char* confinedChildMarker = "--quorin-confined-child=";

// True when the program was started as a confined child. Every program that calls runConfined
// asks this first thing in main, before anything else runs.
bool isConfinedChildCall(int argc, char** argv);

// In a child: tells the parent that the work's setup is done, so that the smaller memory budget
// holds from now on. Elsewhere it does nothing.
void confinedChildSetupDone();

// In the child: runs the role the arguments name (one of roles) on the request read from
// standard input, hands its result to the waiting parent and ends the process without running
// the program's exit handlers.
[[noreturn]] void runConfinedChild(int argc, char** argv,
                                   std::initializer_list<ConfinedRole> roles);
