// Benchmarks of the rule algebra: the join of h(X, Z) :- p(X, Y), q(Y, Z) by Merge and then Pi
// on Z, against a plain hash join over the same data as its floor; scans of a stored predicate
// by Pred and of a set-valued method by Prop.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "access/OMAccess.h"
#include "compile/Merge.h"
#include "compile/Operand.h"
#include "compile/Pi.h"
#include "compile/Pred.h"
#include "compile/Prop.h"
#include "foundation/Ref.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"

namespace {

constexpr int PRows = 1000000;
constexpr int QRows = 100000;

InternalName number(int i) {
    return InternalName(i, InternalName::Integer, 0);
}

// p(X, Y): X distinct, Y one of q's keys; q(Y, Z): Y distinct, Z in [0, 49999]. Fixed seed.
struct Data {
    std::vector<std::pair<int, int>> p;
    std::vector<std::pair<int, int>> q;
    Data() {
        std::mt19937 random(47);
        std::vector<int> keys(QRows);
        for (int i = 0; i < QRows; ++i) keys[std::size_t(i)] = i * 7 + 3;
        std::shuffle(keys.begin(), keys.end(), random);
        std::uniform_int_distribution<int> z(0, 49999);
        std::uniform_int_distribution<int> pick(0, QRows - 1);
        for (int key : keys) q.emplace_back(key, z(random));
        for (int x = 0; x < PRows; ++x) p.emplace_back(x, keys[std::size_t(pick(random))]);
    }
};

const Data& data() {
    static const Data shared;
    return shared;
}

std::vector<int> hashJoinProject(const Data& d) {
    std::unordered_map<int, int> byY;
    byY.reserve(d.q.size());
    for (auto [y, z] : d.q) byY.emplace(y, z);
    std::vector<std::pair<int, int>> joined;
    joined.reserve(d.p.size());
    for (auto [x, y] : d.p) {
        auto it = byY.find(y);
        if (it != byY.end()) joined.emplace_back(x, it->second);
    }
    std::vector<int> zs;
    zs.reserve(joined.size());
    for (auto [x, z] : joined) zs.push_back(z);
    std::sort(zs.begin(), zs.end());
    zs.erase(std::unique(zs.begin(), zs.end()), zs.end());
    return zs;
}

// Each p row and each q row as a "pred" leaf delivers them: under the undefined key.
struct Inputs {
    FSymbol x{1, InternalName::Variable, 0}, y{2, InternalName::Variable, 0},
        z{3, InternalName::Variable, 0};
    SetOperand* p;
    SetOperand* q;
    Inputs(const Data& d) {
        clib_list<FSymbol> pColumns, qColumns;
        pColumns.append(x);
        pColumns.append(y);
        qColumns.append(y);
        qColumns.append(z);
        p = new SetOperand(pColumns);
        q = new SetOperand(qColumns);
        for (auto [a, b] : d.p) {
            InternalName row[2] = {number(a), number(b)};
            p->insert(InternalName::UndefinedObject, row);
        }
        for (auto [a, b] : d.q) {
            InternalName row[2] = {number(a), number(b)};
            q->insert(InternalName::UndefinedObject, row);
        }
    }
    ~Inputs() {
        decRef(p);
        decRef(q);
    }
};

std::vector<int> values(Operand* names) {
    std::vector<int> out;
    const Ref<Iterator> it = names->makeIterator({});
    for (bool more = it->first(); more; more = it->next())
        out.push_back(it->atColumn(1).getValue());
    return out;
}

// The translator's Merge for h(X, Z) :- p(X, Y), q(Y, Z) and the Pi on Z after it.
class AlgebraJoin {
  public:
    explicit AlgebraJoin(const Inputs& in) : om(new MainMemOM()), access(new OMAccess(om)) {
        JoinSpec spec;
        spec.pattern.inputCount = 2;
        spec.pattern.inputCells = {{0, 1, 0}, {1, 2, 1}};
        spec.pattern.inputJoins = {{0, 2, 1, 1}};
        spec.pattern.keyColumns = {1, 2};
        spec.pattern.inputRoles = {PatternSpec::InputRole::Rows, PatternSpec::InputRole::Rows};
        spec.pattern.variables.append(in.x);
        spec.pattern.variables.append(in.z);
        spec.strategy = JoinStrategy::HashJoin;
        spec.shared = {in.y};
        merge = new Merge(spec);
        pi = new Pi(in.z);
    }
    ~AlgebraJoin() {
        decRef(pi);
        decRef(merge);
        decRef(access);
        decRef(om);
    }
    // The Z values as an Operand2; the join result goes when the projection is made.
    Ref<Operand> run(const Inputs& in) {
        clib_list<Operand*> both;
        both.append(in.p);
        both.append(in.q);
        const Ref<Operand> joined = merge->evaluate(&both, access, untraced);
        clib_list<Operand*> one;
        one.append(joined.get());
        return pi->evaluate(&one, access, untraced);
    }

