// The shared half of the internal parsers: clause state, symbols and syntax-error reports.
#include "language/InternalGrammarParser.h"

#include <FlexLexer.h>

#include <algorithm>
#include <cstring>
#include <utility>

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

bool InternalGrammarParser::atEnd(std::istream& in) {
    return scannerInput().atEnd(in);
}

void InternalGrammarParser::yyerror(const char*) {
    // The token text is always quoted, empty at the end of the input, so that the line number
    // never runs into the message.
    errorText = scannerInput().position() + " parse error near '" +
                (atInputEnd ? "" : lexer().YYText()) + "' : ";
    errorReported = 0;
}

void InternalGrammarParser::reportError(const char* message) {
    // "reading stopped" after too many errors, or "reading interrupted", closes what is said
    // about the input: the clause it cut off is rejected without a word more.
    if (errorReported != 0 || scannerInput().readingStopped()) return;
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
    if (clauseSymTab == nullptr) clauseSymTab = Ref<SymTab>::make();
    return clauseSymTab->GetFSymbol(name, InternalName::Variable, 0);
}

Ref<SymTab> InternalGrammarParser::takeClauseSymTab() {
    return std::move(clauseSymTab);
}

std::string InternalGrammarParser::fileName() const {
    return scannerInput().fileName();
}

int InternalGrammarParser::lineNumber() const {
    return scannerInput().lineNumber();
}

void InternalGrammarParser::startClause(SymTab* table) {
    // The previous clause's texts are no longer pointed at; one ordinary chunk is kept for reuse.
    if (textChunks.size() > 1 || (!textChunks.empty() && textChunks[0].size != textChunkSize))
        textChunks.clear();
    textUsed = 0;
    symTab = table;
    ok = 1;
    endStateClauseEnd = false;
    builder.startClause();
    endClause();
}

FRule* InternalGrammarParser::parseClause(SymTab* table, int* okOut, const Error& noSymTab) {
    bool read = false;
    return parseClause(table, okOut, noSymTab, nullptr, &read);
}

bool InternalGrammarParser::readGround(FactList::Ground&) {
    return false;
}

FRule* InternalGrammarParser::parseClause(SymTab* table, int* okOut, const Error& noSymTab,
                                          FactList::Ground* ground, bool* read) {
    *read = false;
    if (table == nullptr) {
        centralErrorHandler().report(noSymTab);
        return nullptr;
    }
    startClause(table);
    if (ground != nullptr && readGround(*ground)) {
        endClause();
        if (okOut != nullptr) *okOut = 1;
        *read = true;
        return nullptr;
    }
    FRule* rule = nullptr;
    int result = runGrammar(&rule);
    if (result == 2) reportError("parser stack overflow");
    endClause();
    if (result != 0) {
        if (okOut != nullptr) *okOut = 0;
        return nullptr;
    }
    if (okOut != nullptr) *okOut = 1;
    return rule;
}

int InternalGrammarParser::nextToken(int illegal, int clauseEnd) {
    int token = lexer().yylex();
    while (token == illegal) {
        clearOk();
        token = lexer().yylex();
    }
    // At the end of the input the scanner answers clause ends for ever. A call that asks again
    // after the first one is recovering from an error and would never stop: it gets the end.
    if (token == clauseEnd && scannerInput().inEndState()) {
        if (endStateClauseEnd) token = 0;
        endStateClauseEnd = true;
    }
    // An unreadable input has been reported; the clause it cut off is rejected.
    if (token == 0 && scannerInput().inputFailed()) {
        clearOk();
        scannerInput().failureRejected();
    }
    setAtInputEnd(token == 0);
    return token;
}

char* InternalGrammarParser::tokenText() {
    return keepText(std::string_view(lexer().YYText(), static_cast<std::size_t>(lexer().YYLeng())));
}

char* InternalGrammarParser::keepText(std::string_view text) {
    const std::size_t need = text.size() + 1;
    if (textChunks.empty() || textChunks.back().size - textUsed < need) {
        const std::size_t size = std::max(need, textChunkSize);
        textChunks.push_back({std::make_unique_for_overwrite<char[]>(size), size});
        textUsed = 0;
    }
    char* copy = textChunks.back().bytes.get() + textUsed;
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    textUsed += need;
    return copy;
}

void InternalGrammarParser::endClause() {
    clauseSymTab.reset();
}
