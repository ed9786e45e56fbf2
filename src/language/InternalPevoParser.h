// InternalPevoParser: the Pevo grammar over one input stream, with its scanner.
#pragma once

#include <istream>

#include "language/PevoGrammar.h"
#include "language/PevoGrammarSupport.h"
#include "language/PevoScanner.h"
#include "language/ScannedGrammarParser.h"

class InternalPevoParser : public ScannedGrammarParser<PevoScanner> {
  public:
    explicit InternalPevoParser(std::istream* in);

    FRule* parse(SymTab* symTab, int* ok) override;
    // The grammar's token source: illegal characters are skipped (the clause is rejected), and
    // each token gets its value: the is-a kind, the axis code, the arrow's method type, or a
    // copy of its text.
    int yylex(PEVOSTYPE* value);

    // The builders of the dialect's own nodes.
    PevoGrammarSupport& pevoSupport() { return pevoBuilder; }

  protected:
    int runGrammar(FRule** result) override;

  private:
    PevoGrammarSupport pevoBuilder{*this};
};
