// PPProtocol: the answer printer as the evaluators see it, and the maker through which the shell
// layer's printer is made (the printer itself lives above this layer).
#pragma once

#include <string>

#include "foundation/FLSysObject.h"

class FRule;
class OMAccess;
class Operand;

class PPProtocol : public FLSysObject {
  public:
    virtual PPProtocol* help() = 0;
    // "This is a normal PrettyPrinter." or the like on the channel.
    virtual void describe(OutputChannel& channel) = 0;
    virtual void clear() = 0;
    virtual void mode(const std::string& word) = 0;
    virtual void style(const std::string& word) = 0;
    // The heading of the answers to the query.
    virtual void beginQuery(FRule* query) = 0;
    // Prints the answers of the query on the answer channel.
    virtual void makeOutput(FRule* query, Operand* answers) = 0;

  protected:
    ~PPProtocol() override = default;
};

// Makes a printer over an access layer (one reference for the caller); null when none can be made.
using PrinterFactory = PPProtocol* (*)(OMAccess* access);

// A printer from the factory; null when the factory is null.
PPProtocol* makePrinter(PrinterFactory factory, OMAccess* access);
