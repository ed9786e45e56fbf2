// The F-Logic internal parser: one grammar call per clause, and the tokens' values.
#include "language/InternalFLogicParser.h"

#include <cstring>

#include "foundation/ErrorCatalogue.h"
#include "language/FLogicScanner.h"

InternalFLogicParser::InternalFLogicParser(std::istream* in) : scanner(new FLogicScanner(in)) {}

InternalFLogicParser::~InternalFLogicParser() {
    delete scanner;
}

ScannerInput& InternalFLogicParser::scannerInput() const {
    return *scanner;
}

FlexLexer& InternalFLogicParser::lexer() const {
    return *scanner;
}

FRule* InternalFLogicParser::parse(SymTab* table, int* ok) {
    return parseClause(table, ok, err3::NoSymTab);
}

int InternalFLogicParser::runGrammar(FRule** result) {
    return FLogicparse(*this, result);
}

int InternalFLogicParser::yylex(FLOGICSTYPE* value) {
    const int token = nextToken(ILLEGAL, CLAUSE_END);
    const char* text = scanner->text();
    switch (token) {
        case ISA:
            value->code = std::strcmp(text, ":") == 0 ? 1 : 2;
            break;
        case DOT:
            value->code = std::strcmp(text, ".") == 0    ? 0
                          : std::strcmp(text, "..") == 0 ? 1
                          : std::strcmp(text, "!") == 0  ? 3
                                                         : 4;
            break;
        case SARROW:
            value->code = std::strcmp(text, "->") == 0 ? 0 : 3;
            break;
        case MARROW:
            value->code = std::strcmp(text, "->>") == 0 ? 1 : 4;
            break;
        case SIGARROW:
            value->code = std::strcmp(text, "=>") == 0 ? 6 : 7;
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
