// Benchmarks of the evaluation engine: the rule-head creator turning new two-column rows into
// p(X, Y) facts and rejecting rows it has seen, and naive evaluation of a transitive closure.
#include <benchmark/benchmark.h>

#include <string>

#include "access/OMAccess.h"
#include "compile/AlgebraicEval.h"
#include "compile/Operand.h"
#include "compile/Translator.h"
#include "eval/Creator1.h"
#include "eval/Matcher.h"
#include "eval/NaiveEval.h"
#include "foundation/ErrorHandler.h"
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
    VarList* vars = head->giveVars();
    auto* rows = new SetOperand(*vars, 2);
    delete vars;
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

void NaiveClosureChain(benchmark::State& state) {
    const int nodes = int(state.range(0));
    std::string text;
    for (int i = 1; i < nodes; ++i)
        text += "e(" + std::to_string(i) + "," + std::to_string(i + 1) + ").\n";
    text += "t(X,Y) :- e(X,Y).\nt(X,Z) :- t(X,Y), e(Y,Z).\n";
    for (auto _ : state) {
        state.PauseTiming();
        auto* om = new MainMemOM();
        auto* access = new OMAccess(om);
        FProgram* program = parseProgram(access, text);
        auto* translator = new Translator(1);
        auto* creator = new Creator1(access);
        auto* algebra = new AlgebraicEval(access);
        auto* matcher = new Matcher(translator, creator, algebra, nullptr);
        decRef(translator);
        decRef(creator);
        decRef(algebra);
        auto* naive = new NaiveEval(matcher, access);
        state.ResumeTiming();
        benchmark::DoNotOptimize(naive->evaluate(program));
        state.PauseTiming();
        centralStatistic().clear();
        decRef(naive);
        decRef(matcher);
        decRef(program);
        decRef(access);
        decRef(om);
        state.ResumeTiming();
    }
}
BENCHMARK(NaiveClosureChain)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
