// DTDParser: the shell object that reads a DTD from a file, standard input or a text into the
// DTD model.
#pragma once

#include <istream>
#include <memory>
#include <string>

#include "foundation/FLSysObject.h"
#include "xml/InternalDTD.h"

class InternalDTDParser;

class DTDParser : public FLSysObject {
  public:
    DTDParser();
    ~DTDParser() override;
    DTDParser(const DTDParser&) = delete;
    DTDParser& operator=(const DTDParser&) = delete;

    bool isA(const std::string& className) const override;

    // Opens the file (standard input for "stdin"); 1, or 0 after reporting.
    int open(const std::string& name) { return open(name, name); }
    // The same, with messages naming the input by the shown name (the address of a fetched copy).
    int open(const std::string& name, const std::string& shownName);
    // The text becomes the input; 1.
    int openString(const std::string& text);
    // Closes the input; standard input is only cleared of its error state.
    void close();
    // The model of the open input, or null (*ok 0) when nothing is open, after a syntax error,
    // or when the input was parsed already. The caller receives the model's reference.
    InternalDTD* parse(int* ok = nullptr);
    // True when no input is open or nothing is left of it.
    bool atEnd();

  private:
    // Drops the input stream (never standard input itself) and its parser.
    void releaseInput();
    void startParser(std::istream* stream, const std::string& name);

    // The parser goes before the stream it reads.
    std::unique_ptr<std::istream> ownedInput;
    std::istream* input = nullptr;  // ownedInput's stream or standard input
    std::unique_ptr<InternalDTDParser> parser;
};