  private:
    MainMemOM* om;
    OMAccess* access;
    Merge* merge;
    Pi* pi;
    OperatorTrace untraced;
};

void BM_JoinProject_Algebra(benchmark::State& state) {
    const Data& d = data();
    Inputs in(d);
    AlgebraJoin algebra(in);
    std::vector<int> found;
    for (auto _ : state) {
        Ref<Operand> projected = algebra.run(in);
        benchmark::DoNotOptimize(projected->size());
        state.PauseTiming();
        found = values(projected.get());
        projected = nullptr;
        state.ResumeTiming();
    }
    if (found != hashJoinProject(d)) {
        std::fprintf(stderr, "the algebra and the hash join found different Z values\n");
        std::abort();
    }
    state.SetItemsProcessed(state.iterations() * (PRows + QRows));
}

void BM_JoinProject_HashJoin(benchmark::State& state) {
    const Data& d = data();
    std::vector<int> found;
    for (auto _ : state) {
        found = hashJoinProject(d);
        benchmark::DoNotOptimize(found.data());
    }
    Inputs in(d);
    AlgebraJoin algebra(in);
    const Ref<Operand> projected = algebra.run(in);
    if (found != values(projected.get())) {
        std::fprintf(stderr, "the hash join and the algebra found different Z values\n");
        std::abort();
    }
    state.SetItemsProcessed(state.iterations() * (PRows + QRows));
}

BENCHMARK(BM_JoinProject_Algebra)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JoinProject_HashJoin)->Unit(benchmark::kMillisecond);

// A fresh object base behind an access layer, released at the end of the scope.
struct Base {
    MainMemOM* om = new MainMemOM();
    OMAccess* access = new OMAccess(om);
    ~Base() {
        decRef(access);
        decRef(om);
    }
    InternalName object(const std::string& name) {
        InternalName out;
        access->getOrCreateName(om->giveSymTab()->GetFSymbol(name, InternalName::Function, 0), out);
        return out;
    }
};

// p(X, Y) over 1,000,000 stored tuples, no inputs: one row of the result per tuple.
void BM_Scan_Pred(benchmark::State& state) {
    Base base;
    const FSymbol p = base.om->giveSymTab()->GetFSymbol("p", InternalName::Predicate, 2);
    for (auto [a, b] : data().p) {
        const InternalName args[2] = {number(a), number(b)};
        base.access->insertPredicate(p, args, 2);
    }
    PredSpec spec;
    spec.arity = 2;
    spec.predicate = p;
    spec.pattern.columnCells = {{1, 0}, {2, 1}};
    spec.pattern.variables.append(FSymbol(1, InternalName::Variable, 0));
    spec.pattern.variables.append(FSymbol(2, InternalName::Variable, 0));
    Pred* pred = new Pred(spec);
    clib_list<Operand*> noInputs;
    OperatorTrace untraced;
    for (auto _ : state) {
        Ref<Operand> rows = pred->evaluate(&noInputs, base.access, untraced);
        benchmark::DoNotOptimize(rows->size());
        state.PauseTiming();
        rows = nullptr;
        state.ResumeTiming();
    }
    decRef(pred);
    state.SetItemsProcessed(state.iterations() * PRows);
}

// X[m ->> Y] with 1,000 hosts of 1,000 values each: one result row per (host, value).
void BM_Scan_Prop(benchmark::State& state) {
    constexpr int Hosts = 1000;
    constexpr int Values = 1000;
    Base base;
    const InternalName m = base.object("m");
    set<InternalName> values;
    for (int v = 0; v < Values; ++v) values.insert(number(v));
    for (int h = 0; h < Hosts; ++h) {
        char name[16];
        std::snprintf(name, sizeof name, "h%d", h);
        base.access->insertSet(base.object(name), m, nullptr, 0, MethodType::Set, values);
    }
    PropSpec spec;
    spec.arity = 3;
    spec.methodType = MethodType::Set;
    spec.valueCount = 1;
    spec.pattern.columnCells = {{1, 0}, {3, 1}};
    spec.pattern.constants = {
        {2, base.om->giveSymTab()->GetFSymbol("m", InternalName::Function, 0)}};
    spec.pattern.variables.append(FSymbol(1, InternalName::Variable, 0));
    spec.pattern.variables.append(FSymbol(2, InternalName::Variable, 0));
    Prop* prop = new Prop(spec);
    clib_list<Operand*> noInputs;
    OperatorTrace untraced;
    for (auto _ : state) {
        Ref<Operand> rows = prop->evaluate(&noInputs, base.access, untraced);
        benchmark::DoNotOptimize(rows->size());
        state.PauseTiming();
        rows = nullptr;
        state.ResumeTiming();
    }
    decRef(prop);
    state.SetItemsProcessed(state.iterations() * Hosts * Values);
}

BENCHMARK(BM_Scan_Pred)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Scan_Prop)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
