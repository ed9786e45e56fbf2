// FParser: the shell's parser object, which opens an input (a file, standard input or a text)
// and hands out its clauses one at a time; FLogicParser is its F-Logic variant.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <string>

#include "foundation/FLSysObject.h"
#include "language/FactList.h"

class FRule;
class InternalFParser;
class SymTab;

class FParser : public FLSysObject {
  public:
    FParser();
    ~FParser() override;
    FParser(const FParser&) = delete;
    FParser& operator=(const FParser&) = delete;

    bool isA(const std::string& className) const override;

    // The next clause: (rule, 1), (null, 1) at the end, (null, 0) for a rejected clause. Without
    // an open input: null, *ok untouched. The caller receives the rule's reference.
    virtual FRule* parse(SymTab* symTab, int* ok);
    // As parse, but a ground fact may come back in `ground` (see InternalFParser): then the
    // answer is null, *ok 1 and *read true.
    virtual FRule* parse(SymTab* symTab, int* ok, FactList::Ground& ground, bool* read);
    // Opens the file (or standard input for "stdin"); 1 on success, 0 after reporting.
    virtual int open(std::string name);
    // The text becomes the input; 1.
    virtual int setInputString(std::string text);
    // Closes the input; standard input is only cleared of its error state.
    virtual void close();
    // True when no input is open or nothing is left of it.
    virtual bool atEnd();
    // A new internal parser over the stream, which it borrows.
    virtual std::unique_ptr<InternalFParser> createInternalParser(std::istream* in) = 0;

  private:
    // Drops the input stream (never standard input itself).
    void releaseInput();

    // The parser goes before the stream it reads.
    std::unique_ptr<std::istream> ownedInput;
    std::istream* input = nullptr;  // ownedInput's stream or standard input
    std::unique_ptr<InternalFParser> internalParser;
};

class FLogicParser : public FParser {
  public:
    // How ground facts are read: facts of names and integers alone in one pass over their
    // characters or scanned tokens, the others by the token reader (Flat); every fact by the
    // token reader (Tokens); or every clause by the grammar (Grammar), the general road the
    // others must agree with. Taken by the inputs opened after it is set.
    enum class FactRoad : std::uint8_t { Flat, Tokens, Grammar };
    FLogicParser() = default;
    void useFactRoad(FactRoad road) { factRoad = road; }
    std::unique_ptr<InternalFParser> createInternalParser(std::istream* in) override;

  private:
    FactRoad factRoad = FactRoad::Flat;
};
