// URL texts: the split into scheme, host and path, the removal of "." and ".." segments, and the
// resolution of a link against the URL of the page it stands on.
#pragma once

#include <optional>
#include <string>

// The three parts of a URL as the fetching and the link resolution use them.
struct UrlParts {
    // With its colon ("http:"); empty when the text names none.
    std::string scheme;
    // With its leading "//" ("//example.org:8080"); empty when the text names none.
    std::string host;
    // With its leading "/" when absolute, without when relative; the query stays, a "#fragment"
    // is dropped.
    std::string path;
};

UrlParts splitUrl(const std::string& text);

// The text with the "." and ".." segments of its path removed (a ".." with nothing before it
// too); scheme, host, query and fragment stay as they are. Empty text cannot be simplified.
std::optional<std::string> simplifyUrl(const std::string& text);

// The link (in double quotes or not) resolved against the current page's parts: the resolved
// address in double quotes, simplified between them.
std::string resolveUrl(const std::string& link, const UrlParts& current);

// "http:" and "https:" in any letter case: the schemes that need a host and bring a header.
bool isWebScheme(const std::string& scheme);

// The text in lower case (ASCII letters only).
std::string lowerCase(std::string text);

// The text with every "%XX" (two hex digits) replaced by its byte.
std::string percentDecoded(const std::string& text);
