// The owner through which the document import runs the SGML/XML parser application.
#include "xml/NsgmlWrapper.h"

#include <sys/stat.h>

#include <cstdio>
#include <memory>

#include "platform/ConfinedChild.h"
#include "xml/NsgmlsApp.h"

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
    std::uint64_t budget = policy.parserMemory;
    struct stat document {};
    if (!policy.documentFile.empty() && stat(policy.documentFile.c_str(), &document) == 0)
        budget += static_cast<std::uint64_t>(document.st_size) *
                  EntityPolicy::parserMemoryPerDocumentByte;
    const ChildOutcome outcome = runConfined(parse, budget);
    switch (outcome.end) {
        case ChildOutcome::End::finished: {
            int result = 1;
            int stop = 0;
            if (std::sscanf(outcome.report.c_str(), "%d %d", &result, &stop) != 2) {
                stopReason = ParseStop::failed;
                return 1;
            }
            stopReason = static_cast<ParseStop>(stop);
            return result;
        }
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
