// Runs a piece of work in a watched child process: the program started anew in a child role, a
// pipe each way, and a polling wait that kills the child on an interrupt, when it holds too much
// memory or when it stops making progress.
#include "platform/ConfinedChild.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <vector>

#include "platform/InterruptFlag.h"
#include "platform/ProcessInfo.h"

namespace {

// How often the parent looks at the child's memory, processor time and the interrupt flag while
// the child writes nothing.
constexpr int pollMilliseconds = 10;
// What the child writes: a setup mark when its setup is done, then the result mark, the result
// and the end mark. A child that exits before its work returns (the work called exit) cannot be
// taken for one that finished.
constexpr char setupMark = 'S';
constexpr char resultMark = 'R';
constexpr char doneMark = '\x01';
// Set in a confined child.
bool inConfinedChild = false;
// Where the child finds the result pipe.
constexpr int resultDescriptor = 3;
// The pipes are moved above the standard descriptors and the result descriptor, so that putting
// them in place in the child never maps a descriptor onto itself.
constexpr int lowestPipeDescriptor = 10;

// Reads a small file of /proc into text as a terminated string; false when the process is gone.
template <std::size_t N>
bool readProcFile(const std::string& path, char (&text)[N]) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const ssize_t got = read(fd, text, N - 1);
    close(fd);
    if (got <= 0) return false;
    text[got] = '\0';
    return true;
}

// The resident bytes of a process, 0 when they cannot be read (the process is gone).
std::uint64_t residentBytes(const std::string& statmPath) {
    char text[128];
    if (!readProcFile(statmPath, text)) return 0;
    // "size resident shared ...", in pages.
    char* end = nullptr;
    std::strtoull(text, &end, 10);
    const unsigned long long pages = std::strtoull(end, nullptr, 10);
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// The user and system clock ticks a process has used, 0 when they cannot be read.
unsigned long long processorTicks(const std::string& statPath) {
    char text[1024];
    if (!readProcFile(statPath, text)) return 0;
    // The command name in parentheses may hold blanks; the fields counted from the state after
    // it: state ppid pgrp session tty tpgid flags minflt cminflt majflt cmajflt utime stime.
    const char* at = std::strrchr(text, ')');
    if (at == nullptr) return 0;
    ++at;
    for (int field = 0; field < 11 && *at != '\0'; ++field) {
        while (*at == ' ') ++at;
        while (*at != ' ' && *at != '\0') ++at;
    }
    char* end = nullptr;
    const unsigned long long user = std::strtoull(at, &end, 10);
    const unsigned long long system = std::strtoull(end, nullptr, 10);
    return user + system;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t wrote = write(fd, data + done, size - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        done += static_cast<std::size_t>(wrote);
    }
    return true;
}

// Reads what the descriptor holds now; false at its end.
bool readSome(int fd, std::string& into) {
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got < 0 && errno == EAGAIN;
        into.append(buffer, static_cast<std::size_t>(got));
    }
}

// A pipe whose ends lie above the low descriptors and close when a program is started.
bool makePipe(int ends[2]) {
    int raw[2];
    if (pipe2(raw, O_CLOEXEC) != 0) return false;
    for (int i = 0; i < 2; ++i) {
        ends[i] = fcntl(raw[i], F_DUPFD_CLOEXEC, lowestPipeDescriptor);
        close(raw[i]);
    }
    if (ends[0] >= 0 && ends[1] >= 0) return true;
    if (ends[0] >= 0) close(ends[0]);
    if (ends[1] >= 0) close(ends[1]);
    return false;
}

// The work run in the caller's own process, when no child can be started.
ChildOutcome runHere(const ConfinedRole& role, const std::string& request) {
    ChildOutcome outcome;
    outcome.end = ChildOutcome::End::finished;
    outcome.report = role.work(request);
    return outcome;
}

// Starts the program anew as a child in the role; its standard input is requestEnd and its
// result descriptor resultEnd. 0 when it cannot be started.
pid_t startChild(const ConfinedRole& role, int requestEnd, int resultEnd) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return 0;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return 0;
    }
    posix_spawn_file_actions_adddup2(&actions, requestEnd, STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, resultEnd, resultDescriptor);
    // No other descriptor of the caller (a socket, an open document) reaches the child.
    posix_spawn_file_actions_addclosefrom_np(&actions, resultDescriptor + 1);
    // Every signal starts with its default action and unblocked, whatever the caller ignores or
    // blocks.
    sigset_t all;
    sigset_t none;
    sigfillset(&all);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

    std::string marker = std::string(confinedChildMarker) + role.name;
    std::string parent = std::to_string(getpid());
    std::string name = "quorin-child";
    char* argv[] = {name.data(), marker.data(), parent.data(), nullptr};
    // Output the caller has buffered goes out before the child can write to the same places.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    pid_t child = 0;
    if (posix_spawn(&child, "/proc/self/exe", &actions, &attributes, argv, environ) != 0) child = 0;
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    return child;
}

void killAndReap(pid_t child) {
    kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    noteChildWaited();
}

}  // namespace

