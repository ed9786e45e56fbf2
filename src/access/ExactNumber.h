// ExactNumber: the value of an integer or float name as the built-in predicates compare and
// compute it, and the one name a computed value is stored as.
#pragma once

#include <cstdint>
#include <optional>

#include "objectbase/InternalName.h"

// Integers stay exact 64-bit integers as long as both operands are integers; anything involving
// a float is computed in double precision from the operands' exact values. Going through 32-bit
// floats would make 16777216 and 16777217 equal and 16777217 + 1 give 16777216.
class ExactNumber {
  public:
    // The value of an integer (kind 3) or float (kind 4) name; none for any other name.
    static std::optional<ExactNumber> of(const InternalName& name);
    static ExactNumber integer(std::int64_t value) { return ExactNumber(true, value, 0.0); }
    static ExactNumber real(double value) { return ExactNumber(false, 0, value); }

    // The name the value is stored as (flag 0): a whole value within 32 bits is that integer, any
    // other the nearest 32-bit float (which the object base turns into an integer when the
    // rounding makes it whole).
    InternalName name() const;
    // The value the stored name carries: the check of a bound result uses it, so a result that
    // was computed and stored once is found again by the same computation.
    ExactNumber stored() const;

    bool isInteger() const { return integral; }
    double asDouble() const { return integral ? static_cast<double>(whole) : real_; }

    // The numeric relations; a comparison with a NaN is false.
    bool operator==(const ExactNumber& other) const;
    bool operator<(const ExactNumber& other) const;
    bool operator<=(const ExactNumber& other) const { return *this < other || *this == other; }

    ExactNumber operator+(const ExactNumber& other) const;
    ExactNumber operator-(const ExactNumber& other) const;
    ExactNumber operator*(const ExactNumber& other) const;
    // The quotient, in double precision (exact between integers whenever it is whole).
    ExactNumber operator/(const ExactNumber& other) const;
    // The quotient truncated toward zero; the divisor must not be 0.
    ExactNumber truncatedQuotient(const ExactNumber& other) const;
    bool isZero() const { return integral ? whole == 0 : real_ == 0.0; }

  private:
    ExactNumber(bool integral, std::int64_t whole, double real)
        : integral(integral), whole(whole), real_(real) {}

    bool integral;
    std::int64_t whole;
    double real_;
};
