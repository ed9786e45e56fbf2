// ScannerInput: what every scanner of the program adds beside its generated class: the line
// counter and file name of its input, the one-character reading of that input, and the reports
// of illegal characters, unterminated comments, unreadable input and input that keeps failing.
#pragma once

#include <istream>
#include <string>
#include <string_view>

class ScannerInput {
  public:
    ScannerInput() = default;
    virtual ~ScannerInput() = default;

    // Each scanner keeps its own: a file consulted while another is read must not move the
    // outer file's line or name.
    int lineNumber() const { return line; }
    void setLineNumber(int number) { line = number; }
    const std::string& fileName() const { return file; }
    void setFileName(std::string name) { file = std::move(name); }

    // True once the input could not be read; the scanner has then seen the end of its input.
    bool inputFailed() const { return failed; }
    // True once too many errors or Ctrl-C stopped the reading, with a closing report that is the
    // last word about this input: the clause it cut off is rejected without a word more.
    bool readingStopped() const { return errors >= errorLimit || interrupted; }
    // The parser has rejected the clause that the failure cut off.
    void failureRejected() { failureSeen = true; }
    // The front end's end test: nothing read and left unscanned, and the stream at its end. A
    // stream that fails here is reported like a failed read, and the test answers false until
    // the parser has rejected the clause the failure cut off, so that the reading of the input
    // ends with a rejected clause rather than quietly.
    bool atEnd(std::istream& in);
    // Characters the scanner has taken from the stream but not scanned yet (a lookahead beyond
    // the last token).
    virtual bool holdsUnscanned() const { return false; }
    // Forgets the characters taken from the stream and not scanned yet: the reading stops.
    virtual void dropHeld() {}

    // InputFailed for an input that could not even be opened (a file without read permission).
    static void reportUnreadable(const std::string& fileName);
    // True after a "." that was the last character of the input: every further token is a
    // clause end. Scanners without clauses have no such state.
    virtual bool inEndState() const { return false; }

    // [file name + ", "] + "line N", the start of every scanner and parser message.
    std::string position() const;

    // IllegalCharacter: "character 'c' is not allowed", a control character written by its name
    // in angle brackets ("<NUL>"), since the raw byte would not show. The errorLimit-th error of
    // one input ends its reading with one closing report: an endless stream of bad characters
    // (/dev/zero) would otherwise report for ever.
    void reportIllegalCharacter(char character);
    // InvalidComment: "EOF appeared in comment". The input counts as failed, so that the clause
    // it cut off is rejected like any other that a scanner error spoils.
    void reportInvalidComment();

    // Scanner errors after which the reading of one input stops.
    static constexpr int errorLimit = 100;
    // The visible text of a character in a message: the character itself, or the name of a
    // control character in angle brackets.
    static std::string visibleCharacter(char character);

  protected:
    // Takes one character of the input into *buffer and answers 1, or 0 at the end. One
    // character per refill keeps the stream positioned right behind what the scanner has seen,
    // which the front end's end test relies on. A carriage return before a newline is dropped.
    // A stream that fails to read is reported once (InputFailed) and counts as ended.
    int readCharacter(std::istream& in, char* buffer);
    // readCharacter, and then, when the token being matched (`partial`, `partialLength`
    // characters, ending right before `buffer`) can only go on through them, the characters
    // that the scanner is bound to look at next: more letters, digits and "_" after a run of
    // them, more blanks after blanks, a line comment's characters up to the end of its line,
    // or a string's characters up to its closing quote. Up to `size` characters in all.
    // A token thus takes a few refills rather than one per character, each of which would
    // move and rescan the token so far. Read-ahead never passes a "." or a clause end, and the
    // front end's end test counts what the scanner holds unscanned.
    int readTokenCharacters(std::istream& in, char* buffer, int size, const char* partial,
                            int partialLength);
    // The rest of readTokenCharacters outside words and strings: the characters up to the
    // next "." that the stream holds already, unless the token so far or the character just
    // read is a "." (the scanner may be deciding whether a clause ends). A clause then takes
    // a few refills rather than one per token, each of which moves the token so far.
    int readClauseCharacters(std::istream& in, char* buffer, int size, const char* partial,
                             int partialLength);
    // The characters of a comment's text: readCharacter, and then, unless that one is among
    // `stops` (the characters a comment's end is made of) and begins an end (one of `marks`) or
    // goes on one the token being matched ends with, those that follow it up to (not including)
    // one of `marks`, a carriage return or the end of the input, up to `size` in all. A long
    // comment thus takes a few refills rather than one per character or per "/" of its text,
    // each of which would move and rescan the comment so far; the characters of its end come
    // one by one, so nothing behind it is read.
    int readCommentCharacters(std::istream& in, char* buffer, int size, std::string_view stops,
                              std::string_view marks, const char* partial, int partialLength);
    // readCharacter, and then every character the stream holds already, up to `size` in all,
    // a carriage return before a newline dropped; when the token being matched (as for
    // readTokenCharacters) runs on beyond them (a string, a word, blanks, a line comment), the
    // characters up to the end of its run as well. In a block comment, `commentEnds` are the
    // characters that end a piece of its text (none outside comments). Only for an input no
    // one else reads: the scanner then holds the characters of many clauses at once, and one
    // refill serves them all.
    int readHeldCharacters(std::istream& in, char* buffer, int size, const char* partial,
                           int partialLength, std::string_view commentEnds);
    // Whether the stream is the scanner's alone. Standard input is shared: a clause read from
    // it may be a command that hands it to another reader (a nested consult of it, or the
    // shell's line reading after an error), which must find it right behind that clause.
    static bool ownsInput(const std::istream* in);
    // Reports the failure once and ends the input.
    void recordFailure(std::istream& in);

    // Counts the newlines of a token that may hold some (a string).
    void countNewlines(const char* text, int length);

  private:
    int line = 1;
    std::string file;
    bool failed = false;
    bool failureSeen = false;
    // Ctrl-C or a farewell ended the reading.
    bool interrupted = false;
    // Scanner errors reported for this input.
    int errors = 0;
};
