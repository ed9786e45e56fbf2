// The check that a document file read as UTF-8 holds only well-formed UTF-8.
#include "xml/Utf8Check.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace {

// The encoding named by the XML declaration at the head of the text; empty without one, "-" for
// a declaration without an encoding.
std::string declaredEncoding(std::string_view head) {
    if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
    if (head.substr(0, 5) != "<?xml" || head.size() < 6 ||
        std::isspace(static_cast<unsigned char>(head[5])) == 0)
        return "";
    const std::size_t end = head.find("?>");
    const std::string_view declaration = head.substr(0, end);
    const std::size_t at = declaration.find("encoding");
    if (at == std::string_view::npos) return "-";
    std::size_t quote = declaration.find_first_of("\"'", at);
    if (quote == std::string_view::npos) return "-";
    const std::size_t close = declaration.find(declaration[quote], quote + 1);
    std::string name(declaration.substr(quote + 1, close - quote - 1));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

}  // namespace

bool readAsUtf8(const std::string& file, bool xml) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) return false;
    char buffer[1024];
    const std::size_t size = std::fread(buffer, 1, sizeof buffer, in);
    std::fclose(in);
    const std::string_view head(buffer, size);
    if (head.substr(0, 2) == "\xFE\xFF" || head.substr(0, 2) == "\xFF\xFE") return false;
    const std::string encoding = declaredEncoding(head);
    if (encoding.empty()) return xml;
    return encoding == "-" || encoding == "utf-8" || encoding == "utf8";
}

unsigned long firstInvalidUtf8Line(const std::string& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) return 0;
    unsigned long line = 1;
    // The bytes still expected of the current sequence, and the bounds of the next one (they
    // rule out overlong forms, surrogates and values past 0x10FFFF).
    int expected = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    unsigned long found = 0;
    unsigned char buffer[65536];
    for (std::size_t size; found == 0 && (size = std::fread(buffer, 1, sizeof buffer, in)) > 0;) {
        for (std::size_t i = 0; i < size; ++i) {
            const unsigned char c = buffer[i];
            if (expected > 0) {
                if (c < low || c > high) {
                    found = line;
                    break;
                }
                --expected;
                low = 0x80;
                high = 0xBF;
                continue;
            }
            if (c == '\n') ++line;
            if (c < 0x80) continue;
            if (c >= 0xC2 && c <= 0xDF) {
                expected = 1;
            } else if (c >= 0xE0 && c <= 0xEF) {
                expected = 2;
                if (c == 0xE0) low = 0xA0;
                if (c == 0xED) high = 0x9F;
            } else if (c >= 0xF0 && c <= 0xF4) {
                expected = 3;
                if (c == 0xF0) low = 0x90;
                if (c == 0xF4) high = 0x8F;
            } else {
                found = line;
                break;
            }
        }
    }
    std::fclose(in);
    if (found == 0 && expected > 0) found = line;
    return found;
}
