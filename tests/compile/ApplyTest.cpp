// Tests of Apply: single- and set-valued path steps, an empty value set, a lost set, arithmetic
// over bound inputs, set selection and noKey.
#include <gtest/gtest.h>

#include "compile/ValueOperatorSupport.h"

namespace compile_test {
namespace {

class ApplyTest : public ValueOperatorTest {
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
        hostsOwner = Ref<Operand2>::make();
        hosts = hostsOwner.get();
        for (InternalName h : {h1, h2, h3}) hosts->insert(h);
    }
    void TearDown() override {
        hostsOwner.reset();
        ValueOperatorTest::TearDown();
    }
    // X.m or X..m with X from the hosts: result column X.
    Apply* step(MethodType kind) {
        Conditions c;
        c.inputCount = 1;
        c.var = Records{{1, 0}};
        c.constantPositions = ints({2});
        c.constantSymbols = symbols({constant("m")});
        c.keyColumns = ints({1});
        c.bindings = Records{{0, 0, 1}};
        c.inputFlags = ints({0});
        c.variables = symbols({x});
        return makeApply(2, kind, c);
    }
    InternalName h1, h2, h3, m, a, b, c;
    // The fixture holds the hosts; the tests borrow them through the plain pointer.
    Ref<Operand2> hostsOwner;
    Operand2* hosts = nullptr;
};

TEST_F(ApplyTest, SingleValuedStepsAreKeyedByTheValue) {
    access->insertValue(h1, m, nullptr, 0, MethodType::Scalar, a);
    access->insertValue(h2, m, nullptr, 0, MethodType::Scalar, b);
    auto apply = Ref<Apply>::adopt(step(MethodType::Scalar));
    const Ref<Operand> rows = run(apply.get(), {hosts}, access);
    EXPECT_EQ(contents(rows.get()), (std::vector<KeyedRow>{{a, {h1}}, {b, {h2}}}));
    EXPECT_FALSE(apply->isGroupedBy(x, nullptr));

    apply->setNoKey();
    const Ref<Operand> unkeyed = run(apply.get(), {hosts}, access);
    EXPECT_EQ(contents(unkeyed.get()), (std::vector<KeyedRow>{{undef(), {h1}}, {undef(), {h2}}}));
}

TEST_F(ApplyTest, SetValuedStepsGiveARowPerMember) {
    setValue(h1, m, 1, {a, b, c});
    setValue(h2, m, 1, {});
    setValue(h3, m, 1, {a});
    auto apply = Ref<Apply>::adopt(step(MethodType::Set));
    const Ref<Operand> rows = run(apply.get(), {hosts}, access);
    EXPECT_EQ(contents(rows.get()),
              (std::vector<KeyedRow>{{a, {h1}}, {a, {h3}}, {b, {h1}}, {c, {h1}}}));

    // A set the object base has lost is empty; the hosts after it still give their rows.
    values->lostSets.insert(values->storedSet(h1, m, 1));
    const Ref<Operand> without = run(apply.get(), {hosts}, access);
    EXPECT_EQ(contents(without.get()), (std::vector<KeyedRow>{{a, {h3}}}));
}

TEST_F(ApplyTest, ArithmeticOverBoundInputsIsKeyedByTheResult) {
    // X + Y with X and Y each from an input: every pair, even with flag 0.
    auto xs = Ref<Operand2>::adopt(new Operand2());
    xs->insert(integer(1));
    xs->insert(integer(2));
    auto ys = Ref<Operand2>::adopt(new Operand2());
    ys->insert(integer(10));
    ys->insert(integer(20));
    Conditions sum;
    sum.inputCount = 2;
    sum.var = Records{{1, 0}, {2, 1}};
    sum.keyColumns = ints({1, 2});
    sum.bindings = Records{{0, 0, 1}, {1, 1, 1}};
    sum.inputFlags = ints({0, 0});
    sum.variables = symbols({x, y});
    auto apply = Ref<Apply>::adopt(makeApply(2, ArithmeticOp::Plus, sum));
    const Ref<Operand> rows = run(apply.get(), {xs.get(), ys.get()}, access);
    EXPECT_EQ(contents(rows.get()),
              (std::vector<KeyedRow>{{integer(11), {integer(1), integer(10)}},
                                     {integer(12), {integer(2), integer(10)}},
                                     {integer(21), {integer(1), integer(20)}},
                                     {integer(22), {integer(2), integer(20)}}}));
}

TEST_F(ApplyTest, AMethodFromAnInputIsTestedByMembership) {
    // X.M with X from the hosts and M passed with flag 0: tested, never enumerated.
    const InternalName n = object("n");
    access->insertValue(h1, m, nullptr, 0, MethodType::Scalar, a);
    access->insertValue(h1, n, nullptr, 0, MethodType::Scalar, b);
    auto methods = Ref<Operand2>::adopt(new Operand2());
    methods->insert(n);
    Conditions c;
    c.inputCount = 2;
    c.var = Records{{1, 0}, {2, 1}};
    c.keyColumns = ints({1, 2});
    c.bindings = Records{{0, 0, 1}, {1, 1, 1}};
    c.inputFlags = ints({0, 0});
    c.variables = symbols({x, y});
    auto apply = Ref<Apply>::adopt(makeApply(2, MethodType::Scalar, c));
    const Ref<Operand> rows = run(apply.get(), {hosts, methods.get()}, access);
    EXPECT_EQ(contents(rows.get()), (std::vector<KeyedRow>{{b, {h1, n}}}));
}

}  // namespace
}  // namespace compile_test
