// Measures what the event-stream writer adds to a parse: a 10 MB XML document written as the
// event stream, against the same parse with a handler that writes nothing.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/ConfinedChild.h"
#include "xml/NsgmlWrapper.h"

namespace {

// 100,000 elements with two attributes and a line of text each, about 10 MB.
const std::string& documentFile() {
    static const std::string path = [] {
        std::string name = "/tmp/quorin-esis-bench-" + std::to_string(getpid()) + ".xml";
        std::ofstream out(name, std::ios::binary);
        out << "<?xml version=\"1.0\"?>\n<!DOCTYPE list [\n<!ELEMENT list (item)*>\n"
               "<!ELEMENT item (#PCDATA)>\n<!ATTLIST item id ID #REQUIRED kind CDATA #IMPLIED>\n"
               "]>\n<list>\n";
        for (int i = 0; i < 100000; ++i) {
            out << "<item id=\"i" << i << "\" kind=\"k" << i % 7
                << "\">Some text of the item, long enough to be a line of a real document "
                   "here.</item>\n";
        }
        out << "</list>\n";
        return name;
    }();
    return path;
}

void parse(benchmark::State& state, bool writeStream) {
    std::string output = "/tmp/quorin-esis-bench-" + std::to_string(getpid()) + ".esis";
    std::vector<std::string> args{
        "  ", "-f/dev/null", "-E0", std::string("-c") + QUORIN_XML_CATALOG, "-oid", "-wxml"};
    if (!writeStream) {
        args.push_back("-s");
    }
    args.push_back(documentFile());
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    NsgmlWrapper wrapper;
    wrapper.setOutputFile(output.c_str());
    for (auto _ : state) {
        benchmark::DoNotOptimize(wrapper.run(static_cast<int>(argv.size()), argv.data()));
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<int64_t>(std::filesystem::file_size(documentFile())));
    std::remove(output.c_str());
}

void BM_ParseToEventStream(benchmark::State& state) {
    parse(state, true);
}
void BM_ParseWritingNothing(benchmark::State& state) {
    parse(state, false);
}

BENCHMARK(BM_ParseToEventStream)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseWritingNothing)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // A document with a declaration is parsed by this program started anew as a child.
    if (isConfinedChildCall(argc, argv)) runConfinedChild(argc, argv, {NsgmlWrapper::parserRole()});
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    std::remove(documentFile().c_str());
    return 0;
}
