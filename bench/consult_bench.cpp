// Benchmarks consulting 100,000 ground facts with the whole quorin program: predicate facts
// p(a0). ... and molecules o0[m -> v0]. ..., each file ending with an evaluation so that the
// facts reach the object base. Reports time per fact and the peak memory per fact above that of
// the empty program, both for the whole process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

constexpr int Facts = 100000;

struct Run {
    double seconds = 0;     // wall clock
    double cpuSeconds = 0;  // user and system
    long maxRssKb = 0;
};

// Runs `quorin -q file` with its output thrown away.
Run runQuorin(const std::string& file) {
    Run run;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execl(QUORIN_BINARY, QUORIN_BINARY, "-q", file.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.maxRssKb = usage.ru_maxrss;
    return run;
}

std::string writeProgram(const std::string& kind, int facts) {
    const std::string file = "/tmp/quorin-consult-bench-" + kind + "-" + std::to_string(facts) +
                             "-" + std::to_string(getpid()) + ".flp";
    std::ofstream out(file);
    for (int i = 0; i < facts; ++i) {
        if (kind == "predicate")
            out << "p(a" << i << ").\n";
        else
            out << "o" << i << "[m -> v" << i << "].\n";
    }
    out << "?- sys.eval[].\n";
    return file;
}

void consult(benchmark::State& state, const std::string& kind) {
    const std::string empty = writeProgram(kind, 0);
    const std::string full = writeProgram(kind, Facts);
    const long emptyRss = runQuorin(empty).maxRssKb;
    Run last;
    double seconds = 0, cpu = 0;
    for (auto _ : state) {
        last = runQuorin(full);
        state.SetIterationTime(last.seconds);
        seconds += last.seconds;
        cpu += last.cpuSeconds;
    }
    std::remove(empty.c_str());
    std::remove(full.c_str());
    const double runs = double(state.iterations());
    state.counters["us_per_fact"] = seconds / runs / Facts * 1e6;
    state.counters["cpu_us_per_fact"] = cpu / runs / Facts * 1e6;
    state.counters["bytes_per_fact"] = double(last.maxRssKb - emptyRss) * 1024.0 / Facts;
    state.counters["rss_kb"] = double(last.maxRssKb);
    state.counters["empty_rss_kb"] = double(emptyRss);
}

void BM_ConsultPredicateFacts(benchmark::State& state) {
    consult(state, "predicate");
}
void BM_ConsultMolecules(benchmark::State& state) {
    consult(state, "molecule");
}
BENCHMARK(BM_ConsultPredicateFacts)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ConsultMolecules)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
BENCHMARK_MAIN();
