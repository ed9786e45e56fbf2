// The Web access layer as a shell object: its methods with good and bad arguments, its help, and
// its class object.
#include <string>
#include <vector>

#include "xml/WebAccessTestSupport.h"

namespace webaccess_test {
namespace {

TEST_F(WebAccessTest, EachShellMethodTakesItsArgumentsAndRefusesOthers) {
    const struct {
        std::string method;
        std::vector<std::string> args;
        bool accepted;
    } calls[] = {
        {"debugOn", {}, true},
        {"debugOn", {"all"}, false},
        {"debugOff", {}, true},
        {"unsetTagFile", {}, true},
        {"unsetSgmlErrFile", {}, true},
        {"rootFlagOn", {}, true},
        {"rootFlagOff", {"x"}, false},
        {"setTagFile", {"tags"}, true},
        {"setTagFile", {}, false},
        {"setSgmlErrFile", {}, false},
        {"setDclFile", {"a.dcl"}, true},
        {"setDclFile", {"a", "b"}, false},
        {"setDtdFile", {"p", "f"}, true},
        {"setDtdFile", {"p"}, false},
        {"setEntFile", {"q", "g"}, true},
        {"setDocType", {"d", "h"}, true},
        {"setDocType", {"d", "h", "i"}, false},
        {"setTmpDir", {"t/"}, true},
        {"setTmpDir", {}, false},
        {"showTmpDir", {}, true},
    };
    ChannelCapture system(systemChannel());
    for (const auto& c : calls) {
        SCOPED_TRACE(c.method + " with " + std::to_string(c.args.size()));
        errors.clear();
        FLSysRef result = call(c.method, c.args);
        if (c.accepted) {
            EXPECT_EQ(result, access);
            EXPECT_EQ(errors.text(), "");
        } else {
            EXPECT_EQ(result, nullptr);
            EXPECT_NE(errors.text().find("Undefined MethodArg"), std::string::npos);
        }
    }
    EXPECT_EQ(system.text(), "t/\n");
    EXPECT_EQ(access->getTmpDir(), "t/");
    EXPECT_EQ(access->getRootFlag(), 1);
    EXPECT_EQ(readFile(access->importer()->catalogPath()),
              "SGMLDECL a.dcl\nPUBLIC p f\nPUBLIC q g\nDOCTYPE d h\n");

    // Strings only; the error file reaches the parser's arguments; the base's methods remain.
    FLSysArgs args;
    const auto three = Ref<FLSysInteger>::make(3);
    args.append(three.get());
    EXPECT_EQ(access->methodCall("setTagFile", &args), nullptr);
    ASSERT_EQ(call("setSgmlErrFile", {"errs"}), access);
    EXPECT_EQ(access->importer()->parserArguments("doc.xml")[1], "-ferrs");
    EXPECT_EQ(call("setAccess", {"all"}), access);
}

TEST_F(WebAccessTest, IsAnAccessLayer) {
    EXPECT_TRUE(access->isA("WebOMAccess") && access->isA("OMAccess"));
    EXPECT_EQ(access->name(), "aWebOMAccess");
    // Fetches and imports store facts no one inserted: no record of the inserts explains the
    // base. Its printed facts read back as they were.
    EXPECT_FALSE(access->holdsOnlyInsertedFacts());
    EXPECT_TRUE(access->printedFactsRestoreBase());
}

TEST_F(WebAccessTest, TheClassObjectBuildsALayerOverAnObjectBaseOnly) {
    auto meta = Ref<WebOMAccessMeta>::make();
    FLSysArgs args;
    args.append(om);
    FLSysRef made = meta->methodCall("new", &args);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isA("WebOMAccess"));
    EXPECT_EQ(static_cast<WebOMAccess*>(made.get())->om(), om);
    made.reset();

    FLSysArgs wrong;
    const auto notABase = Ref<FLSysString>::make("om");
    wrong.append(notABase.get());
    errors.clear();
    EXPECT_EQ(meta->methodCall("new", &wrong), nullptr);
    EXPECT_NE(errors.text().find("WrongArgument"), std::string::npos);
}

}  // namespace
}  // namespace webaccess_test
