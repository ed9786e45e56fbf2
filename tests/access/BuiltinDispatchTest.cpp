// Tests of the built-in dispatcher: equality with binding, comparisons, type tests, the arities
// each name accepts and the reports for unknown and unsafe atoms.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>

#include "BuiltinTestSupport.h"
#include "access/DummyIterator.h"

using namespace access_test;

namespace {

class BuiltinDispatchTest : public BuiltinTest {};

}  // namespace

TEST_F(BuiltinDispatchTest, EqualityBindsAFreeSideAndComparesNumbersByValue) {
    const InternalName five = integer(5);
    EXPECT_EQ(call("=", {Free, five}).rows, (Rows{{five, five}}));
    EXPECT_EQ(call("=", {five, Free}).rows, (Rows{{five, five}}));
    EXPECT_EQ(call("=", {integer(3), real(3.5f)}).rows, Rows{});
    const InternalName three = integer(3);
    const InternalName threeAsFloat(std::bit_cast<std::int32_t>(3.0f), InternalName::Float, 0);
    EXPECT_EQ(call("=", {three, threeAsFloat}).rows, (Rows{{three, threeAsFloat}}));
    EXPECT_EQ(call("=", {text("a"), text("b")}).rows, Rows{});
    EXPECT_EQ(call("=", {text("a"), text("a")}).rows.size(), 1u);
    // Integers are compared exactly, not as 32-bit floats.
    EXPECT_EQ(call("=", {integer(16777216), integer(16777217)}).rows, Rows{});
    EXPECT_EQ(lastError(), "0/0");

    const Answer both = call("=", {Free, Free});
    EXPECT_TRUE(both.iterator);
    EXPECT_EQ(both.rows, Rows{});
    const Error error = centralErrorHandler().getError();
    EXPECT_EQ(error.getName() + "|" + error.getMessage() + "|" + error.getWhere(),
              "Two|Got two InternalName::UndefinedObject as argument|EqIterator::first()");
}

TEST_F(BuiltinDispatchTest, MappedNamesCountOnlyWhileALinkIsFollowed) {
    const InternalName a = object("a"), b = object("b"), t = text("x");
    test->map(a, t);
    test->map(b, t);
    EXPECT_EQ(call("=", {a, b}).rows, Rows{});
    EXPECT_EQ(call("equiv", {a, b}).rows, (Rows{{a, b}}));
    test->setFollowingLink(1);
    EXPECT_EQ(call("=", {a, b}).rows, (Rows{{a, b}}));
    EXPECT_EQ(call("=", {a, object("c")}).rows, Rows{});
    test->setFollowingLink(0);
    EXPECT_EQ(call("equiv", {a, object("c")}).rows, Rows{});
}

TEST_F(BuiltinDispatchTest, ComparisonsReadNumbersExactly) {
    struct Case {
        const char* op;
        InternalName x, y;
        bool holds;
    };
    const InternalName big = integer(16777216), bigger = integer(16777217);
    const Case cases[] = {
        {"<", integer(2), real(2.5f), true},
        {">", integer(2), real(2.5f), false},
        {"<=", integer(2), integer(2), true},
        {">=", integer(2), integer(2), true},
        {"<", integer(2), integer(2), false},
        {"<", big, bigger, true},
        {">=", big, bigger, false},
        {"<", real(0.1f), real(0.2f), true},
        {"<", text("a"), text("b"), false},
        {">", integer(1), object("o"), false},
        {"<", real(std::nanf("")), integer(1), false},
        {">=", real(std::nanf("")), integer(1), false},
    };
    for (const Case& each : cases) {
        const Answer answer = call(each.op, {each.x, each.y});
        EXPECT_TRUE(answer.iterator);
        EXPECT_EQ(answer.rows.size(), each.holds ? 1u : 0u)
            << each.x << " " << each.op << " " << each.y;
    }
    EXPECT_EQ(lastError(), "0/0");
    // The mapped form is compared.
    test->map(object("n"), integer(7));
    EXPECT_EQ(call(">", {object("n"), integer(3)}).rows.size(), 1u);
}

