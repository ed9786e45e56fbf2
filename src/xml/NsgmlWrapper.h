// The owner through which the document import runs the SGML/XML parser application.
#pragma once

#include <string>

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
    // entity manager of an earlier run carries over, and the child's memory is bounded.
    virtual int run(int argc, char** argv);
    // The files the documents of the next runs may read and their entities' bounds.
    void setEntityPolicy(const EntityPolicy& value) { policy = value; }
    // Why the last run's parse stopped before the document's end, if it did.
    ParseStop lastStop() const { return stopReason; }

  private:
    std::string outputFile = "CON:";
    EntityPolicy policy;
    ParseStop stopReason = ParseStop::none;
};
