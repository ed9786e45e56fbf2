// The owner through which the document import runs the SGML/XML parser application.
#include "xml/NsgmlWrapper.h"

#include <memory>

#include "xml/NsgmlsApp.h"

NsgmlWrapper::NsgmlWrapper() = default;
NsgmlWrapper::~NsgmlWrapper() = default;

void NsgmlWrapper::setOutputFile(const char* name) {
    outputFile = name ? name : "CON:";
}

int NsgmlWrapper::run(int argc, char** argv) {
    // The library's application keeps its options and its entity manager (with the catalogs it
    // read) for its whole life, so one application a run.
    auto app = std::make_unique<NsgmlsApp>();
    app->setOutputFile(outputFile.c_str());
    app->setEntityPolicy(policy);
    stopReason = ParseStop::none;
    const int result = app->run(argc, argv);
    stopReason = app->stop();
    return result;
}
