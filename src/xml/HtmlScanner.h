// HtmlScanner: the tag scanner of HTML pages, the flex-generated HtmlFlexLexer with the shared
// input part; it knows tag brackets, words, quoted strings and "=".
#pragma once

#include <iosfwd>

#include "language/ScannerInput.h"

// The generated source defines HTML_SCANNER_SOURCE and includes FlexLexer.h itself.
#ifndef HTML_SCANNER_SOURCE
#undef yyFlexLexer
#define yyFlexLexer HtmlFlexLexer
#include <FlexLexer.h>
#undef yyFlexLexer
#endif

enum HtmlToken {
    HtmlEnd = 0,
    HtmlTagOpen = 1,     // "<"
    HtmlEndTagOpen = 2,  // "</"
    HtmlTagClose = 3,    // ">"
    // A run of printable ASCII characters other than double quote, "<", ">" and "=".
    HtmlWord = 4,
    // A double quote, anything but a double quote (line ends too), a double quote.
    HtmlString = 5,
    HtmlEquals = 6,  // "="
};

// Blanks, line ends, control characters and bytes 128 to 255 are skipped, one at a time, and end
// a word; so is a double quote that has no partner.
class HtmlScanner : public HtmlFlexLexer, public ScannerInput {
  public:
    explicit HtmlScanner(std::istream* in);
    ~HtmlScanner() override = default;

    // The next token code, HtmlEnd at the end of the input; its text in text().
    int yylex() override;
    const char* text() const { return yytext; }
    int length() const { return yyleng; }

  protected:
    int LexerInput(char* buffer, int size) override;
};
