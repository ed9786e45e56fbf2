// The XML header of the exports.
#include "shell/XMLExportHandler.h"

#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "objectbase/DebugFileOutput.h"
#include "shell/XMLDumpFormatter.h"

XMLExportHandler::XMLExportHandler(OMAccess* access)
    : ExportHandler(access, Ref<XMLDumpFormatter>::make(access->om())) {}

bool XMLExportHandler::isA(const std::string& className) const {
    return className == "XMLExportHandler" || ExportHandler::isA(className);
}

void XMLExportHandler::writeHeader(ExportRequest& request) {
    request.externalIdKind.clear();
    if (!request.docType.empty() && request.externalId.empty() && access->om() != nullptr)
        documentTypeId(*access->om(), request.docType, request.externalIdKind, request.externalId);
    formatter->writeDocumentHead(request.docType, request.externalIdKind, request.externalId);
}

InternalName XMLExportHandler::documentClass(const std::string& docType) {
    InternalName cls = InternalName::UndefinedObject;
    if (!docType.empty()) access->internName(cls, docType, 1);
    return cls;
}

void XMLExportHandler::appendWrapped(std::string& text, std::string_view member,
                                     std::size_t& running, bool first) {
    if (!first) text += " ";
    running += member.size() + 1;
    if (running > 80) {
        text += "\n    ";
        running = member.size() + 4;
    }
    text += member;
}
