// URL splitting, simplification and link resolution.
#include "xml/UrlText.h"

#include <vector>

namespace {

bool isAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The length of the scheme with its colon at the start of the text; 0 when it has none. A scheme
// is a letter followed by letters, digits, "+", "-" or ".", then a colon.
std::size_t schemeLength(const std::string& text) {
    if (text.empty() || !isAsciiLetter(text[0])) return 0;
    for (std::size_t i = 1; i < text.size(); ++i) {
        const char c = text[i];
        if (c == ':') return i + 1;
        if (!isAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') {
            return 0;
        }
    }
    return 0;
}

// The length of the host with its "//" at position from; 0 when none starts there.
std::size_t hostLength(const std::string& text, std::size_t from) {
    if (text.compare(from, 2, "//") != 0) return 0;
    const std::size_t end = text.find_first_of("/?#", from + 2);
    return (end == std::string::npos ? text.size() : end) - from;
}

std::string simplifyPath(const std::string& path) {
    if (path.empty()) return path;
    const bool absolute = path[0] == '/';
    std::vector<std::string> segments;
    std::size_t start = absolute ? 1 : 0;
    while (true) {
        const std::size_t slash = path.find('/', start);
        segments.push_back(path.substr(start, slash == std::string::npos ? slash : slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    std::vector<std::string> kept;
    for (std::size_t i = 0; i < segments.size(); ++i) {
        const bool last = i + 1 == segments.size();
        if (segments[i] == "." || segments[i] == "..") {
            if (segments[i] == ".." && !kept.empty()) kept.pop_back();
            // "a/b/.." names the folder "a/", so the trailing slash stays.
            if (last) kept.emplace_back();
            continue;
        }
        kept.push_back(segments[i]);
    }
    std::string out = absolute ? "/" : "";
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) out += '/';
        out += kept[i];
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

UrlParts splitUrl(const std::string& text) {
    const std::string url = text.substr(0, text.find('#'));
    UrlParts parts;
    const std::size_t scheme = schemeLength(url);
    const std::size_t host = hostLength(url, scheme);
    parts.scheme = url.substr(0, scheme);
    parts.host = url.substr(scheme, host);
    parts.path = url.substr(scheme + host);
    return parts;
}

std::optional<std::string> simplifyUrl(const std::string& text) {
    if (text.empty()) return std::nullopt;
    const std::size_t scheme = schemeLength(text);
    const std::size_t pathStart = scheme + hostLength(text, scheme);
    std::size_t pathEnd = text.find_first_of("?#", pathStart);
    if (pathEnd == std::string::npos) pathEnd = text.size();
    return text.substr(0, pathStart) + simplifyPath(text.substr(pathStart, pathEnd - pathStart)) +
           text.substr(pathEnd);
}

std::string resolveUrl(const std::string& link, const UrlParts& current) {
    std::string text = link;
    if (!text.empty() && text[0] == '"') {
        text = text.size() >= 2 ? text.substr(1, text.size() - 2) : "";
    }
    UrlParts parts = splitUrl(text);
    if (parts.path == "/" && parts.host.empty()) parts.path = current.path;
    const std::string scheme = parts.scheme.empty() ? current.scheme : parts.scheme;
    std::string resolved = scheme;
    resolved += parts.host.empty() && isWebScheme(scheme) ? current.host : parts.host;
    if (!parts.path.empty()) {
        const std::string lower = lowerCase(scheme);
        const bool relative =
            !current.path.empty() && current.path[0] == '/' && parts.path[0] != '/';
        if (relative && (isWebScheme(lower) || lower == "file:" || lower == "ftp:")) {
            // The folder of the page: up to its last "/" (the first is always there).
            resolved += current.path.substr(0, current.path.rfind('/') + 1);
        }
        resolved += parts.path;
    } else if (parts.host == current.host) {
        resolved += current.path;
    }
    return "\"" + simplifyUrl(resolved).value_or("") + "\"";
}

bool isWebScheme(const std::string& scheme) {
    const std::string lower = lowerCase(scheme);
    return lower == "http:" || lower == "https:";
}

std::string lowerCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string percentDecoded(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}
