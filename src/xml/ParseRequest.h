// ParseRequest: what the Web access layer asks of one document import.
#pragma once

#include <cstdint>
#include <string>

#include "objectbase/InternalName.h"

struct ParseRequest {
    // 0 fetched page, 1 prolog only, 2 DTD, 3 plain parse, 4 SGML, 5 XML, 6 parsed XML document
    // of the XML access layer.
    std::int32_t kind = 3;
    // 1: ID and IDREF values become links between the element objects.
    std::int32_t references = 0;
    // The three flags that steer the DTD-driven mapping (kinds 4 to 6).
    std::int32_t xml = 0;
    std::int32_t ordering = 0;
    // `dtd` makes the import load the document's DTD; anything but `nil` makes the mapping
    // follow the signatures of the object base.
    InternalName dtdDemand = builtinObject::Nil;
    // Not used by the import.
    std::string text;
    // The object whose method values are the element classes and methods of a DTD; `nil` when
    // none.
    InternalName dtdObject = builtinObject::Nil;
    std::int32_t mapping = 0;
};
