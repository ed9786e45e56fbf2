// Benchmarks of the built-in predicates: one comparison, binding equality and arithmetic atom per
// row through the iterator factories, strcat making new string constants, and describe over a
// hundred thousand objects with ten methods each.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"

namespace {

InternalName number(int i) {
    return InternalName(i, InternalName::Integer, 0);
}

// One built-in atom per row, as an operator asks for it: the factory, the first row, release.
template <class Cells>
void timeAtom(benchmark::State& state, const char* name, int arity, Cells cells) {
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    const FSymbol symbol =
        om->giveSymTab()->GetFSymbol(name, InternalName::BuiltinPredicate, arity);
    int row = 0;
    for (auto _ : state) {
        const std::vector<InternalName> args = cells(row++);
        Iterator* it = access->makeFuncOrPredIter(symbol, args.data(), arity, nullptr);
        benchmark::DoNotOptimize(it->first());
        decRef(it);
    }
    state.SetItemsProcessed(state.iterations());
    decRef(access);
    decRef(om);
}

void BM_LessThanBoundLeft(benchmark::State& state) {
    timeAtom(state, "<", 2, [](int row) { return std::vector{number(row % 7), number(3)}; });
}
BENCHMARK(BM_LessThanBoundLeft);

void BM_EqualityBindsFreeLeft(benchmark::State& state) {
    timeAtom(state, "=", 2, [](int) {
        return std::vector{InternalName::UndefinedObject, number(5)};
    });
}
BENCHMARK(BM_EqualityBindsFreeLeft);

void BM_ArithmeticSolvesOperand(benchmark::State& state) {
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    for (auto _ : state) {
        const InternalName tuple[3] = {number(2), InternalName::UndefinedObject, number(5)};
        Iterator* it = access->makeRefIter(ArithmeticOp::Plus, tuple, 3, nullptr);
        benchmark::DoNotOptimize(it->first());
        decRef(it);
    }
    state.SetItemsProcessed(state.iterations());
    decRef(access);
    decRef(om);
}
BENCHMARK(BM_ArithmeticSolvesOperand);

// Every call joins a text not seen before with "-x", so every result is a new string constant.
void BM_StrcatMakesNewConstants(benchmark::State& state) {
    constexpr int Calls = 1000000;
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    std::vector<InternalName> firsts(Calls);
    for (int i = 0; i < Calls; ++i)
        access->nameFromString(firsts[static_cast<std::size_t>(i)],
                               std::string("\"text").append(std::to_string(i)).append("\""),
                               InternalName::String);
    InternalName suffix;
    access->nameFromString(suffix, "\"-x\"", InternalName::String);
    const FSymbol strcat =
        om->giveSymTab()->GetFSymbol("strcat", InternalName::BuiltinPredicate, 3);
    std::size_t row = 0;
    for (auto _ : state) {
        const InternalName args[3] = {firsts[row++], suffix, InternalName::UndefinedObject};
        Iterator* it = access->makeFuncOrPredIter(strcat, args, 3, nullptr);
        benchmark::DoNotOptimize(it->first());
        decRef(it);
    }
    state.SetItemsProcessed(state.iterations());
    decRef(access);
    decRef(om);
}
BENCHMARK(BM_StrcatMakesNewConstants)->Iterations(1000000);

// describe(X, M, A, R) over 100,000 objects with ten single-valued methods each: a million rows.
void BM_DescribeEveryObject(benchmark::State& state) {
    constexpr int Objects = 100000;
    constexpr int Methods = 10;
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    std::vector<InternalName> methods(Methods);
    for (int m = 0; m < Methods; ++m) {
        const char name[] = {'m', static_cast<char>('0' + m), '\0'};
        om->internName(methods[static_cast<std::size_t>(m)], name, 1);
    }
    for (int i = 0; i < Objects; ++i) {
        const InternalName host(1000 + i, InternalName::Object, 0);
        for (const InternalName& m : methods)
            access->insertValue(host, m, nullptr, 0, MethodType::Scalar, number(i));
    }
    const FSymbol describe =
        om->giveSymTab()->GetFSymbol("describe", InternalName::BuiltinPredicate, 4);
    const InternalName args[4] = {};
    std::int64_t rows = 0;
    for (auto _ : state) {
        Iterator* it = access->makeFuncOrPredIter(describe, args, 4, nullptr);
        for (bool more = it->first(); more; more = it->next()) {
            benchmark::DoNotOptimize(it->atColumn(2));
            ++rows;
        }
        decRef(it);
    }
    state.SetItemsProcessed(rows);
    decRef(access);
    decRef(om);
}
BENCHMARK(BM_DescribeEveryObject)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
