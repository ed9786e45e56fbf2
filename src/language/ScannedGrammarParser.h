// ScannedGrammarParser: an internal grammar parser that owns the scanner of its dialect.
#pragma once

#include <istream>
#include <memory>

#include "language/InternalGrammarParser.h"

// Each dialect's scanner is a flex lexer and the shared input part at once; the grammar parser
// sees it through those two bases, and the dialect's parser through its own type.
template <typename Scanner>
class ScannedGrammarParser : public InternalGrammarParser {
  public:
    explicit ScannedGrammarParser(std::istream* in) : scanner(std::make_unique<Scanner>(in)) {}

  protected:
    ScannerInput& scannerInput() const override { return *scanner; }
    FlexLexer& lexer() const override { return *scanner; }

    const std::unique_ptr<Scanner> scanner;
};
