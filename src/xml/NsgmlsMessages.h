// The parser application's own messages, in the library's message scheme (its application module).
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/Message.h>
// clang-format on

struct NsgmlsMessages {
    static const OpenSP::MessageType1 unknownOutputOption;
    static const OpenSP::MessageType1 urlRefused;
    static const OpenSP::MessageType1 fileRefused;
    static const OpenSP::MessageType1 entityBound;
    static const OpenSP::MessageType0 batchNotSupported;
    static const OpenSP::MessageType0 rastNotSupported;

    // Texts of the option help.
    static const OpenSP::MessageType1 helpBatch;
    static const OpenSP::MessageType1 helpDuplicate;
    static const OpenSP::MessageType1 helpLine;
    static const OpenSP::MessageType1 helpCatalog;
    static const OpenSP::MessageType1 helpOutput;
    static const OpenSP::MessageType1 helpProlog;
    static const OpenSP::MessageType1 helpDefaulted;
    static const OpenSP::MessageType1 helpSuppress;
    static const OpenSP::MessageType1 helpRast;
    static const OpenSP::MessageType1 helpUndefined;
    static const OpenSP::MessageFragment argCatalog;
    static const OpenSP::MessageFragment argOutput;
    static const OpenSP::MessageFragment argRast;
};