TEST_F(BuiltinDispatchTest, UnboundArgumentsAreUnsafe) {
    const Answer less = call("<", {Free, integer(3)});
    EXPECT_TRUE(less.iterator);
    EXPECT_EQ(less.rows, Rows{});
    EXPECT_EQ(lastError(), "6/110");
    const Error unsafe = centralErrorHandler().getError();
    EXPECT_EQ(unsafe.getName() + "|" + unsafe.getMessage() + "|" + unsafe.getWhere(),
              "Answer not safe|Matching arguments describe an infinite set. Unable to compute the "
              "answer set.|method");

    errors.clear();
    centralErrorHandler().reset();
    const Answer equiv = call("equiv", {Free, object("a")});
    EXPECT_FALSE(equiv.iterator);
    EXPECT_EQ(lastError(), "6/110");
}

TEST_F(BuiltinDispatchTest, TypeTestsLookAtTheMappedForm) {
    struct Case {
        const char* test;
        InternalName x;
        bool holds;
    };
    const Case cases[] = {
        {"integer", integer(3), true}, {"integer", real(3.5f), false},
        {"float", real(3.5f), true},   {"float", integer(3), false},
        {"string", text("s"), true},   {"string", integer(3), false},
        {"integer", Free, false},      {"string", object("o"), false},
    };
    for (const Case& each : cases)
        EXPECT_EQ(call(each.test, {each.x}).rows.size(), each.holds ? 1u : 0u)
            << each.test << "(" << each.x << ")";
    EXPECT_EQ(lastError(), "0/0");

    const InternalName n = object("n"), f = real(1.5f);
    test->map(n, integer(4));
    EXPECT_EQ(call("integer", {n}).rows, (Rows{{n}}));
    EXPECT_EQ(call("string", {n}).rows, Rows{});
    // A float keeps being one when its mapping names something else.
    test->map(f, text("x"));
    EXPECT_EQ(call("float", {f}).rows.size(), 1u);
    EXPECT_EQ(call("string", {f}).rows.size(), 1u);
}

TEST_F(BuiltinDispatchTest, UnknownNamesAndAritiesAreReported) {
    const Answer unknown = call("frobnicate", {integer(1), integer(2)});
    EXPECT_FALSE(unknown.iterator);
    EXPECT_EQ(lastError(), "6/204");
    const Error error = centralErrorHandler().getError();
    EXPECT_EQ(error.getName() + "|" + error.getMessage() + "|" + error.getWhere(),
              "UnknownBuiltIn|Unknown built in predicate frobnicate with arity 2|OMAccess::match");
    EXPECT_EQ(error.getSeriousness(), 1);

    struct Case {
        const char* name;
        int arity;
    };
    // Names whose arity does not fit go on down the table and end as unknown.
    const Case refused[] = {{"describe", 3}, {"=", 3},     {"equiv", 1},
                            {"integer", 2},  {"match", 3}, {"pmatch", 5}};
    for (const Case& each : refused) {
        errors.clear();
        const Answer answer =
            call(each.name, Row(static_cast<std::size_t>(each.arity), integer(1)));
        EXPECT_FALSE(answer.iterator) << each.name << "/" << each.arity;
        EXPECT_EQ(centralErrorHandler().getError().getMessage(),
                  std::string("Unknown built in predicate ") + each.name + " with arity " +
                      std::to_string(each.arity));
    }
}

TEST_F(BuiltinDispatchTest, PatternMatchersGoToTheRegularExpressions) {
    EXPECT_EQ(call("match", {text("a1b22"), text("[0-9]+"), text(""), Free}).rows,
              (Rows{{text("a1b22"), text("[0-9]+"), text(""), text("1")},
                    {text("a1b22"), text("[0-9]+"), text(""), text("22")}}));
}

TEST_F(BuiltinDispatchTest, TheOldIteratorIsReleased) {
    // The leak checker sees an old iterator that the dispatcher keeps.
    const InternalName row[2] = {integer(1), integer(2)};
    Iterator* old = new DummyIterator(row, 2, true);
    const auto it = Ref<Iterator>::adopt(
        access->makeFuncOrPredIter(symbol("<", InternalName::BuiltinPredicate, 2), row, 2, old));
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(drain(it.get()), (Rows{{integer(1), integer(2)}}));
}
