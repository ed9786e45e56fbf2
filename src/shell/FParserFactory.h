// FParserFactory and its two kinds, which make the rule parser of the shell's current dialect:
// FLogicParserFactory an FLogicParser, PevoParserFactory a PevoParser.
#pragma once

#include "foundation/ManagedObject.h"

class FParser;

class FParserFactory : public ManagedObject {
  public:
    // A new parser with no input (one reference for the caller).
    virtual FParser* create() = 0;

  protected:
    ~FParserFactory() override = default;
};

class FLogicParserFactory : public FParserFactory {
  public:
    FParser* create() override;
};

class PevoParserFactory : public FParserFactory {
  public:
    FParser* create() override;
};
