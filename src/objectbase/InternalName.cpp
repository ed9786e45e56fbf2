// InternalName: float construction, numbers, printing and the built-in object lookup.
#include "objectbase/InternalName.h"

#include <bit>
#include <charconv>
#include <cmath>
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
    : InternalName(static_cast<float>(d), kind, flag) {}

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
    // Shortest round-trip form; large enough for any float, sign and exponent included.
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, f);
    return std::string(text, result.ptr);
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
