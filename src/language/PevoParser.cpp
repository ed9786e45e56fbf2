// The Pevo parser object: its internal parser runs the Pevo grammar.
#include "language/PevoParser.h"

#include "language/InternalPevoParser.h"

std::unique_ptr<InternalFParser> PevoParser::createInternalParser(std::istream* in) {
    return std::make_unique<InternalPevoParser>(in);
}
