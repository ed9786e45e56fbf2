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

bool readShortInteger(std::string_view number, InternalName& out) {
    // A sign and at most nine digits: an exact integer within 32 bits, read without strtod,
    // which took most of the naming of an imported attribute value such as "17".
    std::size_t at = number.empty() || (number[0] != '+' && number[0] != '-') ? 0 : 1;
    const std::size_t digits = number.size() - at;
    if (digits == 0 || digits > 9) return false;
    std::int64_t value = 0;
    for (; at < number.size(); ++at) {
        if (!isDigit(number[at])) return false;
        value = value * 10 + (number[at] - '0');
    }
    if (number[0] == '-') value = -value;
    out = InternalName(static_cast<std::int32_t>(value), InternalName::Integer, 0);
    return true;
}

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
    length = n;
    if (!readShortInteger(text.substr(0, n), out)) readNumber(text.substr(0, n), out);
    return true;
}

void readNumber(std::string_view number, InternalName& out) {
    // strtod reads exactly the number checked before, so its C-library extras never apply.
    const std::string digits(number);
    const double d = std::strtod(digits.c_str(), nullptr);
    if (std::trunc(d) == d && d >= std::numeric_limits<std::int32_t>::min() &&
        d <= std::numeric_limits<std::int32_t>::max()) {
        out = InternalName(static_cast<std::int32_t>(d), InternalName::Integer, 0);
        return;
    }
    out = InternalName(std::bit_cast<std::int32_t>(roundToFloat(d)), InternalName::Float, 0);
}

bool readWhole(std::string_view text, InternalName& out) {
    InternalName number;
    std::size_t length = 0;
    if (!readPrefix(text, number, length) || length != text.size()) return false;
    out = number;
    return true;
}

}  // namespace decimalNumber
