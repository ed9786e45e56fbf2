// Raw mode over termios, and the guards that put the terminal's own modes back on every way out.
#include "platform/RawTerminal.h"

#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>

namespace {

// Process-wide, so that signal handlers and the atexit guard can reach them. rawFd is the
// descriptor whose modes are raw (-1: none).
termios savedModes{};
termios rawModes{};
volatile sig_atomic_t rawFd = -1;
volatile sig_atomic_t resumed = 0;

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int endingSignals[] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};

struct sigaction previousAction[NSIG];
bool exitGuarded = false;
bool endingGuarded[NSIG] = {};
bool stopGuarded = false;
struct sigaction previousStop {};
struct sigaction previousContinue {};

void restoreModes() {
    int fd = rawFd;
    if (fd >= 0) tcsetattr(fd, TCSANOW, &savedModes);
}

void restoreAtExit() {
    restoreModes();
    rawFd = -1;
}

// The fault is handed on to whoever handled it before us: with no handler the default action
// runs once the signal is unblocked at our return.
void onFatal(int sig, siginfo_t* info, void* context) {
    restoreModes();
    rawFd = -1;
    const struct sigaction& before = previousAction[sig];
    if (before.sa_flags & SA_SIGINFO) {
        if (before.sa_sigaction != nullptr) before.sa_sigaction(sig, info, context);
        return;
    }
    if (before.sa_handler == SIG_IGN) return;
    if (before.sa_handler == SIG_DFL) {
        signal(sig, SIG_DFL);
        raise(sig);
        return;
    }
    before.sa_handler(sig);
}

// Installed only where the disposition was the default, so the default action follows.
void onEnding(int sig) {
    restoreModes();
    rawFd = -1;
    signal(sig, SIG_DFL);
    raise(sig);
}

void onContinue(int) {
    int savedErrno = errno;
    int fd = rawFd;
    if (fd >= 0) {
        tcsetattr(fd, TCSANOW, &rawModes);
        resumed = 1;
    }
    errno = savedErrno;
}

// Restores the modes, stops with the default action, and on continuing is raw again.
void onStop(int) {
    int savedErrno = errno;
    restoreModes();
    struct sigaction ours {};
    struct sigaction stopNow {};
    stopNow.sa_handler = SIG_DFL;
    sigemptyset(&stopNow.sa_mask);
    sigaction(SIGTSTP, &stopNow, &ours);
    raise(SIGTSTP);
    sigset_t stop;
    sigset_t before;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, &before);
    sigprocmask(SIG_SETMASK, &before, nullptr);
    sigaction(SIGTSTP, &ours, nullptr);
    onContinue(SIGCONT);
    errno = savedErrno;
}

// The atexit guard once; the fault handlers whenever ours is not the one installed, so that a
// handler installed since is the one a fault is handed on to.
void installGuards() {
    if (!exitGuarded) {
        exitGuarded = true;
        std::atexit(restoreAtExit);
    }
    for (int sig : fatalSignals) {
        struct sigaction current {};
        sigaction(sig, nullptr, &current);
        if ((current.sa_flags & SA_SIGINFO) && current.sa_sigaction == onFatal) continue;
        struct sigaction action {};
        action.sa_sigaction = onFatal;
        action.sa_flags = SA_SIGINFO | SA_ONSTACK;
        sigemptyset(&action.sa_mask);
        sigaction(sig, &action, &previousAction[sig]);
    }
}

void installWhileRaw() {
    for (int sig : endingSignals) {
        struct sigaction current {};
        sigaction(sig, nullptr, &current);
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL) {
            struct sigaction action {};
            action.sa_handler = onEnding;
            sigemptyset(&action.sa_mask);
            sigaction(sig, &action, nullptr);
            endingGuarded[sig] = true;
        }
    }
    struct sigaction current {};
    sigaction(SIGTSTP, nullptr, &current);
    stopGuarded = (current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_IGN;
    if (stopGuarded) {
        // No SA_RESTART: the editor's read returns after a stop, so the line is drawn again.
        struct sigaction action {};
        action.sa_handler = onStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGTSTP, &action, &previousStop);
        action.sa_handler = onContinue;
        sigaction(SIGCONT, &action, &previousContinue);
    }
}

