// Compares the container library's dictionary, set and list with their standard twins.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "foundation/clib_dictionary.h"
#include "foundation/clib_list.h"
#include "foundation/set.h"

namespace {

struct ClibDict {
    clib_dictionary<int, int> d;
    void insert(int k) { d.insert(k, k); }
    bool find(int k) const { return d.lookup(k) != nullptr; }
    void erase(int k) { d.del(k); }
    std::int64_t walk() const {
        std::int64_t sum = 0;
        for (auto it = d.first_item(); it != nullptr; it = d.next_item(it)) sum += d.key(it);
        return sum;
    }
};

struct StdDict {
    std::map<int, int> d;
    void insert(int k) { d[k] = k; }
    bool find(int k) const { return d.find(k) != d.end(); }
    void erase(int k) { d.erase(k); }
    std::int64_t walk() const {
        std::int64_t sum = 0;
        for (const auto& [k, v] : d) sum += k;
        return sum;
    }
};

struct ClibSet {
    set<int> s;
    void insert(int k) { s.insert(k); }
    bool find(int k) const { return s.member(k); }
    void erase(int k) { s.del(k); }
    std::int64_t walk() const {
        std::int64_t sum = 0;
        for (auto it = s.first_item(); it != nullptr; it = s.next_item(it)) sum += s.key(it);
        return sum;
    }
};

struct StdSet {
    std::set<int> s;
    void insert(int k) { s.insert(k); }
    bool find(int k) const { return s.count(k) != 0; }
    void erase(int k) { s.erase(k); }
    std::int64_t walk() const {
        std::int64_t sum = 0;
        for (int k : s) sum += k;
        return sum;
    }
};

int compare_ints(const int& a, const int& b) {
    return a - b;
}

// Lists: insertion appends, lookup is a linear search, deletion takes elements off the front.
struct ClibList {
    clib_list<int> l;
    void insert(int k) { l.append(k); }
    bool find(int k) { return l.search(k, compare_ints) != nullptr; }
    void erase(int) { l.pop(); }
    std::int64_t walk() const {
        std::int64_t sum = 0;
        for (auto it = l.first_item(); it != nullptr; it = l.next_item(it)) sum += l.inf(it);
        return sum;
    }
};

struct StdList {
    std::list<int> l;
    void insert(int k) { l.push_back(k); }
    bool find(int k) const { return std::find(l.begin(), l.end(), k) != l.end(); }
    void erase(int) { l.pop_front(); }
    std::int64_t walk() const {
        std::int64_t sum = 0;
        for (int k : l) sum += k;
        return sum;
    }
};

std::vector<int> make_keys(std::int64_t n, bool random) {
    std::vector<int> keys(static_cast<std::size_t>(n));
    std::iota(keys.begin(), keys.end(), 0);
    if (random) std::shuffle(keys.begin(), keys.end(), std::mt19937(42));
    return keys;
}

template <class C>
std::unique_ptr<C> filled(const std::vector<int>& keys) {
    auto c = std::make_unique<C>();
    for (int k : keys) c->insert(k);
    return c;
}

template <class C>
void insert_bench(benchmark::State& state, bool random) {
    std::vector<int> keys = make_keys(state.range(0), random);
    for (auto _ : state) {
        auto c = std::make_unique<C>();
        for (int k : keys) c->insert(k);
        benchmark::DoNotOptimize(c.get());
        state.PauseTiming();
        c.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <class C>
void lookup_bench(benchmark::State& state, bool random, std::int64_t probes) {
    std::vector<int> keys = make_keys(state.range(0), random);
    auto c = filled<C>(keys);
    std::vector<int> order = make_keys(state.range(0), random);
    if (random) std::shuffle(order.begin(), order.end(), std::mt19937(7));
    if (probes < static_cast<std::int64_t>(order.size())) {
        // Spread the probes over the whole range of keys.
        std::vector<int> spread;
        for (std::int64_t i = 0; i < probes; ++i)
            spread.push_back(order[static_cast<std::size_t>(i * order.size() / probes)]);
        order = spread;
    }
    for (auto _ : state) {
        std::int64_t found = 0;
        for (int k : order) found += c->find(k);
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(order.size()));
}

template <class C>
void iterate_bench(benchmark::State& state, bool random) {
    auto c = filled<C>(make_keys(state.range(0), random));
    for (auto _ : state) benchmark::DoNotOptimize(c->walk());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <class C>
void delete_bench(benchmark::State& state, bool random) {
    std::vector<int> keys = make_keys(state.range(0), random);
    std::vector<int> order = keys;
    if (random) std::shuffle(order.begin(), order.end(), std::mt19937(9));
    for (auto _ : state) {
        state.PauseTiming();
        auto c = filled<C>(keys);
        state.ResumeTiming();
        for (int k : order) c->erase(k);
        benchmark::DoNotOptimize(c.get());
        state.PauseTiming();
        c.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <class Clib, class Std>
void register_family(const std::string& family, std::int64_t lookup_probes) {
    for (bool random : {true, false}) {
        std::string order = random ? "Random" : "Ascending";
        auto add = [&](const std::string& op, auto clib_fn, auto std_fn) {
            benchmark::RegisterBenchmark(("BM_" + family + op + order + "_Clib").c_str(), clib_fn,
                                         random)
                ->Arg(1000)
                ->Arg(100000)
                ->Arg(1000000)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("BM_" + family + op + order + "_Std").c_str(), std_fn,
                                         random)
                ->Arg(1000)
                ->Arg(100000)
                ->Arg(1000000)
                ->Unit(benchmark::kMillisecond);
        };
        add("Insert", insert_bench<Clib>, insert_bench<Std>);
        add(
            "Lookup",
            [lookup_probes](benchmark::State& s, bool r) {
                lookup_bench<Clib>(s, r, lookup_probes);
            },
            [lookup_probes](benchmark::State& s, bool r) {
                lookup_bench<Std>(s, r, lookup_probes);
            });
        add("Iterate", iterate_bench<Clib>, iterate_bench<Std>);
        add("Delete", delete_bench<Clib>, delete_bench<Std>);
    }
}

}  // namespace

int main(int argc, char** argv) {
    register_family<ClibDict, StdDict>("Dict", INT64_MAX);
    register_family<ClibSet, StdSet>("Set", INT64_MAX);
    // A list lookup is a linear search: 100 searches spread over the list.
    register_family<ClibList, StdList>("List", 100);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
