// The reader of decimal numbers in texts, shared by the text conversions of the access layer.
#pragma once

#include <cstddef>
#include <string_view>

#include "objectbase/InternalName.h"

// A decimal number is an optional sign, digits with an optional fraction (at least one digit
// before or after the point) and an optional exponent; nothing else (no blanks, hexadecimal,
// infinities or NaN) counts. Whole numbers within 32 bits read as exact integers, every other
// number as the nearest 32-bit float; both with flag 0.
namespace decimalNumber {

// The length of the decimal number at the start of the text; 0 when it does not start with one.
std::size_t prefixLength(std::string_view text);

// The road of readPrefix for a number that is a sign and at most nine digits, nothing else: true
// and the integer, or false (out unchanged) for any other text. It answers as the general road.
bool readShortInteger(std::string_view number, InternalName& out);

// The general road of readPrefix: the name of a text that is exactly one decimal number (as
// prefixLength measures it), read through the C library.
void readNumber(std::string_view number, InternalName& out);

// The number at the start of the text and its length; false (out unchanged) when there is none.
bool readPrefix(std::string_view text, InternalName& out, std::size_t& length);

// True, and the number, when the whole text is one decimal number.
bool readWhole(std::string_view text, InternalName& out);

}  // namespace decimalNumber
