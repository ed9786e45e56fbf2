// The terminal in raw mode for the line editor: our own small layer over termios, with the
// original modes put back on every way out of the process.
#pragma once

#include <termios.h>

// One terminal switched between its own modes and the raw modes the editor needs. Raw clears
// ICANON, ECHO, IEXTEN, IXON, ICRNL, INLCR and IGNCR but keeps ISIG (Ctrl-C and Ctrl-\ stay the
// program's signals) and OPOST (a line feed still starts the next row at its first column).
//
// The saved modes live in process-wide storage, because they are put back from places that
// cannot reach an object: an atexit guard; the handlers of SIGSEGV, SIGBUS, SIGFPE, SIGILL and
// SIGABRT, which then hand the signal to the handler installed before (a sanitizer's report
// survives); SIGINT, SIGQUIT, SIGHUP and SIGTERM while nobody handles them (the default would end
// the process with the terminal raw); SIGTSTP, which restores and stops, and SIGCONT, which makes
// the terminal raw again and marks the line for a redraw. Only one terminal is raw at a time.
class RawTerminal {
  public:
    enum class Read { Byte, End, Interrupted };

    explicit RawTerminal(int inputFd = 0, int outputFd = 1);
    ~RawTerminal();
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

    // True when both descriptors are terminals.
    bool interactive() const;

    // Saves the current modes and switches to raw; false (modes untouched) when that fails or
    // another terminal object is raw. True at once when this one is raw already.
    bool enter();
    // Puts the saved modes back when this object made the terminal raw.
    void leave();
    bool isRaw() const;

    // One byte from the input: End at end of file or on an error (a hung-up terminal),
    // Interrupted when a signal cut the read. With stopWaiting, Interrupted also when it answers
    // true before the wait; signals are held back from that question until the wait has begun, so
    // one that comes just before the wait still cuts it instead of being missed until a key.
    Read readByte(unsigned char& byte, bool (*stopWaiting)() = nullptr);
    // True when a byte can be read within the given milliseconds.
    bool byteWaiting(int milliseconds);
    // Writes all bytes (retrying short and interrupted writes); false when the terminal is gone.
    bool write(const char* bytes, int count);

    // The window size of the output terminal as the kernel reports it; false when it cannot be
    // read (a zero figure is passed on: the caller keeps its current size for it).
    bool windowSize(int& columns, int& rows) const;

    // True once after the process was continued while raw (the line must be drawn again).
    static bool takeResumed();

  private:
    int inputFd_;
    int outputFd_;
    bool entered_ = false;
};
