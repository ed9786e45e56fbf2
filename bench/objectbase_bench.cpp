// Benchmarks storing, looking up and enumerating a million method values and predicate tuples.
#include <benchmark/benchmark.h>

#include <fstream>
#include <string>

#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"

namespace {

constexpr int Side = 1000;  // Side hosts x Side values = one million facts
constexpr int Facts = Side * Side;

// A field of /proc/self/status in kilobytes ("VmRSS", "VmHWM").
long statusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    return 0;
}

InternalName host(int i) {
    return InternalName(1000 + i, InternalName::Object, 0);
}
InternalName value(int j) {
    return InternalName(1000 + Side + j, InternalName::Object, 0);
}

InternalName methodName(MainMemOM* om) {
    InternalName m;
    return om->internName(m, "m", 1);
}

InternalName predicateName(MainMemOM* om) {
    return om->giveSymTab()->GetFSymbol("p", InternalName::Predicate, 2);
}

void fillMethods(MainMemOM* om) {
    InternalName m = methodName(om);
    for (int i = 0; i < Side; ++i)
        for (int j = 0; j < Side; ++j) om->insertMethodValue(host(i), m, nullptr, 0, 1, value(j));
}

// The same number of facts spread over a million hosts: one object frame and one set frame each.
void fillMethodsOnePerHost(MainMemOM* om) {
    InternalName m = methodName(om);
    for (int i = 0; i < Facts; ++i)
        om->insertMethodValue(InternalName(3 * Facts + i, InternalName::Object, 0), m, nullptr, 0,
                              1, value(i % Side));
}

void fillPredicate(MainMemOM* om) {
    InternalName p = predicateName(om);
    for (int i = 0; i < Side; ++i)
        for (int j = 0; j < Side; ++j) {
            InternalName row[] = {host(i), value(j)};
            om->addPredicate(p, row, 2);
        }
}

// Time and memory of storing: the counters give the resident memory the stored facts take.
template <void (*Fill)(MainMemOM*)>
void BM_Insert(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        long rssBefore = statusKb("VmRSS");
        long peakBefore = statusKb("VmHWM");
        MainMemOM* om = new MainMemOM();
        state.ResumeTiming();
        Fill(om);
        state.PauseTiming();
        state.counters["rss_bytes_per_fact"] = (statusKb("VmRSS") - rssBefore) * 1024.0 / Facts;
        state.counters["peak_bytes_per_fact"] = (statusKb("VmHWM") - peakBefore) * 1024.0 / Facts;
        decRef(om);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Facts);
}

void BM_LookupMethodValues(benchmark::State& state) {
    MainMemOM* om = new MainMemOM();
    fillMethods(om);
    InternalName m = methodName(om);
    for (auto _ : state) {
        int found = 0;
        for (int i = 0; i < Side; ++i) {
            MainMemObjFrame* frame = om->getObjFrame(host(i));
            InternalName setName;
            if (frame == nullptr || frame->lookupMethod(m, 1, 0, setName) == 0) continue;
            MainMemSetFrame* members = om->getSetFrame(setName);
            for (int j = 0; j < Side; ++j) found += members->contains(value(j)) ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(om);
}

void BM_EnumerateMethodValues(benchmark::State& state) {
    MainMemOM* om = new MainMemOM();
    fillMethods(om);
    InternalName m = methodName(om);
    for (auto _ : state) {
        long count = 0;
        Iterator* hosts = om->methodHostsIterator(m, 1, 0, nullptr);
        Iterator* entries = nullptr;
        Iterator* members = nullptr;
        for (bool h = hosts->first(); h; h = hosts->next()) {
            entries = om->methodIterator(hosts->atColumn(1), 1, entries);
            for (bool e = entries->first(); e; e = entries->next()) {
                members = om->setIterator(entries->atColumn(2), members);
                for (bool v = members->first(); v; v = members->next()) ++count;
            }
        }
        decRef(hosts);
        if (entries != nullptr) decRef(entries);
        if (members != nullptr) decRef(members);
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(om);
}

void BM_LookupPredicateTuples(benchmark::State& state) {
    MainMemOM* om = new MainMemOM();
    fillPredicate(om);
    MainMemPredFrame* frame = om->getPredFrame(predicateName(om));
    for (auto _ : state) {
        int found = 0;
        for (int i = 0; i < Side; ++i)
            for (int j = 0; j < Side; ++j) {
                InternalName row[] = {host(i), value(j)};
                found += frame->containsTuple(row, 2) ? 1 : 0;
            }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(om);
}

void BM_EnumeratePredicateTuples(benchmark::State& state) {
    MainMemOM* om = new MainMemOM();
    fillPredicate(om);
    MainMemPredFrame* frame = om->getPredFrame(predicateName(om));
    for (auto _ : state) {
        long count = 0;
        Iterator* rows = frame->getIterator(nullptr);
        for (bool r = rows->first(); r; r = rows->next()) count += rows->atColumn(2).getValue();
        decRef(rows);
        benchmark::DoNotOptimize(count);
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(om);
}

}  // namespace

BENCHMARK(BM_Insert<fillMethods>)
    ->Name("BM_InsertMethodValues")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Insert<fillMethodsOnePerHost>)
    ->Name("BM_InsertMethodValuesOnePerHost")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Insert<fillPredicate>)
    ->Name("BM_InsertPredicateTuples")
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupMethodValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumerateMethodValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupPredicateTuples)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumeratePredicateTuples)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
