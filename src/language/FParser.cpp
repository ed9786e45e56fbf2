// The parser objects: inputs opened and closed, clauses handed out one at a time.
#include "language/FParser.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "language/InternalFLogicParser.h"
#include "language/ScannerInput.h"

namespace {

// Whether the stream's first character (or its end) can be read; the file buffer throws on a
// read error.
bool firstReadSucceeds(std::istream& stream) {
    try {
        stream.rdbuf()->sgetc();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace

FParser::FParser() = default;

FParser::~FParser() {
    close();
}

bool FParser::isA(const std::string& className) const {
    return className == "FParser" || FLSysObject::isA(className);
}

FRule* FParser::parse(SymTab* symTab, int* ok) {
    if (internalParser == nullptr) return nullptr;
    return internalParser->parse(symTab, ok);
}

FRule* FParser::parse(SymTab* symTab, int* ok, FactList::Ground& ground, bool* read) {
    *read = false;
    if (internalParser == nullptr) return nullptr;
    return internalParser->parse(symTab, ok, ground, read);
}

int FParser::open(std::string name) {
    close();
    std::unique_ptr<std::istream> file;
    if (name != "stdin") file = std::make_unique<std::ifstream>(name, std::ios::in);
    std::istream* stream = file != nullptr ? file.get() : &std::cin;
    // A file that opens but cannot be read (a directory, a read error at its start) is refused
    // here like one that does not open: nothing of it is read.
    const bool readable = !stream->fail() && (file == nullptr || firstReadSucceeds(*stream));
    if (readable) {
        ownedInput = std::move(file);
        input = stream;
        internalParser = createInternalParser(input);
        internalParser->reset(name);
        return 1;
    }
    // A file that is there but cannot be read is an input that fails, not a missing one.
    std::error_code error;
    if (name != "stdin" && std::filesystem::exists(name, error)) {
        ScannerInput::reportUnreadable(name);
    } else {
        centralErrorHandler().report(Error(
            3, 1, 2, "ParseError", name + ": No such file or directory", "PevoParser::open()", ""));
    }
    // No input is left open: the old parser and its stream went above.
    return 0;
}

int FParser::setInputString(std::string text) {
    close();
    ownedInput = std::make_unique<std::istringstream>(std::move(text));
    input = ownedInput.get();
    internalParser = createInternalParser(input);
    internalParser->reset("");
    return 1;
}

void FParser::close() {
    internalParser.reset();
    releaseInput();
}

bool FParser::atEnd() {
    if (input == nullptr || internalParser == nullptr) return true;
    return internalParser->atEnd(*input);
}

void FParser::releaseInput() {
    if (input == &std::cin) std::cin.clear();
    ownedInput.reset();
    input = nullptr;
}

std::unique_ptr<InternalFParser> FLogicParser::createInternalParser(std::istream* in) {
    return std::make_unique<InternalFLogicParser>(in, factRoad);
}
