// FLogicScanner: the F-Logic scanner, the flex-generated FLogicFlexLexer with the shared input
// part (line counter, file name, one-character reading, reports).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

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

    // A token of a clause looked at ahead (see scanPlainClause): its code, the code of its
    // text where the grammar reads one (ISA, SARROW, MARROW), and its text in the buffer.
    struct PlainToken {
        int code;
        int textCode;
        const char* text;
        int length;
    };
    // The tokens of the clause at the scan position, when it lies whole in what the scanner
    // holds and is made only of names, integers without sign, brackets, parentheses, braces,
    // commas, semicolons, "@", ":", "::", "->" and "->>", blanks and newlines, up to a clause
    // end followed by a blank or newline: the tokens the scanner would answer, into `out`.
    // The scanner does not move; false for any other clause, which it reads itself. The texts
    // stay where they are until the scanner reads on; until then the text of the token read
    // last has no end mark.
    bool scanPlainClause(std::vector<PlainToken>& out);
    // Moves the scanner behind the clause scanPlainClause took, counting its lines, as reading
    // its tokens one by one would have left it.
    void skipPlainClause();

  protected:
    int LexerInput(char* buffer, int size) override;

  private:
    // Whether the input is read in large pieces (see ScannerInput::ownsInput).
    const bool ownInput;
    // What scanPlainClause found: the end of the clause, the start of its clause end token and
    // the newlines within it.
    char* plainEnd = nullptr;
    const char* plainLast = nullptr;
    int plainNewlines = 0;
};
