// The reader of decimal numbers in texts.
#include "access/DecimalNumber.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

namespace decimalNumber {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::size_t digitsFrom(std::string_view text, std::size_t at) {
    std::size_t end = at;
    while (end < text.size() && isDigit(text[end])) ++end;
    return end - at;
}

}  // namespace

std::size_t prefixLength(std::string_view text) {
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const std::size_t whole = digitsFrom(text, at);
    at += whole;
    std::size_t fraction = 0;
    if (at < text.size() && text[at] == '.') {
        fraction = digitsFrom(text, at + 1);
        if (whole + fraction > 0) at += 1 + fraction;
    }
    if (whole + fraction == 0) return 0;
    // An exponent counts only with at least one digit; "1e" is the number 1 and the text "e".
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        std::size_t exp = at + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
        const std::size_t digits = digitsFrom(text, exp);
        if (digits > 0) at = exp + digits;
    }
    return at;
}

bool readPrefix(std::string_view text, InternalName& out, std::size_t& length) {
    const std::size_t n = prefixLength(text);
    if (n == 0) return false;
    // strtod reads exactly the prefix checked above, so its C-library extras never apply.
    const std::string digits(text.substr(0, n));
    const double d = std::strtod(digits.c_str(), nullptr);
    length = n;
    if (std::trunc(d) == d && d >= std::numeric_limits<std::int32_t>::min() &&
        d <= std::numeric_limits<std::int32_t>::max()) {
        out = InternalName(static_cast<std::int32_t>(d), InternalName::Integer, 0);
        return true;
    }
    out = InternalName(std::bit_cast<std::int32_t>(roundToFloat(d)), InternalName::Float, 0);
    return true;
}

bool readWhole(std::string_view text, InternalName& out) {
    InternalName number;
    std::size_t length = 0;
    if (!readPrefix(text, number, length) || length != text.size()) return false;
    out = number;
    return true;
}

}  // namespace decimalNumber
