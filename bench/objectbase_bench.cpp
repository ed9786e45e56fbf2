// Benchmarks storing, looking up and enumerating a million method values and predicate tuples,
// renaming a name in every row of a frame, and recording many pending equalities.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

// Time and memory of storing. Each case runs in a process of its own, so that the resident
// memory it adds is its own and not what earlier cases left in the heap.
template <void (*Fill)(MainMemOM*)>
void BM_Insert(benchmark::State& state) {
    for (auto _ : state) {
        int channel[2];
        if (pipe(channel) != 0) {
            state.SkipWithError("no pipe");
            return;
        }
        pid_t child = fork();
        if (child == 0) {
            close(channel[0]);
            double figures[3];
            long rssBefore = statusKb("VmRSS");
            long peakBefore = statusKb("VmHWM");
            auto start = std::chrono::steady_clock::now();
            MainMemOM* om = new MainMemOM();
            Fill(om);
            figures[0] =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            figures[1] = (statusKb("VmRSS") - rssBefore) * 1024.0 / Facts;
            figures[2] = (statusKb("VmHWM") - peakBefore) * 1024.0 / Facts;
            ssize_t written = write(channel[1], figures, sizeof figures);
            _exit(written == sizeof figures ? 0 : 1);
        }
        close(channel[1]);
        double figures[3] = {0, 0, 0};
        ssize_t got = read(channel[0], figures, sizeof figures);
        close(channel[0]);
        waitpid(child, nullptr, 0);
        if (got != sizeof figures) {
            state.SkipWithError("the measuring process failed");
            return;
        }
        state.SetIterationTime(figures[0]);
        state.counters["rss_bytes_per_fact"] = figures[1];
        state.counters["peak_bytes_per_fact"] = figures[2];
    }
    state.SetItemsProcessed(state.iterations() * Facts);
}

// host(i).m@(value(j)) -> value(j): a million scalar values with one argument.
void fillScalarValues(MainMemOM* om) {
    InternalName m = methodName(om);
    for (int i = 0; i < Side; ++i)
        for (int j = 0; j < Side; ++j) {
            InternalName arg = value(j);
            om->insertMethodValue(host(i), m, &arg, 1, 0, value(j));
        }
}

// The object manager's own lookup of a stored scalar value, a million times.
void BM_LookupMethodValue(benchmark::State& state) {
    MainMemOM* om = new MainMemOM();
    fillScalarValues(om);
    InternalName m = methodName(om);
    for (auto _ : state) {
        int found = 0;
        for (int i = 0; i < Side; ++i)
            for (int j = 0; j < Side; ++j) {
                InternalName arg = value(j);
                InternalName result;
                found += om->lookupMethodValue(host(i), m, &arg, 1, 0, result);
            }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * Facts);
    decRef(om);
}

// Renaming a name that every row holds: rows (a_i, x, result_i) of a parameter frame, or the
// same rows of a predicate frame for comparison, x renamed to y. Time per row.
int renameRows(MainMemParamFrame& frame, const InternalName& x, const InternalName& y) {
    clib_dictionary<InternalName, InternalName> pairs;
    return frame.replaceName(x, y, pairs);
}
int renameRows(MainMemPredFrame& frame, const InternalName& x, const InternalName& y) {
    return frame.replaceName(x, y);
}

template <class Frame>
void BM_RenameRows(benchmark::State& state) {
    const int rows = static_cast<int>(state.range(0));
    const InternalName x(7, InternalName::Object, 0), y(8, InternalName::Object, 0);
    for (auto _ : state) {
        state.PauseTiming();
        auto* frame = new Frame(3);
        for (int i = 0; i < rows; ++i) {
            InternalName row[] = {host(i), x, value(i)};
            frame->insertTuple(row, 3);
        }
        state.ResumeTiming();
        benchmark::DoNotOptimize(renameRows(*frame, x, y));
        state.PauseTiming();
        delete frame;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}

// Recording equalities o_i = o_(i+1) until that many are pending. Time per pair.
void BM_RecordPendingEqualities(benchmark::State& state) {
    const int pairs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        MainMemOM* om = new MainMemOM();
        state.ResumeTiming();
        for (int i = 0; i < pairs; ++i)
            om->equate(InternalName(1000 + i, InternalName::Object, 0),
                       InternalName(1001 + i, InternalName::Object, 0), 0);
        state.PauseTiming();
        if (om->pendingEqualityCount() != pairs) state.SkipWithError("pairs were lost");
        decRef(om);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * pairs);
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
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Insert<fillMethodsOnePerHost>)
    ->Name("BM_InsertMethodValuesOnePerHost")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Insert<fillScalarValues>)
    ->Name("BM_InsertScalarValues")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Insert<fillPredicate>)
    ->Name("BM_InsertPredicateTuples")
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupMethodValue)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenameRows<MainMemParamFrame>)
    ->Name("BM_RenameParamFrameRows")
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenameRows<MainMemPredFrame>)
    ->Name("BM_RenamePredFrameRows")
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RecordPendingEqualities)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumerateMethodValues)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LookupPredicateTuples)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EnumeratePredicateTuples)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
