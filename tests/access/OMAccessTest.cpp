// Tests of OMAccess as the user meets it in the shell, its class object, its name-mapping
// dictionary, its attachment to the object manager and its text conversions.
#include <gtest/gtest.h>

#include <bit>
#include <sstream>

#include "AccessTestSupport.h"
#include "foundation/OutputChannel.h"

using namespace access_test;

namespace {

// Gives the tests the way in that the access layer's own operations use.
class MappingAccess : public OMAccess {
  public:
    MappingAccess() = default;
    explicit MappingAccess(OM* om) : OMAccess(om) {}
    void map(const InternalName& name, const InternalName& to) { nameMap.insert(name, to); }
    int entries() const { return nameMap.size(); }
};

const InternalName o101(101, InternalName::Object, 0);
const InternalName o102(102, InternalName::Object, 0);
const InternalName o103(103, InternalName::Object, 0);
const InternalName text1(1, InternalName::String, 0);
const InternalName text2(2, InternalName::String, 0);

InternalName floatName(float f) {
    return InternalName(std::bit_cast<std::int32_t>(f), InternalName::Float, 0);
}

}  // namespace

TEST(OMAccessMappingTest, RemapMovesTheEntryToTheRepresentative) {
    MappingAccess access;
    access.map(o101, text1);
    access.remapName(o101, o102);
    EXPECT_FALSE(access.isMapped(o101));
    EXPECT_EQ(access.mappedName(o102), text1);
    EXPECT_EQ(access.mappedName(o101), o101);
    EXPECT_EQ(access.entries(), 1);

    // An entry of the representative is replaced by the moved one (no manager: nothing to equate).
    access.map(o103, text2);
    access.remapName(o102, o103);
    EXPECT_EQ(access.mappedName(o103), text1);
    EXPECT_EQ(access.entries(), 1);

    // Without an entry, or onto itself, nothing changes.
    access.remapName(o101, o103);
    access.remapName(o103, o103);
    EXPECT_EQ(access.mappedName(o103), text1);
    EXPECT_EQ(access.entries(), 1);
}

TEST(OMAccessMappingTest, RemapOntoAMappedNameEquatesWhatBothStoodFor) {
    auto om = Ref<MainMemOM>::make();
    {
        MappingAccess access(om.get());
        InternalName x, y;
        om->internName(x, "x", 1);
        om->internName(y, "y", 1);
        access.map(o101, x);
        access.map(o102, y);
        access.remapName(o101, o102);
        EXPECT_EQ(access.mappedName(o102), x);
        EXPECT_FALSE(access.isMapped(o101));
        // y was made after x, so y gives way to x.
        InternalName representative;
        EXPECT_TRUE(om->isPendingEquality(y, representative));
        EXPECT_EQ(representative, x);
        EXPECT_EQ(om->pendingEqualityCount(), 1);
    }
}

TEST(OMAccessMappingTest, RegistersWithItsManagerAndWithdrawsWhenDestroyed) {
    auto om = Ref<MainMemOM>::make();
    auto first = Ref<OMAccess>::make(om.get());
    EXPECT_EQ(om->getOMAccess(), first.get());
    auto second = Ref<OMAccess>::make(om.get());
    EXPECT_EQ(om->getOMAccess(), second.get());

    // A layer that is no longer registered leaves the newer registration alone.
    first.reset();
    EXPECT_EQ(om->getOMAccess(), second.get());
    // The registered one withdraws, so the manager never calls into a destroyed layer.
    second.reset();
    EXPECT_EQ(om->getOMAccess(), nullptr);
    EXPECT_EQ(om->refCount(), 1);

    // The access layer keeps its manager alive until it is itself released.
    auto holder = Ref<OMAccess>::make(om.get());
    om.reset();
    EXPECT_TRUE(holder->om()->isA("OM"));
}

class OMAccessShellTest : public AccessTest {
  protected:
    // Inheritance and signature access as two digits.
    int flags() const { return access->inheritanceOn() * 10 + access->signaturesOn(); }
};

TEST_F(OMAccessShellTest, SetAccessStartsFromBothFlagsOff) {
    EXPECT_EQ(flags(), 11);
    StringArgs foo{"foo"};
    EXPECT_EQ(access->methodCall("setAccess", &foo), nullptr);
    EXPECT_EQ(lastError(), "5/25");
    const Error error = centralErrorHandler().getError();
    EXPECT_EQ(error.getName() + "|" + error.getMessage() + "|" + error.getWhere(),
              "Undefined MethodArg|Invalid Method Argument(s) to method call setAccess to the "
              "OMAccess|OMAccess");
    EXPECT_EQ(flags(), 0);

    // The failed word left signature access off; "inheritance" switches on only its own.
    StringArgs inheritance{"inheritance"};
    EXPECT_EQ(access->methodCall("setAccess", &inheritance), access);
    EXPECT_EQ(flags(), 10);
    // With two words unknown ones are ignored.
    StringArgs signatureFoo{"signature", "foo"};
    EXPECT_EQ(access->methodCall("setAccess", &signatureFoo), access);
    EXPECT_EQ(flags(), 1);

    // No word and a word that is not a string are refused with both flags off.
    FLSysArgs notAString;
    notAString.append(access);
    for (FLSysArgs* args : {static_cast<FLSysArgs*>(nullptr), &notAString}) {
        StringArgs all{"all"};
        EXPECT_EQ(access->methodCall("setAccess", &all), access);
        EXPECT_EQ(access->methodCall("setAccess", args), nullptr);
        EXPECT_EQ(flags(), 0);
    }
}

