// The "BUILTIN" storage manager of the parser's entity manager: texts built into the program.
#include "xml/BuiltinStorageManager.h"

#include <string_view>
#include <vector>

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
    // An unknown name is a text of one line end.
    std::string_view text = "\n";
    if (named(id, "xml-catalog")) {
        text = builtinXmlCatalogText();
    } else if (named(id, "xml-declaration")) {
        text = builtinXmlDeclarationText();
    }
    // Made whole at once: growing a string here would make this program's copy of the library's
    // growing code, which the library's own calls then take, and which copies from a null
    // pointer when it grows an empty string.
    std::vector<OpenSP::Char> characters;
    for (const unsigned char c : text) characters.push_back(c);
    const StringC content(characters.data(), characters.size());
    OpenSP::StorageObject* object =
        LiteralStorageManager::makeStorageObject(content, baseId, search, mayRewind, mgr, found);
    found = id;
    return object;
}
