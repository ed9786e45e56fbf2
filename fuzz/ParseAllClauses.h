// Parses a whole text clause by clause and prints every rule: the body of the parser fuzz targets,
// shared with the test that replays the inputs it once failed on.
#pragma once

#include <sstream>
#include <string>

#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/Startup.h"
#include "language/FParser.h"
#include "language/FRule.h"
#include "objectbase/SymTab.h"

// Answers the number of clauses delivered. Reports and the printed rules go nowhere.
template <class Parser = FLogicParser>
int parseAllClauses(const std::string& text) {
    startupGlobals();
    OutputChannel sink;
    std::ostringstream printed;
    auto* stream = new FLSysOStreamImpl<std::ostringstream>(&printed);
    sink.setStream(stream);
    decRef(stream);
    auto* table = new SymTab();
    table->initBuiltinSymbols();
    auto* parser = new Parser();
    parser->setInputString(text);
    int delivered = 0;
    // Every call reads at least one token, so the input's length bounds the calls; the bound only
    // guards against a parser that stops advancing.
    for (std::size_t calls = 0; !parser->atEnd() && calls <= text.size() + 1; ++calls) {
        int ok = 0;
        FRule* rule = parser->parse(table, &ok);
        if (rule != nullptr) {
            rule->print(sink, table, nullptr);
            decRef(rule);
            ++delivered;
        }
    }
    decRef(parser);
    decRef(table);
    sink.releaseStreams();
    return delivered;
}
