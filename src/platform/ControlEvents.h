// The console control events of the shell, made from the process's interrupt and termination
// signals: Ctrl-C raises the interrupt flag, the other events are recorded for the main thread.
#pragma once

namespace controlEvents {

// The event codes of the console interface the shell was written for.
constexpr int CtrlC = 0;
constexpr int Break = 1;     // SIGQUIT
constexpr int Close = 2;     // SIGHUP: the terminal went away
constexpr int LogOff = 5;    // no signal maps to it
constexpr int Shutdown = 6;  // SIGTERM
constexpr int None = -1;

// Installs the handlers of SIGINT (Ctrl-C), SIGQUIT, SIGHUP and SIGTERM, without restarting cut
// reads, so that a read waiting for input returns and the reader can look at the event. False
// when a handler could not be installed.
bool install();

// True when a handler has recorded a farewell event (Break, Close or Shutdown). Each handler only
// stores the event and raises the interrupt flag, so a running evaluation stops at its next poll;
// the farewell itself is the main thread's work. Also the line input's question after a cut read.
bool farewellPending();

// The pending farewell event (or None), forgotten from now on: the farewell runs once, and the
// commands it runs itself are not cut short.
int takeFarewell();

// True when the running work should stop: Ctrl-C was pressed or a farewell event is pending.
bool stopRequested();

// Records that a loop stopped on a stop request before its work was done; what it made is
// unfinished.
void noteCutShort();
// True when some loop was cut short since the last call (or since the interrupt was cleared);
// forgets it. Whoever uses the result of long work asks, and throws an unfinished one away.
bool takeCutShort();

// stopRequested for the hot loops of long work (a join, an insertion of many rows): it looks
// once every `every` calls, which keeps it off the profile, and answers true from then on,
// having noted that its loop is cut short.
class StopPoll {
  public:
    explicit StopPoll(unsigned every = 4096) : every(every) {}
    bool stop() {
        if (stopped || ++count < every) return stopped;
        count = 0;
        stopped = stopRequested();
        if (stopped) noteCutShort();
        return stopped;
    }

  private:
    unsigned every;
    unsigned count = 0;
    bool stopped = false;
};

// Lowers the interrupt flag once the work that stopped on it has reported so, unless a farewell
// event is pending: that one must go on stopping every loop up to the shell's. Forgets a cut
// short loop as well: the work it belonged to has been given up.
void clearInterrupt();

// Records an event as its handler would (SIGINT maps to CtrlC); for tests.
void record(int event);

}  // namespace controlEvents
