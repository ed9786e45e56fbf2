// FetchRecord: what one fetch of a URL leaves for the document: the local file, its size, the
// date and type the server gave, and the problems met on the way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FetchRecord {
    // The URL's scheme, lower-cased, with its colon; empty until the fetch looked at it.
    std::string scheme;
    // The temporary file; the fetch appends "_" and the URL's last path segment.
    std::string fileName;
    // Messages in the order found, each a string constant with its own double quotes. Fetch
    // problems are not errors of the system: they become the document's error values.
    std::vector<std::string> errors;
    // String constants with their double quotes.
    std::string modif = "\"unknown\"";
    std::string type = "\"unknown\"";
    // The size of the document in bytes; the body alone once the header is read off.
    std::int32_t length = 0;
};
