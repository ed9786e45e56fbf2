// Benchmarks of the evaluation engine: the rule-head creator turning new two-column rows into
// p(X, Y) facts and rejecting rows it has seen, naive evaluation of a transitive closure, and
// whole evaluations of a program whose rules read a value inherited down a chain of classes.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "compile/AlgebraicEval.h"
#include "compile/Operand.h"
#include "compile/Translator.h"
#include "eval/Creator1.h"
#include "eval/Matcher.h"
#include "eval/NaiveEval.h"
#include "eval/PrSemiNaive.h"
#include "foundation/ErrorHandler.h"
#include "foundation/ShellValues.h"
#include "foundation/StatisticHandler.h"
#include "foundation/clib_list.h"
#include "language/FParser.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "objectbase/MainMemOM.h"

namespace {

constexpr int Rows = 1000000;

// The clauses of the text, parsed with the access layer's table, as a program.
FProgram* parseProgram(OMAccess* access, const std::string& text) {
    auto* parser = new FLogicParser();
    parser->setInputString(text);
    auto* rules = new clib_list<FRule*>;
    while (!parser->atEnd()) {
        int ok = 0;
        FRule* rule = parser->parse(access->giveSymTab(), &ok);
        if (rule == nullptr) break;
        rules->append(rule);
    }
    decRef(parser);
    auto* program = new FProgram(rules, access->giveSymTab());
    for (FRule* rule : *rules) decRef(rule);
    return program;
}

// Rows (i, i + 7) of integers, named by the head's variables X and Y, grouped under their first
// value as the algebra's results are.
Operand* rowsFor(FTermList* head) {
    const std::unique_ptr<VarList> vars = head->giveVars();
    auto* rows = new SetOperand(*vars);
    for (int i = 0; i < Rows; ++i) {
        const InternalName row[2] = {InternalName(i, InternalName::Integer, 0),
                                     InternalName(i + 7, InternalName::Integer, 0)};
        rows->insert(row[0], row);
    }
    return rows;
}

// An object base, the rule p(X, Y) :- q(X, Y), a million rows for its head and a creator.
struct CreatorSetup {
    CreatorSetup()
        : om(new MainMemOM()),
          access(new OMAccess(om)),
          program(parseProgram(access, "p(X, Y) :- q(X, Y).")),
          head(program->getRules()->head()->getHead()),
          rows(rowsFor(head)),
          creator(new Creator1(access)) {}
    ~CreatorSetup() {
        decRef(creator);
        decRef(rows);
        decRef(program);
        decRef(access);
        decRef(om);
    }
    CreatorSetup(const CreatorSetup&) = delete;
    CreatorSetup& operator=(const CreatorSetup&) = delete;

