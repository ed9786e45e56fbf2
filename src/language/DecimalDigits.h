// DecimalDigits: reading the run of decimal digits at a place of a text, eight characters at a
// time where eight can be read.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace decimal_digits {

// The general road: the digits at `at` one character at a time, their value (modulo 2^64, as
// accumulated) into `value`; where the run ends. The text must end in a character other than
// a digit.
inline const char* readOneByOne(const char* at, std::uint64_t& value) {
    value = 0;
    for (unsigned digit; (digit = static_cast<unsigned char>(*at) - unsigned('0')) < 10; ++at)
        value = value * 10 + digit;
    return at;
}

// As readOneByOne, the first eight characters looked at in one word when the text holds eight
// from `at` before `end`: a consulted file of numbers spends most of its reading on digits, and
// a character at a time cost a compare, a branch and a multiplication each.
inline const char* read(const char* at, const char* end, std::uint64_t& value) {
    if (std::endian::native != std::endian::little || end - at < 8) return readOneByOne(at, value);
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    // A byte is a digit when its high half is 3 and adding 6 leaves it 3: each byte becomes 0x33
    // then. A carry out of a byte that is no digit only reaches the bytes behind it, beyond the
    // first such byte, which alone counts.
    constexpr std::uint64_t High = 0xf0f0f0f0f0f0f0f0;
    constexpr std::uint64_t Ones = 0x0101010101010101;
    const std::uint64_t marks = ((word & High) | (((word + 6 * Ones) & High) >> 4)) ^ (0x33 * Ones);
    const int digits = marks == 0 ? 8 : std::countr_zero(marks) / 8;
    if (digits == 0) {
        value = 0;
        return at;
    }
    // The digits' values, moved to the top of the word so that zeros stand before them; then
    // pairs, fours and the eight are summed with their weights (the first character is the
    // highest place).
    std::uint64_t v = (word ^ (0x30 * Ones)) << (8 * (8 - digits));
    v = (v * 10) + (v >> 8);
    v = (((v & 0x000000ff000000ff) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000ff000000ff) * (1 + (10000ull << 32)))) >>
        32;
    at += digits;
    if (digits < 8) {
        value = v;
        return at;
    }
    // The digits behind the eight go on from their value, as readOneByOne accumulates them.
    for (unsigned digit; (digit = static_cast<unsigned char>(*at) - unsigned('0')) < 10; ++at)
        v = v * 10 + digit;
    value = v;
    return at;
}

}  // namespace decimal_digits
