// The owner through which the document import runs the SGML/XML parser application.
#include "xml/NsgmlWrapper.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/ConfinedChild.h"
#include "xml/NsgmlsApp.h"

bool mayDeclareEntities(const std::string& file) {
    std::FILE* in = std::fopen(file.c_str(), "rb");
    if (in == nullptr) return false;
    char head[65536];
    const std::size_t size = std::fread(head, 1, sizeof head, in);
    std::fclose(in);
    const std::string_view text(head, size);
    if (text.find('\0') != std::string_view::npos) return true;
    std::size_t at = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    auto isLetter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':';
    };
    while (at < size) {
        const char c = text[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            ++at;
        } else if (text.substr(at, 2) == "<?") {
            // An SGML instruction ends at the first ">"; an XML one holding a ">" then leaves
            // text behind it, which counts as a possible declaration.
            const std::size_t end = text.find('>', at + 2);
            if (end == std::string_view::npos) return true;
            at = end + 1;
        } else if (text.substr(at, 4) == "<!--") {
            const std::size_t end = text.find("-->", at + 4);
            if (end == std::string_view::npos) return true;
            at = end + 3;
        } else {
            return !(c == '<' && at + 1 < size && isLetter(text[at + 1]));
        }
    }
    return true;
}

namespace {

// The request and result of a parse in a child are fields of text, each its length, a colon and
// its bytes.
void putField(std::string& out, const std::string& field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
}

bool takeField(std::string_view& in, std::string& field) {
    const std::size_t colon = in.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    std::size_t size = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        if (in[i] < '0' || in[i] > '9') return false;
        size = size * 10 + static_cast<std::size_t>(in[i] - '0');
    }
    if (in.size() - colon - 1 < size) return false;
    field.assign(in.substr(colon + 1, size));
    in.remove_prefix(colon + 1 + size);
    return true;
}

void putList(std::string& out, const std::vector<std::string>& list) {
    putField(out, std::to_string(list.size()));
    for (const std::string& item : list) putField(out, item);
}

bool takeList(std::string_view& in, std::vector<std::string>& list) {
    std::string count;
    if (!takeField(in, count)) return false;
    const std::size_t n = std::strtoull(count.c_str(), nullptr, 10);
    list.assign(n, std::string());
    for (std::string& item : list)
        if (!takeField(in, item)) return false;
    return true;
}

// One parse with a fresh application: the library's application keeps its options and its
// entity manager (with the catalogs it read) for its whole life. Gives the result and why the
// parse stopped, as two numbers.
std::string parseOnce(const std::string& outputFile, const EntityPolicy& policy,
                      std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    auto app = std::make_unique<NsgmlsApp>();
    app->setOutputFile(outputFile.c_str());
    app->setEntityPolicy(policy);
    const int result = app->run(static_cast<int>(args.size()), argv.data());
    const ParseStop stop = app->stop();
    const unsigned long line = app->stopLine();
    app.reset();
    return std::to_string(result) + ' ' + std::to_string(static_cast<int>(stop)) + ' ' +
           std::to_string(line);
}

// The work of the parser child: the request holds the output file, the entity policy and the
// argument vector.
std::string parseInChild(const std::string& request) {
    std::string_view in(request);
    std::string outputFile;
    EntityPolicy policy;
    std::string expanded;
    std::string depth;
    std::vector<std::string> args;
    if (!takeField(in, outputFile) || !takeField(in, policy.documentFile) ||
        !takeField(in, policy.folder) || !takeList(in, policy.trustedFiles) ||
        !takeList(in, policy.trustedFolders) || !takeField(in, expanded) || !takeField(in, depth) ||
        !takeList(in, args))
        return "1 " + std::to_string(static_cast<int>(ParseStop::failed)) + " 0";
    policy.maxExpandedBytes = std::strtoull(expanded.c_str(), nullptr, 10);
    policy.maxEntityDepth = static_cast<int>(std::strtol(depth.c_str(), nullptr, 10));
    return parseOnce(outputFile, policy, std::move(args));
}

}  // namespace

ConfinedRole NsgmlWrapper::parserRole() {
    return {"parse", &parseInChild};
}

NsgmlWrapper::NsgmlWrapper() = default;
NsgmlWrapper::~NsgmlWrapper() = default;

void NsgmlWrapper::setOutputFile(const char* name) {
    outputFile = name ? name : "CON:";
}

int NsgmlWrapper::run(int argc, char** argv) {
    // The parse runs in a child process, so memory the library takes for a document (an
    // attribute naming many large entities is built whole before anything sees it) is bounded
    // and given back at once. Its result and why it stopped come back as two numbers; its
    // stream and messages go to files as before.
    const std::vector<std::string> args(argv, argv + argc);
    // A document without a document type declaration has no entities to expand, and forking a
    // program that holds a large object base costs milliseconds.
    const std::string document = !policy.documentFile.empty() ? policy.documentFile
                                 : argc > 1                   ? argv[argc - 1]
                                                              : "";
    // The result and the stop reason, from the two numbers of a finished parse.
    auto take = [&](const std::string& report) {
        int result = 1;
        int stop = 0;
        unsigned long line = 0;
        if (std::sscanf(report.c_str(), "%d %d %lu", &result, &stop, &line) != 3 || stop < 0 ||
            stop > static_cast<int>(ParseStop::failed)) {
            stopReason = ParseStop::failed;
            return 1;
        }
        stopReason = static_cast<ParseStop>(stop);
        stopLine = line;
        return result;
    };
    memoryNeeded = 0;
    stopLine = 0;
    if (!mayDeclareEntities(document)) return take(parseOnce(outputFile, policy, args));
    ConfinedLimits limits;
    limits.setupMemory = policy.parserPrologMemory;
    limits.memoryBudget = policy.parserMemory;
    limits.stallSeconds = policy.parserStallSeconds;
    struct stat documentStatus {};
    if (stat(document.c_str(), &documentStatus) == 0)
        limits.memoryBudget += static_cast<std::uint64_t>(documentStatus.st_size) *
                               EntityPolicy::parserMemoryPerDocumentByte;
    std::string request;
    putField(request, outputFile);
    putField(request, policy.documentFile);
    putField(request, policy.folder);
    putList(request, policy.trustedFiles);
    putList(request, policy.trustedFolders);
    putField(request, std::to_string(policy.maxExpandedBytes));
    putField(request, std::to_string(policy.maxEntityDepth));
    putList(request, args);
    const ChildOutcome outcome = runConfined(parserRole(), request, limits);
    switch (outcome.end) {
        case ChildOutcome::End::finished:
            return take(outcome.report);
        case ChildOutcome::End::overMemory:
            stopReason = ParseStop::parserMemory;
            memoryNeeded = outcome.budget;
            return 1;
        case ChildOutcome::End::interrupted:
            stopReason = ParseStop::interrupted;
            return 1;
        case ChildOutcome::End::stalled:
            stopReason = ParseStop::stalled;
            return 1;
        case ChildOutcome::End::failed:
            break;
    }
    stopReason = ParseStop::failed;
    return 1;
}
