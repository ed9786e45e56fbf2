// InternalFLogicParser: the F-Logic grammar over one input stream, with its scanner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <vector>

#include "language/FLogicGrammar.h"
#include "language/FLogicScanner.h"
#include "language/InternalGrammarParser.h"

class InternalFLogicParser : public InternalGrammarParser {
  public:
    explicit InternalFLogicParser(std::istream* in);
    ~InternalFLogicParser() override;

    FRule* parse(SymTab* symTab, int* ok) override;
    FRule* parse(SymTab* symTab, int* ok, FactList::Ground& ground, bool* read) override;
    // The grammar's token source: illegal characters are skipped (the clause is rejected), and
    // each token gets its value.
    int yylex(FLOGICSTYPE* value);

  protected:
    ScannerInput& scannerInput() const override;
    FlexLexer& lexer() const override;
    int runGrammar(FRule** result) override;
    bool readGround(FactList::Ground& ground) override;

  private:
    struct Token {
        int code;
        int length;  // of the text, for the tokens that carry one
        // Whether reading it rejected the clause (a skipped illegal character, a failed input).
        bool rejects;
        // The symbol-table hash of a name read as a constant.
        std::uint64_t hash;
        FLOGICSTYPE value;
    };
    // readGround's reading; the tokens it read stay in `kept`.
    bool readGroundTokens(FactList::Ground& ground);
    // The next token, kept for the grammar in case the clause is no ground fact.
    int readKept();
    // The next of the tokens the scanner looked at ahead (see readGround), kept as readKept
    // keeps one; 0 after the last.
    int takePlain();
    // The symbol of the constant token kept at `at`.
    FSymbol constantAt(std::size_t at);

    FLogicScanner* scanner;
    // The tokens readGround read of a clause it did not take; yylex hands them out first.
    std::vector<Token> kept;
    std::size_t keptNext = 0;
    // The places in `kept` of a ground fact's constants, in the order the grammar enters them.
    std::vector<std::size_t> constants;
    // The tokens of a plain clause the scanner looked at ahead, and whether readGroundTokens
    // reads them instead of the scanner's.
    std::vector<FLogicScanner::PlainToken> plain;
    bool readingPlain = false;
};
