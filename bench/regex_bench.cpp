// Benchmarks of the pattern built-ins over a 1 MiB text with 100,000 numbers in it: "match" with
// [0-9]+ and "pmatch" with /([0-9]+)/g, each yielding 100,000 distinct rows; and the start-up of
// one Perl interpreter with its glue package.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "access/OMAccess.h"
#include "access/wPerl.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"

namespace {

constexpr int Occurrences = 100000;
constexpr std::size_t TextBytes = 1 << 20;

// Each number stands between letters; the text is padded with letters to exactly 1 MiB.
std::string makeText() {
    std::string text;
    text.reserve(TextBytes);
    const std::size_t unit = TextBytes / Occurrences;
    for (int i = 0; i < Occurrences; ++i) {
        const std::string digits = std::to_string(i);
        text.append(unit - digits.size(), 'x');
        text += digits;
    }
    text.append(TextBytes - text.size(), 'x');
    return text;
}

void timeMatch(benchmark::State& state, int perl, const char* pattern, const char* format) {
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    InternalName cells[4];
    access->nameFromString(cells[0], "\"" + makeText() + "\"", InternalName::String);
    access->nameFromString(cells[1], pattern, InternalName::String);
    access->nameFromString(cells[2], format, InternalName::String);
    cells[3] = InternalName::UndefinedObject;
    int rows = 0;
    for (auto _ : state) {
        Iterator* it = access->patternMatch(perl, cells, 4);
        rows = 0;
        for (bool more = it->first(); more; more = it->next()) ++rows;
        decRef(it);
    }
    state.counters["rows"] = rows;
    decRef(access);
    decRef(om);
}

void BM_Match(benchmark::State& state) {
    timeMatch(state, 0, "\"[0-9]+\"", "\"\"");
}

void BM_PerlMatch(benchmark::State& state) {
    wPerl::current();
    timeMatch(state, 1, "\"/([0-9]+)/g\"", "\"$1\"");
}

// A further interpreter each round (the current one stays): its construction, the run of the
// glue package and the look-up of its subroutines.
void BM_InterpreterStartUp(benchmark::State& state) {
    wPerl::current();
    for (auto _ : state) {
        std::unique_ptr<wPerl> extra = wPerl::create();
        state.PauseTiming();
        extra.reset();
        state.ResumeTiming();
    }
}

}  // namespace

BENCHMARK(BM_Match)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PerlMatch)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InterpreterStartUp)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
