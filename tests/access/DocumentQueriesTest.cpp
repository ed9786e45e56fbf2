// Tests of export through registered handlers, axis steps through a handed-in factory (and
// without one), link and parent queries, and signatures found through the classes of an object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "AccessTestSupport.h"
#include "access/AxisIteratorFactory.h"
#include "access/ExportHandler.h"
#include "access/ExportRequest.h"

using namespace access_test;

namespace {

std::vector<ExportRequest> requests;
int handlersAlive = 0;

class RecordingHandler : public ExportHandler {
  public:
    explicit RecordingHandler(OMAccess* access) : ExportHandler(access, nullptr) {
        ++handlersAlive;
    }
    void exportOM(ExportRequest& request) override { requests.push_back(request); }
    void writeBody(ExportRequest&) override {}
    void writeObject(const InternalName&, std::int32_t) override {}
    void writeHeader(ExportRequest&) override {}
    void writeTrailer(ExportRequest&) override {}

  protected:
    ~RecordingHandler() override { --handlersAlive; }
};

Ref<ExportHandler> makeRecordingHandler(OMAccess* access) {
    return Ref<RecordingHandler>::make(access);
}

// Records every call and answers the base iterator itself.
class RecordingAxes : public AxisIteratorFactory {
  public:
    struct Call {
        std::string what;
        int axis = 0, firstNumber = 0, valueColumn = 0, count = 0;
        std::string base;
    };

    Iterator* makeMatchAxisIterator(const InternalName*, int count, int axis, int firstNumber,
                                    int valueColumn, OMAccess*, Iterator* base, int, int) override {
        std::string word = "none";
        for (const char* name : {"EnhIsaIter", "ExplicitSetIterator", "LeftRefIter", "RightRefIter",
                                 "CommonRefIter", "DummyIterator"})
            if (base != nullptr && base->isA(name)) word = name;
        calls.push_back({"match", axis, firstNumber, valueColumn, count, word});
        return base;
    }
    Iterator* makeParentIter(const InternalName*, int count, OMAccess*) override {
        calls.push_back({"parent", 0, 0, 0, count, ""});
        return nullptr;
    }
    Iterator* makeSiblingIter(const InternalName*, int count, OMAccess*) override {
        calls.push_back({"sibling", 0, 0, 0, count, ""});
        return nullptr;
    }

    std::vector<Call> calls;
};

// Records the links it is asked to follow and whether it was asked while following one.
class LinkFollowingAccess : public OMAccess {
  public:
    explicit LinkFollowingAccess(OM* om) : OMAccess(om) {}
    void followLink(const InternalName& target) override {
        followed.push_back(target);
        whileFollowing.push_back(followingLink);
    }
    void setFollowLinks(int on) { followLinks = on; }
    int following() const { return followingLink; }

    std::vector<InternalName> followed;
    std::vector<int> whileFollowing;

  protected:
    ~LinkFollowingAccess() override = default;
};

class DocumentQueriesTest : public AccessTest {
  protected:
    void TearDown() override {
        requests.clear();
        AccessTest::TearDown();
    }

    Rows step(int type, int axis, Row tuple) {
        auto it = Ref<Iterator>::adopt(access->matchAxis(MethodType(type), Axis(axis), tuple.data(),
                                                         static_cast<int>(tuple.size()), nullptr));
        return drain(it.get());
    }
};

}  // namespace

TEST_F(DocumentQueriesTest, ExportRunsTheHandlerOfTheFormat) {
    StringArgs flogic{"flogic"};
    EXPECT_EQ(access->methodCall("export", &flogic), nullptr);
    EXPECT_EQ(lastError(), "6/104");
    EXPECT_EQ(centralErrorHandler().getError().getWhere(), "OMAccess::export");
    EXPECT_EQ(centralErrorHandler().getError().getMessage(), "method is not yet implemented");

    ExportHandlerFactory recording;
    for (int format = 1; format <= 4; ++format)
        recording.registerMaker(format, makeRecordingHandler);
    access->useExportHandlers(recording);
    StringArgs sig{"sig"};
    StringArgs file{"flogic", "out.flp"};
    StringArgs xml{"xml", "out.xml", "doc"};
    StringArgs rooted{"xml", "part.xml", "doc", "r"};
    for (FLSysArgs* args : {&flogic, &sig, &file, &xml, &rooted})
        EXPECT_EQ(access->methodCall("export", args), access);
    EXPECT_EQ(handlersAlive, 0);
    InternalName root;
    access->internName(root, "r", 1);
    std::vector<std::string> seen;
    for (const ExportRequest& r : requests)
        seen.push_back(std::to_string(r.format) + " " + r.fileName + " " + r.docType + " " +
                       r.externalIdKind + r.externalId + (r.root == root ? "r" : "") +
                       (r.root == Free ? "-" : ""));
    EXPECT_EQ(seen, (std::vector<std::string>{"1   -", "3   -", "1 out.flp  -", "2 out.xml doc -",
                                              "4 part.xml doc r"}));

    // Wrong forms are refused before any handler runs.
    StringArgs shortXml{"xml", "out.xml"};
    StringArgs other{"html"};
    StringArgs tooMany{"flogic", "a", "b"};
    for (FLSysArgs* args : {&shortXml, &other, &tooMany, static_cast<FLSysArgs*>(nullptr)}) {
        errors.clear();
        EXPECT_EQ(access->methodCall("export", args), nullptr);
        EXPECT_EQ(lastError(), "5/25");
    }
    EXPECT_EQ(requests.size(), 5u);
}

