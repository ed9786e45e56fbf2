// MyRegex: compiling, searching and freeing one POSIX extended regular expression.
#include "access/MyRegex.h"

MyRegex::MyRegex(const char* pattern) : compiledPattern(), matches() {
    status = regcomp(&compiledPattern, pattern, REG_EXTENDED);
}

MyRegex::~MyRegex() {
    if (compiled()) regfree(&compiledPattern);
}

std::string MyRegex::errorText() const {
    if (compiled()) return "";
    char text[256];
    regerror(status, &compiledPattern, text, sizeof text);
    return text;
}

int MyRegex::exec(const char* text, int length, int from, int* matchLength) {
    if (!compiled() || from < 0 || from > length) return -1;
    matches[0].rm_so = from;
    matches[0].rm_eo = length;
    // With REG_STARTEND the search window is given by offsets into the whole text, so the bytes
    // before it still decide whether "^" or a word boundary holds.
    int flags = REG_STARTEND;
    if (from > 0) flags |= REG_NOTBOL;
    if (regexec(&compiledPattern, text, Slots, matches, flags) != 0) return -1;
    for (const regmatch_t& slot : matches) {
        if (slot.rm_so == -1) continue;
        if (matchLength != nullptr) *matchLength = static_cast<int>(slot.rm_eo - slot.rm_so);
        return static_cast<int>(slot.rm_so);
    }
    return -1;
}

void unescape(const std::string& source, std::string& target) {
    for (std::size_t i = 0; i < source.size(); ++i) {
        const char c = source[i];
        if (c == '\\' && i + 1 < source.size()) {
            const char next = source[i + 1];
            const char replacement = next == 'n'   ? '\n'
                                     : next == 'b' ? '\b'
                                     : next == 't' ? '\t'
                                                   : 0;
            if (replacement != 0) {
                target += replacement;
                ++i;
                continue;
            }
        }
        target += c;
    }
}
