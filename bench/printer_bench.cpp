// Benchmarks the answer printer: 1,000,000 two-column answers in the bound style, every value's
// name already in the printer's cache, written to a stream that discards its text.
#include <benchmark/benchmark.h>

#include <ostream>
#include <streambuf>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "language/FParser.h"
#include "language/FRule.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "shell/PrettyPrinter.h"

namespace {

constexpr int Distinct = 1000;
constexpr long Rows = long(Distinct) * Distinct;

// Accepts every character and keeps none.
class DiscardBuffer : public std::streambuf {
  protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void BM_PrintBoundRows(benchmark::State& state) {
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    auto* parser = new FLogicParser();
    parser->setInputString("?- p(X, Y).");
    int ok = 0;
    FRule* query = parser->parse(access->giveSymTab(), &ok);
    decRef(parser);

    InternalName objects[Distinct];
    for (int i = 0; i < Distinct; ++i) {
        access->insertObject(access->giveSymTab()->GetFSymbol("obj" + std::to_string(i), 1, 0),
                             nullptr, 0, objects[i]);
    }
    const std::unique_ptr<VarList> vars = query->giveVars();
    auto* answers = new SetOperand(*vars);
    for (int i = 0; i < Distinct; ++i) {
        for (int j = 0; j < Distinct; ++j) {
            const InternalName row[] = {objects[i], objects[j]};
            answers->insert(InternalName::UndefinedObject, row);
        }
    }

    auto* printer = new PrettyPrinter(access);
    for (const InternalName& name : objects) printer->mapToString(name);  // a warm cache

    DiscardBuffer discard;
    std::ostream out(&discard);
    auto* stream = new FLSysOStreamImpl<std::ostream>(&out);
    answerChannel().setStream(stream);
    for (auto _ : state) printer->makeOutput(query, answers);
    answerChannel().resetStream();

    decRef(stream);
    decRef(printer);
    decRef(answers);
    decRef(query);
    decRef(access);
    decRef(om);
    state.counters["us_per_row"] = benchmark::Counter(
        static_cast<double>(Rows) * 1e-6,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PrintBoundRows)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
