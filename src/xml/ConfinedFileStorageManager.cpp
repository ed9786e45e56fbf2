// The "OSFILE" storage manager of the parser's entity manager: local files, but only those a
// document may read.
#include "xml/ConfinedFileStorageManager.h"

#include <OpenSP/MessageArg.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>

#include "xml/NsgmlsMessages.h"
#include "xml/Utf8Check.h"

using OpenSP::Boolean;
using OpenSP::StringC;

namespace {

// The path with symbolic links and "." and ".." resolved as far as it exists, so that no link or
// ".." leads out of a folder unseen.
std::string canonical(const std::string& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error);
    if (error) return path;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(full, error);
    return error ? full.lexically_normal().string() : resolved.string();
}

bool inside(const std::string& path, const std::string& folder) {
    if (folder.empty()) return false;
    std::string prefix = canonical(folder);
    if (prefix.back() != '/') prefix += '/';
    return path.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

ConfinedFileStorageManager::ConfinedFileStorageManager(const OpenSP::CharsetInfo* filenameCharset,
                                                       const OpenSP::CodingSystem* filenameCoding,
                                                       const EntityPolicy& policy,
                                                       bool restrictFileReading,
                                                       EntityTextFault* fault, ParserNotes* notes)
    : PosixStorageManager("OSFILE", filenameCharset, filenameCoding, 5, restrictFileReading),
      coding(filenameCoding),
      policy(policy),
      fault(fault),
      notes(notes) {}

void ConfinedFileStorageManager::refuse(const StringC& file, OpenSP::Messenger& mgr) {
    mgr.message(NsgmlsMessages::fileRefused, OpenSP::StringMessageArg(file));
    if (notes == nullptr) return;
    notes->entityNotRead(bytes(file), policy.folder.empty()
                                          ? "a document from the Web reads no local file"
                                          : "it lies outside the document's folder");
}

bool ConfinedFileStorageManager::mayRead(const EntityPolicy& policy, const std::string& path) {
    const std::string file = canonical(path);
    if (!policy.documentFile.empty() && file == canonical(policy.documentFile)) return true;
    for (const std::string& trusted : policy.trustedFiles) {
        if (file == canonical(trusted)) return true;
    }
    for (const EntityPolicy::FetchedEntity& fetched : policy.fetchedEntities) {
        if (file == canonical(fetched.file)) return true;
    }
    for (const std::string& folder : policy.trustedFolders) {
        if (inside(file, folder)) return true;
    }
    return inside(file, policy.folder);
}

Boolean ConfinedFileStorageManager::resolveRelative(const StringC& base, StringC& specId,
                                                    Boolean search) const {
    const std::string spec = bytes(specId);
    const bool fromDocument =
        !policy.documentFile.empty() && canonical(bytes(base)) == canonical(policy.documentFile);
    // A Web document's DTD was fetched from its server: the identifier it wrote finds the copy.
    for (const EntityPolicy::FetchedEntity& fetched : policy.fetchedEntities) {
        if (fromDocument && spec == fetched.systemId) {
            specId = text(fetched.file);
            return true;
        }
    }
    if (!spec.empty() && spec[0] != '/' && !policy.folder.empty() && !policy.documentFile.empty() &&
        canonical(bytes(base)) == canonical(policy.documentFile)) {
        if (policy.folder != ".") specId = text(policy.folder + "/" + spec);
        return true;
    }
    return PosixStorageManager::resolveRelative(base, specId, search);
}

OpenSP::StorageObject* ConfinedFileStorageManager::makeStorageObject(
    const StringC& id, const StringC& baseId, Boolean search, Boolean mayRewind,
    OpenSP::Messenger& mgr, StringC& found) {
    // A name that exists is judged before it is opened (opening a device or a pipe can block);
    // any other by the file the library's search found.
    const std::string path = bytes(id);
    std::error_code error;
    if (std::filesystem::exists(path, error) && !mayRead(policy, path)) {
        found = id;
        refuse(id, mgr);
        return nullptr;
    }
    // The parser takes the object over when it is handed back.
    std::unique_ptr<OpenSP::StorageObject> object(
        PosixStorageManager::makeStorageObject(id, baseId, search, mayRewind, mgr, found));
    // An entity of the document that cannot be opened is left out like one refused: the user
    // learns its text is missing. Catalogs and installed files are configuration, looked for
    // where they may be.
    if (object == nullptr && notes != nullptr && !configuration(path)) {
        notes->entityNotRead(path, std::filesystem::exists(path, error) ? "it cannot be opened"
                                                                        : "there is no such file");
    }
    if (object != nullptr && !mayRead(policy, bytes(found))) {
        refuse(found, mgr);
        return nullptr;
    }
    // The parser would take bytes that are not UTF-8 for characters of their own values.
    const std::string opened = object != nullptr ? bytes(found) : std::string();
    const std::string name = object != nullptr && fault != nullptr ? checkedName(opened) : "";
    if (!name.empty() && readAsUtf8(opened, policy.xmlText)) {
        if (const unsigned long line = firstInvalidUtf8Line(opened); line != 0) {
            if (fault->line == 0) *fault = EntityTextFault{line, name};
            return nullptr;
        }
    }
    return object.release();
}

bool ConfinedFileStorageManager::configuration(const std::string& path) const {
    const std::string file = canonical(path);
    for (const std::string& trusted : policy.trustedFiles) {
        if (file == canonical(trusted)) return true;
    }
    for (const std::string& folder : policy.trustedFolders) {
        if (inside(file, folder)) return true;
    }
    return false;
}

std::string ConfinedFileStorageManager::checkedName(const std::string& path) const {
    const std::string file = canonical(path);
    for (const EntityPolicy::FetchedEntity& fetched : policy.fetchedEntities) {
        if (file == canonical(fetched.file)) return fetched.url;
    }
    if (!policy.documentFile.empty() && file == canonical(policy.documentFile)) return "";
    return inside(file, policy.folder) ? path : "";
}

std::string ConfinedFileStorageManager::bytes(const StringC& text) const {
    OpenSP::String<char> out = coding->convertOut(text);
    std::string result(out.data(), out.size());
    while (!result.empty() && result.back() == '\0') result.pop_back();
    return result;
}

StringC ConfinedFileStorageManager::text(const std::string& bytes) const {
    return coding->convertIn(bytes.c_str());
}
