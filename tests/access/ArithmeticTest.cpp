// Tests of the arithmetic atoms and the conversions between strings, numbers and objects.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "BuiltinTestSupport.h"
#include "access/NormalizeName.h"

using namespace access_test;

namespace {

class ArithmeticTest : public BuiltinTest {};

// The single cell solved, or Free when there is no row.
InternalName solved(const Rows& rows, int position) {
    return rows.size() == 1 ? rows[0][static_cast<std::size_t>(position)]
                            : InternalName::UndefinedObject;
}

}  // namespace

TEST_F(ArithmeticTest, TheFreeCellIsSolved) {
    enum { Plus = 100, Minus, Times, Quotient, Division };
    struct Case {
        int type;
        InternalName x, y, r;
        int position;
        InternalName expected;
    };
    const Case cases[] = {
        {Plus, integer(2), Free, integer(5), 1, integer(3)},
        {Plus, integer(1), real(1.5f), Free, 2, real(2.5f)},
        {Minus, integer(10), Free, integer(3), 1, integer(7)},
        {Minus, Free, integer(4), integer(3), 0, integer(7)},
        {Times, Free, integer(4), integer(6), 0, real(1.5f)},
        {Division, integer(10), Free, integer(4), 1, real(2.5f)},
        {Quotient, integer(7), integer(2), Free, 2, integer(3)},
        {Quotient, integer(-7), integer(2), Free, 2, integer(-3)},
        {Division, integer(7), integer(2), Free, 2, real(3.5f)},
        {Division, Free, integer(2), integer(3), 0, integer(6)},
        // Integers stay exact beyond the 24 bits of a float.
        {Plus, integer(16777217), integer(1), Free, 2, integer(16777218)},
        {Times, integer(4097), integer(4097), Free, 2, integer(16785409)},
        // A whole result beyond 32 bits becomes a float.
        {Plus, integer(2147483647), integer(1), Free, 2, real(2147483648.0f)},
        {Quotient, integer(-2147483647 - 1), integer(-1), Free, 2, real(2147483648.0f)},
        {Quotient, real(1e30f), real(0.5f), Free, 2, real(2e30f)},
    };
    for (const Case& each : cases) {
        const Rows rows = arithmetic(each.type, each.x, each.y, each.r);
        EXPECT_EQ(solved(rows, each.position), each.expected)
            << each.type << ": " << each.x << " " << each.y << " " << each.r;
    }
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(ArithmeticTest, BoundAtomsAreChecked) {
    EXPECT_EQ(arithmetic(102, integer(2), integer(3), integer(6)).size(), 1u);
    EXPECT_EQ(arithmetic(102, integer(2), integer(3), integer(7)).size(), 0u);
    EXPECT_EQ(arithmetic(100, integer(16777217), integer(1), integer(16777218)).size(), 1u);
    EXPECT_EQ(arithmetic(100, integer(16777217), integer(1), integer(16777216)).size(), 0u);
    EXPECT_EQ(arithmetic(103, integer(7), integer(2), integer(3)).size(), 1u);
    // A computed result checks against the same atom once it is stored.
    const InternalName r = solved(arithmetic(100, real(0.1f), real(0.2f), Free), 2);
    ASSERT_EQ(r.getType(), InternalName::Float);
    EXPECT_EQ(arithmetic(100, real(0.1f), real(0.2f), r).size(), 1u);
    EXPECT_EQ(arithmetic(100, real(0.1f), real(0.2f), real(0.4f)).size(), 0u);
    // Mapped operands are computed with.
    test->map(object("n"), integer(4));
    EXPECT_EQ(solved(arithmetic(100, object("n"), integer(1), Free), 2), integer(5));
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(ArithmeticTest, FailuresAndTheirReports) {
    EXPECT_EQ(arithmetic(104, integer(6), integer(0), Free).size(), 0u);
    EXPECT_EQ(lastError(), "6/111");
    EXPECT_EQ(centralErrorHandler().getError().getName(), "Division by zero");
    EXPECT_EQ(centralErrorHandler().getError().getWhere(), "OMAccess::Arithmetic");
    centralErrorHandler().reset();
    EXPECT_EQ(arithmetic(103, integer(6), integer(0), integer(1)).size(), 0u);
    EXPECT_EQ(lastError(), "6/111");

    centralErrorHandler().reset();
    EXPECT_EQ(arithmetic(100, Free, Free, integer(3)).size(), 0u);
    EXPECT_EQ(lastError(), "6/110");

    // Silent failures: a non-number and a factor or divisor whose partner is 0.
    centralErrorHandler().reset();
    EXPECT_EQ(arithmetic(100, integer(3), text("a"), Free).size(), 0u);
    EXPECT_EQ(arithmetic(102, Free, integer(0), integer(5)).size(), 0u);
    EXPECT_EQ(arithmetic(102, integer(0), Free, integer(0)).size(), 0u);
    EXPECT_EQ(arithmetic(104, integer(5), Free, integer(0)).size(), 0u);
    EXPECT_EQ(lastError(), "0/0");

    const InternalName tuple[2] = {integer(1), integer(2)};
    EXPECT_EQ(access->matchArithmetic(tuple, 2, ArithmeticOp::Plus), nullptr);
}

TEST_F(ArithmeticTest, TextsBecomeNumbers) {
    struct Case {
        InternalName text;
        InternalName expected;  // Free: no row
    };
    const Case cases[] = {
        {text("42"), integer(42)},
        {text("-2.5"), real(-2.5f)},
        {text("3"), integer(3)},
        {text("#2.5"), real(2.5f)},
        {text("12ab"), integer(12)},
        {text(" 7"), integer(7)},
        {text("16777217"), integer(16777217)},
        {text("abc"), Free},
        {text("0x10"), integer(0)},
        {text("inf"), Free},
        {text("Nan"), Free},
        {text(""), Free},
        {integer(42), integer(42)},
        {object("o"), Free},
    };
    for (const char* name : {"string2integer", "string2float"}) {
        for (const Case& each : cases) {
            const Rows rows = call(name, {each.text, Free}).rows;
            EXPECT_EQ(solved(rows, 1), each.expected) << name << "(" << textOf(each.text) << ")";
        }
    }
    EXPECT_EQ(call("string2integer", {text("42"), integer(42)}).rows.size(), 1u);
    EXPECT_EQ(call("string2integer", {text("42"), real(42.5f)}).rows.size(), 0u);
    EXPECT_EQ(call("string2integer", {text("16777217"), integer(16777216)}).rows.size(), 0u);
    EXPECT_EQ(call("string2integer", {text("42"), object("o")}).rows.size(), 0u);

    // The other direction: a number gives the string constant of its lexical form.
    EXPECT_EQ(textOf(solved(call("string2integer", {Free, integer(42)}).rows, 0)), "42");
    EXPECT_EQ(textOf(solved(call("string2float", {Free, real(2.5f)}).rows, 0)), "#2.5");
    EXPECT_EQ(call("string2integer", {Free, object("o")}).rows, Rows{});
    EXPECT_EQ(call("string2integer", {Free, Free}).rows, Rows{});
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(ArithmeticTest, TextsBecomeObjects) {
    const InternalName made = solved(call("string2object", {text("Hello World"), Free}).rows, 1);
    EXPECT_EQ(made, object("hello_world"));
    EXPECT_EQ(call("string2object", {text("Hello World"), object("hello_world")}).rows.size(), 1u);
    EXPECT_EQ(call("string2object", {text("Hello World"), object("other")}).rows.size(), 0u);
    EXPECT_EQ(solved(call("string2object", {text("7"), Free}).rows, 1), integer(7));
    EXPECT_EQ(solved(call("string2object", {text("#1.5"), Free}).rows, 1), real(1.5f));
    EXPECT_EQ(call("string2object", {text("abc"), integer(3)}).rows.size(), 0u);
    EXPECT_EQ(call("string2object", {text(""), Free}).rows, Rows{});
    EXPECT_EQ(call("string2object", {text("-5"), Free}).rows, Rows{});
    const InternalName quoted = solved(call("string2object", {text("\"q\""), Free}).rows, 1);
    EXPECT_EQ(quoted.getType(), InternalName::String);

    // An object gives the string constant of its name.
    EXPECT_EQ(textOf(solved(call("string2object", {Free, object("abc")}).rows, 0)), "abc");
    EXPECT_EQ(call("string2object", {object("o"), Free}).rows, Rows{});
    EXPECT_EQ(lastError(), "0/0");
}

TEST(NormalizeName, LettersLoweredOthersReplaced) {
    EXPECT_EQ(normalizeName("A-B.c9"), "a_b_c9");
    EXPECT_EQ(normalizeName(""), "");
    EXPECT_EQ(normalizeName("Order-Line"), normalizeName("order_line"));
    EXPECT_EQ(normalizeName("caf\xc3\xa9"), "caf__");
}
