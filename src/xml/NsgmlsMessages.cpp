// The parser application's own messages, in the library's message scheme (its application module).
#include "xml/NsgmlsMessages.h"

using OpenSP::appModule;
using OpenSP::MessageFragment;
using OpenSP::MessageType;
using OpenSP::MessageType0;
using OpenSP::MessageType1;

const MessageType1 NsgmlsMessages::unknownOutputOption(MessageType::error, &appModule, 0,
                                                       "unrecognized output option %1");
const MessageType1 NsgmlsMessages::urlRefused(
    MessageType::error, &appModule, 1,
    "not fetching %1: documents are parsed offline, URL entities are not read");
const MessageType1 NsgmlsMessages::fileRefused(
    MessageType::error, &appModule, 4,
    "not reading %1: a document reads files of its own folder only, a Web document none");
const MessageType1 NsgmlsMessages::entityBound(MessageType::error, &appModule, 5,
                                               "parse abandoned: %1");
const MessageType0 NsgmlsMessages::batchNotSupported(MessageType::error, &appModule, 2,
                                                     "batch mode (-B) is not supported");
const MessageType0 NsgmlsMessages::rastNotSupported(MessageType::error, &appModule, 3,
                                                    "RAST output (-t) is not supported");

const MessageType1 NsgmlsMessages::helpBatch(
    MessageType::info, &appModule, 10, "Parse each file argument on its own (not supported).");
const MessageType1 NsgmlsMessages::helpDuplicate(MessageType::info, &appModule, 11,
                                                 "Warn about duplicate entity declarations.");
const MessageType1 NsgmlsMessages::helpLine(MessageType::info, &appModule, 12,
                                            "Output L lines (same as -oline).");
const MessageType1 NsgmlsMessages::helpCatalog(MessageType::info, &appModule, 13,
                                               "Use catalog %1 (same as -c).");
const MessageType1 NsgmlsMessages::helpOutput(MessageType::info, &appModule, 14,
                                              "Include %1 in the event stream.");
const MessageType1 NsgmlsMessages::helpProlog(MessageType::info, &appModule, 15,
                                              "Parse only the prolog.");
const MessageType1 NsgmlsMessages::helpDefaulted(MessageType::info, &appModule, 16,
                                                 "Warn about default entity references.");
const MessageType1 NsgmlsMessages::helpSuppress(MessageType::info, &appModule, 17,
                                                "Write error messages only, no event stream.");
const MessageType1 NsgmlsMessages::helpRast(MessageType::info, &appModule, 18,
                                            "Write RAST output to %1 (not supported).");
const MessageType1 NsgmlsMessages::helpUndefined(MessageType::info, &appModule, 19,
                                                 "Warn about undefined elements.");
const MessageFragment NsgmlsMessages::argCatalog(&appModule, 20, "catalog_sysid");
const MessageFragment NsgmlsMessages::argOutput(&appModule, 21, "output_option");
const MessageFragment NsgmlsMessages::argRast(&appModule, 22, "rast_file");
