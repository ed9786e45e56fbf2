// The temporary files of the document layers that must not outlive the process.
#include "xml/LeftoverFiles.h"

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

namespace leftoverFiles {
namespace {

std::set<std::string>& files() {
    static std::set<std::string> remembered;
    return remembered;
}

// The same names where a signal handler may read them: fixed slots of copies that are only ever
// swapped whole, so a handler that interrupts remember or forget sees each slot either empty or
// naming a file. Imports are nested a few levels at most; the Web layer keeps one file a fetched
// document, so the slots are many.
constexpr int slotCount = 1024;
std::atomic<char*> slots[slotCount];

void removeAll() {
    for (const std::string& path : files()) std::remove(path.c_str());
    files().clear();
    for (std::atomic<char*>& slot : slots) std::free(slot.exchange(nullptr));
}

void removeFromHandler() {
    for (std::atomic<char*>& slot : slots) {
        if (char* path = slot.load()) unlink(path);
    }
}

// Signals that end the process and can be caught: a closed answer pipe, exceeded limits, faults.
// The files go first, then the signal takes its course as it would have.
constexpr int endingSignals[] = {SIGPIPE, SIGXFSZ, SIGXCPU, SIGALRM, SIGUSR1, SIGUSR2,
                                 SIGSEGV, SIGBUS,  SIGFPE,  SIGILL,  SIGABRT};
struct sigaction previous[NSIG];

void onEndingSignal(int sig, siginfo_t* info, void* context) {
    removeFromHandler();
    const struct sigaction& before = previous[sig];
    if ((before.sa_flags & SA_SIGINFO) != 0 && before.sa_sigaction != nullptr) {
        before.sa_sigaction(sig, info, context);
        return;
    }
    if (before.sa_handler == SIG_IGN) return;
    if (before.sa_handler != SIG_DFL && before.sa_handler != nullptr) {
        before.sa_handler(sig);
        return;
    }
    signal(sig, SIG_DFL);
    raise(sig);
}

void installHandlers() {
    for (int sig : endingSignals) {
        struct sigaction ours {};
        ours.sa_sigaction = onEndingSignal;
        ours.sa_flags = SA_SIGINFO;
        sigemptyset(&ours.sa_mask);
        struct sigaction before {};
        if (sigaction(sig, nullptr, &before) != 0) continue;
        // An ignored signal ends nothing.
        if ((before.sa_flags & SA_SIGINFO) == 0 && before.sa_handler == SIG_IGN) continue;
        previous[sig] = before;
        sigaction(sig, &ours, nullptr);
    }
}

void addSlot(const std::string& path) {
    char* copy = strdup(path.c_str());
    if (copy == nullptr) return;
    for (std::atomic<char*>& slot : slots) {
        char* expected = nullptr;
        if (slot.compare_exchange_strong(expected, copy)) return;
    }
    std::free(copy);
}

void removeSlot(const std::string& path) {
    for (std::atomic<char*>& slot : slots) {
        char* held = slot.load();
        if (held != nullptr && path == held && slot.compare_exchange_strong(held, nullptr)) {
            std::free(held);
            return;
        }
    }
}

}  // namespace

void remember(const std::string& path) {
    // The set exists before the handler is registered, so it is still there when the handler runs.
    static const bool registered = (files(), installHandlers(), std::atexit(&removeAll) == 0);
    if (registered && files().insert(path).second) addSlot(path);
}

void forget(const std::string& path) {
    if (files().erase(path) != 0) removeSlot(path);
}

}  // namespace leftoverFiles
