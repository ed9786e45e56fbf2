// Splitting a Perl match written as text into its body and flags, without Perl.
#include "access/PerlPatternText.h"

#include <cctype>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

char closingPartner(char open) {
    switch (open) {
        case '(':
            return ')';
        case '[':
            return ']';
        case '{':
            return '}';
        case '<':
            return '>';
        default:
            return open;
    }
}

// A delimiter is a printable ASCII mark. "?" is refused: m?...? matches only once until a
// reset, which a compiled pattern cannot express.
bool validDelimiter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > ' ' && byte < 0x7f && std::isalnum(byte) == 0 && c != '?' && c != '\\';
}

}  // namespace

bool splitPerlPattern(std::string_view text, std::string& body, std::string& flags) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    std::size_t i = 0;
    if (!text.empty() && text[0] == 'm') i = 1;
    if (i >= text.size()) return false;
    const char open = text[i];
    if (i == 0 ? open != '/' : !validDelimiter(open)) return false;
    const char close = closingPartner(open);
    const std::size_t start = ++i;
    int depth = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\') {
            ++i;  // an escaped byte never delimits
            continue;
        }
        if (c == close && depth == 0) break;
        if (open != close) {
            if (c == open) ++depth;
            if (c == close) --depth;
        }
    }
    if (i >= text.size()) return false;
    body.assign(text.substr(start, i - start));
    flags.assign(text.substr(i + 1));
    for (char flag : flags)
        if (flag != 'g' && flag != 'i' && flag != 'm' && flag != 's' && flag != 'x') return false;
    return true;
}
