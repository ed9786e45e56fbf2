// The planner's place for axis steps that list every related pair when their host is free:
// after the literal that binds their host, whichever is written first; other steps keep the
// written order.
#include <gtest/gtest.h>

#include <string>

#include "compile/JoinPlanner.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/ParseTreeTestSupport.h"

namespace {

using language_test::TreeBuilder;

// The planned body as text, literals separated by " | ".
std::string planned(TreeBuilder& b, FLiteralList* body) {
    VarSet bound;
    const Ref<FLiteralList> order = JoinPlanner::plan(body, bound, b.names);
    std::string text;
    if (!order) return "<none>";
    for (FLiteral* literal : *order->getList())
        text += (text.empty() ? "" : " | ") + b.text(literal);
    return text;
}

// D : xmldoc
FLiteral* documentTest(TreeBuilder& b) {
    return b.lit(b.mol(b.var("D"), {}, b.cnst("xmldoc"), 1));
}

// D[<axis>::a ->> {T}]
FLiteral* axisAtom(TreeBuilder& b, int code) {
    return b.lit(b.pevoMol(b.var("D"), {b.pevoSpec(b.cnst("a"), code, {b.var("T")})}));
}

// D/<axis>::a[self -> T]
FLiteral* axisPath(TreeBuilder& b, int code) {
    return b.lit(
        b.mol(b.pevoStep(b.var("D"), b.cnst("a"), code), {b.sspec(b.cnst("v"), b.var("T"))}));
}

}  // namespace

TEST(AxisStepPlan, PairStepsComeAfterTheLiteralBindingTheirHost) {
    for (int code : {2, 4, 5}) {
        TreeBuilder b;
        FLiteral* test = documentTest(b);
        const std::string first = b.text(test);
        EXPECT_EQ(planned(b, b.body({axisAtom(b, code), test})).substr(0, first.size()), first)
            << "axis " << code;
        TreeBuilder c;
        FLiteral* other = documentTest(c);
        EXPECT_EQ(planned(c, c.body({axisPath(c, code), other})).substr(0, first.size()), first)
            << "axis " << code << " as a path";
    }
}

TEST(AxisStepPlan, OtherStepsKeepTheWrittenOrder) {
    for (int code : {1, 3, 6}) {
        TreeBuilder b;
        FLiteral* step = axisAtom(b, code);
        const std::string first = b.text(step);
        EXPECT_EQ(planned(b, b.body({step, documentTest(b)})).substr(0, first.size()), first)
            << "axis " << code;
    }
}

TEST(AxisStepPlan, AStepWhoseHostNothingBindsIsStillPlaced) {
    TreeBuilder b;
    FLiteral* step = axisAtom(b, 2);
    FLiteral* other = b.lit(b.pred("p", {b.var("X")}));
    EXPECT_EQ(planned(b, b.body({step, other})), b.text(other) + " | " + b.text(step));
}

TEST(AxisStepPlan, HostVariablesOfPairStepsOnly) {
    TreeBuilder b;
    const FSymbol d = b.varSymbol("D");
    EXPECT_EQ(JoinPlanner::pairStepHost(axisAtom(b, 2)), std::vector<FSymbol>{d});
    EXPECT_EQ(JoinPlanner::pairStepHost(axisPath(b, 4)), std::vector<FSymbol>{d});
    EXPECT_TRUE(JoinPlanner::pairStepHost(axisAtom(b, 1)).empty());
    EXPECT_TRUE(JoinPlanner::pairStepHost(axisAtom(b, 3)).empty());
    EXPECT_TRUE(JoinPlanner::pairStepHost(documentTest(b)).empty());
    FLiteral* negated = b.notLit(b.pevoMol(b.var("D"), {b.pevoSpec(b.cnst("a"), 2, {b.var("T")})}));
    EXPECT_TRUE(JoinPlanner::pairStepHost(negated).empty());
}
