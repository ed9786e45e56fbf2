// The import of a generated document of 100,000 elements (two attributes and a text each): the
// parser alone, parser and tree, and the whole import as kind 3 and as kind 5 with ordering.
// Counters give the time and the memory per element (the resident growth of the first import;
// run one benchmark a process, --benchmark_filter, for a fair figure).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "objectbase/MainMemOM.h"
#include "platform/ConfinedChild.h"
#include "platform/ProcessInfo.h"
#include "xml/NsgmlHandler.h"
#include "xml/NsgmlWrapper.h"

namespace {

constexpr int elements = 100000;

const std::string& documentFile() {
    static const std::string path = [] {
        std::string name = "/tmp/quorin-import-bench-" + std::to_string(getpid()) + ".xml";
        std::ofstream out(name, std::ios::binary);
        out << "<?xml version=\"1.0\"?>\n<!DOCTYPE list [\n<!ELEMENT list (item)*>\n"
               "<!ELEMENT item (#PCDATA)>\n<!ATTLIST item id ID #REQUIRED kind CDATA #IMPLIED>\n"
               "]>\n<list>";
        for (int i = 0; i < elements - 1; ++i) {
            out << "<item id=\"i" << i << "\" kind=\"k" << i % 7 << "\">Text of item " << i
                << "</item>";
        }
        out << "</list>\n";
        return name;
    }();
    return path;
}

// A home folder of the benchmark's own for the catalog and the stream file.
void useScratchHome() {
    static const bool done = [] {
        const std::string home = "/tmp/quorin-import-bench-home-" + std::to_string(getpid());
        std::filesystem::create_directories(home);
        setenv("HOME", home.c_str(), 1);
        return true;
    }();
    (void)done;
}

void parserOnly(benchmark::State& state) {
    useScratchHome();
    std::vector<std::string> args{
        "  ",   "-f/dev/null", "-E0",         std::string("-c") + QUORIN_XML_CATALOG,
        "-oid", "-wxml",       documentFile()};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    NsgmlWrapper wrapper;
    const std::string output = "/tmp/quorin-import-bench-" + std::to_string(getpid()) + ".esis";
    wrapper.setOutputFile(output.c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(wrapper.run(static_cast<int>(argv.size()), argv.data()));
    state.counters["us/element"] =
        benchmark::Counter(static_cast<double>(elements) * state.iterations(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    std::filesystem::remove(output);
}

void import(benchmark::State& state, int kind, int ordering) {
    useScratchHome();
    ParseRequest request;
    request.kind = kind;
    request.xml = kind == 5 ? 1 : 0;
    request.ordering = ordering;
    double bytesPerElement = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto* om = new MainMemOM();
        auto* access = new OMAccess(om);
        auto* handler = new NsgmlHandler(access);
        InternalName document;
        access->internName(document, "doc", 1);
        const MemoryFigures before = readMemoryFigures();
        state.ResumeTiming();
        handler->parseWebdoc(document, documentFile(), request, 0, "file:", "", documentFile());
        state.PauseTiming();
        const MemoryFigures after = readMemoryFigures();
        // Only the first import grows the process; later ones reuse the memory it gave back.
        if (bytesPerElement == 0) {
            bytesPerElement =
                (static_cast<double>(after.workingSet) - before.workingSet) / elements;
        }
        decRef(handler);
        decRef(access);
        decRef(om);
        state.ResumeTiming();
    }
    state.counters["us/element"] =
        benchmark::Counter(static_cast<double>(elements) * state.iterations(),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["bytes/element"] = bytesPerElement;
}

void BM_Parser(benchmark::State& state) {
    parserOnly(state);
}
// Kind 0 runs the parser and builds the tree but maps nothing.
void BM_ParserAndTree(benchmark::State& state) {
    import(state, 0, 0);
}
void BM_ImportPlain(benchmark::State& state) {
    import(state, 3, 0);
}
void BM_ImportXmlOrdered(benchmark::State& state) {
    import(state, 5, 1);
}

}  // namespace

BENCHMARK(BM_Parser)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ParserAndTree)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportPlain)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ImportXmlOrdered)->Unit(benchmark::kMillisecond)->Iterations(3);
int main(int argc, char** argv) {
    // A document with a declaration is parsed by this program started anew as a child.
    if (isConfinedChildCall(argc, argv)) runConfinedChild(argc, argv, {NsgmlWrapper::parserRole()});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