// Each access layer exports through the handlers its class object was given, whatever another
// class object of the program holds: one with none reports, one with its own writes.
TEST_F(DocumentQueriesTest, EachAccessLayerExportsThroughItsClassObjectsHandlers) {
    ExportHandlerFactory recording;
    recording.registerMaker(1, makeRecordingHandler);
    const auto withHandlers = Ref<OMAccessMeta>::make(nullptr, recording);
    const auto without = Ref<OMAccessMeta>::make();
    FLSysArgs overOM;
    overOM.append(om);
    const FLSysRef recorded = withHandlers->methodCall("new", &overOM);
    const FLSysRef unrecorded = without->methodCall("new", &overOM);
    ASSERT_NE(recorded, nullptr);
    ASSERT_NE(unrecorded, nullptr);

    StringArgs flogic{"flogic"};
    errors.clear();
    EXPECT_EQ(unrecorded->methodCall("export", &flogic), nullptr);
    EXPECT_EQ(lastError(), "6/104");
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(recorded->methodCall("export", &flogic), recorded.get());
    EXPECT_EQ(unrecorded->methodCall("export", &flogic), nullptr);
    EXPECT_EQ(access->methodCall("export", &flogic), nullptr);
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(DocumentQueriesTest, StepsWithoutAxisFactory) {
    const InternalName e = object("e"), f = object("f"), m = object("m");
    access->insertValue(e, m, nullptr, 0, MethodType::Set, f);
    InternalName textMethod;
    access->internName(textMethod, "text", 1);
    access->insertValue(e, textMethod, nullptr, 0, MethodType::Set, text("hi"));

    // No axis: the ordinary cascade.
    EXPECT_EQ(step(1, 0, {e, m, Free}).size(), 1u);
    // Child, parent (free start), sibling: nothing without the XML layer.
    for (int axis : {1, 3, 5, 6}) {
        errors.clear();
        EXPECT_TRUE(step(1, axis, {Free, m, Free}).empty());
        EXPECT_EQ(lastError(), "6/104");
        EXPECT_EQ(centralErrorHandler().getError().getWhere(), "OMAccess::matchAxis");
    }
    // Self: the start itself, unless the value is bound to another object. An unnamed step names
    // the start by the name it hangs under, and e hangs under nothing.
    InternalName self;
    access->internName(self, "self", 1);
    EXPECT_EQ(step(1, 7, {e, self, Free}), (Rows{{e, self, e}}));
    EXPECT_EQ(step(1, 7, {e, self, e}), (Rows{{e, self, e}}));
    EXPECT_TRUE(step(1, 7, {e, self, f}).empty());
    EXPECT_TRUE(step(1, 7, {e, Free, Free}).empty());
    // Function application: only "text".
    EXPECT_EQ(step(0, 8, {e, textMethod, Free}).size(), 1u);
    errors.clear();
    EXPECT_TRUE(step(0, 8, {e, m, Free}).empty());
    EXPECT_EQ(lastError(), "6/204");
    EXPECT_EQ(centralErrorHandler().getError().getName(), "Function not implemented");
    EXPECT_EQ(centralErrorHandler().getError().getMessage(), "m");
    EXPECT_TRUE(step(0, 8, {e, Free, Free}).empty());
    EXPECT_EQ(centralErrorHandler().getError().getName(),
              "Variable not allowed at function application");
}

TEST_F(DocumentQueriesTest, StepsThroughAnInstalledFactory) {
    RecordingAxes axes;
    access->useAxisIterators(&axes);
    const InternalName e = object("e"), p = object("p"), m = object("m");
    access->insertValue(p, m, nullptr, 0, MethodType::Set, e);
    access->insertClassRelation(e, p, IsaRelation::Child);

    EXPECT_EQ(step(1, 1, {p, m, e}), (Rows{{p, m, e}}));
    EXPECT_EQ(lastError(), "0/0");
    // A child step with arguments is reported and still answered.
    step(1, 1, {p, m, object("arg"), Free});
    EXPECT_EQ(lastError(), "6/22");
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "Arguments are not allowed when Axis is used, Unable to compute an Answer");
    step(1, 6, {e, m, Free});
    step(1, 2, {e, m, Free});
    step(1, 4, {e, m, Free});
    EXPECT_EQ(step(1, 3, {e, m, Free}), (Rows{{p}}));
    access->insertClassRelation(p, object("q"), IsaRelation::Child);
    step(1, 3, {object("lonely"), m, Free});
    step(1, 3, {Free, m, Free});
    step(1, 5, {e, m, Free});

    const std::vector<std::string> expected{
        "match 1 3 3 3 LeftRefIter", "match 1 3 3 4 LeftRefIter",
        "match 6 3 3 3 LeftRefIter", "match 2 3 1 3 EnhIsaIter",
        "match 4 3 2 3 EnhIsaIter",  "match 3 3 1 3 ExplicitSetIterator",
        "parent 0 0 0 3 ",           "match 3 3 3 3 none",
        "sibling 0 0 0 3 ",          "match 5 3 3 3 none"};
    std::vector<std::string> seen;
    for (const auto& call : axes.calls)
        seen.push_back(call.what + " " + std::to_string(call.axis) + " " +
                       std::to_string(call.firstNumber) + " " + std::to_string(call.valueColumn) +
                       " " + std::to_string(call.count) + " " + call.base);
    EXPECT_EQ(seen, expected);
}

