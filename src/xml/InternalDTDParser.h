// InternalDTDParser: the DTD grammar over one input stream, with its scanner and the stack of
// start conditions that tells the scanner which tokens it may meet.
#pragma once

#include <array>
#include <istream>
#include <memory>
#include <set>
#include <string>

#include "xml/DTDBuilder.h"
#include "xml/DTDGrammar.h"
#include "xml/InternalDTD.h"

class DTDScanner;

class InternalDTDParser {
  public:
    // Characters the scanner skips are copied to out (standard output when null).
    explicit InternalDTDParser(std::istream* in, std::ostream* out = nullptr);
    ~InternalDTDParser();
    InternalDTDParser(const InternalDTDParser&) = delete;
    InternalDTDParser& operator=(const InternalDTDParser&) = delete;

    // Reads the whole input: the model and *ok 1, or null and *ok 0 after the one report of the
    // parse. The caller receives the model's reference. An input is parsed once: a further call
    // answers null (and *ok 0) without a report.
    InternalDTD* parse(int* ok);
    // Starts the input anew: line 1, the name for messages, a parse allowed again.
    void reset(std::string fileName);

    // [file name + ", "] + "line N parse error near '" + current token + "' : ".
    std::string locationText() const;
    // Reports the first error of a parse as ParseError: the location text and the message.
    void yyerror(const char* message);

    // The grammar's token source; keeps the start-condition stack.
    int yylex(DTDSTYPE* value);
    DTDBuilder& builder() { return build; }

  private:
    static constexpr int stackSize = 100;

    void push(int condition);
    void popUntil(int condition);

    std::unique_ptr<DTDScanner> scanner;
    bool parsed = false;
    bool errorReported = false;
    bool atInputEnd = false;
    std::array<int, stackSize> conditions{};
    int depth = 0;
    DTDBuilder build;
    // The spellings of keywords read as names; the grammar copies them when it needs them.
    std::set<std::string> keywordSpellings;
};
