// ExportRequest: what one export writes, handed by the access layer to an export handler.
#pragma once

#include <cstdint>
#include <string>

#include "objectbase/InternalName.h"

struct ExportRequest {
    // The format code: 1 F-Logic, 2 XML, 3 signatures as F-Logic, 4 XML from a root.
    std::int32_t format = 0;
    // Empty: the text goes to the debug channel's current stream.
    std::string fileName;
    // The document type of an XML export; empty: no document type line.
    std::string docType;
    // "PUBLIC", "SYSTEM" or empty; the XML header writer fills it.
    std::string externalIdKind;
    std::string externalId;
    // The object the export starts from; UndefinedObject for the whole object base.
    InternalName root = InternalName::UndefinedObject;
};
