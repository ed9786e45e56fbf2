// The parts of a Perl match written as text: "/body/flags" or "m<d>body<d>flags".
#pragma once

#include <string>
#include <string_view>

// Splits a match into its body (as written, escaped delimiters included) and its flags. False when
// the text is no such match: an unknown form or delimiter, a missing closing delimiter, or
// anything but the flags g, i, m, s and x after it. Blanks around the whole text are ignored.
// Bracket delimiters ( [ { < close with their partner and nest inside the body.
bool splitPerlPattern(std::string_view text, std::string& body, std::string& flags);
