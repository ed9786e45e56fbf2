// The "URL" storage manager of the parser's entity manager: it recognises URLs and fetches none.
#include "xml/OfflineUrlStorageManager.h"

#include <OpenSP/CharsetInfo.h>
#include <OpenSP/MessageArg.h>

#include "xml/DocumentText.h"
#include "xml/NsgmlsMessages.h"

using OpenSP::Boolean;
using OpenSP::StringC;

OfflineUrlStorageManager::OfflineUrlStorageManager(const OpenSP::CharsetInfo* idCharset,
                                                   ParserNotes* notes)
    : IdStorageManager(idCharset), notes(notes) {}

OpenSP::StorageObject* OfflineUrlStorageManager::makeStorageObject(const StringC& id,
                                                                   const StringC&, Boolean, Boolean,
                                                                   OpenSP::Messenger& mgr,
                                                                   StringC& found) {
    found = id;
    mgr.message(NsgmlsMessages::urlRefused, OpenSP::StringMessageArg(id));
    if (notes != nullptr) {
        std::string name;
        for (std::size_t i = 0; i < id.size(); ++i) appendUtf8(name, id[i]);
        notes->entityNotRead(name,
                             "documents are parsed offline, an entity named by URL is not fetched");
    }
    return nullptr;
}

Boolean OfflineUrlStorageManager::guessIsId(const StringC& id,
                                            const OpenSP::CharsetInfo& charset) const {
    // Drive letters ("C:") are one letter, so a scheme needs two.
    size_t i = 0;
    for (; i < id.size(); ++i) {
        OpenSP::UnivChar c;
        if (!charset.descToUniv(id[i], c)) {
            return false;
        }
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        bool schemeChar =
            letter || (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (c == ':') {
            return i >= 2;
        }
        if (!schemeChar) {
            return false;
        }
    }
    return false;
}