TEST_F(OMAccessShellTest, DebugSwitchesTracing) {
    StringArgs upper{"ALL"}, lower{"all"}, two{"all", "all"};
    EXPECT_EQ(access->methodCall("debugOn", &upper), access);
    EXPECT_EQ(access->tracing() * 10 + access->tracingAll(), 10);  // the word is compared exactly
    access->methodCall("debugOn", &lower);
    // debugOff leaves traceAll as it was; debugOn without a word clears it.
    EXPECT_EQ(access->methodCall("debugOff", &lower), access);
    EXPECT_EQ(access->tracing() * 10 + access->tracingAll(), 1);
    EXPECT_EQ(access->methodCall("debugOn", nullptr), access);
    EXPECT_EQ(access->tracing() * 10 + access->tracingAll(), 10);

    // Two words are refused and change nothing.
    access->methodCall("debugOff", nullptr);
    EXPECT_EQ(access->methodCall("debugOn", &two), nullptr);
    EXPECT_EQ(lastError(), "5/25");
    EXPECT_EQ(access->tracing(), 0);
}

TEST_F(OMAccessShellTest, ClearEmptiesTheBaseOnlyWithoutArguments) {
    const InternalName a = object("a");
    access->insertClassRelation(a, object("c"), IsaRelation::Member);
    access->methodCall("debugOn", nullptr);

    StringArgs extra{"now"};
    EXPECT_EQ(access->methodCall("clear", &extra), nullptr);
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Invalid Method Argument(s) to method call clear to the OMAccess");
    EXPECT_NE(om->getObjFrame(a), nullptr);

    EXPECT_EQ(access->methodCall("clear", nullptr), access);
    EXPECT_EQ(om->getObjFrame(a), nullptr);
    EXPECT_EQ(access->tracing(), 1);  // the layer's own state stays
}

TEST_F(OMAccessShellTest, PrintsAndDescribes) {
    OutputChannel channel;
    ChannelCapture printed(channel);
    access->print(channel);
    EXPECT_EQ(printed.text(), "anOMAccess");

    std::ostringstream normal;
    access->describeSelf(normal);
    EXPECT_EQ(normal.str(), "This is a normalOMAccess (OMAccessor).");
    auto detached = Ref<OMAccess>::make(nullptr);
    std::ostringstream corrupted;
    detached->describeSelf(corrupted);
    EXPECT_EQ(corrupted.str(), "This is a corruptedOMAccess (OMAccessor).");
}

TEST_F(OMAccessShellTest, ItsBaseHoldsWhatIsInsertedAndReadsBackAsPrinted) {
    // The snapshots and the journal of an evaluation with inheritance rely on both.
    EXPECT_TRUE(access->holdsOnlyInsertedFacts());
    EXPECT_TRUE(access->printedFactsRestoreBase());
}

TEST_F(OMAccessShellTest, WithoutAnObjectManagerForwardsAnswerNeutrally) {
    auto detached = Ref<OMAccess>::make(nullptr);
    InternalName out = o101;
    EXPECT_FALSE(detached->isOk());
    EXPECT_EQ(detached->insertValue(o101, o102, nullptr, 0, MethodType::Scalar, o103), 0);
    EXPECT_EQ(detached->lookupMethodValue(o101, o102, out), 0);
    EXPECT_EQ(detached->numberOrString(out, "text"), o101);
}

class NumberOrStringTest : public AccessTest {};

TEST_F(NumberOrStringTest, NumbersOnlyWhenTheWholeTextIsADecimalNumber) {
    const struct {
        const char* text;
        InternalName expected;
    } numbers[] = {
        {"-3", integer(-3)},
        {"2.5", floatName(2.5f)},
        {"16777217", integer(16777217)},  // exact, although no float holds it
        {"-2147483648", integer(-2147483647 - 1)},
        {"3.0", integer(3)},
        {"1e3", integer(1000)},
        {".5", floatName(0.5f)},
        {"5.", integer(5)},
        {"2147483648", floatName(2147483648.0f)},  // beyond 32 bits
        {"1e10", floatName(1e10f)},
    };
    for (const auto& number : numbers) {
        InternalName out;
        EXPECT_EQ(access->numberOrString(out, number.text), number.expected) << number.text;
    }
}

TEST_F(NumberOrStringTest, AnyOtherTextIsTheStringConstantKeepingItsQuotes) {
    for (const char* text : {"12abc", "Nan", "inf", "0x1A", "", " 5", "1e", "-", ".", "1.2.3"}) {
        InternalName out;
        access->numberOrString(out, text);
        EXPECT_EQ(out.getType(), InternalName::String) << text;
        std::string form;
        access->giveLexicalForm(out, form);
        std::string quoted = "\"";
        quoted.append(text).append("\"");
        EXPECT_EQ(form, quoted) << text;
        // The same text gives the same constant again.
        InternalName again;
        EXPECT_EQ(access->numberOrString(again, text), out) << text;
    }
}

TEST_F(NumberOrStringTest, SymbolsBecomeNamesWithNumbersFlagZero) {
    InternalName out;
    EXPECT_EQ(access->internValue(FSymbol(42, InternalName::Integer, -1), out), 1);
    EXPECT_EQ(out, integer(42));

    // Other symbols are only looked up.
    out = o101;
    EXPECT_EQ(access->internValue(symbol("unknown", InternalName::Function, 0), out), 0);
    EXPECT_EQ(out, o101);
    const InternalName known = object("known");
    EXPECT_EQ(access->internValue(symbol("known", InternalName::Function, 0), out), 1);
    EXPECT_EQ(out, known);
}
