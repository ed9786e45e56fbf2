// Benchmarks the flat storage of predicate frames: inserting a million rows (a quarter of the
// inserts repeat a stored row), reading them in ascending order after each of a series of rounds,
// probing a column index, and the semi-naive pattern of rounds whose delta is read back; and the
// storage of set-valued method values and of method values with arguments.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "objectbase/DeltaTable.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "objectbase/TupleSetIterator.h"

namespace {

InternalName object(std::uint32_t value) {
    return InternalName(std::int32_t(value % 2000000) + 100, InternalName::Object, 0);
}

// Rows of two objects in random order; every fourth repeats an earlier row.
std::vector<InternalName> randomRows(int count) {
    std::mt19937 random(42);
    std::vector<InternalName> cells;
    cells.reserve(std::size_t(count) * 2);
    for (int i = 0; i < count; ++i) {
        if (i % 4 == 3 && i > 0) {
            const std::size_t earlier = std::size_t(random() % unsigned(i)) * 2;
            cells.push_back(cells[earlier]);
            cells.push_back(cells[earlier + 1]);
            continue;
        }
        cells.push_back(object(random()));
        cells.push_back(object(random()));
    }
    return cells;
}

// Inserts rows [from, to) of `cells` into the frame; answers how many were new.
int insertRows(MainMemPredFrame& frame, const std::vector<InternalName>& cells, int from, int to) {
    int stored = 0;
    for (int i = from; i < to; ++i) stored += frame.insertTuple(&cells[std::size_t(i) * 2], 2);
    return stored;
}

void BM_PredFrameInsert(benchmark::State& state) {
    const int count = int(state.range(0));
    const std::vector<InternalName> cells = randomRows(count);
    for (auto _ : state) {
        MainMemPredFrame frame(2);
        const int stored = insertRows(frame, cells, 0, count);
        benchmark::DoNotOptimize(stored);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_PredFrameInsert)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Ten rounds of inserts, the whole frame read in ascending order after each.
void BM_PredFrameRoundsAndOrderedReads(benchmark::State& state) {
    const int count = int(state.range(0));
    const std::vector<InternalName> cells = randomRows(count);
    for (auto _ : state) {
        MainMemPredFrame frame(2);
        Iterator* rows = nullptr;
        std::int64_t sum = 0;
        for (int round = 0; round < 10; ++round) {
            insertRows(frame, cells, round * count / 10, (round + 1) * count / 10);
            rows = frame.getIterator(rows);
            for (bool more = rows->first(); more; more = rows->next())
                sum += rows->atColumn(1).getValue();
        }
        decRef(rows);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_PredFrameRoundsAndOrderedReads)->Arg(1000000)->Unit(benchmark::kMillisecond);

void BM_ColumnIndexProbe(benchmark::State& state) {
    const int count = int(state.range(0));
    const std::vector<InternalName> cells = randomRows(count);
    MainMemPredFrame frame(2);
    insertRows(frame, cells, 0, count);
    std::size_t at = 0;
    for (auto _ : state) {
        const RelationStore::RowList* found = frame.store().rowsWithCell(1, cells[at + 1]);
        benchmark::DoNotOptimize(found);
        at = (at + 2) % cells.size();
    }
}
BENCHMARK(BM_ColumnIndexProbe)->Arg(1000000);

// The semi-naive pattern through the object manager: each pass records its new tuples and the
// next pass reads that delta back.
void BM_DeltaPasses(benchmark::State& state) {
    const int count = int(state.range(0));
    const std::vector<InternalName> cells = randomRows(count);
    constexpr int Passes = 20;
    for (auto _ : state) {
        state.PauseTiming();
        auto* om = new MainMemOM();
        const FSymbol p = om->giveSymTab()->GetFSymbol("p", 0, 2);
        const FSymbol deltaP = om->giveSymTab()->GetFSymbol("delta_p", 0, 2);
        DeltaTable table;
        table.setPredicateDelta(p, deltaP);
        state.ResumeTiming();
        Iterator* rows = nullptr;
        std::int64_t sum = 0;
        for (int pass = 0; pass < Passes; ++pass) {
            om->initDelta(&table);
            for (int i = pass * count / Passes; i < (pass + 1) * count / Passes; ++i)
                om->addPredicate(p, &cells[std::size_t(i) * 2], 2);
            MainMemPredFrame* delta = om->getPredFrame(deltaP);
            rows = delta->getIterator(rows);
            for (bool more = rows->first(); more; more = rows->next())
                sum += rows->atColumn(2).getValue();
        }
        om->clearDelta();
        decRef(rows);
        benchmark::DoNotOptimize(sum);
        state.PauseTiming();
        decRef(om);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_DeltaPasses)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Times `store` and then `read` (each answering a number to keep) once per iteration, each time
// on a fresh object manager, whose making and freeing is not timed; both get it and the method.
template <class Store, class Read>
void onFreshBase(benchmark::State& state, int count, Store store, Read read) {
    const InternalName method(99, InternalName::Object, 0);
    for (auto _ : state) {
        state.PauseTiming();
        auto* om = new MainMemOM();
        state.ResumeTiming();
        benchmark::DoNotOptimize(store(*om, method));
        benchmark::DoNotOptimize(read(*om, method));
        state.PauseTiming();
        decRef(om);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * count);
}

// Set-valued method values through the object manager, as a `->>` head stores them: a million
// (host, value) pairs over 20,000 hosts, a quarter repeating a stored pair, then every host's set
// read in ascending order.
void BM_SetValuedMethodValues(benchmark::State& state) {
    const int count = int(state.range(0));
    std::vector<InternalName> cells = randomRows(count);
    for (std::size_t i = 0; i < cells.size(); i += 2)
        cells[i] = InternalName(cells[i].getValue() % 20000 + 100, InternalName::Object, 0);
    auto store = [&](MainMemOM& om, const InternalName& method) {
        std::int64_t added = 0;
        for (int i = 0; i < count; ++i) {
            const InternalName* row = &cells[std::size_t(i) * 2];
            added += om.insertMethodValue(row[0], method, nullptr, 0, 1, row[1]);
        }
        return added;
    };
    auto read = [](MainMemOM& om, const InternalName& method) {
        Iterator* hosts = om.methodHostsIterator(method, 1, 0, nullptr);
        Iterator* members = nullptr;
        std::int64_t sum = 0;
        for (bool more = hosts->first(); more; more = hosts->next()) {
            InternalName setName;
            MainMemObjFrame* frame = om.getObjFrame(hosts->atColumn(1));
            if (frame == nullptr || frame->lookupMethod(method, 1, 0, setName) == 0) continue;
            members = om.setIterator(setName, members);
            for (bool member = members->first(); member; member = members->next())
                sum += members->atColumn(1).getValue();
        }
        decRef(hosts);
        decRef(members);
        return sum;
    };
    onFreshBase(state, count, store, read);
}
BENCHMARK(BM_SetValuedMethodValues)->Arg(1000000)->Unit(benchmark::kMillisecond);

// Method values with one argument through the object manager: a million (host, argument, value)
// rows over `hosts` hosts (one parameter frame each: 500,000 hosts give frames of two rows, as
// the references of a loaded document do; 1,000 hosts give frames of a thousand rows), a
// quarter repeating a stored row; then a lookup of every row's argument and a walk of every
// frame.
void BM_MethodValuesWithArguments(benchmark::State& state) {
    const int count = 1000000;
    const int hostCount = int(state.range(0));
    std::vector<InternalName> cells = randomRows(count);
    std::vector<InternalName> hosts;
    hosts.reserve(std::size_t(count));
    for (int i = 0; i < count; ++i)
        hosts.push_back(
            InternalName(int(cells[std::size_t(i) * 2 + 1].getValue()) % hostCount + 100,
                         InternalName::Object, 0));
    auto store = [&](MainMemOM& om, const InternalName& method) {
        std::int64_t added = 0;
        for (int i = 0; i < count; ++i) {
            const InternalName* row = &cells[std::size_t(i) * 2];
            added += om.insertMethodValue(hosts[std::size_t(i)], method, row, 1, 0, row[1]);
        }
        return added;
    };
    auto read = [&](MainMemOM& om, const InternalName& method) {
        std::int64_t sum = 0;
        for (int i = 0; i < count; ++i) {
            InternalName value;
            if (om.lookupMethodValue(hosts[std::size_t(i)], method, &cells[std::size_t(i) * 2], 1,
                                     0, value) != 0)
                sum += value.getValue();
        }
        Iterator* rows = nullptr;
        for (int h = 0; h < hostCount; ++h) {
            InternalName frameName;
            MainMemObjFrame* frame = om.getObjFrame(InternalName(h + 100, InternalName::Object, 0));
            if (frame == nullptr || frame->lookupMethod(method, 0, 1, frameName) == 0) continue;
            MainMemParamFrame* params = om.getParamFrame(frameName);
            if (params == nullptr) continue;
            rows = params->getIterator(rows);
            for (bool more = rows->first(); more; more = rows->next())
                sum += rows->atColumn(2).getValue();
        }
        if (rows != nullptr) decRef(rows);
        return sum;
    };
    onFreshBase(state, count, store, read);
}
BENCHMARK(BM_MethodValuesWithArguments)->Arg(500000)->Arg(1000)->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
