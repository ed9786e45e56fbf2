// The owner through which the document import runs the SGML/XML parser application.
#include "xml/NsgmlWrapper.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/ConfinedChild.h"
#include "xml/DocumentHead.h"
#include "xml/NsgmlsApp.h"

bool mayDeclareEntities(const std::string& file) {
    return DocumentHead(file).mayDeclareEntities();
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
// entity manager (with the catalogs it read) for its whole life. Gives, as fields, the result,
// why the parse stopped and where, the entity at fault, the parser's reason and the entities
// not read. With events, the parse feeds them rather than writing the stream.
std::string parseOnce(const std::string& outputFile, const EntityPolicy& policy,
                      std::vector<std::string> args, DocumentEvents* events = nullptr) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    auto app = std::make_unique<NsgmlsApp>();
    app->feedEvents(events);
    app->setOutputFile(outputFile.c_str());
    app->setEntityPolicy(policy);
    const int result = app->run(static_cast<int>(args.size()), argv.data());
    std::string report;
    putField(report, std::to_string(result));
    putField(report, std::to_string(static_cast<int>(app->stop())));
    putField(report, std::to_string(app->stopLine()));
    putField(report, app->stopEntity());
    putField(report, app->notes().reason);
    putList(report, app->notes().notRead);
    return report;
}

// The report of a child whose request could not be read.
std::string failedReport() {
    std::string report;
    putField(report, "1");
    putField(report, std::to_string(static_cast<int>(ParseStop::failed)));
    return report;
}

// The work of the parser child: the request holds the output file, the entity policy and the
// argument vector.
std::string parseInChild(const std::string& request) {
    std::string_view in(request);
    std::string outputFile;
    EntityPolicy policy;
    std::string expanded;
    std::string depth;
    std::string xmlText;
    std::vector<std::string> fetched;
    std::vector<std::string> args;
    if (!takeField(in, outputFile) || !takeField(in, policy.documentFile) ||
        !takeField(in, policy.folder) || !takeList(in, policy.trustedFiles) ||
        !takeList(in, policy.trustedFolders) || !takeField(in, expanded) || !takeField(in, depth) ||
        !takeField(in, xmlText) || !takeList(in, fetched) || fetched.size() % 3 != 0 ||
        !takeList(in, args))
        return failedReport();
    policy.maxExpandedBytes = std::strtoull(expanded.c_str(), nullptr, 10);
    policy.maxEntityDepth = static_cast<int>(std::strtol(depth.c_str(), nullptr, 10));
    policy.xmlText = xmlText == "1";
    for (std::size_t i = 0; i < fetched.size(); i += 3)
        policy.fetchedEntities.push_back({fetched[i], fetched[i + 1], fetched[i + 2]});
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
    // The result and the stop reason, from the fields of a finished parse.
    auto take = [&](const std::string& report) {
        std::string_view in(report);
        std::string result;
        std::string stop;
        std::string line;
        if (!takeField(in, result) || !takeField(in, stop)) {
            stopReason = ParseStop::failed;
            return 1;
        }
        const long code = std::strtol(stop.c_str(), nullptr, 10);
        if (code < 0 || code > static_cast<long>(ParseStop::failed) || !takeField(in, line) ||
            !takeField(in, stopEntity) || !takeField(in, parserNotes.reason) ||
            !takeList(in, parserNotes.notRead)) {
            stopReason = ParseStop::failed;
            return 1;
        }
        stopReason = static_cast<ParseStop>(code);
        stopLine = std::strtoul(line.c_str(), nullptr, 10);
        return static_cast<int>(std::strtol(result.c_str(), nullptr, 10));
    };
    memoryNeeded = 0;
    stopLine = 0;
    stopEntity.clear();
    parserNotes = ParserNotes{};
    const bool declares = knownDeclares ? *knownDeclares : mayDeclareEntities(document);
    knownDeclares.reset();
    DocumentEvents* const target = std::exchange(events, nullptr);
    fedEvents = !declares && target != nullptr;
    if (!declares) return take(parseOnce(outputFile, policy, args, target));
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
    putField(request, policy.xmlText ? "1" : "0");
    std::vector<std::string> fetched;
    for (const EntityPolicy::FetchedEntity& entity : policy.fetchedEntities) {
        fetched.insert(fetched.end(), {entity.systemId, entity.file, entity.url});
    }
    putList(request, fetched);
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
