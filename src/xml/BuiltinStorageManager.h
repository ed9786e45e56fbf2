// The "BUILTIN" storage manager of the parser's entity manager: texts built into the program.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/LiteralStorage.h>
// clang-format on

// Serves the catalog and the SGML declaration of XML documents (xml/XmlDeclaration.h) by name;
// any other name is an empty text.
class BuiltinStorageManager : public OpenSP::LiteralStorageManager {
  public:
    BuiltinStorageManager() : LiteralStorageManager("BUILTIN") {}
    OpenSP::StorageObject* makeStorageObject(const OpenSP::StringC& id,
                                             const OpenSP::StringC& baseId, OpenSP::Boolean search,
                                             OpenSP::Boolean mayRewind, OpenSP::Messenger& mgr,
                                             OpenSP::StringC& found) override;
};
