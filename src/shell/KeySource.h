// Where the line editor's keys come from: a source of key codes, and the byte source beneath it.
#pragma once

// Key codes 0 to 255 (0: a key the editor does not know, which returns the empty line), or one
// of the negative codes below.
class KeySource {
  public:
    static constexpr int EndOfInput = -1;  // the terminal is gone: end of file or a read error
    static constexpr int Redraw = -2;      // the program was continued: draw the line again

    virtual ~KeySource() = default;
    virtual int nextKey() = 0;
    // True when a key can be read within the given milliseconds.
    virtual bool keyWaiting(int milliseconds) = 0;
};

// Bytes as the terminal sends them: 0 to 255, or KeySource's negative codes.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual int nextByte() = 0;
    virtual bool byteWaiting(int milliseconds) = 0;
};

// Where the editor draws: carriage return, backspace, blanks, printable bytes, line feed, BEL.
class ScreenSink {
  public:
    virtual ~ScreenSink() = default;
    virtual void write(const char* bytes, int count) = 0;
};
