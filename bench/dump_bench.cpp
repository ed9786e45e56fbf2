// Benchmarks saving the object base as F-Logic: 100,000 objects with ten values each, a third of
// them sets of three members.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "foundation/set.h"
#include "objectbase/MainMemOM.h"
#include "shell/ShellDumpFormatters.h"

namespace {

constexpr int Objects = 100000;
constexpr int ScalarMethods = 7;
constexpr int SetMethods = 3;
constexpr int SetSize = 3;
// Every scalar value and every set member is one written fact.
constexpr long FactsPerObject = ScalarMethods + SetMethods * SetSize;

InternalName named(MainMemOM* om, const std::string& text) {
    InternalName name;
    return om->internName(name, text, 1);
}

MainMemOM* filledBase() {
    auto* om = new MainMemOM();
    InternalName methods[ScalarMethods + SetMethods];
    for (int m = 0; m < ScalarMethods + SetMethods; ++m)
        methods[m] = named(om, "m" + std::to_string(m));
    for (int i = 0; i < Objects; ++i) {
        InternalName host = named(om, "o" + std::to_string(i));
        for (int m = 0; m < ScalarMethods; ++m)
            om->insertMethodValue(host, methods[m], nullptr, 0, 0,
                                  InternalName(i * 10 + m, InternalName::Integer, -1));
        for (int m = 0; m < SetMethods; ++m) {
            set<InternalName> values;
            for (int k = 0; k < SetSize; ++k)
                values.insert(InternalName(k, InternalName::Integer, -1));
            om->insertSetMember(host, methods[ScalarMethods + m], nullptr, 0, 1, values);
        }
    }
    return om;
}

void BM_SaveAsFLogic(benchmark::State& state) {
    MainMemOM* om = filledBase();
    om->useDumpFormatters(shellDumpFormatters());
    const std::string file = "/tmp/quorin-dump-bench-" + std::to_string(getpid()) + ".flp";
    for (auto _ : state) om->saveAs(1, file, "");
    std::remove(file.c_str());
    decRef(om);
    state.counters["ns_per_fact"] = benchmark::Counter(
        static_cast<double>(Objects * FactsPerObject) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_SaveAsFLogic)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
