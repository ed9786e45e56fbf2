// The command-line parser application that turns one document into the event stream, run
// in-process.
#pragma once

// The library's configuration comes first: it fixes the character type and the namespace, and
// without it our view of the library's classes differs from the library's build.
#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/ParserApp.h>
// clang-format on

#include <memory>
#include <string>
#include <vector>

#include "xml/ConfinedFileStorageManager.h"
#include "xml/EntityPolicy.h"
#include "xml/EsisOutputFlags.h"

class DocumentEvents;
class MyOutputCharStream;

class NsgmlsApp : public OpenSP::ParserApp {
  public:
    NsgmlsApp();
    ~NsgmlsApp() override;

    // The name must stay valid until run returns; "CON:" is standard output.
    void setOutputFile(const char* name) { outputFileName = name; }
    unsigned outputFlags() const { return outputFlags_; }
    // Which files the document may read and the bounds of its entities; without a document file
    // the policy takes the last file argument and its folder.
    void setEntityPolicy(const EntityPolicy& value) { policy = value; }
    // The tree the event writer feeds instead of writing the stream (a parse in this process);
    // the caller keeps it alive until run returns.
    void feedEvents(DocumentEvents* value) { events = value; }
    // Why the last parse stopped early, if it did.
    ParseStop stop() const { return stopReason; }
    // The line of the document where a fault of its text stopped the parse, 0 for none.
    unsigned long stopLine() const { return stopLine_; }
    // The external entity that holds the fault at stopLine, empty when it is the document's.
    const std::string& stopEntity() const { return textFault.entity; }
    // The parser's message on a refused document and the entities it did not read.
    const ParserNotes& notes() const { return parserNotes; }

    void processOption(AppChar opt, const AppChar* arg) override;
    int processArguments(int argc, AppChar** files) override;
    OpenSP::ErrorCountEventHandler* makeEventHandler() override;
    // Every link type is in use, unless a RAST writer were to choose them.
    void allLinkTypesActivated() override;

  private:
    // Builds the entity manager the way the library would, but with a URL storage manager that
    // refuses to fetch: parsing never opens a socket.
    void installOfflineEntityManager();

    bool suppressOutput = false;
    bool prologOnly = false;
    unsigned outputFlags_ = 0;
    bool batchMode = false;
    const AppChar* rastFile = nullptr;
    const char* outputFileName = "CON:";

    // What the options asked that only the entity manager we build can honour.
    std::vector<const AppChar*> catalogs;
    std::vector<const AppChar*> searchDirs;
    bool restrictFileReading = false;
    bool mapCatalogDocument = false;
    // The parser's messages go to the null device.
    bool messagesDiscarded = false;
    // Option faults found while options are read, reported once the error file is open.
    std::vector<std::string> badOutputOptions;
    bool unsupportedBatch = false;
    bool unsupportedRast = false;

    std::unique_ptr<MyOutputCharStream> output;
    DocumentEvents* events = nullptr;
    EntityPolicy policy;
    ParseStop stopReason = ParseStop::none;
    unsigned long stopLine_ = 0;
    EntityTextFault textFault;
    ParserNotes parserNotes;
};
