// FLogicScanner: the F-Logic scanner, the flex-generated FLogicFlexLexer with the shared input
// part (line counter, file name, one-character reading, reports).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
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
    // text where the grammar reads one (ISA, SARROW, MARROW), its text in the buffer and, for
    // a name, the hash the symbol table files it under as a function symbol (hashed here,
    // where its characters are read anyway and lie in place).
    struct PlainToken {
        int code;
        int textCode;
        const char* text;
        int length;
        std::uint64_t hash;
    };
    // The tokens of the clause at the scan position, when it lies whole in what the scanner
    // holds and is made only of names, integers without sign, brackets, parentheses, braces,
    // commas, semicolons, "@", ":", "::", "->" and "->>", blanks and newlines, up to a clause
    // end followed by a blank or newline: the tokens the scanner would answer, into `out`.
    // The scanner does not move; false for any other clause, which it reads itself. The texts
    // stay where they are until the scanner reads on; until then the text of the token read
    // last has no end mark.
    bool scanPlainClause(std::vector<PlainToken>& out);
    // The clause at the scan position when it is a predicate over integers written without
    // blanks within, p(1,20,300), most of a consulted file of numbers: its predicate's text,
    // which stays in place until the scanner reads on, and the integers' values, each of ten
    // digits at most and within 32 bits. Found in one pass over its characters, without the
    // tokens scanPlainClause lists; skipPlainClause moves behind it. False, the scanner left
    // as it was and any look ahead standing, for any other clause.
    bool scanIntegerFact(std::string_view& predicate, std::vector<std::int32_t>& values);
    // The clauses behind the one scanIntegerFact took and skipPlainClause moved behind, as
    // long as each is a fact of the same predicate (its text `predicate`) over `arity` integers
    // that scanIntegerFact would take, at most `limit` of them: their integers appended to
    // `values`, the line each ends on appended to `lines`, and the scanner moved behind the
    // last one (as skipPlainClause moves behind one). Their number; 0 leaves the scanner as it
    // was. A consulted file of numbers is read a block of facts at a time, each fact costing
    // its characters and little more.
    std::size_t scanIntegerRun(std::string_view predicate, std::size_t arity, std::size_t limit,
                               std::vector<std::int32_t>& values, std::vector<std::int32_t>& lines);
    // Moves the scanner behind the clause scanPlainClause or scanIntegerFact took, counting its
    // lines, as reading its tokens one by one would have left it.
    void skipPlainClause();
    // scanPlainClause for a clause the reader means to read later: the scanner is left as it
    // was, and the look stands until it reads on. A reader that learns the next clause's names
    // while the current one's work goes on lets their cache misses overlap with that work.
    bool lookAtPlainClause(std::vector<PlainToken>& out);
    // True when the scanner stands where lookAtPlainClause last looked at a plain clause, not
    // having read on since: the tokens found then are the ones scanPlainClause would find, and
    // skipPlainClause moves behind them.
    bool resumeLook();

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
    // Where lookAtPlainClause found a plain clause; null once the scanner has read on.
    const char* lookedAt = nullptr;
};