ChildOutcome runConfined(const ConfinedRole& role, const std::string& request,
                         const ConfinedLimits& limits) {
    int requestPipe[2];
    int resultPipe[2];
    if (!makePipe(requestPipe)) return runHere(role, request);
    if (!makePipe(resultPipe)) {
        close(requestPipe[0]);
        close(requestPipe[1]);
        return runHere(role, request);
    }
    const pid_t child = startChild(role, requestPipe[0], resultPipe[1]);
    close(requestPipe[0]);
    close(resultPipe[1]);
    if (child <= 0) {
        close(requestPipe[1]);
        close(resultPipe[0]);
        return runHere(role, request);
    }
    int toChild = requestPipe[1];
    const int fromChild = resultPipe[0];
    fcntl(toChild, F_SETFL, fcntl(toChild, F_GETFL) | O_NONBLOCK);
    fcntl(fromChild, F_SETFL, fcntl(fromChild, F_GETFL) | O_NONBLOCK);
    const std::string procFolder = "/proc/" + std::to_string(child);
    const std::string statm = procFolder + "/statm";
    const std::string stat = procFolder + "/stat";

    using Clock = std::chrono::steady_clock;
    ChildOutcome outcome;
    std::size_t written = 0;
    bool open = true;
    int status = 0;
    unsigned long long ticks = 0;
    // What the child held when it said its setup was done; 0 before.
    std::uint64_t setupResident = 0;
    Clock::time_point lastProgress = Clock::now();
    auto finish = [&](ChildOutcome::End cut) {
        killAndReap(child);
        if (toChild >= 0) close(toChild);
        close(fromChild);
        outcome.end = cut;
        outcome.report.clear();
        return outcome;
    };
    for (;;) {
        pollfd ready[2] = {{fromChild, POLLIN, 0}, {toChild, POLLOUT, 0}};
        const nfds_t watched = toChild >= 0 ? 2 : 1;
        if (!open) ready[0].fd = -1;
        if (poll(ready, watched, pollMilliseconds) > 0) {
            if (open && ready[0].revents != 0) {
                const std::size_t before = outcome.report.size();
                open = readSome(fromChild, outcome.report);
                if (outcome.report.size() != before) lastProgress = Clock::now();
            }
            if (toChild >= 0 && ready[1].revents != 0) {
                const ssize_t wrote =
                    write(toChild, request.data() + written, request.size() - written);
                if (wrote > 0) written += static_cast<std::size_t>(wrote);
                // A child that closed its input takes no more of the request.
                if ((wrote < 0 && errno != EAGAIN && errno != EINTR) || written == request.size()) {
                    close(toChild);
                    toChild = -1;
                }
            }
        }
        if (toChild >= 0 && request.empty()) {
            close(toChild);
            toChild = -1;
        }
        const pid_t ended = waitpid(child, &status, WNOHANG);
        if (ended == child) noteChildWaited();
        // With SIGCHLD ignored the child is reaped unseen: its end mark alone tells.
        if (ended == child || (ended < 0 && errno == ECHILD)) break;
        if (interruptFlag.load() != 0) return finish(ChildOutcome::End::interrupted);
        const std::uint64_t resident = residentBytes(statm);
        if (!outcome.report.empty() && setupResident == 0)
            setupResident = std::max<std::uint64_t>(resident, 1);
        const std::uint64_t budget =
            setupResident != 0 ? setupResident + limits.memoryBudget : limits.setupMemory;
        if (resident > budget) {
            finish(ChildOutcome::End::overMemory);
            outcome.budget = budget;
            return outcome;
        }
        const unsigned long long now = processorTicks(stat);
        if (now != ticks) {
            ticks = now;
            lastProgress = Clock::now();
        } else if (Clock::now() - lastProgress > std::chrono::seconds(limits.stallSeconds)) {
            return finish(ChildOutcome::End::stalled);
        }
    }
    if (toChild >= 0) close(toChild);
    while (open) {
        // The child is gone; whatever it wrote is in the pipe.
        open = readSome(fromChild, outcome.report);
        if (open) poll(nullptr, 0, 1);
    }
    close(fromChild);
    // A child reaped unseen leaves the status at 0, an exit without fault.
    const std::size_t start = outcome.report.find(resultMark);
    const bool done = WIFEXITED(status) && WEXITSTATUS(status) == 0 && start != std::string::npos &&
                      outcome.report.back() == doneMark;
    outcome.end = done ? ChildOutcome::End::finished : ChildOutcome::End::failed;
    if (done) {
        outcome.report.pop_back();
        outcome.report.erase(0, start + 1);
    } else {
        outcome.report.clear();
        if (interruptFlag.load() != 0) outcome.end = ChildOutcome::End::interrupted;
    }
    return outcome;
}

bool isConfinedChildCall(int argc, char** argv) {
    return argc >= 2 &&
           std::strncmp(argv[1], confinedChildMarker, std::strlen(confinedChildMarker)) == 0;
}

void confinedChildSetupDone() {
    if (inConfinedChild) writeAll(resultDescriptor, &setupMark, 1);
}

void runConfinedChild(int argc, char** argv, std::initializer_list<ConfinedRole> roles) {
    inConfinedChild = true;
    // A child whose parent is gone has nobody to hand its result to; the check after the
    // request closes the gap where the parent ended before the request was made.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (argc < 3 || getppid() != static_cast<pid_t>(std::strtol(argv[2], nullptr, 10))) _exit(71);
    const char* wanted = argv[1] + std::strlen(confinedChildMarker);
    const ConfinedRole* role = nullptr;
    for (const ConfinedRole& candidate : roles)
        if (std::strcmp(candidate.name, wanted) == 0) role = &candidate;
    if (role == nullptr) _exit(72);
    std::string request;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) _exit(73);
        if (got == 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
    }
    std::string result(1, resultMark);
    try {
        result += role->work(request);
    } catch (...) {
        _exit(70);
    }
    result += doneMark;
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    _exit(writeAll(resultDescriptor, result.data(), result.size()) ? 0 : 74);
}
