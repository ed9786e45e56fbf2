// The Pevo internal parser: one grammar call per clause, and the tokens' values.
#include "language/InternalPevoParser.h"

#include <cstring>

#include "foundation/ErrorCatalogue.h"
#include "language/PevoScanner.h"

InternalPevoParser::InternalPevoParser(std::istream* in) : ScannedGrammarParser(in) {}

FRule* InternalPevoParser::parse(SymTab* table, int* ok) {
    return parseClause(table, ok, err3::NoSymTab_2);
}

int InternalPevoParser::runGrammar(FRule** result) {
    return Pevoparse(*this, result);
}

int InternalPevoParser::yylex(PEVOSTYPE* value) {
    const int token = nextToken(ILLEGAL, CLAUSE_END);
    const char* text = scanner->text();
    switch (token) {
        case ISA:
            value->code = std::strcmp(text, "isa") == 0 ? 1 : 2;
            break;
        case AXIS:
            value->code = PevoGrammarSupport::axisCode(text);
            break;
        case ARROW:
            value->code = std::strcmp(text, "->") == 0 ? 1 : std::strcmp(text, "*->") == 0 ? 4 : 7;
            break;
        case NAME:
        case VARIABLE:
        case STRING:
        case INTEGER:
        case FLOAT:
        case COMPARE:
        case ADDOP:
        case MULOP:
            // Only these tokens' texts are read by the grammar; the others carry no value.
            value->text = tokenText();
            break;
        default:
            value->text = nullptr;
    }
    return token;
}
