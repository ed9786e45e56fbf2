// Tests of the shell values: printed and displayed forms, class tests and literal recognition.
#include <gtest/gtest.h>

#include <climits>

#include "ShellTestSupport.h"
#include "foundation/ShellValues.h"

namespace {

class ShellValuesTest : public ShellStateTest {
  protected:
    OutputChannel channel;
    ChannelCapture out{channel};

    std::string printed(const FLSysObject& object) {
        out.clear();
        object.print(channel);
        return out.text();
    }
    std::string displayed(const FLSysObject& object) {
        out.clear();
        object.display(channel);
        return out.text();
    }
};

TEST_F(ShellValuesTest, PrintedAndDisplayedForms) {
    FLSysString text("a b");
    EXPECT_EQ(printed(text), "\"a b\"");
    EXPECT_EQ(displayed(text), "a b\n");

    FLSysBoolean five(5), zero(0);
    EXPECT_EQ(printed(five), "true");
    EXPECT_EQ(displayed(zero), "false\n");

    EXPECT_EQ(displayed(FLSysInteger(-17)), "-17\n");
    FLSysSymbol symbol("abc");
    EXPECT_EQ(printed(symbol), "FLSysSymbol(abc)");
    EXPECT_EQ(displayed(symbol), "'abc");

    FLSysEsc end("end");
    EXPECT_EQ(printed(end), "FLSysEsc(end)");
    EXPECT_EQ(displayed(end), "'end");
}

TEST_F(ShellValuesTest, ClassTests) {
    // An escape is a symbol, not the other way round; a boolean is no integer.
    EXPECT_TRUE(FLSysEsc("return").isA("FLSysSymbol"));
    EXPECT_FALSE(FLSysSymbol("x").isA("FLSysEsc"));
    EXPECT_FALSE(FLSysBoolean(1).isA("FLSysInteger"));
}

TEST_F(ShellValuesTest, StringLiterals) {
    auto empty = Ref<FLSysString>::adopt(FLSysString::fromLiteral("\"\""));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->value(), "");
    empty.reset();
    auto word = Ref<FLSysString>::adopt(FLSysString::fromLiteral("\"a\"b\""));
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(word->value(), "a\"b");
    word.reset();
    EXPECT_EQ(FLSysString::fromLiteral("\""), nullptr);
    EXPECT_EQ(FLSysString::fromLiteral("abc"), nullptr);
    EXPECT_EQ(FLSysString::fromLiteral("\"abc"), nullptr);
    auto plain = Ref<FLSysString>::adopt(FLSysString::fromString("\"q\""));
    EXPECT_EQ(plain->value(), "\"q\"");
}

TEST_F(ShellValuesTest, IntegerLiterals) {
    const std::pair<const char*, int> good[] = {
        {"-", 0}, {"-2147483648", INT_MIN}, {"00000000000000000042", 42}};
    for (const auto& [token, value] : good) {
        auto literal = Ref<FLSysInteger>::adopt(FLSysInteger::fromLiteral(token));
        ASSERT_NE(literal, nullptr) << token;
        EXPECT_EQ(literal->value(), value) << token;
    }
    for (const char* bad : {"", "1a", "+5", " 1", "2147483648", "-2147483649"}) {
        EXPECT_EQ(FLSysInteger::fromLiteral(bad), nullptr) << bad;
    }
    EXPECT_EQ(FLSysInteger("  42abc").value(), 42);
    EXPECT_EQ(FLSysInteger("x").value(), 0);
    EXPECT_EQ(FLSysInteger("99999999999").value(), 0);
}

}  // namespace
