// PevoScanner: the scanner of the Pevo dialect, the flex-generated PevoFlexLexer with the shared
// input part (line counter, file name, one-character reading, reports).
#pragma once

#include <iosfwd>
#include <string>

#include "language/ScannerInput.h"

// The generated source defines PEVO_SCANNER_SOURCE and includes FlexLexer.h itself.
#ifndef PEVO_SCANNER_SOURCE
#undef yyFlexLexer
#define yyFlexLexer PevoFlexLexer
#include <FlexLexer.h>
#undef yyFlexLexer
#endif

class PevoScanner : public PevoFlexLexer, public ScannerInput {
  public:
    // No output stream means standard output, which only the end state writes to.
    explicit PevoScanner(std::istream* in, std::ostream* out = nullptr);
    ~PevoScanner() override = default;

    // The next token code (0 at the end of the input), its text in text().
    int yylex() override;
    const char* text() const { return yytext; }
    bool inEndState() const override;
    bool holdsUnscanned() const override;
    void dropHeld() override;

  protected:
    int LexerInput(char* buffer, int size) override;
};
