// InternalName: float construction, numbers, printing and the built-in object lookup.
#include "objectbase/InternalName.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <ostream>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"

namespace {

// asFloat's answer for identifiers that are not numbers.
constexpr float NotANumberSentinel = -47.474747f;

// 2^31: the first magnitude that no longer fits a 32-bit integer.
constexpr float IntegerLimit = 2147483648.0f;

const char* const Prefixes[] = {"pr", "f", "z", "i", "#", "v", "dcv", "b", "o", "p", "s"};

}  // namespace

InternalName::InternalName(float f, std::uint8_t kind, std::int8_t flag) : flag(flag) {
    // The range test comes before the conversion: converting NaN or a magnitude of 2^31 or more
    // to an integer is undefined, and such values stay floats.
    const float magnitude = std::fabs(f);
    if (!std::isnan(f) && magnitude < IntegerLimit &&
        static_cast<float>(static_cast<std::int32_t>(magnitude)) == magnitude) {
        value = static_cast<std::int32_t>(f);
        this->kind = kind == Float ? static_cast<std::uint8_t>(Integer) : kind;
    } else {
        value = std::bit_cast<std::int32_t>(f);
        this->kind = Float;
    }
}

InternalName::InternalName(double d, std::uint8_t kind, std::int8_t flag)
    : InternalName(roundToFloat(d), kind, flag) {}

float InternalName::asFloat() const {
    if (kind == Integer) return static_cast<float>(value);
    if (kind == Float) return std::bit_cast<float>(value);
    return NotANumberSentinel;
}

const char* InternalName::typePrefix(int kind) {
    if (kind >= 0 && kind <= SetName) return Prefixes[kind];
    centralErrorHandler().report(err5::UnknownType);
    return "?";
}

std::string InternalName::ToString() const {
    return typePrefix(kind) + std::to_string(value);
}

std::ostream& InternalName::print(std::ostream& out) const {
    return out << typePrefix(kind) << value;
}

void InternalName::printOn(OutputChannel* channel) const {
    if (channel != nullptr) *channel << *this;
}

std::ostream& operator<<(std::ostream& out, const InternalName& name) {
    return name.print(out);
}

OutputChannel& operator<<(OutputChannel& channel, const InternalName& name) {
    channel << InternalName::typePrefix(name.getType());
    return channel << static_cast<int>(name.getValue());
}

std::string floatToText(float f) {
    // Nine significant digits always identify a float; NaN never compares equal to itself.
    char text[64];
    for (int digits = 6;; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(f));
        if (digits >= 9 || std::isnan(f) || std::strtof(text, nullptr) == f) return text;
    }
}

float roundToFloat(double d) {
    constexpr double Largest = std::numeric_limits<float>::max();
    // Largest plus half a unit in its last place: from there on rounding overflows to infinity.
    constexpr double Overflow = Largest + 0x1p103;
    const double magnitude = std::fabs(d);
    if (magnitude >= Overflow)
        return d < 0 ? -std::numeric_limits<float>::infinity()
                     : std::numeric_limits<float>::infinity();
    if (magnitude > Largest)
        return d < 0 ? -std::numeric_limits<float>::max() : std::numeric_limits<float>::max();
    return static_cast<float>(d);
}

namespace builtinObject {

InternalName forSymbolId(int symbolId) {
    switch (symbolId) {
        case 1:
            return Get;
        case 2:
            return Url;
        case 3:
            return Nil;
        case 5:
            return Parse0;
        case 6:
            return Parse1;
        case 7:
            return Parse2;
        case 8:
            return Parse3;
        case 9:
            return Parse5;
        default:
            break;
    }
    if (symbolId >= 10 && symbolId <= 40)
        return InternalName(symbolId + 8, InternalName::Object, 0);
    return InternalName::UndefinedObject;
}

}  // namespace builtinObject
