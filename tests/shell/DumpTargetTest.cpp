// The dump target: a formatter registered from outside receives the pieces of showValue and
// survives dumps and frame displays made in between; without one a formatter is made per call.
#include <gtest/gtest.h>

#include "objectbase/DeltaTable.h"
#include "objectbase/MainMemFrames.h"
#include "shell/DumpTestSupport.h"
#include "shell/FLDumpFormatter.h"

namespace {

using dump_test::DumpTest;

// Records the calls that carry a method entry or a predicate tuple, one line each; texts it
// returns are recognisable markers.
class RecordingFormatter : public FLDumpFormatter {
  public:
    explicit RecordingFormatter(OM* om) : FLDumpFormatter(om) {}
    std::string calls;

    void methodSeparator() override { add("separator"); }
    std::string argsOpen() override { return "<"; }
    std::string argumentText(int p, const InternalName& a) override {
        return std::to_string(p).append("=").append(lex(a));
    }
    std::string argsClose() override { return ">"; }
    std::string arrowText(int t) override { return std::string(1, '~').append(std::to_string(t)); }
    void writeMethodHead(const std::string& m, const std::string& r,
                         const std::string& b) override {
        add("head " + m + " " + r + " " + b);
    }
    void writeText(const std::string& t) override { add("text " + t); }
    void writeMethodValue(const std::string& m, const std::string& r,
                          const InternalName& v) override {
        add("value " + m + " " + r + " " + lex(v));
    }
    void writeSetMember(const InternalName&, const InternalName& m, const InternalName& v,
                        int p) override {
        add("member " + lex(m) + " " + lex(v) + " " + std::to_string(p));
    }

  private:
    void add(const std::string& call) { calls += call + "\n"; }
};

class DumpTargetTest : public DumpTest {
  protected:
    void SetUp() override {
        DumpTest::SetUp();
        recorderOwner = Ref<RecordingFormatter>::make(om);
        recorder = recorderOwner.get();
    }
    void TearDown() override {
        om->setDumpTarget(nullptr);
        recorderOwner.reset();
        DumpTest::TearDown();
    }
    // The fixture holds the recorder; the tests borrow it through the plain pointer.
    Ref<RecordingFormatter> recorderOwner;
    RecordingFormatter* recorder = nullptr;
};

TEST_F(DumpTargetTest, ShowValueHandsThePiecesToTheRegisteredFormatter) {
    InternalName john = obj("john"), kids = obj("kids"), pay = obj("pay"), tags = obj("tags");
    members(john, kids, 1, {obj("ann"), obj("bob")});
    value(john, pay, 0, obj("5"), {obj("2020"), obj("x")});
    value(john, pay, 0, obj("6"), {obj("2021"), obj("x")});
    members(john, tags, 8, {obj("t")});
    om->setDumpTarget(recorder);

    const std::string screen = debugOf([&] {
        om->showValue(john, kids, 1, 0);
        om->showValue(john, pay, 0, 2);
        om->showValue(john, tags, 8, 0);
        om->showValue(john, kids, 0, 0);           // no such entry
        om->showValue(obj("nobody"), kids, 1, 0);  // no frame
    });
    EXPECT_EQ(screen, "");
    EXPECT_EQ(recorder->calls,
              "head kids ~1 {\n"
              "member kids ann 1\n"
              "member kids bob 2\n"
              "text }\n"
              "value pay <1=20202=x>~0 5\n"
              "separator\n"
              "value pay <1=20212=x>~0 6\n"
              "head @tags ~8 (\n"
              "member tags t 1\n"
              "text )\n");
}

// An entry read from its host's frame is handed over in the same pieces as the one showValue
// looks up, for every entry of the frame.
TEST_F(DumpTargetTest, ShowEntryHandsOverWhatShowValueDoes) {
    InternalName john = obj("john"), kids = obj("kids"), pay = obj("pay"), tags = obj("tags");
    members(john, kids, 1, {obj("ann"), obj("bob")});
    value(john, pay, 0, obj("5"), {obj("2020"), obj("x")});
    members(john, tags, 8, {obj("t")});
    value(john, obj("age"), 0, obj("30"));
    om->setDumpTarget(recorder);
    std::string looked;
    om->getObjFrame(john)->forEachEntry([&](const MethodKey& key, const InternalName& value) {
        recorder->calls.clear();
        om->showValue(john, key.method, key.methodType, key.argCount);
        const std::string byLookup = recorder->calls;
        recorder->calls.clear();
        om->showEntry(key.method, value, key.methodType);
        EXPECT_EQ(recorder->calls, byLookup);
        looked += byLookup;
    });
    EXPECT_NE(looked.find("value age ~0 30"), std::string::npos);
    EXPECT_NE(looked.find("value pay <1=20202=x>~0 5"), std::string::npos);
}

TEST_F(DumpTargetTest, ARegisteredFormatterSurvivesDumpsAndFrameDisplays) {
    InternalName john = obj("john"), age = obj("age");
    value(john, age, 0, obj("30"));
    om->setDumpTarget(recorder);

    const std::string screen = debugOf([&] {
        om->dump(1);
        om->showFrame("john", -1);
    });
    // Both were written in F-Logic by formatters of their own.
    EXPECT_EQ(screen, "john [age -> 30].\n\njohn [age -> 30].\n\n");
    EXPECT_EQ(recorder->calls, "");
    EXPECT_EQ(om->getDumpTarget(), recorder);
    om->showValue(john, age, 0, 0);
    EXPECT_EQ(recorder->calls, "value age ~0 30\n");
}

TEST_F(DumpTargetTest, WritesWithoutATargetUseAnFLogicFormatterForTheCall) {
    InternalName john = obj("john"), age = obj("age");
    value(john, age, 0, obj("30"));
    InternalName row[] = {john};
    om->addPredicate(pred("p", 1), row, 1);
    EXPECT_EQ(debugOf([&] { om->showValue(john, age, 0, 0); }), "age -> 30");
    EXPECT_EQ(debugOf([&] {
                  om->dumpWriter().formatPredFrame(pred("p", 1), om->getPredFrame(pred("p", 1)));
              }),
              "p(john).\n");
    EXPECT_EQ(om->getDumpTarget(), nullptr);
}

TEST_F(DumpTargetTest, DeltaListingWithoutATargetIsFLogic) {
    DeltaTable table;
    table.setPredicateDelta(pred("p", 1), pred("dp", 1));
    ASSERT_EQ(om->initDelta(&table), 1);
    InternalName row[] = {obj("a")};
    om->addPredicate(pred("p", 1), row, 1);
    EXPECT_EQ(debugOf([&] { om->showDelta(); }), "Delta predicate frames:\ndp(a).\n\n");
    EXPECT_EQ(om->getDumpTarget(), nullptr);
}

}  // namespace
