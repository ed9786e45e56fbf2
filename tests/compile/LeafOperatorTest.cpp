// Tests of the leaf operators over a real object base: Isa with derived instances and noKey, Isa
// and Prop read by a count, IdMapper over stored function terms and over constants.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "compile/Aggregation.h"
#include "compile/CompileTestSupport.h"
#include "compile/Prop.h"
#include "objectbase/MainMemFrames.h"
#include "support/ChannelCapture.h"

namespace compile_test {
namespace {

class LeafOperatorTest : public AlgebraTest {
  protected:
    void SetUp() override {
        AlgebraTest::SetUp();
        a = object("a");
        b = object("b");
        e = object("e");
        c1 = object("c1");
        c2 = object("c2");
        d = object("d");
        access->insertClassRelation(a, c1, IsaRelation::Member);
        access->insertClassRelation(e, c1, IsaRelation::Member);
        access->insertClassRelation(b, c2, IsaRelation::Member);
        access->insertClassRelation(c1, d, IsaRelation::Subclass);
    }
    InternalName a, b, e, c1, c2, d;
};

TEST_F(LeafOperatorTest, IsaGivesInstancesKeyedByTheObject) {
    Conditions c;
    c.var = Records{{1, 0}};
    c.constantPositions = ints({2});
    c.constantSymbols = symbols({constant("d")});
    c.variables = symbols({x});
    auto isa = Ref<Isa>::adopt(makeIsa(IsaRelation::Member, c));
    const Ref<Operand> result = run(isa.get(), {}, access);
    // a and e are instances of d only through c1 :: d.
    EXPECT_EQ(contents(result.get()), (std::vector<KeyedRow>{{a, {a}}, {e, {e}}}));

    isa->setNoKey();
    const Ref<Operand> unkeyed = run(isa.get(), {}, access);
    EXPECT_EQ(contents(unkeyed.get()), (std::vector<KeyedRow>{{undef(), {a}}, {undef(), {e}}}));

    int group = -1;
    EXPECT_TRUE(isa->isGroupedBy(x, &group));
    EXPECT_EQ(group, 0);
    EXPECT_FALSE(isa->isGroupedBy(y, &group));

    // An unknown constant gives an empty result, not null.
    c.constantSymbols = symbols({constant("nowhere")});
    auto none = Ref<Isa>::adopt(makeIsa(IsaRelation::Member, c));
    const Ref<Operand> empty = run(none.get(), {}, access);
    ASSERT_NE(empty.get(), nullptr);
    EXPECT_TRUE(empty->isEmpty());
}

TEST_F(LeafOperatorTest, IsaWithAConstantObjectIsGroupedByNothing) {
    Conditions c;
    c.var = Records{{2, 0}};
    c.constantPositions = ints({1});
    c.constantSymbols = symbols({constant("a")});
    c.variables = symbols({y});
    auto isa = Ref<Isa>::adopt(makeIsa(IsaRelation::Member, c));
    int group = -1;
    EXPECT_FALSE(isa->isGroupedBy(y, &group));
    const Ref<Operand> result = run(isa.get(), {}, access);
    EXPECT_EQ(contents(result.get()), (std::vector<KeyedRow>{{a, {c1}}, {a, {d}}}));
}

TEST_F(LeafOperatorTest, IsaTakesItsPatternFromInputs) {
    // X : d with X passed from an Operand2: the object position is filled from each row.
    auto passed = Ref<Operand2>::adopt(new Operand2());
    passed->insert(e);
    passed->insert(b);
    Conditions c;
    c.inputCount = 1;
    c.var = Records{{1, 0}};
    c.constantPositions = ints({2});
    c.constantSymbols = symbols({constant("d")});
    c.keyColumns = ints({1});
    c.bindings = Records{{0, 0, 1}};
    c.inputFlags = ints({0});
    c.variables = symbols({x});
    auto isa = Ref<Isa>::adopt(makeIsa(IsaRelation::Member, c));
    const Ref<Operand> result = run(isa.get(), {passed.get()}, access);
    EXPECT_EQ(contents(result.get()), (std::vector<KeyedRow>{{e, {e}}}));

    // X : C with C passed: the class is tested by membership in the input.
    auto classes = Ref<Operand2>::adopt(new Operand2());
    classes->insert(c2);
    Conditions byClass;
    byClass.inputCount = 1;
    byClass.var = Records{{1, 0}};
    byClass.keyColumns = ints({2});
    byClass.bindings = Records{{1, 0, 1}};
    byClass.inputFlags = ints({0});
    byClass.variables = symbols({x});
    auto selecting = Ref<Isa>::adopt(makeIsa(IsaRelation::Member, byClass));
    const Ref<Operand> members = run(selecting.get(), {classes.get()}, access);
    EXPECT_EQ(contents(members.get()), (std::vector<KeyedRow>{{b, {b}}}));
}

TEST_F(LeafOperatorTest, IdMapperMapsStoredTermsAndConstants) {
    FSymbol f = symbol("f", 1);
    InternalName fa, fb;
    access->insertObject(f, &a, 1, fa);
    access->insertObject(f, &b, 1, fb);

    Conditions c;
    c.var = Records{{1, 0}};  // pattern position 1, the argument
    c.variables = symbols({x});
    auto terms = Ref<IdMapper>::adopt(makeIdMapper(1, f, c));
    const Ref<Operand> result = run(terms.get(), {}, access);
    std::vector<KeyedRow> expected{{fa, {a}}, {fb, {b}}};
    std::sort(expected.begin(), expected.end(),
              [](const KeyedRow& l, const KeyedRow& r) { return l.first < r.first; });
    EXPECT_EQ(contents(result.get()), expected);
    terms->setNoKey();
    const Ref<Operand> stillKeyed = run(terms.get(), {}, access);
    EXPECT_EQ(contents(stillKeyed.get()), expected);
    EXPECT_FALSE(terms->isGroupedBy(x, nullptr));

    // A passed argument selects the terms whose argument it holds.
    auto passed = Ref<Operand2>::adopt(new Operand2());
    passed->insert(b);
    Conditions selected;
    selected.inputCount = 1;
    selected.var = Records{{1, 0}};
    selected.keyColumns = ints({1});
    selected.inputFlags = ints({0});
    selected.variables = symbols({x});
    auto byInput = Ref<IdMapper>::adopt(makeIdMapper(1, f, selected));
    const Ref<Operand> one = run(byInput.get(), {passed.get()}, access);
    EXPECT_EQ(contents(one.get()), (std::vector<KeyedRow>{{fb, {b}}}));

    // Constants: a known object, an integer, and a symbol without a name.
    auto known = Ref<IdMapper>::adopt(makeIdMapper(0, constant("a"), Conditions()));
    const Ref<Operand> knownResult = run(known.get(), {}, access);
    EXPECT_EQ(contents(knownResult.get()), (std::vector<KeyedRow>{{a, {}}}));
    const int before = access->functionCalls;
    auto number =
        Ref<IdMapper>::adopt(makeIdMapper(0, FSymbol(7, InternalName::Integer, -1), Conditions()));
    const Ref<Operand> numberResult = run(number.get(), {}, access);
    EXPECT_EQ(contents(numberResult.get()), (std::vector<KeyedRow>{{integer(7), {}}}));
    auto missing = Ref<IdMapper>::adopt(makeIdMapper(0, constant("nameless"), Conditions()));
    const Ref<Operand> missingResult = run(missing.get(), {}, access);
    EXPECT_TRUE(missingResult->isEmpty());
    EXPECT_EQ(access->functionCalls, before);
}

// The two cells of every row an operand gives, sorted: the same rows whatever order it reads.
std::vector<Row> cellsOf(Operand* operand) {
    std::vector<Row> rows;
    scan(operand, RowOrder::Repeating,
         [&rows](const RowView& row) { rows.emplace_back(row.cells, row.cells + 2); });
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The input's rows counted by a count of `counted` grouped by `group`: each group's count.
std::map<InternalName, int> countsPerFirstCell(Operand* input, const FSymbol& group,
                                               const FSymbol& counted, OMAccess* access) {
    clib_list<FSymbol> groups;
    groups.append(group);
    auto count = Ref<Aggregation>::adopt(new Aggregation("count", counted, groups));
    const Ref<Operand> result = run(count.get(), {input}, access);
    std::map<InternalName, int> counts;
    for (const KeyedRow& row : contents(result.get()))
        counts[row.second.at(0)] = row.first.getValue();
    return counts;
}

// Traced, a count's input is stored under its keys, as the trace prints it: the rows of the
// keyed read.
void expectTracedReadKeyed(Operator* counted, Operand* byKey, OMAccess* access, const char* when) {
    ChannelCapture debug(debugChannel());
    const Ref<Operand> traced = run(counted, {}, access, true);
    auto* stored = dynamic_cast<SetOperand*>(traced.get());
    ASSERT_NE(stored, nullptr) << when;
    EXPECT_FALSE(stored->holdsSource()) << when;
    EXPECT_EQ(contents(traced.get()), contents(byKey)) << when;
}

// X : Y over memberships alone (no subclass fact) read by a count: the stored memberships are
// read in place, unkeyed, and give the cells of the keyed read, each row once; the count of each
// object's classes is the size of its set of classes, also after equalities merge objects and
// classes. A traced run keeps its rows keyed, as it prints them.
TEST_F(AlgebraTest, MembershipsReadByACountAreTheStoredOnesInPlace) {
    std::vector<InternalName> things;
    for (int i = 0; i < 30; ++i) things.push_back(object("o" + std::to_string(i)));
    std::vector<InternalName> classes;
    for (int i = 0; i < 40; ++i) classes.push_back(object("k" + std::to_string(i)));
    // Sets large enough to be hashed, filled out of order, and objects that are classes too.
    for (std::size_t i = 0; i < things.size(); ++i)
        for (std::size_t j = 0; j < classes.size(); j += 1 + i % 3)
            access->insertClassRelation(things[i], classes[(j * 7 + i) % classes.size()],
                                        IsaRelation::Member);
    for (std::size_t i = 1; i < things.size(); i += 4)
        access->insertClassRelation(things[i], things[i - 1], IsaRelation::Member);

    Conditions c;
    c.var = Records{{1, 0}, {2, 1}};
    c.variables = symbols({x, y});
    auto keyed = Ref<Isa>::adopt(makeIsa(IsaRelation::Member, c));
    auto counted = Ref<Isa>::adopt(makeIsa(IsaRelation::Member, c));
    counted->feedsOrderFreeReader();

    // The classes of each object as its frame holds them.
    auto framesCount = [this] {
        std::map<InternalName, int> counts;
        const auto objects = Ref<Iterator>::adopt(om->objNamesIterator(nullptr));
        for (bool more = objects->first(); more; more = objects->next()) {
            const InternalName object = objects->atColumn(1);
            const MainMemObjFrame* frame = om->getObjFrame(object);
            const MainMemSetFrame* own =
                frame != nullptr ? om->getSetFrame(frame->setNameOf(IsaRelation::Member)) : nullptr;
            if (own != nullptr && own->size() > 0) counts[object] = own->size();
        }
        return counts;
    };
    auto countOf = [this](Operand* input) { return countsPerFirstCell(input, x, y, access); };
    auto expectAlike = [&](const char* when) {
        const Ref<Operand> byKey = run(keyed.get(), {}, access);
        const Ref<Operand> inPlace = run(counted.get(), {}, access);
        auto* held = dynamic_cast<SetOperand*>(inPlace.get());
        ASSERT_NE(held, nullptr) << when;
        EXPECT_TRUE(held->holdsSource()) << when;
        EXPECT_TRUE(held->holdsDistinctSource()) << when;
        const std::vector<Row> rows = cellsOf(inPlace.get());
        EXPECT_EQ(rows, cellsOf(byKey.get())) << when;
        EXPECT_EQ(std::adjacent_find(rows.begin(), rows.end()), rows.end()) << when;
        EXPECT_EQ(int(rows.size()), om->storedMemberships()->size()) << when;
        EXPECT_EQ(countOf(inPlace.get()), framesCount()) << when;
        EXPECT_EQ(countOf(byKey.get()), framesCount()) << when;
        // Traced, the rows are stored under their objects.
        expectTracedReadKeyed(counted.get(), byKey.get(), access, when);
    };
    expectAlike("stored");

    // Objects merge with objects and with classes: rows that become equal are kept once.
    ASSERT_EQ(om->equate(things[3], things[4], 0), 1);
    ASSERT_EQ(om->equate(things[8], classes[5], 0), 1);
    ASSERT_EQ(om->equate(classes[1], classes[2], 0), 1);
    ASSERT_EQ(om->applyEqualities(), 1);
    expectAlike("merged");
}

// X[m ->> {Y}] read by a count: the members of the hosts' sets are read in place when the count
// reads its input, unkeyed, and give the cells of the keyed read (which walks each set in order),
// each row once; the count of each host's values is the size of its set. So also after values are
// withdrawn (as inheritance withdraws the values it stored), after more come out of order, and
// after equalities merge hosts, values and method names. A traced run keeps its rows keyed.
TEST_F(AlgebraTest, MethodValuesReadByACountAreTheStoredSetsInPlace) {
    std::vector<InternalName> hosts;
    for (int i = 0; i < 30; ++i) hosts.push_back(object("h" + std::to_string(i)));
    std::vector<InternalName> values;
    for (int i = 0; i < 40; ++i) values.push_back(object("v" + std::to_string(i)));
    const InternalName m = object("m");
    const InternalName other = object("other");
    auto give = [this](const InternalName& host, const InternalName& method,
                       const InternalName& value) {
        access->insertValue(host, method, nullptr, 0, MethodType::Set, value);
    };
    // Sets large enough to be hashed, filled out of order, hosts that are values too, and a
    // method whose values are not read.
    for (std::size_t i = 0; i < hosts.size(); ++i)
        for (std::size_t j = 0; j < values.size(); j += 1 + i % 3)
            give(hosts[i], m, values[(j * 7 + i) % values.size()]);
    for (std::size_t i = 1; i < hosts.size(); i += 4) give(hosts[i], m, hosts[i - 1]);
    for (std::size_t i = 0; i < hosts.size(); i += 5) give(hosts[i], other, values[i]);

    Conditions c;
    c.var = Records{{1, 0}, {3, 1}};
    c.constantPositions = ints({2});
    c.constantSymbols = symbols({constant("m")});
    c.variables = symbols({x, y});
    auto makeProp = [&c] {
        PropSpec spec{3, MethodType::Set, Axis::None, 1, toPattern(c)};
        return Ref<Prop>::adopt(new Prop(spec));
    };
    const Ref<Prop> keyed = makeProp();
    const Ref<Prop> counted = makeProp();
    counted->feedsOrderFreeReader();

    // The values of each host's m as its frame holds them.
    auto framesCount = [this] {
        InternalName method;
        access->internValue(constant("m"), method);
        std::map<InternalName, int> counts;
        const auto objects = Ref<Iterator>::adopt(om->objNamesIterator(nullptr));
        for (bool more = objects->first(); more; more = objects->next()) {
            const InternalName host = objects->atColumn(1);
            const MainMemObjFrame* frame = om->getObjFrame(host);
            InternalName stored;
            if (frame == nullptr || frame->lookupMethod(method, 1, 0, stored) == 0) continue;
            const MainMemSetFrame* own = om->getSetFrame(stored);
            if (own != nullptr && own->size() > 0) counts[host] = own->size();
        }
        return counts;
    };
    auto countOf = [this](Operand* input) { return countsPerFirstCell(input, x, y, access); };
    auto expectAlike = [&](const char* when) {
        // Read before the keyed read, which reads the sets in order and so sorts in the members
        // they added since.
        const Ref<Operand> inPlace = run(counted.get(), {}, access);
        auto* held = dynamic_cast<SetOperand*>(inPlace.get());
        ASSERT_NE(held, nullptr) << when;
        EXPECT_TRUE(held->holdsSource()) << when;
        EXPECT_TRUE(held->holdsDistinctSource()) << when;
        const std::map<InternalName, int> inPlaceCounts = countOf(inPlace.get());
        const std::vector<Row> rows = cellsOf(inPlace.get());
        const Ref<Operand> byKey = run(keyed.get(), {}, access);
        EXPECT_EQ(rows, cellsOf(byKey.get())) << when;
        EXPECT_EQ(std::adjacent_find(rows.begin(), rows.end()), rows.end()) << when;
        EXPECT_EQ(inPlaceCounts, framesCount()) << when;
        EXPECT_EQ(countOf(byKey.get()), framesCount()) << when;
        // Traced, the rows are stored under their hosts.
        expectTracedReadKeyed(counted.get(), byKey.get(), access, when);
    };
    expectAlike("stored");

    // Values withdrawn, then others added below and above the members left.
    for (std::size_t i = 0; i < hosts.size(); i += 2)
        for (std::size_t j = i % 4; j < values.size(); j += 4)
            om->removeMethodValue(hosts[i], m, nullptr, 0, 1, values[j]);
    for (std::size_t i = 0; i < hosts.size(); i += 3) {
        give(hosts[i], m, values[(i * 11) % values.size()]);
        give(hosts[i], m, object("late" + std::to_string(i)));
    }
    expectAlike("withdrawn");

    // Hosts merge with hosts and with values, and the other method with m: rows that become
    // equal are kept once.
    ASSERT_EQ(om->equate(hosts[3], hosts[4], 0), 1);
    ASSERT_EQ(om->equate(hosts[8], values[5], 0), 1);
    ASSERT_EQ(om->equate(values[1], values[2], 0), 1);
    ASSERT_EQ(om->equate(other, m, 0), 1);
    ASSERT_EQ(om->applyEqualities(), 1);
    expectAlike("merged");
}

}  // namespace
}  // namespace compile_test
