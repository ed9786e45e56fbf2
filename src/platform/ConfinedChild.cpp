// Runs a piece of work in a watched child process: fork, a pipe for the result, and a polling
// wait that kills the child on an interrupt or when it holds too much memory.
#include "platform/ConfinedChild.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "platform/InterruptFlag.h"

namespace {

// How often the parent looks at the child's memory and the interrupt flag while the child
// writes nothing.
constexpr int pollMilliseconds = 5;
// The child ends its result with this byte: a child that exits before its work returns (the
// work called exit) cannot be taken for one that finished.
constexpr char doneMark = '\x01';

// The resident bytes of a process, 0 when they cannot be read (the process is gone).
std::uint64_t residentBytes(const char* statmPath) {
    const int fd = open(statmPath, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    char text[128];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0) return 0;
    text[got] = '\0';
    // "size resident shared ...", in pages.
    char* end = nullptr;
    std::strtoull(text, &end, 10);
    const unsigned long long pages = std::strtoull(end, nullptr, 10);
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

void writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = write(fd, text.data() + done, text.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return;
        done += static_cast<std::size_t>(wrote);
    }
}

// Reads what the pipe holds now; false at its end.
bool readSome(int fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return got < 0 && errno == EAGAIN;
        into.append(buffer, static_cast<std::size_t>(got));
    }
}

// In the child: every signal the caller handles takes its default action again, so that no
// handler of the caller's (temporary-file removal, terminal restoration) runs here.
void defaultSignalActions() {
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig == SIGKILL || sig == SIGSTOP) continue;
        struct sigaction before {};
        if (sigaction(sig, nullptr, &before) != 0) continue;
        const bool handled = (before.sa_flags & SA_SIGINFO) != 0 ||
                             (before.sa_handler != SIG_DFL && before.sa_handler != SIG_IGN);
        if (!handled) continue;
        struct sigaction plain {};
        plain.sa_handler = SIG_DFL;
        sigemptyset(&plain.sa_mask);
        sigaction(sig, &plain, nullptr);
    }
}

[[noreturn]] void runChild(const std::function<std::string()>& work, int fd, pid_t parent,
                           const sigset_t& mask) {
    defaultSignalActions();
    // A child whose parent is gone has nobody to hand its result to.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    sigprocmask(SIG_SETMASK, &mask, nullptr);
    if (getppid() != parent) _exit(71);
    try {
        writeAll(fd, work() + doneMark);
    } catch (...) {
        _exit(70);
    }
    close(fd);
    _exit(0);
}

// The work run in the caller's own process, when no child can be made.
ChildOutcome runHere(const std::function<std::string()>& work) {
    ChildOutcome outcome;
    outcome.end = ChildOutcome::End::finished;
    outcome.report = work();
    return outcome;
}

}  // namespace

ChildOutcome runConfined(const std::function<std::string()>& work, std::uint64_t memoryBudget) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return runHere(work);
    const std::uint64_t baseline = residentBytes("/proc/self/statm");
    // Output the caller has buffered must not be written a second time by the child.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    // No signal may reach a handler of the caller's in the child before the child resets them.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    sigprocmask(SIG_SETMASK, &all, &before);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        runChild(work, fds[1], parent, before);
    }
    sigprocmask(SIG_SETMASK, &before, nullptr);
    close(fds[1]);
    if (child < 0) {
        close(fds[0]);
        return runHere(work);
    }
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    const std::string statm = "/proc/" + std::to_string(child) + "/statm";

    ChildOutcome outcome;
    bool open = true;
    int status = 0;
    for (;;) {
        if (open) {
            pollfd ready{fds[0], POLLIN, 0};
            if (poll(&ready, 1, pollMilliseconds) > 0) open = readSome(fds[0], outcome.report);
        } else {
            poll(nullptr, 0, 1);
        }
        const pid_t ended = waitpid(child, &status, WNOHANG);
        // With SIGCHLD ignored the child is reaped unseen: its end mark alone tells.
        if (ended == child || (ended < 0 && errno == ECHILD)) break;
        ChildOutcome::End cut = ChildOutcome::End::finished;
        if (interruptFlag.load() != 0) {
            cut = ChildOutcome::End::interrupted;
        } else if (residentBytes(statm.c_str()) > baseline + memoryBudget) {
            cut = ChildOutcome::End::overMemory;
        }
        if (cut != ChildOutcome::End::finished) {
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            close(fds[0]);
            outcome.end = cut;
            outcome.report.clear();
            return outcome;
        }
    }
    while (open) open = readSome(fds[0], outcome.report);
    close(fds[0]);
    const bool done = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !outcome.report.empty() &&
                      outcome.report.back() == doneMark;
    outcome.end = done ? ChildOutcome::End::finished : ChildOutcome::End::failed;
    if (done) {
        outcome.report.pop_back();
    } else {
        outcome.report.clear();
        if (interruptFlag.load() != 0) outcome.end = ChildOutcome::End::interrupted;
    }
    return outcome;
}
