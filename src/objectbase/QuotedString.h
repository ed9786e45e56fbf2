// How a string's stored text is written between double quotes, in every printed form.
#pragma once

#include <array>
#include <string>
#include <string_view>

// Appends a string's stored text (with its quotes) between double quotes, the inner characters
// escaped. The runs between characters to escape (most strings have none) are copied whole.
inline void appendQuotedString(std::string_view stored, std::string& out) {
    if (stored.size() >= 2 && stored.front() == '"' && stored.back() == '"')
        stored = stored.substr(1, stored.size() - 2);
    out += '"';
    static constexpr auto escaped = [] {
        std::array<bool, 256> table{};
        for (unsigned char c : {'\b', '\t', '\n', '"'}) table[c] = true;
        return table;
    }();
    std::size_t run = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const char c = stored[i];
        if (!escaped[static_cast<unsigned char>(c)]) continue;
        out.append(stored.data() + run, i - run);
        out += c == '\b' ? "\\b" : c == '\t' ? "\\t" : c == '\n' ? "\\n" : "\\\"";
        run = i + 1;
    }
    out.append(stored.data() + run, stored.size() - run);
    out += '"';
}
