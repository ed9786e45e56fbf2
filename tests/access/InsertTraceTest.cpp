// Tests of the six insert operations of OMAccess with their trace lines and the path arithmetic.
#include <gtest/gtest.h>

#include <memory>

#include "AccessTestSupport.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/FSymbol.h"

using namespace access_test;

namespace {

class InsertTraceTest : public AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        a = object("a");
        b = object("b");
        m = object("m");
        access->methodCall("debugOn", nullptr);
    }

    InternalName a, b, m;
    ChannelCapture trace{debugChannel()};
};

std::string line(const std::string& text) {
    return "\ninsert :   " + text + "\n";
}

}  // namespace

TEST_F(InsertTraceTest, MethodFactsTraceHostMethodArrowAndValue) {
    EXPECT_EQ(access->insertValue(a, m, nullptr, 0, MethodType::Scalar, b), 1);
    EXPECT_EQ(trace.text(), line("a[m->b]"));

    // A repeated fact adds nothing and writes nothing.
    trace.clear();
    EXPECT_EQ(access->insertValue(a, m, nullptr, 0, MethodType::Scalar, b), 0);
    EXPECT_EQ(trace.text(), "");

    // Arguments follow the method; every arrow of the trace.
    const InternalName args[] = {integer(1), object("x")};
    const struct {
        int type;
        const char* arrow;
    } arrows[] = {{0, "->"},  {1, "->>"}, {2, "???"}, {3, "*->"}, {4, "*->>"},
                  {5, "???"}, {6, "=>"},  {7, "=>>"}, {8, "???"}};
    for (const auto& arrow : arrows) {
        trace.clear();
        EXPECT_EQ(access->insertValue(b, m, args, 2, MethodType(arrow.type), integer(5)), 1)
            << arrow.type;
        EXPECT_EQ(trace.text(), line(std::string("b[m@(1,x)") + arrow.arrow + "5]"));
    }
}

TEST_F(InsertTraceTest, SetMembersAndPathsTraceEveryAttemptUnderTraceAll) {
    set<InternalName> values;
    values.insert(integer(3));
    values.insert(integer(-1));
    values.insert(b);
    const std::string members = line("a[m->>-1]") + line("a[m->>3]") + line("a[m->>b]");
    EXPECT_EQ(access->insertSet(a, m, nullptr, 0, MethodType::Set, values), 1);
    EXPECT_EQ(trace.text(), members);
    trace.clear();
    EXPECT_EQ(access->insertSet(a, m, nullptr, 0, MethodType::Set, values), 0);
    EXPECT_EQ(trace.text(), "");

    // A path step traces its step symbol and the made value.
    InternalName value, inherited;
    EXPECT_EQ(access->insertPath(a, m, nullptr, 0, MethodType::Scalar, value), 1);
    EXPECT_EQ(access->insertPath(b, m, nullptr, 0, MethodType::InheritableScalar, inherited), 1);
    std::string form, inheritedForm;
    access->giveLexicalForm(value, form);
    access->giveLexicalForm(inherited, inheritedForm);
    EXPECT_EQ(trace.text(), line("a.m" + form) + line("b!m" + inheritedForm));

    StringArgs all{"all"};
    access->methodCall("debugOn", &all);
    trace.clear();
    EXPECT_EQ(access->insertSet(a, m, nullptr, 0, MethodType::Set, values), 0);
    EXPECT_EQ(trace.text(), members);
    // A set-valued step makes no value, an arithmetic one computes; both show "???" as the step.
    trace.clear();
    InternalName none = b;
    EXPECT_EQ(access->insertPath(a, m, nullptr, 0, MethodType::AttributeSet, none), 0);
    EXPECT_EQ(access->insertPath(integer(7), integer(-2), nullptr, 0, ArithmeticOp::IntegerDivision,
                                 value),
              0);
    EXPECT_EQ(value, integer(-3));
    EXPECT_EQ(trace.text(), line("a???mb") + line("7??"
                                                  "?-2-3"));
}

