// Benchmarks applying a thousand equalities to a base of ten method values per object, with and
// without predicate tuples beside them, spread over many predicates or all in one.
#include <benchmark/benchmark.h>

#include <string>

#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"

namespace {

constexpr int MethodsPerHost = 10;
constexpr int Pairs = 1000;
constexpr int Predicates = 100;
constexpr int TuplesPerPredicate = 1000;

enum class Tuples { None, InManyPredicates, InOnePredicate };

// Hosts and values are two ranges of symbol-named objects (flag 0), so an equality keeps the
// smaller name; the method names lie below both.
InternalName method(int k) {
    return InternalName(1000 + k, InternalName::Object, 0);
}
InternalName host(int i) {
    return InternalName(10000 + i, InternalName::Object, 0);
}
InternalName value(int objects, int i) {
    return InternalName(10000 + objects + i, InternalName::Object, 0);
}

// objects hosts with ten set-valued methods each; the values are another `objects` names, each
// the value of ten facts.
MainMemOM* makeBase(int objects, Tuples tuples) {
    auto* om = new MainMemOM();
    for (int i = 0; i < objects; ++i)
        for (int k = 0; k < MethodsPerHost; ++k)
            om->insertMethodValue(host(i), method(k), nullptr, 0, 1,
                                  value(objects, (i + k * (objects / MethodsPerHost)) % objects));
    if (tuples == Tuples::InOnePredicate) {
        // Each host and each value in one row of one relation of `objects` rows.
        InternalName name = om->giveSymTab()->GetFSymbol("p", InternalName::Predicate, 2);
        for (int i = 0; i < objects; ++i) {
            InternalName row[] = {host(i), value(objects, i)};
            om->addPredicate(name, row, 2);
        }
    } else if (tuples == Tuples::InManyPredicates) {
        for (int p = 0; p < Predicates; ++p) {
            std::string text = "p";
            text += std::to_string(p);
            InternalName name = om->giveSymTab()->GetFSymbol(text, InternalName::Predicate, 2);
            for (int t = 0; t < TuplesPerPredicate; ++t) {
                int i = (p * TuplesPerPredicate + t) * 7919 % objects;
                InternalName row[] = {host(i), value(objects, (i * 31 + t) % objects)};
                om->addPredicate(name, row, 2);
            }
        }
    }
    return om;
}

// Half the pairs join two hosts (ten entries each merge), half two values (ten holders each are
// rewritten); the pairs are spread over the whole base.
void recordPairs(MainMemOM* om, int objects) {
    int step = objects / Pairs;
    for (int j = 0; j < Pairs; ++j) {
        int i = j * step;
        if (j % 2 == 0)
            om->equate(host(i), host(i + 1), 0);
        else
            om->equate(value(objects, i), value(objects, i + 1), 0);
    }
}

template <Tuples WithTuples>
void BM_ApplyEqualities(benchmark::State& state) {
    int objects = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        MainMemOM* om = makeBase(objects, WithTuples);
        recordPairs(om, objects);
        state.ResumeTiming();
        benchmark::DoNotOptimize(om->applyEqualities());
        state.PauseTiming();
        decRef(om);
        state.ResumeTiming();
    }
    state.counters["per_pair"] = benchmark::Counter(
        Pairs, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// The same with the storing of the base timed too: the usage index that equalities read is
// built when first needed, so part of storing moves into the first application.
template <Tuples WithTuples>
void BM_StoreAndApplyEqualities(benchmark::State& state) {
    int objects = static_cast<int>(state.range(0));
    for (auto _ : state) {
        MainMemOM* om = makeBase(objects, WithTuples);
        recordPairs(om, objects);
        benchmark::DoNotOptimize(om->applyEqualities());
        state.PauseTiming();
        decRef(om);
        state.ResumeTiming();
    }
}

}  // namespace

// (a) method values only: the time per pair should not grow with the base.
BENCHMARK(BM_ApplyEqualities<Tuples::None>)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
// (b) the same with 100,000 predicate tuples in 100 predicates.
BENCHMARK(BM_ApplyEqualities<Tuples::InManyPredicates>)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
// (d) one predicate of as many tuples as objects, every pair held in it: the time per pair should
// not grow with the relation.
BENCHMARK(BM_ApplyEqualities<Tuples::InOnePredicate>)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
// (c) (a) and (b) with the storing of the base.
BENCHMARK(BM_StoreAndApplyEqualities<Tuples::None>)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_StoreAndApplyEqualities<Tuples::InManyPredicates>)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

BENCHMARK_MAIN();
