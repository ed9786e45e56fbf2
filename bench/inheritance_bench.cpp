// Benchmarks of the class-hierarchy closures and of inheritance: X : root over a large hierarchy,
// a : X for a leaf instance, buffered phases that pass a "*->" value down five classes to many
// instances, and the lookup cascade outside a phase against the stored-value factory.
#include <benchmark/benchmark.h>

#include <string>

#include "access/OMAccess.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"

namespace {

constexpr int Classes = 10000;
constexpr int Instances = 100000;
const InternalName Free = InternalName::UndefinedObject;

InternalName name(OM* om, const std::string& text) {
    InternalName out;
    return om->internName(out, text, 1);
}

// prefix followed by the number, appended: GCC 12 warns falsely about concatenating the two.
std::string numbered(const char* prefix, int i) {
    std::string text(prefix);
    text += std::to_string(i);
    return text;
}

// A ten-way tree of classes under root (class i below class (i - 1) / 10, class 0 below root)
// and instances spread over the classes.
struct Hierarchy {
    Hierarchy() {
        om = new MainMemOM();
        access = new OMAccess(om);
        root = name(om, "root");
        for (int i = 0; i < Classes; ++i) classes.push_back(name(om, numbered("c", i)));
        access->insertClassRelation(classes[0], root, IsaRelation::Subclass);
        for (int i = 1; i < Classes; ++i)
            access->insertClassRelation(classes[i], classes[(i - 1) / 10], IsaRelation::Subclass);
        for (int i = 0; i < Instances; ++i) {
            instances.push_back(name(om, numbered("i", i)));
            access->insertClassRelation(instances.back(), classes[Classes - 1 - i % 9000],
                                        IsaRelation::Member);
        }
    }
    ~Hierarchy() {
        decRef(access);
        decRef(om);
    }

    MainMemOM* om;
    OMAccess* access;
    InternalName root;
    std::vector<InternalName> classes;
    std::vector<InternalName> instances;
};

void BM_InstancesOfRoot(benchmark::State& state) {
    Hierarchy h;
    Iterator* it = h.access->makeEnhIsaIter(Free, h.root, IsaRelation::Member, nullptr);
    std::int64_t rows = 0;
    for (auto _ : state) {
        for (bool more = it->first(); more; more = it->next()) {
            benchmark::DoNotOptimize(it->atColumn(1));
            ++rows;
        }
    }
    state.SetItemsProcessed(rows);
    decRef(it);
}
BENCHMARK(BM_InstancesOfRoot)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ClassesOfALeafInstance(benchmark::State& state) {
    Hierarchy h;
    Iterator* it = nullptr;
    constexpr int Asks = 100000;
    for (auto _ : state) {
        for (int i = 0; i < Asks; ++i) {
            it = h.access->makeEnhIsaIter(h.instances[static_cast<std::size_t>(i)], Free,
                                          IsaRelation::Member, it);
            for (bool more = it->first(); more; more = it->next())
                benchmark::DoNotOptimize(it->atColumn(2));
        }
    }
    state.SetItemsProcessed(state.iterations() * Asks);
    decRef(it);
}
BENCHMARK(BM_ClassesOfALeafInstance)->Unit(benchmark::kMillisecond)->Iterations(3);

// c0 :: c1 :: ... :: c4 with c4[m *-> 1] and 10,000 instances of c0: buffered phases fire the
// triggers of X[m -> V] until none is left, as the evaluator does.
void BM_BufferedInheritanceDownFiveClasses(benchmark::State& state) {
    constexpr int Hosts = 10000;
    std::int64_t facts = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* om = new MainMemOM();
        auto* access = new OMAccess(om);
        std::vector<InternalName> chain;
        for (int i = 0; i < 5; ++i) chain.push_back(name(om, numbered("k", i)));
        for (int i = 0; i + 1 < 5; ++i)
            access->insertClassRelation(chain[i], chain[i + 1], IsaRelation::Subclass);
        const InternalName m = name(om, "m");
        access->insertValue(chain[4], m, nullptr, 0, MethodType::InheritableScalar,
                            InternalName(1, InternalName::Integer, 0));
        for (int i = 0; i < Hosts; ++i)
            access->insertClassRelation(name(om, numbered("h", i)), chain[0], IsaRelation::Member);
        const InternalName pattern[3] = {Free, m, Free};
        state.ResumeTiming();
        int fired = 0;
        do {
            access->beginPhase(1, 0);
            decRef(access->lookup(MethodType::Scalar, pattern, 3, nullptr));
            access->endPhase();
            fired = access->takeNewFacts();
            facts += fired;
        } while (fired != 0);
        state.PauseTiming();
        decRef(access);
        decRef(om);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(facts);
}
BENCHMARK(BM_BufferedInheritanceDownFiveClasses)->Unit(benchmark::kMillisecond)->Iterations(3);

// A million fully bound o[m -> v] probes, each handed back its iterator.
template <bool ThroughLookup>
void probes(benchmark::State& state) {
    constexpr int Facts = 1000000;
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    const InternalName m = name(om, "m");
    auto host = [](int i) { return InternalName(1000 + i, InternalName::Object, 0); };
    auto number = [](int i) { return InternalName(i, InternalName::Integer, 0); };
    for (int i = 0; i < Facts; ++i)
        access->insertValue(host(i), m, nullptr, 0, MethodType::Scalar, number(i));
    Iterator* it = nullptr;
    for (auto _ : state) {
        int found = 0;
        for (int i = 0; i < Facts; ++i) {
            const InternalName pattern[3] = {host(i), m, number(i)};
            it = ThroughLookup ? access->lookup(MethodType::Scalar, pattern, 3, it)
                               : access->makeRefIter(MethodType::Scalar, pattern, 3, it);
            found += it->first() ? 1 : 0;
        }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(it);
    decRef(access);
    decRef(om);
}

void BM_ProbesThroughLookup(benchmark::State& state) {
    probes<true>(state);
}
BENCHMARK(BM_ProbesThroughLookup)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_ProbesThroughMakeRefIter(benchmark::State& state) {
    probes<false>(state);
}
BENCHMARK(BM_ProbesThroughMakeRefIter)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
