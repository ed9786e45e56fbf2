// The "URL" storage manager of the parser's entity manager: it recognises URLs and fetches none.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/StorageManager.h>
// clang-format on

#include "xml/EntityPolicy.h"

// A document from the Web may name its DTD or entities by URL; parsing happens offline, so such an
// entity is refused with a message in the error file and the document is parsed without it. The
// notes, if given, name every entity refused, so that the user learns its text is missing.
class OfflineUrlStorageManager : public OpenSP::IdStorageManager {
  public:
    explicit OfflineUrlStorageManager(const OpenSP::CharsetInfo* idCharset,
                                      ParserNotes* notes = nullptr);
    OpenSP::StorageObject* makeStorageObject(const OpenSP::StringC& id,
                                             const OpenSP::StringC& baseId, OpenSP::Boolean search,
                                             OpenSP::Boolean mayRewind, OpenSP::Messenger& mgr,
                                             OpenSP::StringC& found) override;
    const char* type() const override { return "URL"; }
    // A scheme of two or more letters before a colon: "http:", "ftp:", "file:" and the like.
    OpenSP::Boolean guessIsId(const OpenSP::StringC& id,
                              const OpenSP::CharsetInfo& charset) const override;

  private:
    ParserNotes* notes;
};
