// Steps over whole UTF-8 characters in a byte string; a stray byte counts as one character.
#pragma once

#include <string>
#include <string_view>

namespace utf8 {

// Number of bytes a character announces by its first byte (1 for a stray byte).
int expectedLength(unsigned char lead);
bool isContinuation(unsigned char byte);

// The end of the character that starts at pos (pos < text.size()).
std::size_t nextBoundary(std::string_view text, std::size_t pos);
// The start of the character that ends at pos (pos > 0).
std::size_t previousBoundary(std::string_view text, std::size_t pos);
// Number of characters in text[from, to).
int countCharacters(std::string_view text, std::size_t from, std::size_t to);
// The byte offset after skipping count characters from pos (stops at the end).
std::size_t advance(std::string_view text, std::size_t pos, int count);

}  // namespace utf8
