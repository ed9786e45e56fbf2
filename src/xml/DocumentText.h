// The characters a text of the event stream stands for.
#pragma once

#include <cstdint>
#include <string>

// Undoes the stream's escapes ("\n", "\\", "\0oo", "\|", "\#n;", "\%n;") and the backslash that
// the tree puts before a double quote, so that a value made from document text holds the
// document's own characters; a character number becomes its UTF-8 bytes, and a record end
// followed by an escaped line feed is one line break.
std::string documentText(const std::string& written);

// The text between double quotes, as string constants and quoted names are written.
std::string quoted(const std::string& text);

// Appends the UTF-8 bytes of one character number.
void appendUtf8(std::string& out, std::uint32_t code);
