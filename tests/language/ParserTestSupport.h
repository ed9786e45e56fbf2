// Parses texts for the parser tests: every clause of a text as printed rule text, or "null" and
// the ok flag, with the errors reported meanwhile; and the checks that hold alike for the
// parsers of both dialects.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "foundation/OutputChannel.h"
#include "language/FParser.h"
#include "language/FRule.h"
#include "language/ReportText.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"

namespace language_test {

// One call of parse: the printed rule (without its line end) or "null", and the ok flag.
struct ParseResult {
    std::string text;
    int ok;
};

// A program table with the built-in symbols, and a channel to print rules on.
class ParserHarness {
  public:
    using ParserMaker = FParser* (*)();
    explicit ParserHarness(ParserMaker make =
                               [] { return static_cast<FParser*>(new FLogicParser); })
        : make(make), names(Ref<SymTab>::make()), printed(channel) {
        names->initBuiltinSymbols();
    }
    ParserHarness(const ParserHarness&) = delete;
    ParserHarness& operator=(const ParserHarness&) = delete;

    // The rule as the program prints it, without the final line end; "null" for none.
    std::string print(const FRule* rule) {
        if (rule == nullptr) return "null";
        printed.clear();
        rule->print(channel, names.get(), nullptr);
        std::string text = printed.text();
        if (!text.empty() && text.back() == '\n') text.pop_back();
        return text;
    }

    // One parse call, the rule released afterwards.
    ParseResult next(FParser& parser) {
        int ok = -1;
        const auto rule = Ref<FRule>::adopt(parser.parse(names.get(), &ok));
        return ParseResult{print(rule.get()), ok};
    }

    // Every call until the input is at its end.
    std::vector<ParseResult> parseAll(const std::string& text) {
        auto parser = Ref<FParser>::adopt(make());
        parser->setInputString(text);
        std::vector<ParseResult> results;
        while (!parser->atEnd() && results.size() < 100) results.push_back(next(*parser));
        parser.reset();
        return results;
    }

    // The first clause of the text: its print form, or "null/ok" and the reported errors.
    std::string first(const std::string& text) {
        ErrorCapture errors;
        Error::setOutputFilter(2);
        auto results = parseAll(text);
        if (results.empty()) return "<nothing>";
        std::string out = results[0].text;
        if (results[0].ok != 1) out += " ok=" + std::to_string(results[0].ok);
        std::string reports = reportText(errors);
        if (!reports.empty()) {
            reports.pop_back();
            out += " | " + reports;
        }
        return out;
    }

    // Every call until the input is at its end, a line each: the printed rule or "null", with
    // " ok=" and the flag when it is not 1; then the reported errors.
    std::string transcript(const std::string& text) {
        ErrorCapture errors;
        Error::setOutputFilter(2);
        std::string out;
        for (const ParseResult& result : parseAll(text))
            out += result.text + (result.ok != 1 ? " ok=" + std::to_string(result.ok) : "") + "\n";
        return out + reportText(errors);
    }

    SymTab* table() { return names.get(); }

  private:
    ParserMaker make;
    Ref<SymTab> names;
    OutputChannel channel;
    ChannelCapture printed;
};

// A clause nested deeper than the parser's stack may grow is reported and rejected; the rest of
// it is skipped as a syntax error and the next clause parses.
inline void expectDeepNestingRejected(ParserHarness& harness) {
    std::string text =
        "?- X = " + std::string(10001, '(') + "1" + std::string(10001, ')') + ".\np(a).";
    ErrorCapture errors;
    Error::setOutputFilter(2);
    auto results = harness.parseAll(text);
    ASSERT_GE(results.size(), 2u);
    EXPECT_EQ(results[0].text, "null");
    EXPECT_EQ(results[0].ok, 0);
    EXPECT_EQ(reportText(errors).substr(0, 52),
              "line 1 parse error near '(' : parser stack overflow\n");
    EXPECT_EQ(results.back().text, "p(a).");
}

// The example programs shipped with the sources.
inline std::vector<std::filesystem::path> examplePrograms() {
    std::vector<std::filesystem::path> programs;
    const auto folder = std::filesystem::path(QUORIN_SOURCE_DIR) / "examples";
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".flp") programs.push_back(entry.path());
    return programs;
}

}  // namespace language_test