TEST_F(DocumentQueriesTest, LinksAreFoundAndSimpleOnesFollowed) {
    auto links = Ref<LinkFollowingAccess>::make(om);
    const InternalName typeAttribute = object("xtype"), hrefAttribute = object("xhref");
    const InternalName transparentAttribute = object("xtransparent");
    const InternalName e = object("e"), plain = object("plain");
    InternalName found;
    EXPECT_EQ(links->xlinkType(e, found), 0);  // no attribute method known yet

    links->insertValue(builtinObject::Xlink, builtinObject::Type, nullptr, 0, MethodType::Scalar,
                       typeAttribute);
    links->insertValue(builtinObject::Xlink, builtinObject::Href, nullptr, 0, MethodType::Scalar,
                       hrefAttribute);
    links->insertValue(builtinObject::Dbxlink, builtinObject::Transparent, nullptr, 0,
                       MethodType::Scalar, transparentAttribute);
    links->insertValue(e, typeAttribute, nullptr, 0, MethodType::AttributeSet, text("simple"));
    links->insertValue(e, hrefAttribute, nullptr, 0, MethodType::AttributeSet, text("other.xml#x"));
    links->insertValue(e, transparentAttribute, nullptr, 0, MethodType::AttributeSet, text("yes"));

    ASSERT_EQ(links->xlinkType(e, found), 1);
    EXPECT_EQ(found, text("simple"));
    ASSERT_EQ(links->xlinkHref(e, found), 1);
    EXPECT_EQ(found, text("other.xml#x"));
    EXPECT_EQ(links->xlinkHref(plain, found), 0);
    EXPECT_EQ(links->isTransparentLink(e, Free), 1);
    EXPECT_EQ(links->isTransparentLink(plain, Free), 0);

    links->followSimpleLink(e, text("extended"));
    EXPECT_TRUE(links->followed.empty());
    links->followSimpleLink(e, text("simple"));
    EXPECT_EQ(links->followed, (std::vector<InternalName>{text("other.xml#x")}));
    EXPECT_EQ(links->whileFollowing, (std::vector<int>{1}));
    EXPECT_EQ(links->following(), 0);

    // A child step follows the start's simple link first when links are followed.
    links->setFollowLinks(1);
    const Row tuple{e, object("m"), Free};
    Ref<Iterator>::adopt(links->matchAxis(MethodType::Set, Axis::Child, tuple.data(), 3, nullptr))
        .reset();
    EXPECT_EQ(links->followed.size(), 2u);
    links.reset();
}

TEST_F(DocumentQueriesTest, ParentsAreFoundThroughChildSteps) {
    RecordingAxes axes;
    access->useAxisIterators(&axes);
    const InternalName x = object("x"), p1 = object("p1"), p2 = object("p2");
    const InternalName m1 = object("m1"), m2 = object("m2");
    InternalName out = x;
    EXPECT_EQ(access->parentElement(out, x), Free);

    access->insertClassRelation(x, p1, IsaRelation::Child);
    access->insertClassRelation(x, p2, IsaRelation::Child);
    access->insertValue(p1, m1, nullptr, 0, MethodType::Set, x);
    access->insertValue(p2, m2, nullptr, 0, MethodType::Set, x);
    EXPECT_EQ(access->parentElement(out, x), p2);  // the last match wins
    EXPECT_EQ(access->parentMethod(out, x), m2);
}

TEST_F(DocumentQueriesTest, SignaturesThroughTheClassesOfAnObject) {
    const InternalName o = object("o"), c = object("c"), d = object("d"), m = object("m");
    const InternalName t = object("t");
    access->insertClassRelation(o, c, IsaRelation::Member);
    access->insertClassRelation(o, d, IsaRelation::Member);
    access->insertValue(d, m, nullptr, 0, MethodType::ScalarSignature, t);
    auto it = Ref<Iterator>::adopt(access->lookupSignatureViaClasses(o, m, 0, 0));
    ASSERT_NE(it, nullptr);
    EXPECT_EQ(drain(it.get()), (Rows{{d, m, t}}));
    it.reset();
    EXPECT_EQ(access->lookupSignatureViaClasses(o, m, 0, 1), nullptr);
    EXPECT_EQ(access->lookupSignatureViaClasses(o, m, 1, 0), nullptr);
}
