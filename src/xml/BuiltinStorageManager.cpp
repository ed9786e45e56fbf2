// The "BUILTIN" storage manager of the parser's entity manager: texts built into the program.
#include "xml/BuiltinStorageManager.h"

#include <string_view>

#include "xml/XmlDeclaration.h"

using OpenSP::Boolean;
using OpenSP::StringC;

namespace {

bool named(const StringC& id, std::string_view name) {
    if (id.size() != name.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (id[i] != static_cast<unsigned char>(name[i])) return false;
    return true;
}

}  // namespace

OpenSP::StorageObject* BuiltinStorageManager::makeStorageObject(const StringC& id,
                                                                const StringC& baseId,
                                                                Boolean search, Boolean mayRewind,
                                                                OpenSP::Messenger& mgr,
                                                                StringC& found) {
    const char* text = "";
    if (named(id, "xml-catalog")) {
        text = builtinXmlCatalogText();
    } else if (named(id, "xml-declaration")) {
        text = builtinXmlDeclarationText();
    }
    StringC content;
    for (const char* c = text; *c != '\0'; ++c) content += static_cast<unsigned char>(*c);
    OpenSP::StorageObject* object =
        LiteralStorageManager::makeStorageObject(content, baseId, search, mayRewind, mgr, found);
    found = id;
    return object;
}
