// The shared half of the internal parsers: clause state, symbols and syntax-error reports.
#include "language/InternalGrammarParser.h"

#include <FlexLexer.h>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "language/ScannerInput.h"
#include "objectbase/SymTab.h"

InternalGrammarParser::~InternalGrammarParser() {
    endClause();
}

void InternalGrammarParser::reset(std::string fileName) {
    ok = 1;
    endClause();
    scannerInput().setLineNumber(1);
    scannerInput().setFileName(std::move(fileName));
}

void InternalGrammarParser::yyerror(const char*) {
    // The token text is always quoted, empty at the end of the input, so that the line number
    // never runs into the message.
    errorText = scannerInput().position() + " parse error near '" +
                (atInputEnd ? "" : lexer().YYText()) + "' : ";
    errorReported = 0;
}

void InternalGrammarParser::reportError(const char* message) {
    if (errorReported != 0) return;
    centralErrorHandler().report(
        Error(3, 1, 2, "ParseError", errorText + message, "FParser::yyparse()", ""));
    errorReported = 1;
}

void InternalGrammarParser::reportCheck(const std::string& message) {
    errorReported = 0;
    yyerror("");
    reportError(message.c_str());
}

FSymbol InternalGrammarParser::constantSymbol(const std::string& name, int kind, int arity) {
    return symTab->GetFSymbol(name, kind, arity);
}

FSymbol InternalGrammarParser::variableSymbol(const std::string& name) {
    if (clauseSymTab == nullptr) clauseSymTab = new SymTab();
    return clauseSymTab->GetFSymbol(name, InternalName::Variable, 0);
}

SymTab* InternalGrammarParser::takeClauseSymTab() {
    SymTab* table = clauseSymTab;
    clauseSymTab = nullptr;
    return table;
}

std::string InternalGrammarParser::fileName() const {
    return scannerInput().fileName();
}

int InternalGrammarParser::lineNumber() const {
    return scannerInput().lineNumber();
}

void InternalGrammarParser::startClause(SymTab* table) {
    symTab = table;
    ok = 1;
    endClause();
}

void InternalGrammarParser::endClause() {
    if (clauseSymTab != nullptr) decRef(clauseSymTab);
    clauseSymTab = nullptr;
}
