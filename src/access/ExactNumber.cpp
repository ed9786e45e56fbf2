// ExactNumber: exact integer and double-precision arithmetic over number names.
#include "access/ExactNumber.h"

#include <cmath>
#include <limits>

namespace {

constexpr double Int32Min = std::numeric_limits<std::int32_t>::min();
constexpr double Int32Max = std::numeric_limits<std::int32_t>::max();

InternalName nameOfDouble(double d) {
    if (std::trunc(d) == d && d >= Int32Min && d <= Int32Max)
        return InternalName(static_cast<std::int32_t>(d), InternalName::Integer, 0);
    return InternalName(d, InternalName::Float, 0);
}

}  // namespace

std::optional<ExactNumber> ExactNumber::of(const InternalName& name) {
    if (name.getType() == InternalName::Integer) return integer(name.getValue());
    if (name.getType() == InternalName::Float) return real(static_cast<double>(name.asFloat()));
    return std::nullopt;
}

InternalName ExactNumber::name() const {
    if (integral && whole >= std::numeric_limits<std::int32_t>::min() &&
        whole <= std::numeric_limits<std::int32_t>::max())
        return InternalName(static_cast<std::int32_t>(whole), InternalName::Integer, 0);
    return nameOfDouble(asDouble());
}

ExactNumber ExactNumber::stored() const {
    return *of(name());
}

bool ExactNumber::operator==(const ExactNumber& other) const {
    if (integral && other.integral) return whole == other.whole;
    return asDouble() == other.asDouble();
}

bool ExactNumber::operator<(const ExactNumber& other) const {
    if (integral && other.integral) return whole < other.whole;
    return asDouble() < other.asDouble();
}

// Integer operands come from 32-bit names, so sums, differences and products fit 64 bits.
ExactNumber ExactNumber::operator+(const ExactNumber& other) const {
    if (integral && other.integral) return integer(whole + other.whole);
    return real(asDouble() + other.asDouble());
}

ExactNumber ExactNumber::operator-(const ExactNumber& other) const {
    if (integral && other.integral) return integer(whole - other.whole);
    return real(asDouble() - other.asDouble());
}

ExactNumber ExactNumber::operator*(const ExactNumber& other) const {
    if (integral && other.integral) return integer(whole * other.whole);
    return real(asDouble() * other.asDouble());
}

ExactNumber ExactNumber::operator/(const ExactNumber& other) const {
    return real(asDouble() / other.asDouble());
}

ExactNumber ExactNumber::truncatedQuotient(const ExactNumber& other) const {
    if (integral && other.integral) return integer(whole / other.whole);
    // Truncated in double: the name decides whether the result still fits an integer.
    return real(std::trunc(asDouble() / other.asDouble()));
}
