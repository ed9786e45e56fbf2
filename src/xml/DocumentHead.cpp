// The head of a document file and what the import learns from it before the parse.
#include "xml/DocumentHead.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
}

bool sameLetters(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(text[i])) != word[i]) return false;
    }
    return true;
}

}  // namespace

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

bool namesUtf8(std::string_view encoding) {
    std::string name(encoding);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* alias : {"utf-8", "utf8", "csutf8", "unicode-1-1-utf-8", "unicode-2-0-utf-8",
                              "x-unicode20utf8", "unicode11utf8", "unicode20utf8"})
        if (name == alias) return true;
    return false;
}

DocumentHead::DocumentHead(const std::string& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) return;
    opened = true;
    text.resize(size);
    text.resize(std::fread(text.data(), 1, size, in));
    std::fclose(in);
}

std::size_t DocumentHead::firstMarkup() const {
    const std::string_view head(text);
    std::size_t at = head.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (at < head.size()) {
        if (isBlank(head[at])) {
            ++at;
        } else if (head.substr(at, 2) == "<?") {
            // An SGML instruction ends at the first ">"; an XML one holding a ">" then leaves
            // text behind it, which counts as possible markup.
            const std::size_t end = head.find('>', at + 2);
            if (end == std::string_view::npos) return std::string_view::npos;
            at = end + 1;
        } else if (head.substr(at, 4) == "<!--") {
            const std::size_t end = head.find("-->", at + 4);
            if (end == std::string_view::npos) return std::string_view::npos;
            at = end + 3;
        } else {
            return at;
        }
    }
    return std::string_view::npos;
}

bool DocumentHead::mayDeclareEntities() const {
    if (!opened) return false;
    if (text.find('\0') != std::string::npos) return true;
    const std::size_t at = firstMarkup();
    if (at == std::string::npos) return true;
    return !(text[at] == '<' && at + 1 < text.size() && isNameStart(text[at + 1]));
}

bool DocumentHead::readAsUtf8(bool xml) const {
    if (!opened) return false;
    const std::string_view head(text);
    if (head.substr(0, 2) == "\xFE\xFF" || head.substr(0, 2) == "\xFF\xFE") return false;
    // UTF-16 without a byte-order mark: the first character is ASCII, one of its bytes NUL.
    if (head.size() >= 2 && (head[0] == '\0') != (head[1] == '\0')) return false;
    const std::string encoding = declaredEncoding(head);
    if (encoding.empty()) return xml;
    return encoding == "-" || namesUtf8(encoding);
}

std::string DocumentHead::doctypeSystemId() const {
    std::size_t at = firstMarkup();
    if (at == std::string::npos) return "";
    std::string_view rest = std::string_view(text).substr(at);
    if (!sameLetters(rest, "<!DOCTYPE")) return "";
    rest.remove_prefix(9);
    // The blanks before a word, the word, and a quoted literal, each taken off the front.
    auto blanks = [&] {
        const std::size_t n = std::min(rest.size(), rest.find_first_not_of(" \t\r\n"));
        rest.remove_prefix(n);
        return n > 0;
    };
    auto word = [&] {
        const std::size_t n = std::min(rest.size(), rest.find_first_of(" \t\r\n[>\"'"));
        const std::string_view taken = rest.substr(0, n);
        rest.remove_prefix(n);
        return taken;
    };
    auto literal = [&](std::string& out) {
        if (rest.empty() || (rest[0] != '"' && rest[0] != '\'')) return false;
        const std::size_t close = rest.find(rest[0], 1);
        if (close == std::string_view::npos) return false;
        out.assign(rest.substr(1, close - 1));
        rest.remove_prefix(close + 1);
        return true;
    };
    if (!blanks() || word().empty() || !blanks()) return "";
    const std::string_view keyword = word();
    std::string identifier;
    if (sameLetters(keyword, "SYSTEM") && keyword.size() == 6) {
        blanks();
        return literal(identifier) ? identifier : "";
    }
    if (!(sameLetters(keyword, "PUBLIC") && keyword.size() == 6)) return "";
    blanks();
    if (!literal(identifier)) return "";
    blanks();
    return literal(identifier) ? identifier : "";
}
