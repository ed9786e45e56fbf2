// The F-Logic internal parser: one grammar call per clause, and the tokens' values.
#include "language/InternalFLogicParser.h"

#include <cstring>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
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
    if (table == nullptr) {
        centralErrorHandler().report(err3::NoSymTab);
        return nullptr;
    }
    startClause(table);
    endStateClauseEnd = false;
    FRule* rule = nullptr;
    int result = FLogicparse(*this, &rule);
    if (result == 2) reportError("parser stack overflow");
    endClause();
    if (result != 0) {
        if (ok != nullptr) *ok = 0;
        return nullptr;
    }
    if (ok != nullptr) *ok = 1;
    return rule;
}

int InternalFLogicParser::yylex(FLOGICSTYPE* value) {
    int token = scanner->yylex();
    while (token == ILLEGAL) {
        clearOk();
        token = scanner->yylex();
    }
    // At the end of the input the scanner answers clause ends for ever. A call that asks again
    // after the first one is recovering from an error and would never stop: it gets the end.
    if (token == CLAUSE_END && scanner->inEndState()) {
        if (endStateClauseEnd) token = 0;
        endStateClauseEnd = true;
    }
    // An unreadable input has been reported; the clause it cut off is rejected.
    if (token == 0 && scanner->inputFailed()) clearOk();
    setAtInputEnd(token == 0);
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
        case MULOP: {
            // Only these tokens' texts are read by the grammar; the others carry no value.
            std::size_t length = std::strlen(text);
            value->text = new char[length + 1];
            std::memcpy(value->text, text, length + 1);
            break;
        }
        default:
            value->text = nullptr;
    }
    return token;
}