TEST_F(InsertTraceTest, ClassRelationsObjectsAndPredicatesTraceOnceWhenNew) {
    const InternalName c = object("c");
    for (int kind : {1, 2, 3}) EXPECT_EQ(access->insertClassRelation(a, c, IsaRelation(kind)), 1);
    EXPECT_EQ(access->insertClassRelation(a, c, IsaRelation::Member), 0);
    InternalName out;
    EXPECT_EQ(access->insertObject(symbol("fresh", InternalName::Function, 0), nullptr, 0, out), 1);
    const InternalName args[] = {a, integer(2)};
    EXPECT_EQ(access->insertObject(symbol("f", InternalName::Function, 2), args, 2, out), 1);
    const FSymbol p = symbol("p", InternalName::Predicate, 2);
    EXPECT_EQ(access->insertPredicate(p, args, 2), 1);
    EXPECT_EQ(access->insertPredicate(p, args, 2), 0);
    EXPECT_EQ(trace.text(), line("a:c") + line("a::c") + line("a child c") + line("fresh") +
                                line("f(a,2)") + line("p(a,2)"));

    // Numbers are their own objects with flag 0; a number with arguments is no term.
    trace.clear();
    out = a;
    EXPECT_EQ(access->insertObject(FSymbol(7, InternalName::Integer, -1), nullptr, 0, out), 0);
    EXPECT_EQ(out, integer(7));
    out = a;
    EXPECT_EQ(access->insertObject(FSymbol(7, InternalName::Integer, 0), &b, 1, out), 0);
    EXPECT_EQ(out, a);
    EXPECT_EQ(trace.text(), "");
}

TEST_F(InsertTraceTest, NewFactsNoDeltaRecordsAreTracedOnEveryRoad) {
    // While a delta is recorded, a fact no delta predicate records answers 0; it is new all the
    // same and traced, on the plain roads and on those that keep frames and sets.
    const FSymbol p = symbol("p", InternalName::Predicate, 1);
    const FSymbol q = symbol("q", InternalName::Predicate, 1);
    DeltaTable table;
    ASSERT_EQ(om->initDelta(&table), 1);
    EXPECT_EQ(access->insertPredicate(p, &a, 1), 0);
    const std::unique_ptr<HeadWriter> tuples =
        access->openHeadWriter(HeadRelation::ofPredicate(q, 1));
    EXPECT_EQ(tuples->insert(&a), 0);
    EXPECT_EQ(tuples->insert(&b), 0);
    EXPECT_EQ(tuples->insert(&b), 0);
    const std::unique_ptr<HeadWriter> members =
        access->openHeadWriter(HeadRelation::ofMethod(MethodType::Set, 0, 1));
    const InternalName first[] = {a, m, b};
    const InternalName second[] = {a, m, a};
    EXPECT_EQ(members->insert(first), 0);
    EXPECT_EQ(members->insert(second), 0);
    EXPECT_EQ(members->insert(second), 0);
    EXPECT_EQ(access->insertClassRelation(a, b, IsaRelation::Member), 0);
    EXPECT_EQ(access->insertClassRelation(a, b, IsaRelation::Member), 0);
    EXPECT_EQ(trace.text(), line("p(a)") + line("q(a)") + line("q(b)") + line("a[m->>b]") +
                                line("a[m->>a]") + line("a:b"));
    om->clearDelta();
}

