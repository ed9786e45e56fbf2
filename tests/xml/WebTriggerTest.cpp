// The Web access layer's triggers: which insertions ask for which document, in either order, and
// what reaches the load.
#include <algorithm>
#include <string>
#include <vector>

#include "objectbase/DeltaTable.h"
#include "objectbase/SymTab.h"
#include "shell/ShellDumpFormatters.h"
#include "xml/StagedFacts.h"
#include "xml/WebAccessTestSupport.h"

namespace webaccess_test {
namespace {

const std::string page = "<html><head><title>A page</title></head><body>text</body></html>\n";

TEST_F(WebAccessTest, AUrlLoadsItsGetValueWhicheverComesFirstAndForANewSubclass) {
    for (const char* name : {"a.html", "b.html", "c.html"}) writeFile(scratch / name, page);
    const InternalName a = string(fileUrl("a.html"));
    const InternalName b = string(fileUrl("b.html"));
    const InternalName c = string(fileUrl("c.html"));
    get(a, object("da"));
    access->insertValue(b, builtinObject::Get, nullptr, 0, MethodType::Scalar, object("db"));
    access->insertClassRelation(b, builtinObject::Url, IsaRelation::Member);
    // c is an instance of a subclass of site before site becomes a subclass of url.
    access->insertClassRelation(c, object("mirror"), IsaRelation::Member);
    access->insertClassRelation(object("mirror"), object("site"), IsaRelation::Subclass);
    access->insertValue(c, builtinObject::Get, nullptr, 0, MethodType::Scalar, object("dc"));
    access->insertClassRelation(object("site"), builtinObject::Url, IsaRelation::Subclass);

    int number = 0;
    for (const char* name : {"a.html", "b.html", "c.html"}) {
        EXPECT_EQ(describe(object(std::string("d") + name[0])),
                  described(fileUrl(name), number++, name, page.size(), false));
    }
    EXPECT_EQ(errors.text(), "");
}

TEST_F(WebAccessTest, TriggersFireWhileTheObjectBaseRecordsDeltas) {
    // A semi-naive round records deltas: the base then answers whether it recorded a delta row,
    // which a program without get or is-a rules never has.
    access->loading = false;
    DeltaTable deltas;
    ASSERT_EQ(access->initDelta(&deltas), 1);
    const InternalName u = string("http://example.org/u.html");
    const InternalName v = string("http://example.org/v.html");
    get(u, object("du"));
    access->insertValue(v, builtinObject::Get, nullptr, 0, MethodType::Scalar, object("dv"));
    access->insertClassRelation(v, builtinObject::Url, IsaRelation::Member);
    InternalName made;
    access->insertPath(u, builtinObject::Parse0, nullptr, 0, MethodType::Scalar, made);
    // Facts stored before trigger nothing again.
    get(u, object("du"));
    access->insertPath(u, builtinObject::Parse0, nullptr, 0, MethodType::Scalar, made);
    access->clearDelta();
    ASSERT_EQ(access->loads.size(), 3u);
    EXPECT_EQ(access->loads[0].document, object("du"));
    EXPECT_EQ(access->loads[1].document, object("dv"));
    EXPECT_EQ(access->loads[2].document, made);
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
    access->insertClassRelation(u, builtinObject::Url, IsaRelation::Member);
    const InternalName other = string("http://example.org/b.html");
    const InternalName x = object("x");
    const InternalName foo = object("foo");
    const InternalName nil = builtinObject::Nil, refs = builtinObject::References;
    const InternalName get = builtinObject::Get, parse = builtinObject::Parse0;
    const InternalName sgml = builtinObject::Sgml, xml = builtinObject::Xml;
    const struct {
        InternalName host;
        InternalName method;
        std::vector<InternalName> args;
        std::string request;  // empty: nothing is loaded
    } rows[] = {
        {u, get, {}, "0 0 0 0 nil nil"},
        {other, get, {}, ""},
        {u, get, {builtinObject::Prolog}, ""},
        {other, parse, {}, "3 1 0 0 nil nil"},
        {u, parse, {builtinObject::Prolog}, "1 0 0 0 nil nil"},
        {u, parse, {sgml}, ""},
        {u, parse, {builtinObject::Dtd, x}, "2 0 0 0 nil X"},
        {u, parse, {xml, x}, ""},
        {u, parse, {sgml, refs, x}, "4 1 0 1 nil X"},
        {u, parse, {sgml, nil, x}, "4 0 0 1 nil X"},
        {u, parse, {sgml, foo, x}, ""},
        {u, parse, {xml, nil, nil, x}, ""},
        {u, parse, {xml, nil, nil, nil, x}, "5 0 1 0 nil X"},
        {u, parse, {xml, refs, builtinObject::Ordering, builtinObject::Dtd, x}, "5 1 1 1 dtd X"},
        {u, parse, {xml, refs, foo, nil, x}, ""},
        {u, object("fetch"), {}, ""},
    };
    int number = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(number);
        access->loads.clear();
        const InternalName document = object("d" + std::to_string(number++));
        access->insertValue(row.host, row.method, row.args.data(),
                            static_cast<int>(row.args.size()), MethodType::Scalar, document);
        ASSERT_EQ(access->loads.size(), row.request.empty() ? 0u : 1u);
        if (row.request.empty()) continue;
        EXPECT_EQ(requestText(access->loads[0], x), row.request);
        EXPECT_EQ(access->loads[0].url, row.host);
        EXPECT_EQ(access->loads[0].document, document);
    }
    // A value made for a path triggers as well; the other arrows do not.
    access->loads.clear();
    InternalName made;
    access->insertPath(u, parse, nullptr, 0, MethodType::Scalar, made);
    access->insertValue(u, get, nullptr, 0, MethodType::Set, object("set"));
    access->insertValue(u, get, nullptr, 0, MethodType::InheritableScalar, object("inherited"));
    ASSERT_EQ(access->loads.size(), 1u);
    EXPECT_EQ(access->loads[0].document, made);
}

TEST_F(WebAccessTest, MaterializeLoadsEveryStoredPatternOfANewUrl) {
    access->loading = false;
    const InternalName w = string("http://example.org/w.xml");
    const InternalName x = object("x");
    const InternalName nil = builtinObject::Nil;
    const std::vector<std::vector<InternalName>> stored{
        {},
        {builtinObject::Prolog},
        {object("foo")},
        {builtinObject::Dtd, x},
        {builtinObject::Sgml, nil, x},
        {builtinObject::Sgml, object("foo"), x},
        {builtinObject::Xml, nil, nil, nil, x},
    };
    access->insertValue(w, builtinObject::Get, nullptr, 0, MethodType::Scalar, object("g"));
    int number = 0;
    for (const auto& args : stored) {
        access->insertValue(w, builtinObject::Parse0, args.data(), static_cast<int>(args.size()),
                            MethodType::Scalar, object("p" + std::to_string(number++)));
    }
    access->loads.clear();
    access->insertClassRelation(w, builtinObject::Url, IsaRelation::Member);
    std::vector<std::string> requests;
    for (const auto& load : access->loads) requests.push_back(requestText(load, x));
    EXPECT_EQ(requests,
              (std::vector<std::string>{"0 0 0 0 nil nil", "3 1 0 0 nil nil", "1 0 0 0 nil nil",
                                        "2 0 0 0 nil X", "4 0 0 1 nil X", "5 0 1 0 nil X"}));
}

TEST_F(WebAccessTest, TheWebTraceFollowsTheFetchOnTheDebugChannel) {
    writeFile(scratch / "a.html", page);
    ASSERT_EQ(call("debugOn", {}), access);
    ChannelCapture debug(debugChannel());
    get(string(fileUrl("a.html")), object("d"));
    const std::string address = fileUrl("a.html");
    EXPECT_EQ(debug.text(), "access  : " + address + " ...  done \nprocess : " + address + "  (" +
                                std::to_string(page.size()) + " bytes) ...  done \n");
    debug.clear();
    ASSERT_EQ(call("debugOff", {}), access);
    get(string(fileUrl("a.html")), object("e"));
    EXPECT_EQ(debug.text(), "");
}

// An imported document's facts wait until its mapping is done, and are then stored: a path among
// them asks for the loads a direct insert of it would ask for. In the plain mapping an element's
// class is a path of the document named after it, so elements named parse and get are such paths.
TEST_F(WebAccessTest, AnImportsPathsNamedParseOrGetTriggerAsADirectInsertWould) {
    writeFile(scratch / "p.xml", "<?xml version=\"1.0\"?>\n<r><parse>P</parse><get>G</get></r>\n");
    const InternalName d = object("d");
    // get asks whether its host is a URL; parse does not.
    access->insertClassRelation(d, builtinObject::Url, IsaRelation::Member);
    access->insertValue(string(fileUrl("p.xml")), builtinObject::Parse0, nullptr, 0,
                        MethodType::Scalar, d);
    EXPECT_EQ(values(d, object("error")), std::vector<std::string>{});
    const InternalName parseClass = value(d, builtinObject::Parse0);
    const InternalName getClass = value(d, builtinObject::Get);
    ASSERT_NE(parseClass, InternalName::UndefinedObject);
    ASSERT_NE(getClass, InternalName::UndefinedObject);
    std::vector<std::string> asked;
    for (const TestWebAccess::Load& load : access->loads) {
        if (load.url != d) continue;
        asked.push_back(std::to_string(load.request.kind) + (load.document == parseClass ? " parse"
                                                             : load.document == getClass
                                                                 ? " get"
                                                                 : " other"));
    }
    EXPECT_EQ(asked, (std::vector<std::string>{"3 parse", "0 get"}));
}

// The first class of an object an import made is stored without the layer's is-a tests, but
// still loads what the object asks for once that class makes it a URL, also when the class came
// below url after the layer last answered for it.
TEST_F(WebAccessTest, AFreshObjectsFirstClassLoadsOnlyWhenItIsBelowUrl) {
    access->loading = false;
    auto asking = [&](const std::string& name) {
        const InternalName o = object(name);
        access->insertValue(o, builtinObject::Get, nullptr, 0, MethodType::Scalar,
                            object("d" + name));
        return o;
    };
    auto loaded = [&] {
        std::vector<std::string> documents;
        for (const TestWebAccess::Load& load : access->loads)
            documents.push_back(text(load.document));
        access->loads.clear();
        std::sort(documents.begin(), documents.end());
        return documents;
    };
    const InternalName plain = object("plain");
    const InternalName site = object("site");
    access->insertClassRelation(site, builtinObject::Url, IsaRelation::Subclass);

    const InternalName p = asking("p");
    EXPECT_EQ(access->insertFreshMembership(p, plain), 1);
    EXPECT_NE(access->isaTest(p, plain, IsaRelation::Member), 0);
    EXPECT_EQ(loaded(), std::vector<std::string>{});
    EXPECT_EQ(access->insertFreshMembership(asking("q"), site), 1);
    EXPECT_EQ(loaded(), std::vector<std::string>{"dq"});
    EXPECT_EQ(access->insertFreshMembership(asking("s"), plain), 1);
    EXPECT_EQ(loaded(), std::vector<std::string>{});
    // plain's instances are URLs now, and so is the next fresh object put in it.
    access->insertClassRelation(plain, site, IsaRelation::Subclass);
    EXPECT_EQ(loaded(), (std::vector<std::string>{"dp", "ds"}));
    EXPECT_EQ(access->insertFreshMembership(asking("t"), plain), 1);
    EXPECT_EQ(loaded(), std::vector<std::string>{"dt"});
    // A membership stored before is no new fact.
    EXPECT_EQ(access->insertFreshMembership(p, plain), 0);
}

// The dump of a layer's base and the documents it loaded, in the order they were loaded.
std::string dumpAndLoads(TestWebAccess& layer) {
    ChannelCapture capture(debugChannel());
    layer.om()->dump(1);
    std::string loads;
    for (const TestWebAccess::Load& load : layer.loads) {
        std::string shown;
        layer.giveLexicalForm(load.document, shown);
        loads += " " + shown;
    }
    return capture.text() + "\nloaded:" + loads + "\n";
}

// A function symbol's name by its text, on the layer.
InternalName namedIn(TestWebAccess& layer, const std::string& text) {
    InternalName out;
    return layer.nameFromString(out, text, InternalName::Function);
}

// The document of the staging tests, its class site made a subclass of url first.
InternalName documentWithSites(TestWebAccess& layer) {
    const InternalName document = namedIn(layer, "doc");
    layer.insertClassRelation(namedIn(layer, "site"), builtinObject::Url, IsaRelation::Subclass);
    return document;
}

// A fresh element name, as a document's mapping makes one.
InternalName freshElement(TestWebAccess& layer) {
    InternalName element;
    layer.getOrCreateName(layer.giveSymTab()->newSymbol(InternalName::Function, 0), element);
    return element;
}

// The facts of a mapping committed with the layer's road for fresh memberships make the same
// base, dumped in the same order, as with every membership inserted as any other.
TEST_F(WebAccessTest, FreshMembershipsCommitTheBaseThatPlainMembershipsCommit) {
    access->loading = false;
    auto dumpAfter = [](TestWebAccess& layer, bool fresh) {
        const auto named = [&layer](const std::string& text) { return namedIn(layer, text); };
        const InternalName document = documentWithSites(layer);
        StagedFacts staged;
        // Elements of three classes under the document, the second class below url, each with a
        // get value that a URL would load (before its class, which makes an element of site a
        // URL), its link and its child relation.
        for (const char* cls : {"e", "e", "site", "e", "f", "f"}) {
            const InternalName element = freshElement(layer);
            const InternalName c = named(cls);
            staged.value(element, builtinObject::Get, nullptr, 0, 0, named(std::string("d") + cls));
            if (fresh)
                staged.freshMembership(element, c);
            else
                staged.classRelation(element, c, 1);
            staged.classRelationOnce(c, builtinObject::Tag, 1);
            staged.classRelationOnce(c, builtinObject::Node, 2);
            staged.value(document, c, nullptr, 0, 1, element);
            staged.classRelation(element, document, 3);
        }
        EXPECT_TRUE(staged.commit(
            layer, {},
            fresh ? [&layer](const InternalName& o,
                             const InternalName& c) { return layer.insertFreshMembership(o, c); }
                  : StagedFacts::FreshMember{}));
        return dumpAndLoads(layer);
    };
    const auto [plainDump, freshDump] = onBothBases(dumpAfter);
    EXPECT_EQ(freshDump, plainDump);
    EXPECT_NE(plainDump.find(" : e"), std::string::npos) << plainDump;
    // The element of class site is a URL with a get value: both roads load it.
    EXPECT_NE(plainDump.find("loaded: dsite"), std::string::npos) << plainDump;
}

// Elements staged as runs of fresh children, some of a class below url among them, make the
// same base and the same loads as their facts staged one by one as any other.
TEST_F(WebAccessTest, RunsOfFreshChildrenCommitTheBaseThatPlainFactsCommit) {
    access->loading = false;
    auto dumpAfter = [](TestWebAccess& layer, bool runs) {
        const auto named = [&layer](const std::string& text) { return namedIn(layer, text); };
        const InternalName document = documentWithSites(layer);
        StagedFacts staged;
        const char* classes[] = {"e", "e", "site", "e", "f", "site", "site", "f", "e"};
        std::vector<InternalName> elements;
        for (const char* cls : classes) {
            const InternalName element = freshElement(layer);
            elements.push_back(element);
            staged.value(element, builtinObject::Get, nullptr, 0, 0,
                         named(std::string("d") + cls + std::to_string(elements.size())));
        }
        for (std::size_t i = 0; i < elements.size(); ++i) {
            const InternalName c = named(classes[i]);
            if (runs) {
                staged.freshChild(elements[i], c, document, named("child"), 1);
                continue;
            }
            staged.freshMembership(elements[i], c);
            staged.value(document, named("child"), nullptr, 0, 1, elements[i]);
            staged.classRelation(elements[i], document, 3);
        }
        EXPECT_TRUE(
            staged.commit(layer, {}, [&layer](const InternalName& o, const InternalName& c) {
                return layer.insertFreshMembership(o, c);
            }));
        return dumpAndLoads(layer);
    };
    const auto [plainDump, runDump] = onBothBases(dumpAfter);
    EXPECT_EQ(runDump, plainDump);
    EXPECT_NE(plainDump.find(" : e"), std::string::npos) << plainDump;
    EXPECT_NE(plainDump.find("loaded: dsite3 dsite6 dsite7"), std::string::npos) << plainDump;
}

}  // namespace
}  // namespace webaccess_test
