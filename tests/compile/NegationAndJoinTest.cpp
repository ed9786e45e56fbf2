// Tests of the cases of Minus and Merge that the model checks do not reach: ground negation,
// bindings missing at construction, forced emptiness, a join without records over empty inputs
// and the debug dump.
#include <gtest/gtest.h>

#include "compile/CompileTestSupport.h"
#include "compile/Minus.h"
#include "compile/Operator.h"

namespace compile_test {
namespace {

class NegationAndJoinTest : public AlgebraTest {
  protected:
    void SetUp() override {
        AlgebraTest::SetUp();
        left =
            keep(setOperand(symbols({x}), {{integer(1), {integer(5)}}, {undef(), {integer(6)}}}));
        full = keep(setOperand(symbols({}), {{undef(), {}}}));
        empty = keep(new SetOperand(symbols({})));
    }
    void TearDown() override {
        held.clear();
        AlgebraTest::TearDown();
    }
    // The fixture holds the operands; the tests borrow them through the plain pointers.
    SetOperand* keep(SetOperand* operand) {
        held.push_back(Ref<SetOperand>::adopt(operand));
        return operand;
    }
    std::vector<Ref<SetOperand>> held;
    SetOperand* left = nullptr;
    SetOperand* full = nullptr;
    SetOperand* empty = nullptr;
};

TEST_F(NegationAndJoinTest, GroundNegation) {
    auto minus = Ref<Minus>::adopt(makeMinus({symbols({x}), symbols({}), symbols({x})}));
    // The negated literal holds: nothing survives.
    const Ref<Operand> none = run(minus.get(), {left, full}, access);
    EXPECT_TRUE(none->isEmpty());
    // It fails: the left operand itself is the answer.
    const Ref<Operand> same = run(minus.get(), {left, empty}, access);
    EXPECT_EQ(same.get(), left);
    // First in the body: the "true" row exactly when the literal fails.
    auto alone = Ref<Minus>::adopt(makeMinus({symbols({}), symbols({}), symbols({})}));
    const Ref<Operand> truth = run(alone.get(), {empty}, access);
    EXPECT_EQ(contents(truth.get()), (std::vector<KeyedRow>{{undef(), {}}}));
    const Ref<Operand> falsity = run(alone.get(), {full}, access);
    EXPECT_TRUE(falsity->isEmpty());
    // A missing negated operand is an empty one; a missing left operand leaves nothing.
    const Ref<Operand> nullRight = run(alone.get(), {nullptr}, access);
    EXPECT_EQ(contents(nullRight.get()), (std::vector<KeyedRow>{{undef(), {}}}));
    const Ref<Operand> nullLeft = run(minus.get(), {nullptr, empty}, access);
    EXPECT_TRUE(nullLeft->isEmpty());
}

TEST_F(NegationAndJoinTest, UnboundVariablesAndForcedEmptiness) {
    errors.clear();
    // Y of the negated literal and Y of the result are not bound on the left.
    auto unbound = Ref<Minus>::adopt(makeMinus({symbols({x}), symbols({y}), symbols({x, y})}));
    const std::string reported = errors.text();
    std::size_t count = 0;
    for (std::size_t at = reported.find("NoBinding"); at != std::string::npos;
         at = reported.find("NoBinding", at + 1))
        ++count;
    EXPECT_EQ(count, 2u);
    const Ref<Operand> result = run(unbound.get(), {left, empty}, access);
    ASSERT_NE(result.get(), nullptr);
    EXPECT_TRUE(result->isEmpty());

    auto forced = Ref<Minus>::adopt(makeMinus({symbols({x}), symbols({x}), symbols({x}), true}));
    const Ref<Operand> nothing = run(forced.get(), {left, empty}, access);
    EXPECT_TRUE(nothing->isEmpty());
    const Ref<Operand> noInputs = run(forced.get(), {}, access);
    EXPECT_TRUE(noInputs->isEmpty());
}

TEST_F(NegationAndJoinTest, JoinWithoutRecordsNeedsRowsOnBothSides) {
    auto any =
        Ref<Merge>::adopt(makeJoin(Records(), Records(), symbols({}), symbols({x}), symbols({})));
    const Ref<Operand> truth = run(any.get(), {left, full}, access);
    EXPECT_EQ(contents(truth.get()), (std::vector<KeyedRow>{{undef(), {}}}));
    for (Operand* side : {static_cast<Operand*>(empty), static_cast<Operand*>(nullptr)}) {
        const Ref<Operand> none = run(any.get(), {left, side}, access);
        ASSERT_NE(none.get(), nullptr);
        EXPECT_TRUE(none->isEmpty());
    }
}

TEST_F(NegationAndJoinTest, DebugDumpOnlyWhileTheFlagIsOn) {
    auto merge = Ref<Merge>::adopt(
        makeJoin(Records{{0, 1, 0}}, Records(), symbols({x}), symbols({x}), symbols({y})));
    // Only the left input carries X: it is passed through.
    auto other = Ref<SetOperand>::adopt(setOperand(symbols({y}), {{undef(), {integer(5)}}}));
    ChannelCapture out(debugChannel());
    const Ref<Operand> quiet = run(merge.get(), {left, other.get()}, access);
    EXPECT_EQ(out.text(), "");
    const Ref<Operand> loud = run(merge.get(), {left, other.get()}, access, true);
    const std::string xs = x.ToString() + "/";
    const std::string ys = y.ToString() + "/";
    EXPECT_EQ(out.text(),
              "\nMerge(op#1op#2)\n"
              "given var :  op#1,con#1,0 | \n"
              "contents of op#1\ntrue\n   " +
                  xs + "6  \n\n1\n   " + xs +
                  "5  \n\n\n\n"
                  "contents of op#2\ntrue\n   " +
                  ys +
                  "5  \n\n\n\n"
                  "true\n   " +
                  xs + "5  \n   " + xs + "6  \n\n\n");
}

}  // namespace
}  // namespace compile_test
