// ScannerInput: what every scanner of the program adds beside its generated class: the line
// counter and file name of its input, the one-character reading of that input, and the reports
// of illegal characters, unterminated comments and unreadable input.
#pragma once

#include <istream>
#include <string>

class ScannerInput {
  public:
    ScannerInput() = default;
    virtual ~ScannerInput() = default;

    // Each scanner keeps its own: a file consulted while another is read must not move the
    // outer file's line or name.
    int lineNumber() const { return line; }
    void setLineNumber(int number) { line = number; }
    std::string fileName() const { return file; }
    void setFileName(std::string name) { file = std::move(name); }

    // True once the input could not be read; the scanner has then seen the end of its input.
    bool inputFailed() const { return failed; }
    // True after a "." that was the last character of the input: every further token is a
    // clause end. Scanners without clauses have no such state.
    virtual bool inEndState() const { return false; }

    // [file name + ", "] + "line N", the start of every scanner and parser message.
    std::string position() const;

    // IllegalCharacter: "character 'c' is not allowed".
    void reportIllegalCharacter(char character) const;
    // InvalidComment: "EOF appeared in comment".
    void reportInvalidComment() const;

  protected:
    // Takes one character of the input into *buffer and answers 1, or 0 at the end. One
    // character per refill keeps the stream positioned right behind what the scanner has seen,
    // which the front end's end test relies on. A carriage return before a newline is dropped.
    // A stream that fails to read is reported once (InputFailed) and counts as ended.
    int readCharacter(std::istream& in, char* buffer);

    // Counts the newlines of a token that may hold some (a string).
    void countNewlines(const char* text, int length);

  private:
    int line = 1;
    std::string file;
    bool failed = false;
};
