// Benchmarks of the access layer: a million inserts through OMAccess against the object manager
// directly, fully bound probes through one re-targeted LeftRefIter, and enumerations with
// RightRefIter and FuncOrPredIter over a million rows.
#include <benchmark/benchmark.h>

#include "access/FuncOrPredIter.h"
#include "access/OMAccess.h"
#include "access/RefIter.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"

namespace {

constexpr int Facts = 1000000;

InternalName host(int i) {
    return InternalName(1000 + i, InternalName::Object, 0);
}
InternalName number(int i) {
    return InternalName(i, InternalName::Integer, 0);
}
InternalName methodName(OM* om) {
    InternalName m;
    return om->internName(m, "m", 1);
}

// host(i)[m -> i] for a million hosts, inserted through the access layer.
void fillScalars(OMAccess* access) {
    const InternalName m = methodName(access->om());
    for (int i = 0; i < Facts; ++i)
        access->insertValue(host(i), m, nullptr, 0, MethodType::Scalar, number(i));
}

// Only the inserts are timed; one untimed round first, so that both benchmarks start from
// memory the process has already touched.
template <class Insert>
void timeInserts(benchmark::State& state, Insert insert) {
    bool warm = false;
    for (auto _ : state) {
        state.PauseTiming();
        auto* om = new MainMemOM();
        auto* access = new OMAccess(om);
        const InternalName m = methodName(om);
        if (!warm) {
            for (int i = 0; i < Facts; ++i) insert(om, access, m, i);
            decRef(access);
            decRef(om);
            om = new MainMemOM();
            access = new OMAccess(om);
            warm = true;
        }
        state.ResumeTiming();
        for (int i = 0; i < Facts; ++i) insert(om, access, m, i);
        state.PauseTiming();
        decRef(access);
        decRef(om);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Facts);
}

void BM_InsertValueThroughAccess(benchmark::State& state) {
    timeInserts(state, [](MainMemOM*, OMAccess* access, const InternalName& m, int i) {
        access->insertValue(host(i), m, nullptr, 0, MethodType::Scalar, number(i));
    });
}
BENCHMARK(BM_InsertValueThroughAccess)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_InsertMethodValueDirectly(benchmark::State& state) {
    timeInserts(state, [](MainMemOM* om, OMAccess*, const InternalName& m, int i) {
        om->insertMethodValue(host(i), m, nullptr, 0, 0, number(i));
    });
}
BENCHMARK(BM_InsertMethodValueDirectly)->Unit(benchmark::kMillisecond)->Iterations(5);

// Walks every row, reading the cell a join would read.
int countRows(Iterator* it, int column) {
    int rows = 0;
    for (bool more = it->first(); more; more = it->next()) {
        benchmark::DoNotOptimize(it->atColumn(column));
        ++rows;
    }
    return rows;
}

// A million o[m -> v] probes, each a re-targeted LeftRefIter and one first().
void BM_FullyBoundProbe(benchmark::State& state) {
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    fillScalars(access);
    const InternalName m = methodName(om);
    InternalName pattern[] = {host(0), m, number(0)};
    auto* probe = new LeftRefIter(pattern, 3, MethodType::Scalar, om);
    for (auto _ : state) {
        int found = 0;
        for (int i = 0; i < Facts; ++i) {
            pattern[0] = host(i);
            pattern[2] = number(i);
            probe->reinitialize(pattern, 3, MethodType::Scalar, om);
            found += probe->first() ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(probe);
    decRef(access);
    decRef(om);
}
BENCHMARK(BM_FullyBoundProbe)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same million lookups asked of the object manager directly: the floor under the probes.
void BM_LookupMethodValueDirectly(benchmark::State& state) {
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    fillScalars(access);
    const InternalName m = methodName(om);
    for (auto _ : state) {
        int found = 0;
        for (int i = 0; i < Facts; ++i) {
            InternalName value;
            found += om->lookupMethodValue(host(i), m, nullptr, 0, 0, value);
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(access);
    decRef(om);
}
BENCHMARK(BM_LookupMethodValueDirectly)->Unit(benchmark::kMillisecond)->Iterations(3);

// X[m -> Y] over a million hosts.
void BM_RightRefIterScan(benchmark::State& state) {
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    fillScalars(access);
    const InternalName m = methodName(om);
    const InternalName pattern[] = {InternalName::UndefinedObject, m,
                                    InternalName::UndefinedObject};
    auto* scan = new RightRefIter(pattern, 3, MethodType::Scalar, om);
    for (auto _ : state) {
        benchmark::DoNotOptimize(countRows(scan, 3));
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(scan);
    decRef(access);
    decRef(om);
}
BENCHMARK(BM_RightRefIterScan)->Unit(benchmark::kMillisecond)->Iterations(3);

// p(a, X) over a million tuples p(a, i).
void BM_PredicateScan(benchmark::State& state) {
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    const FSymbol p = om->giveSymTab()->GetFSymbol("p", InternalName::Predicate, 2);
    for (int i = 0; i < Facts; ++i) {
        const InternalName row[] = {host(0), number(i)};
        access->insertPredicate(p, row, 2);
    }
    const InternalName pattern[] = {host(0), InternalName::UndefinedObject};
    auto* scan = new FuncOrPredIter(pattern, 2, StoredAtom::Predicate, p, om);
    for (auto _ : state) {
        benchmark::DoNotOptimize(countRows(scan, 2));
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(scan);
    decRef(access);
    decRef(om);
}
BENCHMARK(BM_PredicateScan)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
