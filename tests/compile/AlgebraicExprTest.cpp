// Tests of operator trees and their evaluator: the merge short-cut, projections of the current
// operand, keepInput and the shell methods.
#include <gtest/gtest.h>

#include "compile/AlgebraicEval.h"
#include "compile/AlgebraicExpr.h"
#include "compile/CompileTestSupport.h"
#include "compile/Operator.h"
#include "compile/Pi.h"
#include "foundation/ShellValues.h"

namespace compile_test {
namespace {

// An operator that answers a fixed operand (or null), counts its evaluations and keeps the
// contents of the inputs it was given.
class CountingOperator : public Operator {
  public:
    // Takes over the caller's reference to `answer`.
    CountingOperator(OperatorKind kind, Operand* answer)
        : Operator(kind, 0), answer(Ref<Operand>::adopt(answer)) {}
    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess*,
                          const OperatorTrace&) const override {
        ++calls;
        seen.clear();
        for (Operand* input : *inputs)
            seen.push_back(input == nullptr ? std::vector<KeyedRow>{} : contents(input));
        return answer;
    }
    bool isGroupedBy(const InternalName&, int*) const override { return false; }

    Ref<Operand> answer;
    // What the test reads back; not the operator's plan.
    mutable int calls = 0;
    mutable std::vector<std::vector<KeyedRow>> seen;

  protected:
    ~CountingOperator() override = default;
};

class AlgebraicExprTest : public AlgebraTest {
  protected:
    OperatorTrace untraced;

    // A leaf node over a counting operator; the node holds the operator.
    AlgebraicExpr* leaf(OperatorKind kind, Operand* answer, CountingOperator** op = nullptr,
                        int keepInput = 0) {
        const auto counting = Ref<CountingOperator>::make(kind, answer);
        if (op != nullptr) *op = counting.get();
        return new AlgebraicExpr(counting.get(), keepInput, 0);
    }
    SetOperand* oneColumn(const FSymbol& var, std::initializer_list<int> values) {
        auto* operand = new SetOperand(symbols({var}));
        for (int v : values) {
            InternalName cell = integer(v);
            operand->insert(integer(v % 2), &cell);
        }
        return operand;
    }
};

TEST_F(AlgebraicExprTest, MergeStopsAtTheFirstEmptyChild) {
    CountingOperator* later = nullptr;
    CountingOperator* merge = nullptr;
    auto root = Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Join, nullptr, &merge));
    root->addChild(Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Predicate, new Operand2())).get());
    root->addChild(Ref<AlgebraicExpr>::adopt(
                       leaf(OperatorKind::Predicate, oneColumn(variable("X"), {1}), &later))
                       .get());
    Operand* current = nullptr;
    const Ref<Operand> result = root->evaluate(access, &current, untraced);
    ASSERT_NE(result.get(), nullptr);
    EXPECT_TRUE(result->isA("Operand2"));
    EXPECT_TRUE(result->isEmpty());
    EXPECT_EQ(later->calls, 0);
    EXPECT_EQ(merge->calls, 0);
    EXPECT_EQ(current, result.get());

    // Under another type a null or empty child is handed on.
    CountingOperator* other = nullptr;
    auto minus = Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Negation, nullptr, &other));
    minus->addChild(Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Predicate, nullptr)).get());
    minus->addChild(Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Predicate, new Operand2())).get());
    current = nullptr;
    EXPECT_FALSE(minus->evaluate(access, &current, untraced));
    EXPECT_EQ(other->calls, 1);
    EXPECT_EQ(other->seen.size(), 2u);
}

TEST_F(AlgebraicExprTest, PiProjectsTheOperandItsPreviousSiblingLeft) {
    CountingOperator* root = nullptr;
    auto node = Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Predicate, new Operand2(), &root));
    node->addChild(
        Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Isa, oneColumn(x, {4, 3, 4, 8}))).get());
    auto piNode = Ref<AlgebraicExpr>::adopt(new AlgebraicExpr(Ref<Pi>::make(x).get(), 0, 0));
    // Children of a projection are never evaluated.
    CountingOperator* ignored = nullptr;
    piNode->addChild(
        Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Predicate, nullptr, &ignored)).get());
    node->addChild(piNode.get());

    Operand* current = nullptr;
    const Ref<Operand> result = node->evaluate(access, &current, untraced);
    ASSERT_EQ(root->seen.size(), 2u);
    EXPECT_EQ(root->seen[1],
              (std::vector<KeyedRow>{{integer(3), {}}, {integer(4), {}}, {integer(8), {}}}));
    EXPECT_EQ(ignored->calls, 0);

    // A projection with no current operand has no input and answers the empty result.
    current = nullptr;
    const Ref<Operand> alone = piNode->evaluate(access, &current, untraced);
    ASSERT_NE(alone.get(), nullptr);
    EXPECT_TRUE(alone->isEmpty());
    EXPECT_EQ(current, nullptr);
}

TEST_F(AlgebraicExprTest, KeepInputRestoresTheCurrentOperand) {
    auto start = Ref<Operand2>::adopt(new Operand2());
    auto kept =
        Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Predicate, new Operand2(), nullptr, 1));
    kept->addChild(Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Isa, new Operand2())).get());
    Operand* current = start.get();
    const Ref<Operand> result = kept->evaluate(access, &current, untraced);
    EXPECT_EQ(current, start.get());
    EXPECT_NE(result.get(), start.get());

    auto replaced = Ref<AlgebraicExpr>::adopt(leaf(OperatorKind::Predicate, new Operand2()));
    const Ref<Operand> other = replaced->evaluate(access, &current, untraced);
    EXPECT_EQ(current, other.get());
}

TEST_F(AlgebraicExprTest, EvaluatorShellMethods) {
    // The trace a session shares: one evaluator's debugOn switches it for all.
    auto trace = Ref<OperatorTrace>::make();
    auto eval = Ref<AlgebraicEval>::adopt(new AlgebraicEval(access, trace.get()));
    EXPECT_FALSE(eval->evaluate(nullptr, nullptr));
    FLSysArgs args;
    args.append(access);
    EXPECT_EQ(eval->methodCall("debugOn", &args), nullptr);
    EXPECT_NE(errors.text().find("WrongNumberOfArguments"), std::string::npos);
    EXPECT_FALSE(trace->on);
    EXPECT_EQ(eval->methodCall("debugOn", nullptr), eval.get());
    EXPECT_TRUE(trace->on);
    EXPECT_EQ(eval->methodCall("debugOff", nullptr), eval.get());
    EXPECT_FALSE(trace->on);

    auto meta = Ref<AlgebraicEvalMeta>::adopt(new AlgebraicEvalMeta());
    FLSysRef made = meta->methodCall("new", &args);
    EXPECT_NE(made.get(), nullptr);
    FLSysArgs wrong;
    wrong.append(eval.get());
    EXPECT_EQ(meta->methodCall("new", &wrong), nullptr);
    EXPECT_NE(errors.text().find("WrongArgument"), std::string::npos);
}

}  // namespace
}  // namespace compile_test
