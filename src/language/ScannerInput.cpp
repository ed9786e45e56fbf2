// The shared input side of the scanners: line counting, reading and the scanner reports.
#include "language/ScannerInput.h"

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"

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
    int character = in.get();
    if (character == '\r' && in.peek() == '\n') character = in.get();
    if (in.bad()) {
        // A read error or a directory opened as a file: the input ends here, and the clause
        // being read is rejected by the parser.
        failed = true;
        reportScannerError("InputFailed", position() + " : input could not be read");
        return 0;
    }
    if (character == std::char_traits<char>::eof()) return 0;
    *buffer = static_cast<char>(character);
    return 1;
}

void ScannerInput::countNewlines(const char* text, int length) {
    for (int i = 0; i < length; ++i) {
        if (text[i] == '\n') ++line;
    }
}
