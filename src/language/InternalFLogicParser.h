// InternalFLogicParser: the F-Logic grammar over one input stream, with its scanner.
#pragma once

#include <istream>

#include "language/FLogicGrammar.h"
#include "language/InternalGrammarParser.h"

class FLogicScanner;

class InternalFLogicParser : public InternalGrammarParser {
  public:
    explicit InternalFLogicParser(std::istream* in);
    ~InternalFLogicParser() override;

    FRule* parse(SymTab* symTab, int* ok) override;
    // The grammar's token source: illegal characters are skipped (the clause is rejected), and
    // each token gets its value.
    int yylex(FLOGICSTYPE* value);

  protected:
    ScannerInput& scannerInput() const override;
    FlexLexer& lexer() const override;
    int runGrammar(FRule** result) override;

  private:
    FLogicScanner* scanner;
};
