// Tests of Prop: the nine arrows, set-valued expansion, the form with several values, noKey and
// a set the object base has lost.
#include <gtest/gtest.h>

#include "compile/ValueOperatorSupport.h"

namespace compile_test {
namespace {

class PropTest : public ValueOperatorTest {
  protected:
    void SetUp() override {
        ValueOperatorTest::SetUp();
        h1 = object("h1");
        h2 = object("h2");
        h3 = object("h3");
        m = object("m");
        a = object("a");
        b = object("b");
        c = object("c");
        setValue(h1, m, 1, {a, b, c});
        setValue(h2, m, 1, {a});
        setValue(h3, m, 1, {b});
    }
    // X[method arrow Y] with the method a constant: rows keyed by X, columns X and Y.
    Conditions hostAndValue(const std::string& method) {
        Conditions c;
        c.var = Records{{1, 0}, {3, 1}};
        c.constantPositions = ints({2});
        c.constantSymbols = symbols({constant(method)});
        c.variables = symbols({x, y});
        return c;
    }
    // X[m ->> {values}] with the constants and variables given per value position.
    Conditions severalValues(std::initializer_list<const char*> valueTexts) {
        Conditions c;
        std::vector<int> positions{2};
        std::vector<FSymbol> constants{constant("m")};
        int position = 3;
        for (const char* text : valueTexts) {
            if (std::string(text) != "Y") {
                positions.push_back(position);
                constants.push_back(constant(text));
            }
            ++position;
        }
        for (int pos : positions) c.constantPositions.append(pos);
        for (const FSymbol& s : constants) c.constantSymbols.append(s);
        return c;
    }
    InternalName h1, h2, h3, m, a, b, c;
};

TEST_F(PropTest, EachArrowReadsItsOwnFacts) {
    const InternalName v1 = object("v1");
    const InternalName v2 = object("v2");
    for (int type = 0; type <= 8; ++type) {
        const InternalName method = object("m" + std::to_string(type));
        const bool scalar = type == 0 || type == 3 || type == 6;
        if (scalar)
            access->insertValue(h1, method, nullptr, 0, MethodType(type), v1);
        else
            setValue(h1, method, type, {v1, v2});
        // A fact under another arrow is not read.
        access->insertValue(h2, method, nullptr, 0, MethodType(type == 0 ? 3 : 0), v1);
        auto prop = Ref<Prop>::adopt(
            makeProp(3, MethodType(type), 1, hostAndValue("m" + std::to_string(type))));
        const Ref<Operand> rows = run(prop.get(), {}, access);
        std::vector<KeyedRow> expected{{h1, {h1, v1}}};
        if (!scalar) expected.push_back({h1, {h1, v2}});
        EXPECT_EQ(contents(rows.get()), expected) << "method type " << type;
    }
}

TEST_F(PropTest, SetValuesExpandMemberByMember) {
    auto prop = Ref<Prop>::adopt(makeProp(3, MethodType::Set, 1, hostAndValue("m")));
    const Ref<Operand> rows = run(prop.get(), {}, access);
    EXPECT_EQ(contents(rows.get()),
              (std::vector<KeyedRow>{
                  {h1, {h1, a}}, {h1, {h1, b}}, {h1, {h1, c}}, {h2, {h2, a}}, {h3, {h3, b}}}));
    int group = -1;
    EXPECT_TRUE(prop->isGroupedBy(x, &group));
    EXPECT_EQ(group, 0);
    EXPECT_FALSE(prop->isGroupedBy(y, &group));

    // Y passed in and tested by membership against each member.
    auto ys = Ref<Operand2>::adopt(new Operand2());
    ys->insert(b);
    Conditions passed = hostAndValue("m");
    passed.inputCount = 1;
    passed.keyColumns = ints({3});
    passed.bindings = Records{{2, 0, 1}};
    passed.inputFlags = ints({0});
    auto selecting = Ref<Prop>::adopt(makeProp(3, MethodType::Set, 1, passed));
    const Ref<Operand> withB = run(selecting.get(), {ys.get()}, access);
    EXPECT_EQ(contents(withB.get()), (std::vector<KeyedRow>{{h1, {h1, b}}, {h3, {h3, b}}}));

    // A set the object base has lost is empty, and the walk goes on.
    values->lostSets.insert(values->storedSet(h2, m, 1));
    const Ref<Operand> lost = run(prop.get(), {}, access);
    EXPECT_EQ(contents(lost.get()),
              (std::vector<KeyedRow>{{h1, {h1, a}}, {h1, {h1, b}}, {h1, {h1, c}}, {h3, {h3, b}}}));
    values->lostSets.clear();

    // noKey puts the rows of the single-value form under the undefined key.
    prop->setNoKey();
    const Ref<Operand> unkeyed = run(prop.get(), {}, access);
    for (const KeyedRow& row : contents(unkeyed.get())) EXPECT_EQ(row.first, undef());
}

TEST_F(PropTest, SeveralValuesMustAllBeMembers) {
    // X[m ->> {a, b}]: only h1 has both.
    Conditions both = severalValues({"a", "b"});
    both.var = Records{{1, 0}};
    both.variables = symbols({x});
    auto prop = Ref<Prop>::adopt(makeProp(4, MethodType::Set, 2, both));
    const Ref<Operand> rows = run(prop.get(), {}, access);
    EXPECT_EQ(contents(rows.get()), (std::vector<KeyedRow>{{h1, {h1}}}));

    // X[m ->> {a, Y}]: every value of a host that has a, a included.
    Conditions open = severalValues({"a", "Y"});
    open.var = Records{{1, 0}, {4, 1}};
    open.variables = symbols({x, y});
    auto withY = Ref<Prop>::adopt(makeProp(4, MethodType::Set, 2, open));
    const Ref<Operand> ys = run(withY.get(), {}, access);
    const std::vector<KeyedRow> expected{
        {h1, {h1, a}}, {h1, {h1, b}}, {h1, {h1, c}}, {h2, {h2, a}}};
    EXPECT_EQ(contents(ys.get()), expected);

    // noKey is not consulted by this form: rows stay under their hosts.
    withY->setNoKey();
    const Ref<Operand> still = run(withY.get(), {}, access);
    EXPECT_EQ(contents(still.get()), expected);
}

TEST_F(PropTest, SeveralOpenValuesWalkEveryCombination) {
    // X[m ->> {Y, Z}] over h1: 3 x 3 combinations; then Y fed by an input holding a and c.
    auto build = [&](int inputs) {
        Conditions open = severalValues({"Y", "Y"});
        open.var = Records{{1, 0}, {3, 1}, {4, 2}};
        open.variables = symbols({x, y, z});
        open.inputCount = inputs;
        if (inputs == 1) {
            open.keyColumns = ints({3});
            open.inputFlags = ints({0});
        }
        return makeProp(4, MethodType::Set, 2, open);
    };
    auto prop = Ref<Prop>::adopt(build(0));
    const Ref<Operand> rows = run(prop.get(), {}, access);
    int fromH1 = 0;
    for (const KeyedRow& row : contents(rows.get())) fromH1 += row.first == h1 ? 1 : 0;
    EXPECT_EQ(fromH1, 9);

    auto ys = Ref<Operand2>::adopt(new Operand2());
    ys->insert(a);
    ys->insert(c);
    auto feeding = Ref<Prop>::adopt(build(1));
    const Ref<Operand> selected = run(feeding.get(), {ys.get()}, access);
    std::vector<KeyedRow> expected;
    for (InternalName yv : {a, c})
        for (InternalName zv : {a, b, c}) expected.push_back({h1, {h1, yv, zv}});
    expected.push_back({h2, {h2, a, a}});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(contents(selected.get()), expected);
}

TEST_F(PropTest, DumpWritesTheArrow) {
    auto prop = Ref<Prop>::adopt(makeProp(3, MethodType::Set, 1, hostAndValue("m")));
    ChannelCapture debug(debugChannel());
    const Ref<Operand> rows = run(prop.get(), {}, access, true);
    EXPECT_EQ(debug.text().rfind("\nProperty : _#1[m ->> _#3]\n", 0), 0u) << debug.text();
}

}  // namespace
}  // namespace compile_test
