// The export protocol's common part.
#include "access/ExportHandler.h"

#include <utility>

#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "objectbase/DebugFileOutput.h"
#include "objectbase/DumpFormatter.h"
#include "objectbase/OM.h"

ExportHandler::ExportHandler(OMAccess* access, Ref<DumpFormatter> formatter)
    : access(Ref<OMAccess>::share(access)), formatter(std::move(formatter)) {
    if (OM* om = access->om()) om->setDumpTarget(this->formatter.get());
}

ExportHandler::~ExportHandler() {
    if (OM* om = access->om()) om->setDumpTarget(nullptr);
}

bool ExportHandler::isA(const std::string& className) const {
    return className == "ExportHandler" || FLSysObject::isA(className);
}

void ExportHandler::replaceFormatter(Ref<DumpFormatter> replacement) {
    formatter = std::move(replacement);
    if (OM* om = access->om()) om->setDumpTarget(formatter.get());
}

void ExportHandler::exportOM(ExportRequest& request) {
    DebugFileOutput output(request.fileName, "ExportHandler::exportOM");
    if (request.fileName.empty())
        output.buffer();
    else if (!output.open())
        return;
    // The handlers ask which classes of each object take part in signatures; the base stays as
    // it is while they write, so the answers are found once for the whole export.
    const bool walkOpened = access->openSignatureWalk();
    OM* om = access->om();
    if (om != nullptr) om->keepForms(true);
    {
        const DumpFormatter::Batch batch(*formatter);
        writeHeader(request);
        writeBody(request);
        writeTrailer(request);
    }
    if (om != nullptr) om->keepForms(false);
    if (walkOpened) access->closeSignatureWalk();
    output.finish();
}
