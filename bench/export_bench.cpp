// Benchmarks the F-Logic (format 1) and XML (format 2) exports: 100,000 objects in 10 classes,
// each class declaring five values, a third of them sets of three members.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "access/OMAccess.h"
#include "foundation/set.h"
#include "objectbase/MainMemOM.h"
#include "shell/ShellDumpFormatters.h"
#include "shell/ShellExportHandlers.h"

namespace {

constexpr int Objects = 100000;
constexpr int Classes = 10;
constexpr int Methods = 5;
constexpr int SetSize = 3;
// Methods 0 and 1 are sets of three members, the others single values.
constexpr long EntriesPerObject = 2 * SetSize + (Methods - 2);

InternalName named(MainMemOM* om, const std::string& text) {
    InternalName name;
    return om->internName(name, text, 1);
}

MainMemOM* filledBase() {
    auto* om = new MainMemOM();
    InternalName methods[Methods];
    for (int m = 0; m < Methods; ++m) methods[m] = named(om, "m" + std::to_string(m));
    const InternalName text = named(om, "text");
    InternalName classes[Classes];
    for (int c = 0; c < Classes; ++c) {
        classes[c] = named(om, "c" + std::to_string(c));
        for (int m = 0; m < Methods; ++m) {
            set<InternalName> result;
            result.insert(text);
            om->insertSetMember(classes[c], methods[m], nullptr, 0, m < 2 ? 7 : 6, result);
        }
    }
    for (int i = 0; i < Objects; ++i) {
        const InternalName host = named(om, "o" + std::to_string(i));
        om->insertIsa(host, classes[i % Classes], 1);
        om->insertIsa(named(om, "\"v" + std::to_string(i) + "\""), text, 1);
        for (int m = 0; m < Methods; ++m) {
            if (m < 2) {
                set<InternalName> values;
                for (int k = 0; k < SetSize; ++k)
                    values.insert(InternalName(k, InternalName::Integer, -1));
                om->insertSetMember(host, methods[m], nullptr, 0, 1, values);
            } else {
                om->insertMethodValue(host, methods[m], nullptr, 0, 0,
                                      named(om, "w" + std::to_string(i)));
            }
        }
    }
    return om;
}

void exportFormat(benchmark::State& state, int format) {
    MainMemOM* om = filledBase();
    om->useDumpFormatters(shellDumpFormatters());
    auto* access = new OMAccess(om);
    access->useExportHandlers(shellExportHandlers());
    const std::string file = "/tmp/quorin-export-bench-" + std::to_string(getpid());
    for (auto _ : state) access->exportBase(format, file, "", "", "");
    state.counters["s/entry"] = benchmark::Counter(
        static_cast<double>(Objects * EntriesPerObject),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    std::remove(file.c_str());
    decRef(access);
    decRef(om);
}

void BM_ExportFLogic(benchmark::State& state) {
    exportFormat(state, 1);
}
void BM_ExportXML(benchmark::State& state) {
    exportFormat(state, 2);
}

BENCHMARK(BM_ExportFLogic)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportXML)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
