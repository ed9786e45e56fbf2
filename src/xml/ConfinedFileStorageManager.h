// The "OSFILE" storage manager of the parser's entity manager: local files, but only those a
// document may read.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/CodingSystem.h>
#include <OpenSP/PosixStorage.h>
// clang-format on

#include <string>

#include "xml/EntityPolicy.h"

// A document names its DTD and external entities by system identifier. Read without care, a
// document fetched from the Web could pull any file of the machine into the object base, and a
// local document parsed from a temporary copy would find its relative identifiers next to that
// copy. This manager resolves identifiers relative to the document against the document's own
// folder and refuses every file outside it (and, for a Web document, every file but the copy).
class ConfinedFileStorageManager : public OpenSP::PosixStorageManager {
  public:
    ConfinedFileStorageManager(const OpenSP::CharsetInfo* filenameCharset,
                               const OpenSP::CodingSystem* filenameCoding,
                               const EntityPolicy& policy, bool restrictFileReading);
    OpenSP::StorageObject* makeStorageObject(const OpenSP::StringC& id,
                                             const OpenSP::StringC& baseId, OpenSP::Boolean search,
                                             OpenSP::Boolean mayRewind, OpenSP::Messenger& mgr,
                                             OpenSP::StringC& found) override;
    OpenSP::Boolean resolveRelative(const OpenSP::StringC& base, OpenSP::StringC& specId,
                                    OpenSP::Boolean search) const override;

    // Whether the policy lets a document read the file (a path as the file system names it).
    static bool mayRead(const EntityPolicy& policy, const std::string& path);

  private:
    std::string bytes(const OpenSP::StringC& text) const;
    OpenSP::StringC text(const std::string& bytes) const;

    const OpenSP::CodingSystem* coding;
    EntityPolicy policy;
};
