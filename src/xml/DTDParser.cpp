// The DTD parser object: inputs opened and closed, each parsed into one model.
#include "xml/DTDParser.h"

#include <fstream>
#include <iostream>
#include <sstream>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "xml/InternalDTDParser.h"

DTDParser::DTDParser() = default;

DTDParser::~DTDParser() {
    close();
}

bool DTDParser::isA(const std::string& className) const {
    return className == "DTDParser" || FLSysObject::isA(className);
}

int DTDParser::open(const std::string& name, const std::string& shownName) {
    releaseInput();
    if (name == "stdin") {
        startParser(&std::cin, shownName);
        return 1;
    }
    auto file = std::make_unique<std::ifstream>(name, std::ios::in);
    if (file->fail()) {
        centralErrorHandler().report(Error(3, 1, 2, "ParseError",
                                           shownName + ": No such file or directory",
                                           "DTDParser::open()", ""));
        return 0;
    }
    ownedInput = std::move(file);
    startParser(ownedInput.get(), shownName);
    return 1;
}

int DTDParser::openString(const std::string& text) {
    releaseInput();
    ownedInput = std::make_unique<std::istringstream>(text);
    startParser(ownedInput.get(), "");
    return 1;
}

void DTDParser::close() {
    releaseInput();
}

InternalDTD* DTDParser::parse(int* ok) {
    if (parser == nullptr) {
        if (ok != nullptr) *ok = 0;
        return nullptr;
    }
    return parser->parse(ok);
}

bool DTDParser::atEnd() {
    if (input == nullptr) return true;
    return input->peek() == std::char_traits<char>::eof();
}

void DTDParser::startParser(std::istream* stream, const std::string& name) {
    input = stream;
    parser = std::make_unique<InternalDTDParser>(input);
    parser->reset(name);
}

void DTDParser::releaseInput() {
    parser.reset();
    if (input == &std::cin) std::cin.clear();
    ownedInput.reset();
    input = nullptr;
}
