// EntityPolicy: which files a parsed document may read, and how far its entities may expand.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct EntityPolicy {
    // A document's entities may add this many characters to its text in all, and nest this
    // deep; a few hundred bytes of nested definitions could otherwise expand to gigabytes.
    static constexpr std::uint64_t defaultMaxExpandedBytes = std::uint64_t{10} * 1024 * 1024;
    static constexpr int defaultMaxDepth = 64;

    // The file the parser is given; it is always readable, and relative system identifiers in
    // it are resolved against the folder below rather than against where this copy lies.
    std::string documentFile;
    // The absolute folder of the document's own location, whose files (and those below) it may
    // read; empty for a document from the Web, which reads no local file.
    std::string folder;
    // Catalogs and the files the user's catalog names: configuration, not document content.
    std::vector<std::string> trustedFiles;
    std::vector<std::string> trustedFolders;
    std::uint64_t maxExpandedBytes = defaultMaxExpandedBytes;
    int maxEntityDepth = defaultMaxDepth;

    // The parser builds an attribute value, with every entity it names, in memory before any of
    // it can be counted, so the bound on characters cannot stop a literal that names many large
    // entities. The parser therefore runs in a child process that may hold this much memory
    // beyond what the program held when it started, plus this many bytes for each byte of the
    // document; more ends the parse as over the bound.
    static constexpr std::uint64_t defaultParserMemory = std::uint64_t{512} * 1024 * 1024;
    static constexpr std::uint64_t parserMemoryPerDocumentByte = 64;
    std::uint64_t parserMemory = defaultParserMemory;
};

// The folder of a document's file as its name gives it ("." for a bare name), so that the files
// it names keep names relative where the document's own name is relative.
inline std::string documentFolder(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

// Why a parse ended before the document's end. A parser that ends without finishing (a crash
// in the library) is "failed": its stream may end anywhere.
enum class ParseStop { none, entityBound, interrupted, failed };
