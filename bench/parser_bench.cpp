// Benchmarks the F-Logic parser on generated text: 100,000 molecule facts and 10,000 rules read
// from a string, clause by clause, and the scanner on single tokens and block comments up to a
// million characters.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "foundation/Startup.h"
#include "language/FLogicScanner.h"
#include "language/FParser.h"
#include "language/FRule.h"
#include "objectbase/SymTab.h"

namespace {

std::string facts(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "o" + n + "[name -> \"n" + n + "\"; age -> " + std::to_string(i % 90) + "].\n";
    }
    return text;
}

std::string rules(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        text += "X[r" + n + " ->> {Y}] :- X:c" + n + "[m -> Z], Z..n[k -> Y], not p" + n +
                "(Y, [a, b]), Y > Z + 1.\n";
    }
    return text;
}

// Parses every clause of the text; the clause count is the items processed.
void parseText(benchmark::State& state, const std::string& text) {
    startupGlobals();
    std::int64_t clauses = 0;
    for (auto _ : state) {
        auto* table = new SymTab();
        table->initBuiltinSymbols();
        auto* parser = new FLogicParser();
        parser->setInputString(text);
        while (!parser->atEnd()) {
            int ok = 0;
            FRule* rule = parser->parse(table, &ok);
            if (rule != nullptr) {
                ++clauses;
                decRef(rule);
            }
        }
        decRef(parser);
        decRef(table);
    }
    state.SetItemsProcessed(clauses);
}

void BM_ParseFacts(benchmark::State& state) {
    static const std::string text = facts(100000);
    parseText(state, text);
}
BENCHMARK(BM_ParseFacts)->Unit(benchmark::kMillisecond);

// The scanner alone over the facts, for the share of reading characters and forming tokens.
void BM_ScanFacts(benchmark::State& state) {
    static const std::string text = facts(100000);
    std::int64_t tokens = 0;
    for (auto _ : state) {
        std::istringstream in(text);
        FLogicScanner scanner(&in);
        while (scanner.yylex() != 0) ++tokens;
    }
    state.SetItemsProcessed(tokens);
}
BENCHMARK(BM_ScanFacts)->Unit(benchmark::kMillisecond);

// One token of the given length, alone in a clause: a string (0), an identifier (1) or an
// integer (2). Scanning is to stay linear in the token's length.
void BM_ScanLongToken(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(1));
    std::string token;
    switch (state.range(0)) {
        case 0:
            token = "\"" + std::string(length - 2, 'x') + "\"";
            break;
        case 1:
            token = "a" + std::string(length - 1, 'b');
            break;
        default:
            token = std::string(length, '7');
    }
    const std::string text = "p(" + token + ").\n";
    for (auto _ : state) {
        std::istringstream in(text);
        FLogicScanner scanner(&in);
        while (scanner.yylex() != 0) {
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ScanLongToken)
    ->ArgsProduct({{0, 1, 2}, {10000, 100000, 1000000}})
    ->Unit(benchmark::kMillisecond);

// A block comment of the given length on one line between two facts, and the same comment
// broken into lines of 80 characters: scanning is to stay linear in the comment's length and
// cost about the same either way.
void BM_ScanLongComment(benchmark::State& state) {
    const auto length = static_cast<std::size_t>(state.range(1));
    std::string body(length, 'c');
    if (state.range(0) == 1) {
        for (std::size_t at = 80; at < length; at += 81) body[at] = '\n';
    }
    const std::string text = "p(a).\n/* " + body + " */\np(b).\n";
    for (auto _ : state) {
        std::istringstream in(text);
        FLogicScanner scanner(&in);
        while (scanner.yylex() != 0) {
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ScanLongComment)
    ->ArgsProduct({{0, 1}, {10000, 100000, 1000000}})
    ->Unit(benchmark::kMillisecond);

void BM_ParseRules(benchmark::State& state) {
    static const std::string text = rules(10000);
    parseText(state, text);
}
BENCHMARK(BM_ParseRules)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
