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
    const bool inString = isOpenString(partial, partialLength);
    const bool inWord = !inString && isWordRun(partial, partialLength) && isWordCharacter(*buffer);
    if (!inString && !inWord) return readClauseCharacters(in, buffer, size, partial, partialLength);
    if (inString && *buffer == '"' && partial[partialLength - 1] != '\\') return 1;
    std::streambuf* source = in.rdbuf();
    using traits = std::char_traits<char>;
    int count = 1;
    bool wordEnded = false;
    try {
        while (count < size) {
            const traits::int_type next = source->sgetc();
            if (traits::eq_int_type(next, traits::eof())) break;
            char character = traits::to_char_type(next);
            if (character == '\r') {
                // A word's carriage return is left to the one-character reading. A string's
                // is dropped here before a newline, as that reading drops it: a string of many
                // lines must not take a refill a line, each of which moves and rescans it.
                if (!inString) break;
                source->sbumpc();
                if (source->sgetc() == '\n') character = traits::to_char_type(source->sbumpc());
                buffer[count++] = character;
                continue;
            }
            if (inWord && !isWordCharacter(character)) {
                wordEnded = true;
                break;
            }
            source->sbumpc();
            buffer[count++] = character;
            if (inString && character == '"' && buffer[count - 2] != '\\') break;
        }
    } catch (...) {
        // Reported at the next single read, which fails the same way.
    }
    // A word holds no ".", so the clause goes on behind it as outside words.
    if (wordEnded) count = readHeldUpToDot(source, buffer, count, size);
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
                                     int partialLength) {
    if (readCharacter(in, buffer) == 0) return 0;
    // A string that goes on beyond what the stream holds is read on up to its closing quote
    // in this refill: a refill of what is held alone would move and rescan the string so far
    // each time, which makes a long string cost the square of its length.
    bool inString = isOpenString(partial, partialLength) &&
                    !(*buffer == '"' && partial[partialLength - 1] != '\\');
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
                char* out = std::find(buffer + from, buffer + end, '\r');
                for (const char* at = out; at < buffer + end; ++at) {
                    if (*at == '\r' && at + 1 < buffer + end && at[1] == '\n') continue;
                    *out++ = *at;
                }
                count = static_cast<int>(out - buffer);
                // The string ends at the first quote without a backslash before it.
                for (const char* at = buffer + from; inString && at < buffer + count; ++at) {
                    at = static_cast<const char*>(
                        std::memchr(at, '"', static_cast<std::size_t>(buffer + count - at)));
                    if (at == nullptr) break;
                    if (at[-1] != '\\') inString = false;
                }
            }
            // Beyond a string, only what the stream holds: the next refill comes when asked.
            if (!inString || traits::eq_int_type(source->sgetc(), traits::eof())) break;
        }
    } catch (...) {
        // Reported at the next single read, which fails the same way.
    }
    return count;
}

int ScannerInput::readCommentCharacters(std::istream& in, char* buffer, int size,
                                        std::string_view stops) {
    if (readCharacter(in, buffer) == 0) return 0;
    if (stops.find(*buffer) != std::string_view::npos) return 1;
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
            if (character == '\r' || stops.find(character) != std::string_view::npos) break;
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