void uninstallWhileRaw() {
    for (int sig : endingSignals) {
        if (!endingGuarded[sig]) continue;
        endingGuarded[sig] = false;
        struct sigaction current {};
        sigaction(sig, nullptr, &current);
        if (!(current.sa_flags & SA_SIGINFO) && current.sa_handler == onEnding)
            signal(sig, SIG_DFL);
    }
    if (stopGuarded) {
        stopGuarded = false;
        sigaction(SIGTSTP, &previousStop, nullptr);
        sigaction(SIGCONT, &previousContinue, nullptr);
    }
}

}  // namespace

RawTerminal::RawTerminal(int inputFd, int outputFd) : inputFd_(inputFd), outputFd_(outputFd) {}

RawTerminal::~RawTerminal() {
    leave();
}

bool RawTerminal::interactive() const {
    return isatty(inputFd_) && isatty(outputFd_);
}

bool RawTerminal::enter() {
    if (rawFd >= 0) return entered_;
    termios modes{};
    if (tcgetattr(inputFd_, &modes) != 0) return false;
    installGuards();
    savedModes = modes;
    modes.c_lflag &= ~(ICANON | ECHO | IEXTEN);
    modes.c_iflag &= ~(IXON | ICRNL | INLCR | IGNCR);
    modes.c_cc[VMIN] = 1;
    modes.c_cc[VTIME] = 0;
    rawModes = modes;
    installWhileRaw();
    rawFd = inputFd_;
    if (tcsetattr(inputFd_, TCSANOW, &rawModes) != 0) {
        rawFd = -1;
        uninstallWhileRaw();
        return false;
    }
    resumed = 0;
    entered_ = true;
    return true;
}

void RawTerminal::leave() {
    if (!entered_) return;
    entered_ = false;
    if (rawFd != inputFd_) return;  // a fatal or ending signal's guard has restored already
    tcsetattr(inputFd_, TCSANOW, &savedModes);
    rawFd = -1;
    uninstallWhileRaw();
}

bool RawTerminal::isRaw() const {
    return entered_ && rawFd == inputFd_;
}

RawTerminal::Read RawTerminal::readByte(unsigned char& byte, bool (*stopWaiting)()) {
    if (stopWaiting != nullptr) {
        // Faults stay deliverable: blocked, they would end the process without our guard.
        sigset_t held;
        sigset_t before;
        sigfillset(&held);
        for (int sig : fatalSignals) sigdelset(&held, sig);
        pthread_sigmask(SIG_BLOCK, &held, &before);
        bool stop = stopWaiting();
        int ready = 0;
        if (!stop) {
            pollfd watch{inputFd_, POLLIN, 0};
            ready = ppoll(&watch, 1, nullptr, &before);
        }
        int pollErrno = errno;
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        if (stop || (ready < 0 && pollErrno == EINTR)) return Read::Interrupted;
    }
    ssize_t got = ::read(inputFd_, &byte, 1);
    if (got == 1) return Read::Byte;
    if (got < 0 && errno == EINTR) return Read::Interrupted;
    return Read::End;
}

bool RawTerminal::byteWaiting(int milliseconds) {
    pollfd watch{inputFd_, POLLIN, 0};
    return poll(&watch, 1, milliseconds) > 0 && watch.revents != 0;
}

bool RawTerminal::write(const char* bytes, int count) {
    while (count > 0) {
        ssize_t put = ::write(outputFd_, bytes, static_cast<size_t>(count));
        if (put < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += put;
        count -= static_cast<int>(put);
    }
    return true;
}

bool RawTerminal::windowSize(int& columns, int& rows) const {
    winsize size{};
    if (ioctl(outputFd_, TIOCGWINSZ, &size) != 0) return false;
    columns = size.ws_col;
    rows = size.ws_row;
    return true;
}

bool RawTerminal::takeResumed() {
    if (!resumed) return false;
    resumed = 0;
    return true;
}
