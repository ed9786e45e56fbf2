// Tests of the shell-object protocol: dispatch of the standard methods, argument checks and their
// error reports, and the class-object pattern.
#include <gtest/gtest.h>

#include "ShellTestSupport.h"
#include "foundation/ShellValues.h"
#include "foundation/StatisticHandler.h"
#include "foundation/Timer.h"
#include "foundation/clib_list.h"

namespace {

// An object whose consistency the test decides.
class Probe : public FLSysObject {
  public:
    bool ok = true;
    bool isOk() const override { return ok; }
    bool isA(const std::string& className) const override {
        return className == "Probe" || FLSysObject::isA(className);
    }
};

class ProbeMeta : public XMeta {
  public:
    ProbeMeta() : XMeta("Probe") {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override {
        return checkNoArgs(args) ? Ref<Probe>::make() : nullptr;
    }
};

class FLSysObjectTest : public ShellStateTest {
  protected:
    FLSysObject object;
    clib_list<FLSysObject*> args;
};

const char* const kWrongNumber = "A method was called with a wrong number of arguments.\n";

TEST_F(FLSysObjectTest, StandardMethodsAnswerAsDocumented) {
    EXPECT_EQ(object.methodCall("isOk", &args), &trueConstant());

    EXPECT_EQ(object.methodCall("print", nullptr), &object);
    EXPECT_EQ(object.methodCall("display", &args), &object);
    EXPECT_EQ(system.text(),
              "aFLSysObject"
              "aFLSysObject\n");

    OutputChannel channel;
    ChannelCapture captured(channel);
    args.append(&channel);
    EXPECT_EQ(object.methodCall("display", &args), &object);
    EXPECT_EQ(captured.text(), "aFLSysObject\n");

    auto name = Ref<FLSysString>::make("FLSysObject");
    auto other = Ref<FLSysString>::make("OutputChannel");
    clib_list<FLSysObject*> one;
    one.append(name.get());
    EXPECT_EQ(object.methodCall("isA", &one), &trueConstant());
    clib_list<FLSysObject*> two;
    two.append(other.get());
    EXPECT_EQ(object.methodCall("isA", &two), &falseConstant());
    EXPECT_EQ(channel.methodCall("isA", &two), &trueConstant());
    name.reset();
    other.reset();
    EXPECT_EQ(errors.text(), "");
    EXPECT_FALSE(centralErrorHandler().isError());
}

TEST_F(FLSysObjectTest, UnknownAndMisusedMethodsReportAndGiveNull) {
    EXPECT_EQ(object.methodCall("frobnicate", nullptr), nullptr);
    EXPECT_EQ(errors.text(), "\n*** ERROR : Unknown method : frobnicate\n\n");
    EXPECT_EQ(centralErrorHandler().getError().getNumber(), 2012);
    errors.clear();

    // A failed check of isOk is reported, then the call counts as unknown.
    args.append(&object);
    EXPECT_EQ(object.methodCall("isOk", &args), nullptr);
    EXPECT_EQ(errors.text(), std::string("\n*** ERROR : ") + kWrongNumber + "\n" +
                                 "\n*** ERROR : Unknown method : isOk\n\n");
    errors.clear();

    // print with an argument that is no channel: only the wrong argument is reported.
    EXPECT_EQ(object.methodCall("print", &args), nullptr);
    EXPECT_EQ(errors.text(), "\n*** ERROR : A method was called with an invalid argument. \n\n");
    EXPECT_EQ(system.text(), "");

    // Attributes cannot be assigned.
    errors.clear();
    object.assign("colour", nullptr);
    EXPECT_EQ(errors.text(), "\n*** ERROR : Unknown method : assignment to colour\n\n");
}

TEST_F(FLSysObjectTest, ArgumentChecksFillOutsOrReportTheFirstFault) {
    Probe a, b, c;
    FLSysObject* out1 = nullptr;
    FLSysObject* out2 = nullptr;
    FLSysObject* out3 = nullptr;
    args.append(&a);
    args.append(&b);
    EXPECT_TRUE(object.checkArgs2(&args, "Probe", out1, "FLSysObject", out2));
    EXPECT_EQ(out1, &a);
    EXPECT_EQ(out2, &b);
    EXPECT_EQ(errors.text(), "");

    // Three arguments where two are expected: both are taken, then the count is wrong.
    args.append(&c);
    EXPECT_FALSE(object.checkArgs2(&args, "Probe", out1, "Probe", out2));
    EXPECT_EQ(out2, &b);
    EXPECT_EQ(errors.text(), std::string("\n*** ERROR : ") + kWrongNumber + "\n");
    errors.clear();

    // Too few arguments: the missing one is reported and its out cleared.
    FLSysObject* out4 = &a;
    EXPECT_FALSE(
        object.checkArgs4(&args, "Probe", out1, "Probe", out2, "Probe", out3, "Probe", out4));
    EXPECT_EQ(out3, &c);
    EXPECT_EQ(out4, nullptr);
    EXPECT_EQ(errors.text(), std::string("\n*** ERROR : ") + kWrongNumber + "\n");
    errors.clear();
    EXPECT_TRUE(object.checkArgs3(&args, "Probe", out1, "Probe", out2, "Probe", out3));

    // A wrong class, then an inconsistent object.
    EXPECT_FALSE(object.checkArgs3(&args, "Probe", out1, "FLSysString", out2, "Probe", out3));
    EXPECT_EQ(out2, nullptr);
    EXPECT_EQ(centralErrorHandler().getError().getNumber(), 2010);
    b.ok = false;
    errors.clear();
    Error::setOutputFilter(6);
    EXPECT_FALSE(object.checkArgs3(&args, "Probe", out1, "Probe", out2, "Probe", out3));
    EXPECT_EQ(errors.text(),
              "\n*** ERROR : A user interface object (class Probe ) was found inconsistent.\n"
              "Probe::...\n\n");

    // No list at all passes checkNoArgs and fails every check that wants an argument.
    EXPECT_TRUE(object.checkNoArgs(nullptr));
    EXPECT_FALSE(object.checkArgs1(nullptr, "Probe", out1));
}

TEST_F(FLSysObjectTest, NullArgumentIsReportedAsNullObject) {
    FLSysObject* out = nullptr;
    args.append(nullptr);
    EXPECT_FALSE(object.checkArgs1(&args, "Probe", out));
    EXPECT_EQ(centralErrorHandler().getError().getNumber(), 2005);
    EXPECT_EQ(errors.text(), "\n*** ERROR : An undefined user interface object was used. \n \n\n");
}

TEST_F(FLSysObjectTest, ErrorBuildersCarryTheOffendingName) {
    Error pure = object.pureVirtualCalled("first");
    EXPECT_EQ(pure.getMessage(), "The pure virtual method \"first\" was called.");
    EXPECT_EQ(object.corrupted("OM").getWhere(), "OM::...");
}

TEST_F(FLSysObjectTest, ClassObjectCreatesAndDelegates) {
    auto meta = Ref<ProbeMeta>::make();
    FLSysRef made = meta->methodCall("new", nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isA("Probe"));
    made.reset();

    args.append(meta.get());
    EXPECT_EQ(meta->methodCall("new", &args), nullptr);
    EXPECT_EQ(centralErrorHandler().getError().getNumber(), 2011);

    EXPECT_FALSE(meta->isA("Probe"));
    EXPECT_EQ(meta->methodCall("print", nullptr), meta.get());
    EXPECT_EQ(system.text(), "Probe");
}

// The timer's and the statistic handler's class objects refuse arguments as every other does.
TEST_F(FLSysObjectTest, BuiltInClassObjectsReportArgumentsToNew) {
    TimerMeta timerMeta;
    StatisticHandlerMeta statisticMeta;
    args.append(&object);
    for (XMeta* meta : std::initializer_list<XMeta*>{&timerMeta, &statisticMeta}) {
        errors.clear();
        EXPECT_EQ(meta->methodCall("new", &args), nullptr);
        EXPECT_EQ(errors.text(), std::string("\n*** ERROR : ") + kWrongNumber + "\n")
            << meta->createdClass();
    }
}

// Every standard method answers with a reference of the caller's own: after the caller's handle
// has gone, the host is held exactly as before, whatever the method answered.
TEST_F(FLSysObjectTest, EveryStandardAnswerCarriesTheCallersReference) {
    auto probe = Ref<Probe>::make();
    FLSysString className("Probe");
    FLSysArgs isAArgs;
    isAArgs.append(&className);
    {
        FLSysRef printed = probe->methodCall("print", nullptr);
        EXPECT_EQ(printed, probe.get());
        EXPECT_EQ(probe->refCount(), 2);
        FLSysRef again = probe->methodCall("help", nullptr);
        EXPECT_EQ(probe->refCount(), 3);
        FLSysRef truth = probe->methodCall("isA", &isAArgs);
        ASSERT_NE(truth, nullptr);
        EXPECT_TRUE(static_cast<FLSysBoolean*>(truth.get())->value() != 0);
    }
    EXPECT_EQ(probe->refCount(), 1);
}

// The handle: adopt takes over a reference, share takes one, moving hands it on, and the last
// holder's release destroys a made object once.
TEST_F(FLSysObjectTest, HandleHoldsExactlyOneReference) {
    auto* probe = new Probe;
    {
        FLSysRef shared = FLSysRef::share(probe);
        EXPECT_EQ(probe->refCount(), 2);
        FLSysRef moved = std::move(shared);
        EXPECT_EQ(shared, nullptr);
        EXPECT_EQ(probe->refCount(), 2);
        FLSysRef second = moved.another();
        EXPECT_EQ(probe->refCount(), 3);
        second = FLSysRef();
        EXPECT_EQ(probe->refCount(), 2);
        FLSysObject* released = moved.release();
        EXPECT_EQ(moved, nullptr);
        FLSysRef adopted = FLSysRef::adopt(released);
        EXPECT_EQ(probe->refCount(), 2);
    }
    EXPECT_EQ(probe->refCount(), 1);
    FLSysRef last = FLSysRef::adopt(probe);
    last.reset();
    EXPECT_EQ(last, nullptr);
}

}  // namespace
