// The Web access layer's triggers: which insertions ask for which document, in either order, and
// what reaches the load.
#include <string>
#include <vector>

#include "xml/WebAccessTestSupport.h"

namespace webaccess_test {
namespace {

const std::string page = "<html><head><title>A page</title></head><body>text</body></html>\n";

TEST_F(WebAccessTest, UrlClassAndGetValueInEitherOrderDescribeTheDocument) {
    writeFile(scratch / "a.html", page);
    writeFile(scratch / "b.html", page);
    const InternalName a = string(fileUrl("a.html"));
    const InternalName b = string(fileUrl("b.html"));
    // The class first: the insertion of the get value loads.
    get(a, object("da"));
    // The get value first: the class relation loads what is stored.
    access->insertValue(b, builtinObject::Get, nullptr, 0, 0, object("db"));
    access->insertClassRelation(b, builtinObject::Url, 1);

    const std::string length = std::to_string(page.size());
    EXPECT_EQ(describe(object("da")), "url=\"" + fileUrl("a.html") +
                                          "\" modif=\"unknown\" length=" + length +
                                          " type=\"unknown\" file=\"" +
                                          (scratch / tempName(0, "a.html")).string() + "\" webdoc");
    EXPECT_EQ(describe(object("db")), "url=\"" + fileUrl("b.html") +
                                          "\" modif=\"unknown\" length=" + length +
                                          " type=\"unknown\" file=\"" +
                                          (scratch / tempName(1, "b.html")).string() + "\" webdoc");
    EXPECT_EQ(errors.text(), "");
}

TEST_F(WebAccessTest, ASubclassOfUrlMadeLaterLoadsTheDocumentsOfEveryInstance) {
    writeFile(scratch / "a.html", page);
    writeFile(scratch / "b.html", page);
    const InternalName a = string(fileUrl("a.html"));
    const InternalName b = string(fileUrl("b.html"));
    access->insertClassRelation(a, object("site"), 1);
    access->insertClassRelation(b, object("mirror"), 1);
    access->insertClassRelation(object("mirror"), object("site"), 2);
    access->insertValue(a, builtinObject::Get, nullptr, 0, 0, object("da"));
    access->insertValue(b, builtinObject::Get, nullptr, 0, 0, object("db"));
    EXPECT_TRUE(access->loads.empty());

    access->insertClassRelation(object("site"), builtinObject::Url, 2);
    EXPECT_EQ(access->loads.size(), 2u);
    EXPECT_TRUE(access->isaTest(object("da"), access->schema().webdoc, 1));
    EXPECT_TRUE(access->isaTest(object("db"), access->schema().webdoc, 1));
}

// What one load was asked for: kind, references, XML, ordering, DTD demand and DTD object.
std::string requestText(const TestWebAccess::Load& load, const InternalName& x) {
    auto nameOf = [&](const InternalName& name) -> std::string {
        if (name == builtinObject::Nil) return "nil";
        if (name == builtinObject::Dtd) return "dtd";
        return name == x ? "X" : "?";
    };
    const ParseRequest& r = load.request;
    return std::to_string(r.kind) + " " + std::to_string(r.references) + " " +
           std::to_string(r.xml) + " " + std::to_string(r.ordering) + " " + nameOf(r.dtdDemand) +
           " " + nameOf(r.dtdObject);
}

TEST_F(WebAccessTest, EachGetAndParsePatternAsksForItsRequestAndNoOtherListLoads) {
    access->loading = false;
    const InternalName u = string("http://example.org/a.html");
    access->insertClassRelation(u, builtinObject::Url, 1);
    const InternalName notUrl = string("http://example.org/b.html");
    const InternalName x = object("x");
    const InternalName foo = object("foo");
    using B = InternalName;
    const B nil = builtinObject::Nil;
    const B refs = builtinObject::References;
    const B ord = builtinObject::Ordering;
    const B get = builtinObject::Get;
    const B parse = builtinObject::Parse0;
    const struct {
        B host;
        B method;
        std::vector<B> args;
        std::string request;  // empty: nothing is loaded
    } rows[] = {
        {u, get, {}, "0 0 0 0 nil nil"},
        {notUrl, get, {}, ""},
        {u, get, {builtinObject::Prolog}, ""},
        {notUrl, parse, {}, "3 1 0 0 nil nil"},
        {u, parse, {builtinObject::Prolog}, "1 0 0 0 nil nil"},
        {u, parse, {builtinObject::Sgml}, ""},
        {u, parse, {builtinObject::Dtd, x}, "2 0 0 0 nil X"},
        {u, parse, {builtinObject::Dtd, nil}, "2 0 0 0 nil nil"},
        {u, parse, {builtinObject::Xml, x}, ""},
        {u, parse, {builtinObject::Sgml, refs, x}, "4 1 0 1 nil X"},
        {u, parse, {builtinObject::Sgml, nil, x}, "4 0 0 1 nil X"},
        {u, parse, {builtinObject::Sgml, foo, x}, ""},
        {u, parse, {builtinObject::Xml, nil, nil, x}, ""},
        {u, parse, {builtinObject::Xml, nil, nil, nil, x}, "5 0 1 0 nil X"},
        {u, parse, {builtinObject::Xml, refs, ord, builtinObject::Dtd, x}, "5 1 1 1 dtd X"},
        {u, parse, {builtinObject::Xml, refs, foo, nil, x}, ""},
        {u, parse, {builtinObject::Xml, foo, nil, nil, x}, ""},
        {u, object("fetch"), {}, ""},
    };
    int number = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(number);
        access->loads.clear();
        const InternalName document = object("d" + std::to_string(number++));
        access->insertValue(row.host, row.method, row.args.data(),
                            static_cast<int>(row.args.size()), 0, document);
        if (row.request.empty()) {
            EXPECT_TRUE(access->loads.empty());
            continue;
        }
        ASSERT_EQ(access->loads.size(), 1u);
        EXPECT_EQ(requestText(access->loads[0], x), row.request);
        EXPECT_EQ(access->loads[0].url, row.host);
        EXPECT_EQ(access->loads[0].document, document);
    }
    // A value made for a path triggers the same way; another arrow does not.
    access->loads.clear();
    const B dtdArgs[2] = {builtinObject::Dtd, object("y")};
    InternalName made;
    access->insertPath(u, parse, dtdArgs, 2, 0, made);
    ASSERT_EQ(access->loads.size(), 1u);
    EXPECT_EQ(access->loads[0].document, made);
    access->loads.clear();
    access->insertValue(u, get, nullptr, 0, 1, object("set"));
    access->insertValue(u, get, nullptr, 0, 3, object("inherited"));
    EXPECT_TRUE(access->loads.empty());
}

TEST_F(WebAccessTest, MaterializeLoadsEveryStoredPatternOfANewUrl) {
    access->loading = false;
    const InternalName w = string("http://example.org/w.xml");
    const InternalName x = object("x");
    const InternalName foo = object("foo");
    const std::vector<std::vector<InternalName>> stored{
        {},
        {builtinObject::Prolog},
        {foo},
        {builtinObject::Dtd, x},
        {builtinObject::Sgml, builtinObject::Nil, x},
        {builtinObject::Sgml, foo, x},
        {builtinObject::Xml, builtinObject::Nil, builtinObject::Nil, builtinObject::Nil, x},
    };
    access->insertValue(w, builtinObject::Get, nullptr, 0, 0, object("g"));
    int number = 0;
    for (const auto& args : stored) {
        access->insertValue(w, builtinObject::Parse0, args.data(), static_cast<int>(args.size()), 0,
                            object("p" + std::to_string(number++)));
    }
    // Stored before w was a URL: only the five parse patterns asked for something.
    ASSERT_EQ(access->loads.size(), 5u);
    access->loads.clear();

    access->insertClassRelation(w, builtinObject::Url, 1);
    std::vector<std::string> requests;
    for (const auto& load : access->loads) requests.push_back(requestText(load, x));
    EXPECT_EQ(requests,
              (std::vector<std::string>{"0 0 0 0 nil nil", "3 1 0 0 nil nil", "1 0 0 0 nil nil",
                                        "2 0 0 0 nil X", "4 0 0 1 nil X", "5 0 1 0 nil X"}));
}

TEST_F(WebAccessTest, TheWebTraceFollowsTheFetchOnTheDebugChannel) {
    writeFile(scratch / "a.html", page);
    ASSERT_EQ(access->methodCall("debugOn", nullptr), access);
    ChannelCapture debug(debugChannel());
    get(string(fileUrl("a.html")), object("d"));
    const std::string address = fileUrl("a.html");
    EXPECT_EQ(debug.text(), "access  : " + address + " ...  done \nprocess : " + address + "  (" +
                                std::to_string(page.size()) + " bytes) ...  done \n");

    debug.clear();
    ASSERT_EQ(access->methodCall("debugOff", nullptr), access);
    get(string(fileUrl("a.html")), object("e"));
    EXPECT_EQ(debug.text(), "");
}

}  // namespace
}  // namespace webaccess_test
