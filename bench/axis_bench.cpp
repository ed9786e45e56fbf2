// Benchmarks of the axis steps over one document of 100,000 elements with fan-out 10: child
// steps from every node, the descendant step from the root, parent and sibling steps from every
// bound node; items are the rows answered.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "xml/XMLAxisIteratorFactory.h"

namespace {

constexpr int Elements = 100000;
constexpr int FanOut = 10;

const InternalName Free = InternalName::UndefinedObject;

// The document as an import writes it: each element an instance of its class (a tag), linked
// set-valued under the class name to its parent and a child of it.
struct Document {
    MainMemOM* om = new MainMemOM();
    OMAccess* access = new OMAccess(om);
    XMLAxisIteratorFactory axes;
    std::vector<InternalName> nodes;

    Document() {
        access->useAxisIterators(&axes);
        access->insertClassRelation(builtinObject::Text, builtinObject::Text, IsaRelation::Member);
        InternalName cls;
        access->internName(cls, "item", 1);
        access->insertClassRelation(cls, builtinObject::Tag, IsaRelation::Member);
        const InternalName document(1000, InternalName::Object, 0);
        for (int i = 0; i < Elements; ++i) {
            const InternalName e(1001 + i, InternalName::Object, 0);
            const InternalName parent = i == 0 ? document : nodes[(i - 1) / FanOut];
            access->insertClassRelation(e, cls, IsaRelation::Member);
            access->insertValue(parent, cls, nullptr, 0, MethodType::Set, e);
            access->insertClassRelation(e, parent, IsaRelation::Child);
            nodes.push_back(e);
        }
    }
    ~Document() {
        decRef(access);
        decRef(om);
    }
};

Document& document() {
    static Document shared;
    return shared;
}

// Rows of one axis step from every node (or from the root only), counted.
void walk(benchmark::State& state, int axis, bool rootOnly) {
    Document& doc = document();
    std::int64_t rows = 0;
    Iterator* it = nullptr;
    for (auto _ : state) {
        const std::size_t count = rootOnly ? 1 : doc.nodes.size();
        for (std::size_t n = 0; n < count; ++n) {
            const InternalName tuple[3] = {doc.nodes[n], Free, Free};
            it = doc.access->matchAxis(MethodType::Set, Axis(axis), tuple, 3, it);
            for (bool more = it->first(); more; more = it->next()) {
                benchmark::DoNotOptimize(it->atColumn(3));
                ++rows;
            }
        }
    }
    decRef(it);
    state.SetItemsProcessed(rows);
}

void BM_ChildFromEveryNode(benchmark::State& state) {
    walk(state, 1, false);
}
void BM_DescendantFromRoot(benchmark::State& state) {
    walk(state, 2, true);
}
void BM_ParentFromEveryNode(benchmark::State& state) {
    walk(state, 3, false);
}
void BM_SiblingFromEveryNode(benchmark::State& state) {
    walk(state, 5, false);
}

BENCHMARK(BM_ChildFromEveryNode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DescendantFromRoot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParentFromEveryNode)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SiblingFromEveryNode)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
