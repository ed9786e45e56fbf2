// The shared input side of the scanners: line counting, reading and the scanner reports.
#include "language/ScannerInput.h"

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "platform/ControlEvents.h"

namespace {

void reportScannerError(const char* name, const std::string& message) {
    centralErrorHandler().report(Error(3, 1, 2, name, message, "FScanner::yylex()", ""));
}

}  // namespace

std::string ScannerInput::position() const {
    std::string text = file;
    if (!text.empty()) text += ", ";
    return text + "line " + std::to_string(line);
}

void ScannerInput::reportIllegalCharacter(char character) const {
    reportScannerError("IllegalCharacter",
                       position() + " : character '" + character + "' is not allowed");
}

void ScannerInput::reportInvalidComment() const {
    reportScannerError("InvalidComment", position() + " : EOF appeared in comment");
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
        failed = true;
        in.setstate(std::ios::badbit);
        reportScannerError("InputFailed", position() + " : input could not be read");
        return 0;
    }
    if (traits::eq_int_type(character, traits::eof())) return 0;
    *buffer = traits::to_char_type(character);
    return 1;
}

void ScannerInput::countNewlines(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        if (text[i] == '\n') ++line;
    }
}
