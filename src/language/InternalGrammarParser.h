// InternalGrammarParser: the half of the internal parsers that their grammars share: the symbol
// tables, the ok flag of the current clause and the syntax-error reporting.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/Ref.h"
#include "language/GrammarSupport.h"
#include "language/InternalFParser.h"
#include "objectbase/FSymbol.h"
#include "objectbase/SymTab.h"

class Error;
class FlexLexer;
class ScannerInput;

class InternalGrammarParser : public InternalFParser {
  public:
    InternalGrammarParser() = default;
    ~InternalGrammarParser() override;
    InternalGrammarParser(const InternalGrammarParser&) = delete;
    InternalGrammarParser& operator=(const InternalGrammarParser&) = delete;

    void reset(std::string fileName) override;
    bool atEnd(std::istream& in) override;

    // Prepares the text of the next syntax error: position and the token it was found at. The
    // driver's own message ("parse error", "parser stack overflow") is not used.
    void yyerror(const char* message);
    // Reports the first syntax error after each yyerror as ParseError; later ones are dropped.
    void reportError(const char* message);
    // yyerror and reportError together, for the checks of the grammar actions.
    void reportCheck(const std::string& message);

    // The grammar actions build nodes only while the clause is free of errors.
    bool clauseOk() const { return ok != 0; }
    void clearOk() { ok = 0; }
    // Undoes the clearOk of reading tokens ahead, which the grammar is handed again: each one
    // clears the flag again as it is handed out (see readGround).
    void reopenClause() { ok = 1; }

    // The program's symbol of a constant or name.
    FSymbol constantSymbol(const std::string& name, int kind, int arity);
    // The clause's symbol of a variable; the first one of a clause makes the clause's table.
    FSymbol variableSymbol(const std::string& name);
    // The clause's table (null when no variable occurred), which the caller takes over.
    Ref<SymTab> takeClauseSymTab();
    // The program's symbol table given to parse.
    SymTab* programSymTab() const { return symTab; }

    // Where the clause being read comes from.
    std::string fileName() const;
    int lineNumber() const;

    // The builders the grammar actions call.
    GrammarSupport& support() { return builder; }

    // A copy of `text`, kept until the next clause starts: the grammar's text tokens point into
    // these copies, so a token's text is neither allocated nor freed on its own.
    char* keepText(std::string_view text);

    // Tells the error text that the last token read was the end of the input.
    void setAtInputEnd(bool atEnd) { atInputEnd = atEnd; }

  protected:
    // The scanner of the concrete parser, seen through its two bases.
    virtual ScannerInput& scannerInput() const = 0;
    virtual FlexLexer& lexer() const = 0;

    // Prepares a parse call: the program table is stored, the clause state cleared.
    void startClause(SymTab* table);
    // Drops what a rejected clause left behind.
    void endClause();

    // The parse of both dialects: a missing table is reported with `noSymTab`, otherwise one
    // call of the grammar reads one clause.
    FRule* parseClause(SymTab* table, int* ok, const Error& noSymTab);
    // The same, but a ground fact may be read into `ground` instead (see readGround): then the
    // answer is null, *ok is 1 and *read true.
    FRule* parseClause(SymTab* table, int* ok, const Error& noSymTab, FactList::Ground* ground,
                       bool* read);
    // Reads the clause into `ground` when it is a ground fact FactList holds, entering its
    // symbols as the grammar would; otherwise false, and the grammar reads the clause from
    // its first token (the tokens read here are handed to it first).
    virtual bool readGround(FactList::Ground& ground);
    // One call of the generated parse function.
    virtual int runGrammar(FRule** result) = 0;
    // The scanner's next token as the grammar should see it: illegal characters (`illegal`) are
    // skipped and reject the clause; an unreadable input's end rejects it too.
    int nextToken(int illegal, int clauseEnd);
    // A copy of the current token's text (see keepText), as the grammar's text tokens carry.
    char* tokenText();

  private:
    SymTab* symTab = nullptr;  // not owned
    int ok = 1;                // 1 while the current clause is free of errors
    Ref<SymTab> clauseSymTab;  // until the clause's rule takes it

    std::string errorText;
    int errorReported = 0;
    bool atInputEnd = false;
    // Whether this call has had the clause end of the scanner's end state.
    bool endStateClauseEnd = false;
    GrammarSupport builder{*this};
    // The texts kept for this clause, in chunks filled one after the other.
    static constexpr std::size_t textChunkSize = 4096;
    struct TextChunk {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
    };
    std::vector<TextChunk> textChunks;
    std::size_t textUsed = 0;  // of the last chunk
};
