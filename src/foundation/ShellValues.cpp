// The shell's plain values and the two boolean constants.
#include "foundation/ShellValues.h"

#include <cctype>
#include <climits>
#include <utility>

#include "foundation/OutputChannel.h"

namespace {

// Parses an optional sign and the decimal digits that follow, as atoi does, but with a range
// check: `ok` is false when the number does not fit in an int.
long long leadingNumber(const std::string& text, std::size_t start, bool& ok) {
    std::size_t pos = start;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+')) {
        negative = text[pos] == '-';
        ++pos;
    }
    long long magnitude = 0;
    ok = true;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > static_cast<long long>(INT_MAX) + 1) {
            ok = false;
            return 0;
        }
    }
    const long long value = negative ? -magnitude : magnitude;
    if (value > INT_MAX || value < INT_MIN) {
        ok = false;
        return 0;
    }
    return value;
}

}  // namespace

FLSysString::FLSysString(std::string text) : text(std::move(text)) {}

FLSysString* FLSysString::fromLiteral(const std::string& token) {
    if (token.size() < 2 || token.front() != '"' || token.back() != '"') return nullptr;
    return new FLSysString(token.substr(1, token.size() - 2));
}

FLSysString* FLSysString::fromString(const std::string& text) {
    return new FLSysString(text);
}

void FLSysString::print(OutputChannel& channel) const {
    channel << '"' << text << '"';
}

void FLSysString::display(OutputChannel& channel) const {
    channel << text << std::endl;
}

bool FLSysString::isA(const std::string& className) const {
    return className == "FLSysString" || FLSysObject::isA(className);
}

FLSysBoolean::FLSysBoolean(int value) : truth(value) {}

void FLSysBoolean::print(OutputChannel& channel) const {
    channel << (truth != 0 ? "true" : "false");
}

void FLSysBoolean::display(OutputChannel& channel) const {
    print(channel);
    channel << std::endl;
}

bool FLSysBoolean::isA(const std::string& className) const {
    return className == "FLSysBoolean" || FLSysObject::isA(className);
}

FLSysInteger::FLSysInteger(int value) : number(value) {}

FLSysInteger::FLSysInteger(const std::string& text) : number(0) {
    std::size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start]))) ++start;
    bool ok = false;
    const long long value = leadingNumber(text, start, ok);
    number = ok ? static_cast<int>(value) : 0;
}

FLSysInteger* FLSysInteger::fromLiteral(const std::string& token) {
    if (token.empty()) return nullptr;
    const std::size_t digits = token[0] == '-' ? 1 : 0;
    for (std::size_t i = digits; i < token.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(token[i]))) return nullptr;
    }
    bool ok = false;
    const long long value = leadingNumber(token, 0, ok);
    if (!ok) return nullptr;
    return new FLSysInteger(static_cast<int>(value));
}

void FLSysInteger::print(OutputChannel& channel) const {
    channel << number;
}

void FLSysInteger::display(OutputChannel& channel) const {
    print(channel);
    channel << std::endl;
}

bool FLSysInteger::isA(const std::string& className) const {
    return className == "FLSysInteger" || FLSysObject::isA(className);
}

FLSysSymbol::FLSysSymbol(std::string text) : symbol(std::move(text)) {}

void FLSysSymbol::print(OutputChannel& channel) const {
    channel << "FLSysSymbol(" << symbol << ")";
}

void FLSysSymbol::display(OutputChannel& channel) const {
    channel << "'" << symbol;
}

bool FLSysSymbol::isA(const std::string& className) const {
    return className == "FLSysSymbol" || FLSysObject::isA(className);
}

std::string FLSysSymbol::name() const {
    return symbol;
}

FLSysEsc::FLSysEsc(std::string text) : FLSysSymbol(std::move(text)) {}

void FLSysEsc::print(OutputChannel& channel) const {
    channel << "FLSysEsc(" << text() << ")";
}

bool FLSysEsc::isA(const std::string& className) const {
    return className == "FLSysEsc" || FLSysSymbol::isA(className);
}

std::string FLSysEsc::name() const {
    return text();
}

FLSysBoolean& trueConstant() {
    static FLSysBoolean constant(1);
    return constant;
}

FLSysBoolean& falseConstant() {
    static FLSysBoolean constant(0);
    return constant;
}
