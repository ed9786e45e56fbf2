// PatternScratch: the working arrays of one "match" or "pmatch" call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "objectbase/InternalName.h"

// One entry per argument position p, stored at index p - 1. Positions 3 to n + 2 hold the
// formats, n + 3 to 2n + 2 the results.
struct PatternScratch {
    int n = 0;
    // The row being built: the argument cells with the computed results filled in.
    std::vector<InternalName> names;
    // The lexical form (quotes included) of each bound argument.
    std::vector<std::string> texts;
    std::vector<std::int32_t> bound;

    // The text of position p without its first and last character (its quotes).
    std::string inner(int p) const {
        const std::string& text = texts[static_cast<std::size_t>(p - 1)];
        return text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
    }
};
