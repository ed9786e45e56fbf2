// blankTokens: a text cut at each blank, as attribute values and DTD defaults are.
#pragma once

#include <string>
#include <vector>

// Two blanks in a row give an empty token; so does a blank at either end.
std::vector<std::string> blankTokens(const std::string& text);
