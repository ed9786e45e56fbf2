// The shared input side of the scanners: line counting, reading and the scanner reports.
#include "language/ScannerInput.h"

#include <algorithm>
#include <cstring>
#include <iostream>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "platform/ControlEvents.h"

namespace {

void reportScannerError(const char* name, const std::string& message) {
    centralErrorHandler().report(Error(3, 1, 2, name, message, "FScanner::yylex()", ""));
}

const char* const inputFailure = " : input could not be read";

}  // namespace

std::string ScannerInput::position() const {
    std::string text = file;
    if (!text.empty()) text += ", ";
    return text + "line " + std::to_string(line);
}

std::string ScannerInput::visibleCharacter(char character) {
    static const char* const controlNames[] = {
        "NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
        "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
        "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};
    const auto code = static_cast<unsigned char>(character);
    if (code < 32) return std::string("<") + controlNames[code] + ">";
    if (code == 127) return "<DEL>";
    return std::string(1, character);
}

void ScannerInput::reportIllegalCharacter(char character) {
    if (failed) return;
    reportScannerError("IllegalCharacter", position() + " : character '" +
                                               visibleCharacter(character) + "' is not allowed");
    if (++errors < errorLimit) return;
    // The input ends here as a failed read does: the clause being read is rejected and the
    // load or consult fails.
    failed = true;
    dropHeld();
    reportScannerError("TooManyErrors", "too many errors in " +
                                            (file.empty() ? std::string("the input") : file) +
                                            "; reading stopped");
}

void ScannerInput::reportInvalidComment() {
    reportScannerError("InvalidComment", position() + " : EOF appeared in comment");
    failed = true;
}

void ScannerInput::reportUnreadable(const std::string& fileName) {
    ScannerInput input;
    input.setFileName(fileName);
    reportScannerError("InputFailed", input.position() + inputFailure);
}

void ScannerInput::recordFailure(std::istream& in) {
    if (failed) return;
    failed = true;
    in.setstate(std::ios::badbit);
    reportScannerError("InputFailed", position() + inputFailure);
}

bool ScannerInput::atEnd(std::istream& in) {
    if (holdsUnscanned()) return false;
    if (failed) return failureSeen;
    std::streambuf* source = in.rdbuf();
    if (source == nullptr) return true;
    try {
        return std::char_traits<char>::eq_int_type(source->sgetc(), std::char_traits<char>::eof());
    } catch (...) {
        recordFailure(in);
        return false;
    }
}

int ScannerInput::readCharacter(std::istream& in, char* buffer) {
    if (failed) return 0;
    // Ctrl-C, or a farewell, abandons a file: an endless or huge one is no trap. It then counts
    // as ended, and the clause being read is rejected by the parser. Text in memory is short and
    // is read to its end.
    if (!file.empty() && controlEvents::stopRequested()) {
        failed = true;
        interrupted = true;
        controlEvents::clearInterrupt();
        reportScannerError("InputInterrupted", position() + " : reading interrupted");
        return 0;
    }
    // Straight from the stream's buffer: the scanner asks for every character on its own.
    std::streambuf* source = in.rdbuf();
    using traits = std::char_traits<char>;
    traits::int_type character = traits::eof();
    try {
        character = source != nullptr ? source->sbumpc() : traits::eof();
        if (character == '\r' && source->sgetc() == '\n') character = source->sbumpc();
    } catch (...) {
        // The file buffer throws on a read error (a directory opened as a file): the input ends
        // here, and the clause being read is rejected by the parser.
        recordFailure(in);
        return 0;
    }
    if (traits::eq_int_type(character, traits::eof())) return 0;
    *buffer = traits::to_char_type(character);
    return 1;
}

namespace {

bool isWordCharacter(char character) {
    return (character >= 'a' && character <= 'z') || (character >= 'A' && character <= 'Z') ||
           (character >= '0' && character <= '9') || character == '_';
}

// A string opened by the token's first character and not closed yet: the scanner reads on to
// the first double quote without a backslash before it.
bool isOpenString(const char* partial, int length) {
    if (length == 0 || partial[0] != '"') return false;
    for (int i = 1; i < length; ++i) {
        if (partial[i] == '"' && partial[i - 1] != '\\') return false;
    }
    return true;
}

bool isWordRun(const char* partial, int length) {
    if (length == 0) return false;
    for (int i = 0; i < length; ++i) {
        if (!isWordCharacter(partial[i])) return false;
    }
    return true;
}

bool isBlank(char character) {
    return character == ' ' || character == '\t';
}

// What the token being matched, with the character just read behind it, runs on through: the
// characters the scanner is bound to look at next as long as the run goes on. A token that
// spans refills is moved and rescanned at each one, so a long one must take few: read on
// through its run, it takes a refill or two, however long it is.
enum class Run : std::uint8_t {
    None,
    String,       // a string not closed yet: up to and with its closing quote
    Word,         // letters, digits and "_"
    Blanks,       // blanks and tabs
    LineComment,  // "%", "." "%" or blanks and "\\", up to the end of the line
};

Run runOf(const char* partial, int length, char next) {
    if (isOpenString(partial, length))
        return next == '"' && partial[length - 1] != '\\' ? Run::None : Run::String;
    if (length == 0) return Run::None;
    if (isWordRun(partial, length) && isWordCharacter(next)) return Run::Word;
    if (next == '\n' || next == '\r' ||
        std::memchr(partial, '\n', static_cast<std::size_t>(length)) != nullptr)
        return Run::None;
    int blanks = 0;
    while (blanks < length && partial[blanks] == ' ') ++blanks;
    const bool comment = partial[0] == '%' ||
                         (length >= 2 && partial[0] == '.' && partial[1] == '%') ||
                         (blanks < length && partial[blanks] == '\\') ||
                         (length >= 1 && partial[0] == '.' && length == 1 && next == '%');
    if (comment) return Run::LineComment;
    bool allBlank = true;
    for (int i = 0; i < length && allBlank; ++i) allBlank = isBlank(partial[i]);
    return allBlank && isBlank(next) ? Run::Blanks : Run::None;
}

// Whether a character goes on a run other than a string.
bool goesOn(Run run, char character) {
    switch (run) {
        case Run::Word:
            return isWordCharacter(character);
        case Run::Blanks:
            return isBlank(character);
        case Run::LineComment:
            return character != '\n' && character != '\r';
        default:
            return false;
    }
}

// Appends the characters the stream holds already up to the next "." or carriage return (both
// left to the one-character reading), `count` of up to `size` taken so far; the new count. Only
// what the stream holds: a terminal or a pipe never waits here.
int readHeldUpToDot(std::streambuf* source, char* buffer, int count, int size) {
    using traits = std::char_traits<char>;
    try {
        while (count < size && source->in_avail() > 0) {
            const char character = traits::to_char_type(source->sgetc());
            if (character == '.' || character == '\r') break;
            source->sbumpc();
            buffer[count++] = character;
        }
    } catch (...) {
        // Reported at the next single read, which fails the same way.
    }
    return count;
}

}  // namespace

int ScannerInput::readTokenCharacters(std::istream& in, char* buffer, int size, const char* partial,
                                      int partialLength) {
    if (readCharacter(in, buffer) == 0) return 0;
    const Run run = runOf(partial, partialLength, *buffer);
    if (run == Run::None) {
        // A string closed by the character just read ends here.
        if (isOpenString(partial, partialLength)) return 1;
        return readClauseCharacters(in, buffer, size, partial, partialLength);
    }
    const bool inString = run == Run::String;
    std::streambuf* source = in.rdbuf();
    using traits = std::char_traits<char>;
    int count = 1;
    bool runEnded = false;
    try {
        while (count < size) {
            const traits::int_type next = source->sgetc();
            if (traits::eq_int_type(next, traits::eof())) break;
            char character = traits::to_char_type(next);
            if (inString) {
                source->sbumpc();
                // A string's carriage return is dropped here before a newline, as the
                // one-character reading drops it: a string of many lines must not take a
                // refill a line.
                if (character == '\r' && source->sgetc() == '\n')
                    character = traits::to_char_type(source->sbumpc());
                buffer[count++] = character;
                if (character == '"' && buffer[count - 2] != '\\') break;
                continue;
            }
            // A carriage return is left to the one-character reading.
            if (character == '\r') break;
            if (!goesOn(run, character)) {
                runEnded = true;
                break;
            }
            source->sbumpc();
            buffer[count++] = character;
        }
    } catch (...) {
        // Reported at the next single read, which fails the same way.
    }
    // A word or blanks hold no ".", so the clause goes on behind them as outside words.
    if (runEnded && run != Run::LineComment) count = readHeldUpToDot(source, buffer, count, size);
    return count;
}

int ScannerInput::readClauseCharacters(std::istream& in, char* buffer, int size,
                                       const char* partial, int partialLength) {
    std::streambuf* source = in.rdbuf();
    if (*buffer == '.') {
        // The scanner decides nothing on a "." before it has seen the character behind it, which
        // it always asks for next: that one (held already, and no carriage return) comes along.
        if (size < 2) return 1;
        try {
            if (source->in_avail() > 0 && source->sgetc() != '\r') {
                buffer[1] = std::char_traits<char>::to_char_type(source->sbumpc());
                return 2;
            }
        } catch (...) {
            // Reported at the next single read, which fails the same way.
        }
        return 1;
    }
    // After a "." the scanner may be deciding whether the clause ends: nothing more is read.
    if (std::memchr(partial, '.', static_cast<std::size_t>(partialLength)) != nullptr) return 1;
    return readHeldUpToDot(source, buffer, 1, size);
}

bool ScannerInput::ownsInput(const std::istream* in) {
    return in != nullptr && in != &std::cin;
}

int ScannerInput::readHeldCharacters(std::istream& in, char* buffer, int size, const char* partial,
                                     int partialLength, std::string_view commentEnds) {
    if (readCharacter(in, buffer) == 0) return 0;
    // A token that runs on beyond what the stream holds (a string, a word, a line comment, a
    // comment's text) is read on to the end of its run in this refill: a refill of what is
    // held alone would move and rescan the token so far each time, which made a long one cost
    // the square of its length.
    Run run = Run::None;
    bool inComment = false;
    if (!commentEnds.empty())
        inComment = partialLength > 0 && commentEnds.find(*buffer) == std::string_view::npos;
    else
        run = runOf(partial, partialLength, *buffer);
    auto endsRun = [&](const char* at) {
        if (inComment) return commentEnds.find(*at) != std::string_view::npos;
        if (run == Run::String) return *at == '"' && at[-1] != '\\';
        return !goesOn(run, *at);
    };
    bool inRun = inComment || run != Run::None;
    std::streambuf* source = in.rdbuf();
    using traits = std::char_traits<char>;
    int count = 1;
    try {
        while (count < size) {
            const std::streamsize held = source->in_avail();
            if (held > 0) {
                const int from = count;
                const int end =
                    count + static_cast<int>(source->sgetn(
                                buffer + count, std::min<std::streamsize>(held, size - count)));
                // As readCharacter does: a carriage return before a newline is dropped, also
                // one whose newline is still in the stream.
                if (end > from && buffer[end - 1] == '\r' && source->sgetc() == '\n')
                    buffer[end - 1] = traits::to_char_type(source->sbumpc());
                // Most texts hold no carriage return: the search for one is memchr's, which
                // looks at many characters a step.
                auto* found = static_cast<char*>(
                    std::memchr(buffer + from, '\r', static_cast<std::size_t>(end - from)));
                char* out = found != nullptr ? found : buffer + end;
                for (const char* at = out; at < buffer + end; ++at) {
                    if (*at == '\r' && at + 1 < buffer + end && at[1] == '\n') continue;
                    *out++ = *at;
                }
                count = static_cast<int>(out - buffer);
                for (const char* at = buffer + from; inRun && at < buffer + count; ++at) {
                    if (run == Run::String) {
                        at = static_cast<const char*>(
                            std::memchr(at, '"', static_cast<std::size_t>(buffer + count - at)));
                        if (at == nullptr) break;
                    }
                    if (endsRun(at)) inRun = false;
                }
            }
            // Beyond the run, only what the stream holds: the next refill comes when asked.
            if (!inRun || traits::eq_int_type(source->sgetc(), traits::eof())) break;
        }
    } catch (...) {
        // Reported at the next single read, which fails the same way.
    }
    return count;
}

int ScannerInput::readCommentCharacters(std::istream& in, char* buffer, int size,
                                        std::string_view stops, std::string_view marks,
                                        const char* partial, int partialLength) {
    if (readCharacter(in, buffer) == 0) return 0;
    // A character of an end comes alone when it begins one, or goes on one that the token so
    // far begins: a "/" of the text is taken along with the text.
    if (stops.find(*buffer) != std::string_view::npos &&
        (marks.find(*buffer) != std::string_view::npos ||
         (partialLength > 0 && marks.find(partial[partialLength - 1]) != std::string_view::npos)))
        return 1;
    std::streambuf* source = in.rdbuf();
    using traits = std::char_traits<char>;
    int count = 1;
    try {
        // The comment goes on at least up to its end, which the scanner reads anyway: waiting
        // here for more of a terminal's or a pipe's input waits for nothing it would not.
        while (count < size) {
            const traits::int_type next = source->sgetc();
            if (traits::eq_int_type(next, traits::eof())) break;
            const char character = traits::to_char_type(next);
            // A carriage return is left to the one-character reading.
            if (character == '\r' || marks.find(character) != std::string_view::npos) break;
            source->sbumpc();
            buffer[count++] = character;
        }
    } catch (...) {
        // Reported at the next single read, which fails the same way.
    }
    return count;
}

void ScannerInput::countNewlines(const char* text, int length) {
    line += static_cast<int>(std::count(text, text + length, '\n'));
}
