// The Pevo parser object: its internal parser runs the Pevo grammar.
#include "language/PevoParser.h"

#include "language/InternalPevoParser.h"

InternalFParser* PevoParser::createInternalParser(std::istream* in) {
    return new InternalPevoParser(in);
}
