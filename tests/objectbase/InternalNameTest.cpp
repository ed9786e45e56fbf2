// InternalName: order, printing, float construction at the edges and the identifier constants.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <sstream>

#include "SymbolErrorCapture.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"
#include "support/ChannelCapture.h"

namespace {

using Names = std::vector<std::string>;

std::int32_t bitsOf(float f) {
    return std::bit_cast<std::int32_t>(f);
}

TEST(InternalNameOrder, ValueThenKindThenFlag) {
    // Value decides first, as a signed number: an integer -1 precedes object o1.
    EXPECT_EQ(InternalName(-1, 8, 0).compare(InternalName(1, 3, 0)), -1);
    EXPECT_EQ(InternalName(5, 8, 0).compare(InternalName(5, 10, 1)), -1);
    EXPECT_EQ(InternalName(5, 8, -1).compare(InternalName(5, 8, 0)), -1);
    // The kind compares unsigned even at the top of its range.
    EXPECT_EQ(InternalName(5, 200, 0).compare(InternalName(5, 10, 0)), 1);
    EXPECT_EQ(InternalName(std::numeric_limits<std::int32_t>::min(), 8, 0)
                  .compare(InternalName(std::numeric_limits<std::int32_t>::max(), 0, 0)),
              -1);
    EXPECT_EQ(compare(InternalName(7, 8, 1), InternalName(7, 8, 1)), 0);
    EXPECT_NE(InternalName(7, 8, 1), InternalName(7, 8, 2));
    // Symbols order like identifiers.
    EXPECT_EQ(compare(FSymbol(3, 1, 0), FSymbol(3, 1, 1)), -1);
}

TEST(InternalNameBasics, PrefixesOfEveryKind) {
    const char* expected[] = {"pr3", "f3", "z3", "i3", "#3", "v3", "dcv3", "b3", "o3", "p3", "s3"};
    for (int kind = 0; kind <= 10; ++kind)
        EXPECT_EQ(InternalName(3, kind, 0).ToString(), expected[kind]);
    EXPECT_EQ(InternalName().ToString(), "o0");
    EXPECT_EQ(InternalName::InitialSetName.ToString(), "s0");
}

class InternalNameReports : public SymbolErrorCapture {};

TEST_F(InternalNameReports, UnknownKindPrintsQuestionMarkOncePerPrintKnownOnesPlainly) {
    InternalName odd(42, 11, 0);
    EXPECT_EQ(odd.ToString(), "?42");
    EXPECT_EQ(reported(), Names{"E:UnknownType"});
    std::ostringstream out;
    out << odd;
    EXPECT_EQ(out.str(), "?42");
    EXPECT_EQ(reported(), Names{"E:UnknownType"});

    // Known kinds print on a channel without a report.
    ChannelCapture captured(debugChannel());
    debugChannel() << InternalName(101, 8, 0) << " " << InternalName(-3, 3, -1);
    InternalName(2, 10, 1).printOn(&debugChannel());
    EXPECT_EQ(captured.text(), "o101 i-3s2");
    EXPECT_TRUE(reported().empty());
}

TEST(InternalNameFloat, WholeNumbersBecomeIntegers) {
    EXPECT_EQ(InternalName(-7.0f, 4, -1), InternalName(-7, 3, -1));
    // Other requested kinds are kept for whole numbers.
    EXPECT_EQ(InternalName(3.0f, 1, 0), InternalName(3, 1, 0));
    EXPECT_EQ(InternalName(-0.0f, 4, 0), InternalName(0, 3, 0));
    // The sum of two doubles is rounded to a float first.
    EXPECT_EQ(InternalName(1.5 + 2.5, 4, -1), InternalName(4, 3, -1));
    // The largest float below 2^31 is still an integer.
    const float below = std::nextafter(2147483648.0f, 0.0f);
    EXPECT_EQ(InternalName(below, 4, 0).getType(), 3);
    EXPECT_EQ(InternalName(below, 4, 0).getValue(), 2147483520);
    EXPECT_EQ(InternalName(-below, 4, 0).getValue(), -2147483520);
}

TEST(InternalNameFloat, EverythingElseKeepsItsBits) {
    InternalName half(3.5f, 3, 2);
    EXPECT_EQ(half.getType(), 4);
    EXPECT_EQ(half.getValue(), bitsOf(3.5f));
    EXPECT_EQ(half.getArity(), 2);
    EXPECT_EQ(half.ToString(), "#" + std::to_string(bitsOf(3.5f)));
    EXPECT_FLOAT_EQ(InternalName(7, 3, 0).asFloat(), 7.0f);
    // Magnitudes of 2^31 and beyond, infinities and NaN stay floats instead of overflowing.
    for (float f : {3e9f, 2147483648.0f, -2147483648.0f, std::numeric_limits<float>::infinity(),
                    -std::numeric_limits<float>::infinity()}) {
        InternalName big(f, 4, -1);
        EXPECT_EQ(big.getType(), 4) << f;
        EXPECT_EQ(big.getValue(), bitsOf(f)) << f;
    }
    InternalName nan(std::numeric_limits<float>::quiet_NaN(), 4, -1);
    EXPECT_EQ(nan.getType(), 4);
    EXPECT_TRUE(std::isnan(nan.asFloat()));
}

TEST(InternalNameFloat, DoublesBeyondTheFloatRange) {
    const float inf = std::numeric_limits<float>::infinity();
    const float largest = std::numeric_limits<float>::max();
    EXPECT_EQ(InternalName(1e300, 4, -1).asFloat(), inf);
    EXPECT_EQ(roundToFloat(-1e300), -inf);
    EXPECT_EQ(roundToFloat(-std::numeric_limits<double>::infinity()), -inf);
    // Between the largest float and half a unit above it IEEE rounding keeps the largest float.
    EXPECT_EQ(roundToFloat(static_cast<double>(largest)), largest);
    EXPECT_EQ(roundToFloat(static_cast<double>(largest) + 0x1p102), largest);
    EXPECT_EQ(roundToFloat(-static_cast<double>(largest) - 0x1p102), -largest);
    EXPECT_EQ(roundToFloat(static_cast<double>(largest) + 0x1p103), inf);
    EXPECT_TRUE(std::isnan(roundToFloat(std::numeric_limits<double>::quiet_NaN())));
}

TEST(InternalNameFloat, TextReadsBackToTheSameFloat) {
    // The standard stream's form wherever that is exact.
    EXPECT_EQ(floatToText(2.5f), "2.5");
    EXPECT_EQ(floatToText(3.0f), "3");
    EXPECT_EQ(floatToText(-0.125f), "-0.125");
    EXPECT_EQ(floatToText(1e10f), "1e+10");
    EXPECT_EQ(floatToText(std::numeric_limits<float>::infinity()), "inf");
    // More digits only where six would change the value.
    EXPECT_EQ(floatToText(1234567.9f), "1234567.9");
    EXPECT_EQ(floatToText(16777216.0f), "16777216");
    // Six significant digits would lose these.
    for (float f : {0.1f, 1234567.9f, 3.14159274f, 1e-10f, 16777216.0f, 3.4028235e38f}) {
        const std::string text = floatToText(f);
        EXPECT_EQ(std::strtof(text.c_str(), nullptr), f) << text;
    }
}

TEST(BuiltinObjects, OneForEverySymbolButTheUnnamedOnes) {
    for (int id : {0, 4, 41})
        EXPECT_EQ(builtinObject::forSymbolId(id), InternalName::UndefinedObject);
    EXPECT_EQ(builtinObject::forSymbolId(8), builtinObject::Parse3);
    for (int id = 10; id <= 40; ++id)
        EXPECT_EQ(builtinObject::forSymbolId(id), InternalName(id + 8, 8, 0));
}

}  // namespace
