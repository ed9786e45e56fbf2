// PevoParser: the shell's parser object for the Pevo dialect of the Kavum mode; it reads its
// inputs exactly as FLogicParser does and differs only in the internal parser it makes.
#pragma once

#include <memory>

#include "language/FParser.h"

class PevoParser : public FParser {
  public:
    PevoParser() = default;
    std::unique_ptr<InternalFParser> createInternalParser(std::istream* in) override;
};
