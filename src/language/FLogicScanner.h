// FLogicScanner: the F-Logic scanner, the flex-generated FLogicFlexLexer with the shared input
// part (line counter, file name, one-character reading, reports).
#pragma once

#include <iosfwd>
#include <string>

#include "language/ScannerInput.h"

// The generated source defines FLOGIC_SCANNER_SOURCE and includes FlexLexer.h itself.
#ifndef FLOGIC_SCANNER_SOURCE
#undef yyFlexLexer
#define yyFlexLexer FLogicFlexLexer
#include <FlexLexer.h>
#undef yyFlexLexer
#endif

class FLogicScanner : public FLogicFlexLexer, public ScannerInput {
  public:
    // No output stream means standard output, which only the end state writes to.
    explicit FLogicScanner(std::istream* in, std::ostream* out = nullptr);
    ~FLogicScanner() override = default;

    // The next token code (0 at the end of the input), its text in text().
    int yylex() override;
    const char* text() const { return yytext; }
    bool inEndState() const override;
    bool holdsUnscanned() const override;
    void dropHeld() override;

  protected:
    int LexerInput(char* buffer, int size) override;

  private:
    // Whether the input is read in large pieces (see ScannerInput::ownsInput).
    const bool ownInput;
};
