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
    // Entities read from the document's own folder (or fetched for it) must be UTF-8 unless they
    // declare another encoding, as the document must when it is read as XML.
    bool xmlText = false;

    // A Web document's DTD, fetched from the document's own server before the parse (the parser
    // opens no socket): the system identifier as the document writes it, the local copy it is
    // read from, and the address it came from, which messages name.
    struct FetchedEntity {
        std::string systemId;
        std::string file;
        std::string url;
    };
    std::vector<FetchedEntity> fetchedEntities;

    // The parser builds an attribute value, with every entity it names, in memory before any of
    // it can be counted, so the bound on characters cannot stop a literal that names many large
    // entities. The parser therefore runs in a child process that may hold this much memory,
    // plus this many bytes for each byte of the document, once the prolog is read; more ends the
    // parse as needing more memory than it may have.
    static constexpr std::uint64_t defaultParserMemory = std::uint64_t{512} * 1024 * 1024;
    static constexpr std::uint64_t parserMemoryPerDocumentByte = 64;
    std::uint64_t parserMemory = defaultParserMemory;
    // While the prolog is read the child may hold more: the library compiles each content model
    // into an automaton whose size grows with the square of its alternatives (a choice of 10,000
    // elements takes 800 MB, one of 20,000 three GB), and a valid DTD of that size must import.
    static constexpr std::uint64_t defaultParserPrologMemory =
        std::uint64_t{4} * 1024 * 1024 * 1024;
    std::uint64_t parserPrologMemory = defaultParserPrologMemory;
    // A parser that uses no processor time for this long is stuck (it waits on something that
    // never comes) and is ended.
    int parserStallSeconds = 60;
};

// The folder of a document's file as its name gives it ("." for a bare name), so that the files
// it names keep names relative where the document's own name is relative.
inline std::string documentFolder(const std::string& file) {
    const std::size_t slash = file.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : file.substr(0, slash);
}

// Why a parse ended before the document's end, or why its document is refused: its entities
// passed their bound, it needed more memory than the parser may hold, the user interrupted it,
// the parser stopped making progress, an entity references itself, the bytes are not the UTF-8
// they are read as, the document ended inside its document element (the parser closes what is
// open and goes on, so its stream looks whole), the parser found no document element (an empty
// file, or text that is no markup), the elements nest deeper than the import takes, or it ended
// without finishing (a crash in the library), its stream ending anywhere. A document read as XML
// is also refused when the parser took its markup for text or left text out as it recovered, or
// when content follows its document element.
enum class ParseStop {
    none,
    entityBound,
    parserMemory,
    interrupted,
    stalled,
    recursiveEntity,
    invalidUtf8,
    truncated,
    noDocumentElement,
    tooDeep,
    notWellFormed,
    failed
};

// What the parser said about a document beyond its stream: the message that explains a refusal
// (its own words, for a truncated document or one without a document element; empty when it
// gave none), and the external entities it did not read, each with why.
struct ParserNotes {
    std::string reason;
    std::vector<std::string> notRead;

    // Notes an entity not read, with why; a document's entity may be named by many references,
    // and is told once.
    void entityNotRead(const std::string& name, const std::string& why) {
        const std::string text = "external entity " + name + " not read: " + why;
        for (const std::string& known : notRead)
            if (known == text) return;
        notRead.push_back(text);
    }
};
