// DTDScanner: the DTD scanner, the flex-generated DTDFlexLexer with the shared input part (line
// counter, file name, one-character reading, reports). Which tokens it knows depends on its
// start condition, which the DTD parser's driver sets.
#pragma once

#include <iosfwd>
#include <string>

#include "language/ScannerInput.h"

// The generated source defines DTD_SCANNER_SOURCE and includes FlexLexer.h itself.
#ifndef DTD_SCANNER_SOURCE
#undef yyFlexLexer
#define yyFlexLexer DTDFlexLexer
#include <FlexLexer.h>
#undef yyFlexLexer
#endif

class DTDScanner : public DTDFlexLexer, public ScannerInput {
  public:
    // The start conditions, numbered as the driver's stack holds them.
    enum Condition {
        initial = 0,
        declarations = 1,
        declarationsWithoutBracket = 2,
        group = 3,
        declaration = 5,
        instruction = 6,
        comment = 9
    };

    // Characters no rule takes are copied to out (standard output when null) and skipped.
    explicit DTDScanner(std::istream* in, std::ostream* out = nullptr);
    ~DTDScanner() override = default;

    // The next token code (0 at the end of the input), its text in text().
    int yylex() override;
    const char* text() const { return yytext; }
    // Switches to one of the conditions above.
    void enterCondition(int condition);

  protected:
    int LexerInput(char* buffer, int size) override;
};