    MainMemOM* om;
    OMAccess* access;
    FProgram* program;
    FTermList* head;
    Operand* rows;
    Creator1* creator;
};

void CreatorNewRows(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto* setup = new CreatorSetup;
        state.ResumeTiming();
        setup->creator->create(setup->head, setup->rows);
        benchmark::DoNotOptimize(setup->creator->changed());
        state.PauseTiming();
        delete setup;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}
BENCHMARK(CreatorNewRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void CreatorSeenRows(benchmark::State& state) {
    CreatorSetup setup;
    setup.creator->create(setup.head, setup.rows);
    for (auto _ : state) {
        setup.creator->setChanged(0);
        setup.creator->create(setup.head, setup.rows);
        benchmark::DoNotOptimize(setup.creator->changed());
    }
    state.SetItemsProcessed(state.iterations() * Rows);
}
BENCHMARK(CreatorSeenRows)->Unit(benchmark::kMillisecond)->Iterations(3);

// An object base with its access layer and a matcher over them; the evaluator is the caller's.
struct Pipeline {
    explicit Pipeline(const std::string& text)
        : om(new MainMemOM()), access(new OMAccess(om)), program(parseProgram(access, text)) {
        auto* translator = new Translator(1);
        auto* creator = new Creator1(access);
        auto* algebra = new AlgebraicEval(access);
        matcher = new Matcher(translator, creator, algebra, nullptr);
        decRef(translator);
        decRef(creator);
        decRef(algebra);
    }
    ~Pipeline() {
        centralStatistic().clear();
        decRef(matcher);
        decRef(program);
        decRef(access);
        decRef(om);
    }
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    MainMemOM* om;
    OMAccess* access;
    FProgram* program;
    Matcher* matcher;
};

// Times one evaluation of the text per iteration by the evaluator make(pipeline) builds.
template <class Make>
void timeEvaluations(benchmark::State& state, const std::string& text, Make make) {
    for (auto _ : state) {
        state.PauseTiming();
        auto* pipeline = new Pipeline(text);
        Evaluation* evaluator = make(*pipeline);
        state.ResumeTiming();
        benchmark::DoNotOptimize(evaluator->evaluate(pipeline->program));
        state.PauseTiming();
        decRef(evaluator);
        delete pipeline;
        state.ResumeTiming();
    }
}

void NaiveClosureChain(benchmark::State& state) {
    const int nodes = int(state.range(0));
    std::string text;
    for (int i = 1; i < nodes; ++i)
        text += "e(" + std::to_string(i) + "," + std::to_string(i + 1) + ").\n";
    text += "t(X,Y) :- e(X,Y).\nt(X,Z) :- t(X,Y), e(Y,Z).\n";
    timeEvaluations(state, text, [](Pipeline& p) { return new NaiveEval(p.matcher, p.access); });
}
BENCHMARK(NaiveClosureChain)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(1);

// c0 :: c1 :: ... :: c49 with c49[size *-> 7], instances of c0 and a rule reading their inherited
// value; with `reclassing`, a second rule makes them members of a class that holds a size too. A
// member joins that class only once it has its size, which it keeps, so the rule changes nothing
// a phase inherits and a one-trigger phase still takes every fact at once: the time should grow
// about linearly (at most 2.5 times per doubling of the instances). Every class of the chain
// carries the size once inherited; a phase walks the members of each class once, not once per
// class above it. The plain chain takes three evaluations a size; the reclassing chain, whose
// growth is judged, many samples (see below).
std::string chainProgram(int instances, bool reclassing) {
    constexpr int Classes = 50;
    std::string text;
    for (int i = 0; i + 1 < Classes; ++i)
        text += "c" + std::to_string(i) + " :: c" + std::to_string(i + 1) + ".\n";
    text += "c" + std::to_string(Classes - 1) + "[size *-> 7].\n";
    for (int i = 0; i < instances; ++i) text += "o" + std::to_string(i) + " : c0.\n";
    text += "big(X) :- X[size -> 7].\n";
    if (reclassing) text += "sized[size *-> 7].\nX : sized :- X[size -> 7].\n";
    return text;
}

// A tree of classes, six subclasses to a class over three levels, t0[size *-> 7; tags *->> {a, b}]
// at the root, one leaf overriding the size, the instances spread over the leaves, and rules
// reading both inherited methods.
std::string treeProgram(int instances) {
    std::string text;
    std::vector<std::string> level{"t0"};
    int made = 1;
    for (int depth = 0; depth < 3; ++depth) {
        std::vector<std::string> below;
        for (const std::string& parent : level)
            for (int i = 0; i < 6; ++i) {
                below.push_back("t" + std::to_string(made++));
                text += below.back() + " :: " + parent + ".\n";
            }
        level = below;
    }
    text += "t0[size *-> 7; tags *->> {a, b}].\n" + level.front() + "[size *-> 8].\n";
    for (int i = 0; i < instances; ++i)
        text += "o" + std::to_string(i) + " : " + level[std::size_t(i) % level.size()] + ".\n";
    return text + "big(X, S) :- X[size -> S].\ntag(X, T) :- X[tags ->> {T}].\n";
}

// k0[m0 *-> y] and ten reclassing steps, X : k<i> :- X[m<i-1> -> y] with k<i>[m<i> *-> y], the
// instances members of k0 and a rule reading m10: each step makes every instance a member of
// the next class, which gives it the value the next step reads.
std::string reclassingStepsProgram(int instances) {
    constexpr int Steps = 10;
    std::string text = "k0[m0 *-> y].\n";
    for (int i = 1; i <= Steps; ++i) {
        const std::string step = std::to_string(i);
        text += "X : k" + step + " :- X[m" + std::to_string(i - 1) + " -> y].\n";
        text += "k" + step + "[m" + step + " *-> y].\n";
    }
    for (int i = 0; i < instances; ++i) text += "o" + std::to_string(i) + " : k0.\n";
    return text + "done(X) :- X[m10 -> y].\n";
}

// One whole evaluation of the text by the evaluator in mode "seminaive" or "naive", in trigger
// mode `triggers`; the time should grow about linearly with the number of instances.
void timeInheritance(benchmark::State& state, const char* mode, const std::string& text,
                     const char* triggers = "oneTrigger") {
    timeEvaluations(state, text, [mode, triggers](Pipeline& p) {
        p.program->setInheritanceMark(1);
        auto* evaluator = new PrSemiNaive(p.matcher, p.access);
        for (const char* choice : {mode, triggers}) {
            FLSysArgs args;
            args.append(new FLSysString(choice));
            evaluator->methodCall("mode", &args);
            decRef(args.head());
        }
        return evaluator;
    });
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void InheritedChain(benchmark::State& state, const char* mode, bool reclassing) {
    timeInheritance(state, mode, chainProgram(int(state.range(0)), reclassing));
}

void InheritedTree(benchmark::State& state, const char* mode) {
    timeInheritance(state, mode, treeProgram(int(state.range(0))));
}

// The instances doubled from 300 up to the limit.
template <int Limit>
void doublings(benchmark::internal::Benchmark* bench) {
    for (int instances = 300; instances <= Limit; instances *= 2) bench->Arg(instances);
}
BENCHMARK_CAPTURE(InheritedChain, seminaive, "seminaive", false)
    ->Apply(doublings<2400>)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(InheritedChain, naive, "naive", false)
    ->Apply(doublings<2400>)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK_CAPTURE(InheritedTree, seminaive, "seminaive")
    ->Apply(doublings<2400>)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
// The reclassing chain from 1,200 instances, the sizes its growth is judged by, up to 9,600.
// Processor time of this thread, not the wall clock: on a shared machine the wall clock counts
// the time other processes hold the processor. They still slow a run down by a factor that
// changes from one moment to the next (they share the caches and the cores; one evaluation may
// take twice as long as the one before it). So each repetition is a sample of equal work, as
// many evaluations as make 9,600 instances, and thus of equal length at every size: the spread
// of a sample does not depend on its size, and the medians of many samples, taken in a random
// interleaving of the sizes (bench/reclassing-growth.sh), compare fairly. The fastest sample is
// kept as well.
constexpr int SampleInstances = 9600;
constexpr int Samples = 41;

double fastest(const std::vector<double>& times) {
    return *std::min_element(times.begin(), times.end());
}

void registerReclassing(const char* name, const char* mode) {
    for (int instances = 1200; instances <= SampleInstances; instances *= 2)
        benchmark::RegisterBenchmark(
            name, [mode](benchmark::State& state) { InheritedChain(state, mode, true); })
            ->Arg(instances)
            ->Iterations(SampleInstances / instances)
            ->Repetitions(Samples)
            ->ComputeStatistics("min", fastest)
            ->DisplayAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
}

// The ten reclassing steps in each trigger mode, sampled as the reclassing chain but with fewer
// samples: one evaluation of 1,200 instances takes about as long as the whole chain at 9,600.
constexpr int StepSamples = 9;

void registerReclassingSteps(const char* name, const char* triggers) {
    for (int instances = 1200; instances <= SampleInstances; instances *= 2)
        benchmark::RegisterBenchmark(name,
                                     [triggers](benchmark::State& state) {
                                         timeInheritance(
                                             state, "seminaive",
                                             reclassingStepsProgram(int(state.range(0))), triggers);
                                     })
            ->Arg(instances)
            ->Iterations(SampleInstances / instances)
            ->Repetitions(StepSamples)
            ->ComputeStatistics("min", fastest)
            ->DisplayAggregatesOnly(true)
            ->Unit(benchmark::kMillisecond);
}

[[maybe_unused]] const bool reclassingRegistered = [] {
    registerReclassing("InheritedChain/seminaive_reclassing", "seminaive");
    registerReclassing("InheritedChain/naive_reclassing", "naive");
    registerReclassingSteps("ReclassingSteps/oneTrigger", "oneTrigger");
    registerReclassingSteps("ReclassingSteps/allTriggers", "allTriggers");
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
