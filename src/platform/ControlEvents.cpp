// Signal handlers that stand in for the console control handler.
#include "platform/ControlEvents.h"

#include <csignal>

#include "platform/InterruptFlag.h"

namespace controlEvents {

namespace {

// Written by the handlers only; the first farewell event wins, a second one changes nothing.
volatile std::sig_atomic_t farewellEvent = None;

// Main thread only.
bool cutShort = false;

int eventOf(int signalNumber) {
    switch (signalNumber) {
        case SIGINT:
            return CtrlC;
        case SIGQUIT:
            return Break;
        case SIGHUP:
            return Close;
        case SIGTERM:
            return Shutdown;
        default:
            return None;
    }
}

extern "C" void onSignal(int signalNumber) {
    record(eventOf(signalNumber));
}

}  // namespace

void record(int event) {
    if (event == None) return;
    if (event != CtrlC && farewellEvent == None) farewellEvent = event;
    interruptFlag.store(1, std::memory_order_relaxed);
}

bool install() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a waiting read returns with EINTR
    bool ok = true;
    for (int signalNumber : {SIGINT, SIGQUIT, SIGHUP, SIGTERM}) {
        if (sigaction(signalNumber, &action, nullptr) != 0) ok = false;
    }
    return ok;
}

bool farewellPending() {
    return farewellEvent != None;
}

bool stopRequested() {
    return interruptFlag.load(std::memory_order_relaxed) != 0 || farewellPending();
}

void clearInterrupt() {
    if (!farewellPending()) interruptFlag.store(0, std::memory_order_relaxed);
    cutShort = false;
}

void noteCutShort() {
    cutShort = true;
}

bool takeCutShort() {
    bool was = cutShort;
    cutShort = false;
    return was;
}

int takeFarewell() {
    int event = farewellEvent;
    farewellEvent = None;
    return event;
}

}  // namespace controlEvents