TEST_F(InsertTraceTest, TheEqualityBuiltinEquatesItsTwoArguments) {
    const FSymbol equals = symbol("=", InternalName::BuiltinPredicate, 2);
    const InternalName pair[] = {a, b};
    EXPECT_EQ(access->insertPredicate(equals, pair, 2), 1);
    EXPECT_EQ(trace.text(), line("=(a,b)"));
    InternalName representative;
    EXPECT_TRUE(om->isPendingEquality(a, representative) ||
                om->isPendingEquality(b, representative));

    // Two different numbers are refused by the object base; one argument equates nothing.
    const InternalName numbers[] = {integer(1), integer(2)};
    EXPECT_EQ(access->insertPredicate(equals, numbers, 2), 0);
    EXPECT_EQ(access->insertPredicate(equals, pair, 1), 0);
    // Other built-ins insert nothing.
    EXPECT_EQ(access->insertPredicate(symbol("<", InternalName::BuiltinPredicate, 2), pair, 2), 0);
}

TEST_F(InsertTraceTest, ArithmeticRefusesWhatItCannotCompute) {
    const struct {
        int left, right, type, expected;
    } sums[] = {{7, -2, 103, -3}, {-7, 2, 104, -3},  {7, -2, 100, 5},
                {7, -2, 101, 9},  {7, -2, 102, -14}, {2147483647, -1, 100, 2147483646}};
    for (const auto& sum : sums) {
        InternalName out;
        EXPECT_EQ(
            access->insert(integer(sum.left), integer(sum.right), out, ArithmeticOp(sum.type)), 0);
        EXPECT_EQ(out, integer(sum.expected));
    }

    InternalName out = a;
    EXPECT_EQ(access->insert(integer(7), integer(0), out, ArithmeticOp(103)), -1);
    EXPECT_EQ(out, integer(0));
    const Error division = centralErrorHandler().getError();
    EXPECT_EQ(lastError(), "6/111");
    EXPECT_EQ(division.getName(), "Division by zero");
    EXPECT_EQ(division.getMessage(),
              "The second argument of operator / was 0,\ntherefore object insertion is aborted");

    // Non-integers and results beyond 32 bits (INT_MIN div -1 among them) are wrong arguments.
    const struct {
        InternalName left, right;
        int type;
    } wrong[] = {{a, integer(1), 100},
                 {integer(1), InternalName(0x40000000, InternalName::Float, 0), 100},
                 {integer(2147483647), integer(1), 100},
                 {integer(-2147483647 - 1), integer(-1), 103},
                 {integer(65536), integer(65536), 102}};
    for (const auto& operands : wrong) {
        centralErrorHandler().reset();
        out = a;
        EXPECT_EQ(access->insert(operands.left, operands.right, out, ArithmeticOp(operands.type)),
                  -1);
        EXPECT_EQ(out, integer(0));
        EXPECT_EQ(lastError(), "6/206");
    }
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "got invalid arguments for arithmetic expression while object insertion, \n "
              "therefore object insertion is aborted");
}

TEST_F(InsertTraceTest, CorrectClassAndPathInsertsReportNothing) {
    // The facts an imported element gives: its class, the class as a tag below node, paths.
    const InternalName tag = object("tag");
    const InternalName node = object("node");
    for (const char* name : {"p", "q"}) {
        const InternalName cls = object(name);
        EXPECT_EQ(access->insertClassRelation(a, cls, IsaRelation::Member), 1);
        EXPECT_EQ(access->insertClassRelation(cls, tag, IsaRelation::Member), 1);
        EXPECT_EQ(access->insertClassRelation(cls, node, IsaRelation::Subclass), 1);
        const InternalName args[] = {integer(1)};
        InternalName value;
        EXPECT_EQ(access->insertPath(a, cls, args, 1, MethodType::Scalar, value), 1);
        InternalName plain;
        EXPECT_EQ(access->insertPath(cls, m, nullptr, 0, MethodType::Scalar, plain), 1);
    }
    // A subclass fact closing a cycle collapses it, again without a report.
    const InternalName p = object("p");
    EXPECT_EQ(access->insertClassRelation(node, p, IsaRelation::Subclass), 1);
    EXPECT_EQ(access->isaTest(p, node, IsaRelation::Subclass), 1);
    EXPECT_EQ(errors.text(), "");
    EXPECT_EQ(lastError(), "0/0");
}
