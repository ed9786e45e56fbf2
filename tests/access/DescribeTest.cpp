// Tests of "describe" and the description iterators: filters, set members and argument rows of
// the five-column form, row order and the iterators' reports.
#include <gtest/gtest.h>

#include "BuiltinTestSupport.h"
#include "access/DescIter.h"
#include "access/DescIterWithResult.h"

using namespace access_test;

namespace {

class DescribeTest : public BuiltinTest {
  protected:
    void SetUp() override {
        BuiltinTest::SetUp();
        o = object("o");
        p = object("p");
        m = object("m");
        n = object("n");
        a = object("a");
        b = object("b");
        s = object("s");
        x = object("x");
        // o[m -> a], o[n@(x) ->> {a, b}], p[m -> b]
        access->insertValue(o, m, nullptr, 0, MethodType::Scalar, a);
        set<InternalName> members;
        members.insert(a);
        members.insert(b);
        access->insertSet(o, n, &x, 1, MethodType::Set, members);
        access->insertValue(p, m, nullptr, 0, MethodType::Scalar, b);
    }

    InternalName o, p, m, n, a, b, s, x;
    const InternalName Arrow = builtinObject::Arrow;
    const InternalName SetArrow = builtinObject::SetArrow;
};

bool sameRows(Rows got, Rows expected) {
    std::sort(got.begin(), got.end());
    std::sort(expected.begin(), expected.end());
    return got == expected;
}

}  // namespace

TEST_F(DescribeTest, FourArgumentsDescribeTheEntries) {
    EXPECT_TRUE(sameRows(call("describe", {o, Free, Free, Free}).rows,
                         {{o, m, integer(0), Arrow}, {o, n, integer(1), SetArrow}}));
    EXPECT_EQ(call("describe", {o, m, integer(1), Free}).rows, Rows{});
    EXPECT_EQ(call("describe", {o, Free, integer(1), Free}).rows,
              (Rows{{o, n, integer(1), SetArrow}}));
    EXPECT_EQ(call("describe", {o, Free, Free, Arrow}).rows, (Rows{{o, m, integer(0), Arrow}}));
    // A bound arrow cell that is no arrow describes nothing.
    const Answer noArrow = call("describe", {o, Free, Free, text("=")});
    EXPECT_TRUE(noArrow.iterator);
    EXPECT_EQ(noArrow.rows, Rows{});
    EXPECT_EQ(call("describe", {object("unknown"), Free, Free, Free}).rows, Rows{});
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(DescribeTest, AFreeHostWalksEveryObject) {
    EXPECT_TRUE(sameRows(call("describe", {Free, m, Free, Free}).rows,
                         {{o, m, integer(0), Arrow}, {p, m, integer(0), Arrow}}));
    EXPECT_EQ(call("describe", {Free, Free, integer(1), Free}).rows,
              (Rows{{o, n, integer(1), SetArrow}}));

    // Hosts come in the order of the object names.
    auto hosts = Ref<Iterator>::adopt(access->objNamesIterator(nullptr));
    Row order;
    for (bool more = hosts->first(); more; more = hosts->next()) {
        const InternalName host = hosts->atColumn(1);
        if (host == o || host == p) order.push_back(host);
    }
    hosts.reset();
    Row seen;
    for (const Row& row : call("describe", {Free, m, Free, Free}).rows) seen.push_back(row[0]);
    EXPECT_EQ(seen, order);
}

TEST_F(DescribeTest, FiveArgumentsAddTheValues) {
    EXPECT_EQ(call("describe", {o, n, Free, Free, Free}).rows,
              (Rows{{o, n, integer(1), SetArrow, a}, {o, n, integer(1), SetArrow, b}}));
    EXPECT_EQ(call("describe", {o, n, Free, Free, b}).rows,
              (Rows{{o, n, integer(1), SetArrow, b}}));
    EXPECT_TRUE(sameRows(call("describe", {Free, m, Free, Free, Free}).rows,
                         {{o, m, integer(0), Arrow, a}, {p, m, integer(0), Arrow, b}}));
    EXPECT_EQ(call("describe", {Free, m, Free, Free, b}).rows,
              (Rows{{p, m, integer(0), Arrow, b}}));
    EXPECT_EQ(call("describe", {o, m, Free, Free, s}).rows, Rows{});
}

TEST_F(DescribeTest, ArgumentTuplesGiveOneRowEach) {
    const InternalName q = object("q"), one = integer(1), two = integer(2);
    access->insertValue(q, m, &one, 1, MethodType::Scalar, a);
    access->insertValue(q, m, &two, 1, MethodType::Scalar, b);
    EXPECT_EQ(call("describe", {q, Free, Free, Free}).rows, (Rows{{q, m, integer(1), Arrow}}));
    EXPECT_TRUE(sameRows(call("describe", {q, m, Free, Free, Free}).rows,
                         {{q, m, integer(1), Arrow, a}, {q, m, integer(1), Arrow, b}}));
}

TEST_F(DescribeTest, EmptyValuesYieldNoRow) {
    // An entry whose set has no members has a description but no value row.
    const InternalName e = object("e");
    access->insertSet(e, n, nullptr, 0, MethodType::Set, set<InternalName>());
    ASSERT_EQ(call("describe", {e, Free, Free, Free}).rows, (Rows{{e, n, integer(0), SetArrow}}));
    EXPECT_EQ(call("describe", {e, Free, Free, Free, Free}).rows, Rows{});
    EXPECT_EQ(call("describe", {e, s, Free, Free, Free}).rows, Rows{});
}

TEST_F(DescribeTest, IteratorsReportMisuse) {
    auto hostless =
        Ref<Iterator>::adopt(new HostSpecDescIter(Free, Free, -1, std::nullopt, access));
    EXPECT_FALSE(hostless->first());
    EXPECT_EQ(lastError(), "6/9");
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid initalisation of desc iterator");
    hostless.reset();

    centralErrorHandler().reset();
    auto described = Ref<Iterator>::adopt(new HostSpecDescIter(o, m, -1, std::nullopt, access));
    ASSERT_TRUE(described->first());
    EXPECT_EQ(described->atColumn(5), Free);
    EXPECT_EQ(lastError(), "6/6");
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid use of DescIter::atColumn(int), the result is an undefined object ");
    described.reset();

    centralErrorHandler().reset();
    auto valued =
        Ref<Iterator>::adopt(new DescIterWithResult(o, m, Free, -1, std::nullopt, access));
    EXPECT_EQ(drain(valued.get()), (Rows{{o, m, integer(0), Arrow, a}}));
    EXPECT_EQ(valued->atColumn(6), Free);
    EXPECT_EQ(
        centralErrorHandler().getError().getMessage(),
        "Invalid use of DescIterWithResult::atColumn(int), the result is an undefined object ");
}
