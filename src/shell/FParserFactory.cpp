// The parser factories of the two dialects.
#include "shell/FParserFactory.h"

#include "language/FParser.h"
#include "language/PevoParser.h"

FParser* FLogicParserFactory::create() {
    return new FLogicParser();
}

FParser* PevoParserFactory::create() {
    return new PevoParser();
}
