// The owner through which the document import runs the SGML/XML parser application.
#include "xml/NsgmlWrapper.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <string_view>

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
    auto parse = [&]() {
        // The library's application keeps its options and its entity manager (with the catalogs
        // it read) for its whole life, so one application a run.
        auto app = std::make_unique<NsgmlsApp>();
        app->setOutputFile(outputFile.c_str());
        app->setEntityPolicy(policy);
        const int result = app->run(argc, argv);
        const ParseStop stop = app->stop();
        app.reset();
        return std::to_string(result) + ' ' + std::to_string(static_cast<int>(stop));
    };
    // A document without a document type declaration has no entities to expand, and forking a
    // program that holds a large object base costs milliseconds.
    const std::string document = !policy.documentFile.empty() ? policy.documentFile
                                 : argc > 1                   ? argv[argc - 1]
                                                              : "";
    // The result and the stop reason, from the two numbers of a finished parse.
    auto take = [&](const std::string& report) {
        int result = 1;
        int stop = 0;
        if (std::sscanf(report.c_str(), "%d %d", &result, &stop) != 2) {
            stopReason = ParseStop::failed;
            return 1;
        }
        stopReason = static_cast<ParseStop>(stop);
        return result;
    };
    if (!mayDeclareEntities(document)) return take(parse());
    std::uint64_t budget = policy.parserMemory;
    struct stat documentStatus {};
    if (stat(document.c_str(), &documentStatus) == 0)
        budget += static_cast<std::uint64_t>(documentStatus.st_size) *
                  EntityPolicy::parserMemoryPerDocumentByte;
    const ChildOutcome outcome = runConfined(parse, budget);
    switch (outcome.end) {
        case ChildOutcome::End::finished:
            return take(outcome.report);
        case ChildOutcome::End::overMemory:
            stopReason = ParseStop::entityBound;
            return 1;
        case ChildOutcome::End::interrupted:
            stopReason = ParseStop::interrupted;
            return 1;
        case ChildOutcome::End::failed:
            break;
    }
    stopReason = ParseStop::failed;
    return 1;
}
