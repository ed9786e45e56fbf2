// Names and texts of imported documents made fit for the object base.
#include "xml/NameNormalization.h"

std::string normalizeName(const std::string& name) {
    std::string result = name;
    for (char& c : result) {
        // Plain ranges, not the locale's classes: a locale may count bytes of UTF-8 letters as
        // letters.
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        } else if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))) {
            c = '_';
        }
    }
    return result;
}

std::string normalizeText(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (c == '"') result += '\\';
        result += c;
    }
    return result;
}
