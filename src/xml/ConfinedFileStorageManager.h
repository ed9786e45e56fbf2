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

// The first external entity whose bytes are not the UTF-8 it is read as: its line (from 1) and
// its name as the user knows it (its file as the document's folder names it, or its address).
struct EntityTextFault {
    unsigned long line = 0;
    std::string entity;
};

// A document names its DTD and external entities by system identifier. Read without care, a
// document fetched from the Web could pull any file of the machine into the object base, and a
// local document parsed from a temporary copy would find its relative identifiers next to that
// copy. This manager resolves identifiers relative to the document against the document's own
// folder and refuses every file outside it (and, for a Web document, every file but the copy and
// the DTD fetched for it). An entity of the document's own, read as UTF-8, that holds other bytes
// is refused as well and recorded in the fault, if one is given. A file refused for where it lies,
// and one of the document's that cannot be opened, is recorded in the notes, if given, with why.
class ConfinedFileStorageManager : public OpenSP::PosixStorageManager {
  public:
    ConfinedFileStorageManager(const OpenSP::CharsetInfo* filenameCharset,
                               const OpenSP::CodingSystem* filenameCoding,
                               const EntityPolicy& policy, bool restrictFileReading,
                               EntityTextFault* fault = nullptr, ParserNotes* notes = nullptr);
    OpenSP::StorageObject* makeStorageObject(const OpenSP::StringC& id,
                                             const OpenSP::StringC& baseId, OpenSP::Boolean search,
                                             OpenSP::Boolean mayRewind, OpenSP::Messenger& mgr,
                                             OpenSP::StringC& found) override;
    OpenSP::Boolean resolveRelative(const OpenSP::StringC& base, OpenSP::StringC& specId,
                                    OpenSP::Boolean search) const override;

    // Whether the policy lets a document read the file (a path as the file system names it).
    static bool mayRead(const EntityPolicy& policy, const std::string& path);

  private:
    // The entity's name for messages when its text is checked; empty for files that are
    // configuration (catalogs, installed DTDs) or the document itself, which is checked before.
    std::string checkedName(const std::string& path) const;
    // Whether the file is configuration: a catalog, or a file the user's catalog names or the
    // machine installed.
    bool configuration(const std::string& path) const;
    std::string bytes(const OpenSP::StringC& text) const;
    // Tells the parser's messages, and the notes, that the file is not read.
    void refuse(const OpenSP::StringC& file, OpenSP::Messenger& mgr);
    OpenSP::StringC text(const std::string& bytes) const;

    const OpenSP::CodingSystem* coding;
    EntityPolicy policy;
    EntityTextFault* fault;
    ParserNotes* notes;
};
