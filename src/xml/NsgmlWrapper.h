// The owner through which the document import runs the SGML/XML parser application.
#pragma once

#include <optional>
#include <string>

#include "platform/ConfinedChild.h"
#include "xml/EntityPolicy.h"

// False only when the head of the document's file shows it has no document type declaration
// (and so no entities of its own): after an optional byte-order mark, blanks, processing
// instructions and comments, its first element starts within the first 64 KB. Anything else,
// an encoding with NUL bytes included, may declare entities; a file that cannot be read
// declares none (the parser reports it).
bool mayDeclareEntities(const std::string& file);

// Declared here without the parser library's headers: only the application layer's own files see
// the library's types.
class NsgmlsApp;
class DocumentEvents;

class NsgmlWrapper {
  public:
    NsgmlWrapper();
    virtual ~NsgmlWrapper();
    NsgmlWrapper(const NsgmlWrapper&) = delete;
    NsgmlWrapper& operator=(const NsgmlWrapper&) = delete;

    // The file the event stream of the next runs goes to; without it the stream goes to standard
    // output ("CON:").
    virtual void setOutputFile(const char* name);
    // Parses as the command line argv[1..argc-1] asks and returns 0 after a parse without errors.
    // Every run gets a fresh application in a child process of its own, so no option, catalog or
    // entity manager of an earlier run carries over, and the child's memory and time are bounded.
    virtual int run(int argc, char** argv);
    // The files the documents of the next runs may read and their entities' bounds.
    void setEntityPolicy(const EntityPolicy& value) { policy = value; }
    // What the caller read of the document's head already: whether the next run's document may
    // declare entities, so that the run need not read the head again.
    void setDeclaresEntities(bool value) { knownDeclares = value; }
    // The next run, when it parses in this process, gives the document's events to these as
    // they come rather than writing the event stream (which then stays empty): the caller
    // builds its tree without writing and reading back the stream. A run in a child writes
    // the stream as ever.
    void setDocumentEvents(DocumentEvents* target) { events = target; }
    // Whether the last run gave its events to the ones set rather than to the stream.
    bool lastRunFedEvents() const { return fedEvents; }
    // Why the last run's parse stopped before the document's end, if it did.
    ParseStop lastStop() const { return stopReason; }
    // With ParseStop::parserMemory: the bytes the parse was allowed and needed more than.
    std::uint64_t lastMemoryNeeded() const { return memoryNeeded; }
    // The line of the document where a fault of its text stopped the last run, 0 for none.
    unsigned long lastStopLine() const { return stopLine; }
    // The external entity that holds that fault, empty when the document itself does.
    const std::string& lastStopEntity() const { return stopEntity; }
    // What the parser said of the last run's document: the reason of a refusal in its words,
    // and the external entities it did not read.
    const ParserNotes& lastNotes() const { return parserNotes; }

    // The parse as a child's role: a program that parses documents runs it when it is started
    // as a confined child (isConfinedChildCall), first thing in main.
    static ConfinedRole parserRole();

  private:
    std::string outputFile = "CON:";
    EntityPolicy policy;
    ParseStop stopReason = ParseStop::none;
    std::uint64_t memoryNeeded = 0;
    unsigned long stopLine = 0;
    std::string stopEntity;
    ParserNotes parserNotes;
    std::optional<bool> knownDeclares;
    DocumentEvents* events = nullptr;
    bool fedEvents = false;
};
