// Loading documents through the Web access layer: the attributes and classes of each kind, the
// cache of the run, the fetch problems that become error values, and the loads that clearing,
// equalities and imports start.
#include <filesystem>
#include <string>
#include <vector>

#include "compile/AlgebraicEval.h"
#include "compile/Translator.h"
#include "eval/Creator1.h"
#include "eval/Matcher.h"
#include "language/ArithmeticExpr.h"
#include "language/PTerm.h"
#include "support/LoopbackServer.h"
#include "support/RuleHarness.h"
#include "xml/WebAccessTestSupport.h"

namespace webaccess_test {
namespace {

const std::string body =
    "<html><head><title>Served</title></head><body><p>served page</p></body></html>\n";

TEST_F(WebAccessTest, AServedPageIsDescribedFromItsHeaderAndFetchedOnce) {
    loopback::Server server;
    server.route("/page.html", loopback::canned(httpReply(body)));
    const InternalName url = string(server.url("/page.html"));
    const InternalName d = object("d");
    get(url, d);
    EXPECT_EQ(describe(d), described(server.url("/page.html"), 0, "page.html", body.size(), true));
    std::string file;
    ASSERT_EQ(access->giveLocalFile(d, file), 1);
    EXPECT_EQ(readFile(file).find("HTTP/"), std::string::npos);

    // The same document asked again, by the same URL or another one, is not fetched again.
    access->insertValue(url, builtinObject::Parse0, nullptr, 0, MethodType::Scalar, d);
    get(string(server.url("/page.html?again")), d);
    EXPECT_EQ(server.requests(), 1);
    EXPECT_EQ(tempFiles().size(), 1u);
    EXPECT_EQ(access->fetchCount(), 1);
    EXPECT_EQ(errors.text(), "");
}

TEST_F(WebAccessTest, EachKindClassesItsDocument) {
    for (const char* name : {"shelf.xml", "shelf.dtd", "memo.sgml", "memo.dtd"}) {
        writeFile(scratch / name, readFile(nsgmltest::dataDir() / name));
    }
    const WebOMAccess::Schema& names = access->schema();
    const InternalName xml = string(fileUrl("shelf.xml"));
    const InternalName nil = builtinObject::Nil;
    const InternalName xmlArgs[5] = {builtinObject::Xml, nil, nil, nil, nil};
    const InternalName dtdArgs[2] = {builtinObject::Dtd, nil};
    access->insertValue(xml, builtinObject::Parse0, xmlArgs, 5, MethodType::Scalar, object("dx"));
    access->insertValue(string(fileUrl("memo.sgml")), builtinObject::Parse0, nullptr, 0,
                        MethodType::Scalar, object("ds"));
    access->insertValue(string(fileUrl("shelf.dtd")), builtinObject::Parse0, dtdArgs, 2,
                        MethodType::Scalar, object("dd"));
    access->insertValue(xml, builtinObject::Parse0, &builtinObject::Prolog, 1, MethodType::Scalar,
                        object("dp"));

    EXPECT_TRUE(access->isaTest(object("dx"), names.xmldoc, IsaRelation::Member));
    EXPECT_TRUE(access->isaTest(object("ds"), names.sgmldoc, IsaRelation::Member));
    EXPECT_TRUE(access->isaTest(object("dd"), names.dtddoc, IsaRelation::Member));
    EXPECT_TRUE(access->isaTest(object("dp"), names.webdoc, IsaRelation::Member));
    EXPECT_FALSE(access->isaTest(object("dp"), names.xmldoc, IsaRelation::Member));
    for (const InternalName& cls : {names.xmldoc, names.sgmldoc, names.dtddoc}) {
        EXPECT_TRUE(access->isaTest(cls, names.webdoc, IsaRelation::Subclass)) << text(cls);
    }
    // The plain parse imported the document under its root, the prolog made no elements, and
    // the DTD became classes with signatures, the document getting none of them.
    EXPECT_NE(value(object("ds"), builtinObject::Root), InternalName::UndefinedObject);
    EXPECT_EQ(value(object("dp"), builtinObject::Root), InternalName::UndefinedObject);
    EXPECT_TRUE(access->hasSignatures(object("shelf")));
    EXPECT_FALSE(access->hasSignatures(object("dd")));
}

TEST_F(WebAccessTest, FetchProblemsBecomeErrorValuesOfADocumentWithoutFile) {
    loopback::Server server;
    server.route("/paper.ps", loopback::canned(httpReply("%!PS")));
    const InternalName ps = object("ps");
    const InternalName missing = object("missing");
    get(string(server.url("/paper.ps")), ps);
    get(string(server.url("/missing.html")), missing);
    // The refused file was not loaded, so it also counts as a failed connection.
    EXPECT_EQ(values(ps, access->schema().error),
              (std::vector<std::string>{"\".ps files are not processed\"", "\"connect failed\""}));
    EXPECT_EQ(values(missing, access->schema().error),
              (std::vector<std::string>{"\"404 not found\""}));
    EXPECT_EQ(describe(ps), "url= modif= length= type= file=");
    EXPECT_EQ(describe(missing), "url= modif= length= type= file=");
    EXPECT_TRUE(tempFiles().empty());
    EXPECT_EQ(server.requests(), 1);
}

// A refused connection: both messages are stored as plain strings, without quotes of their own.
TEST_F(WebAccessTest, AFailedFetchStoresItsMessagesWithoutEmbeddedQuotes) {
    const InternalName d = object("d");
    get(string("http://127.0.0.1:1/closed.html"), d);
    EXPECT_EQ(
        values(d, access->schema().error),
        (std::vector<std::string>{"\"internal error while accessing\"", "\"connection refused\""}));
}

TEST_F(WebAccessTest, AUrlThatIsNoStringUsesUpAFetchNumberAndAnEmptyOneRecordsNothing) {
    writeFile(scratch / "a.html", body);
    get(object("site"), object("d1"));
    EXPECT_EQ(describe(object("d1")), "url= modif= length= type= file=");
    const InternalName d = object("d");
    get(string(""), d);
    EXPECT_NE(errors.text().find("Unable"), std::string::npos);
    std::string file;
    EXPECT_EQ(access->giveLocalFile(d, file), 0);
    // The same document by a real URL is fetched, with the number after the two used up.
    get(string(fileUrl("a.html")), d);
    EXPECT_EQ(text(value(d, builtinObject::Url)), "\"" + fileUrl("a.html") + "\"");
    EXPECT_EQ(tempFiles(), (std::vector<std::string>{tempName(2, "a.html")}));
}

TEST_F(WebAccessTest, AnAppliedEqualityLoadsTheDocumentOfTheSurvivingUrl) {
    writeFile(scratch / "a.html", body);
    const InternalName page = string(fileUrl("a.html"));
    const InternalName alias = object("alias");
    access->insertValue(page, builtinObject::Get, nullptr, 0, MethodType::Scalar, object("d"));
    access->insertClassRelation(alias, builtinObject::Url, IsaRelation::Member);
    EXPECT_TRUE(access->loads.empty());
    int isNew = 0;
    access->equate(alias, page, isNew);
    // The evaluator runs another round only when equalities were applied.
    EXPECT_NE(access->applyEqualities(), 0);
    EXPECT_EQ(text(value(object("d"), builtinObject::Url)), "\"" + fileUrl("a.html") + "\"");
    EXPECT_EQ(access->applyEqualities(), 0);
}

TEST_F(WebAccessTest, AnAbsoluteTemporaryFolderIsNotPutBehindTheWorkingFolder) {
    writeFile(scratch / "a.html", body);
    std::filesystem::create_directory(scratch / "tmp");
    const std::string folder = (scratch / "tmp").string() + "/";
    ASSERT_EQ(call("setTmpDir", {folder}), access);
    get(string(fileUrl("a.html")), object("d"));
    EXPECT_EQ(text(value(object("d"), access->schema().file)),
              "\"" + folder + tempName(0, "a.html") + "\"");
    EXPECT_EQ(tempFiles(scratch / "tmp").size(), 1u);
}

TEST_F(WebAccessTest, ClearForgetsTheDocumentsAndKeepsTheSettings) {
    // Names made before the layer move every number the schema and the importer bind.
    accessOwner.reset();
    omOwner.reset();
    omOwner = Ref<MainMemOM>::make();
    om = omOwner.get();
    InternalName early;
    om->getOrCreateName(om->giveSymTab()->GetFSymbol("early", InternalName::Function, 0), early);
    accessOwner = Ref<TestWebAccess>::adopt(makeAccess(om));
    access = accessOwner.get();

    loopback::Server server;
    const std::string link = "<html><body><a href=\"other.html\">other</a></body></html>\n";
    server.route("/page.html", loopback::canned(httpReply(link)));
    ASSERT_EQ(call("setDtdFile", {"-//Q//DTD shelf//EN", "shelf.dtd"}), access);
    const InternalName before = object("d");
    get(string(server.url("/page.html")), before);
    ASSERT_EQ(tempFiles().size(), 1u);

    ASSERT_EQ(access->methodCall("clear", nullptr), access);
    EXPECT_TRUE(tempFiles().empty());
    std::string file;
    EXPECT_EQ(access->giveLocalFile(before, file), 0);
    // The predefined objects, the literal classes and the schema names are there again.
    for (int id = 1; id <= builtinSymbol::Count; ++id) {
        const InternalName predefined = builtinObject::forSymbolId(id);
        if (predefined == InternalName::UndefinedObject) continue;
        FSymbol symbol;
        ASSERT_EQ(access->giveSymbol(predefined, symbol), 1) << id;
        EXPECT_EQ(symbol.getValue(), id);
    }
    EXPECT_TRUE(
        access->isaTest(builtinObject::String, builtinObject::Literal, IsaRelation::Subclass));
    EXPECT_TRUE(
        access->isaTest(builtinObject::Numeric, builtinObject::Literal, IsaRelation::Subclass));
    EXPECT_TRUE(access->isaTest(builtinObject::Text, builtinObject::Text, IsaRelation::Member));
    EXPECT_EQ(object("title"), access->schema().title);
    EXPECT_EQ(object("dtddoc"), access->schema().dtddoc);

    // The same document is fetched again, and the importer records its links under the names
    // of the emptied base.
    const InternalName after = object("d");
    get(string(server.url("/page.html")), after);
    EXPECT_EQ(server.requests("/page.html"), 2);
    const InternalName pattern[4] = {after, access->schema().hrefs, string("other"),
                                     InternalName::UndefinedObject};
    auto links = Ref<Iterator>::adopt(access->lookup(MethodType::Set, pattern, 4, nullptr));
    ASSERT_NE(links, nullptr);
    EXPECT_TRUE(links->first());
    links.reset();

    // The catalog entry set before the clear is still the importer's.
    ASSERT_EQ(call("setDclFile", {"xml.dcl"}), access);
    EXPECT_EQ(readFile(access->importer()->catalogPath()),
              "SGMLDECL xml.dcl\nPUBLIC -//Q//DTD shelf//EN shelf.dtd\n\n\n");
    EXPECT_EQ(access->fetchCount(), 2);
}

TEST_F(WebAccessTest, ArithmeticInARuleHeadPassesThroughTheWebLayer) {
    auto translator = Ref<Translator>::make(1);
    auto creator = Ref<Creator1>::make(access);
    auto algebra = Ref<AlgebraicEval>::make(access);
    auto matcher = Ref<Matcher>::make(translator.get(), creator.get(), algebra.get(), nullptr);
    {
        // The grammar writes arithmetic only in comparisons: the head r(V + 10) is built here,
        // as the rewriters build such heads.
        rule_test::RuleHarness rules(access);
        rules.facts("p(a,1). p(b,3).");
        FRule* rule = rules.rule("r(V) :- p(X,V).");
        FRule* ten = rules.rule("r(10).");
        auto* head = static_cast<PTerm*>(rule->getHead()->termAt(rule->getHead()->firstItem()));
        auto* number = static_cast<PTerm*>(ten->getHead()->termAt(ten->getHead()->firstItem()));
        auto* args = new clib_list<FTerm*>;
        args->append(new ArithmeticExpr(head->getArgs()->head(), number->getArgs()->head(), "+"));
        head->setArgs(args);
        const Ref<Operand> rows = matcher->retrieve(rule, nullptr, rules.table());
        EXPECT_EQ(matcher->insert(rule, rows.get()), 1);
        EXPECT_EQ(rules.answers("?- r(X)."), (std::vector<std::string>{"X=11", "X=13"}));
    }
    matcher.reset();
    algebra.reset();
    creator.reset();
    translator.reset();
    EXPECT_EQ(errors.text(), "");
}

TEST_F(WebAccessTest, ALoadStartedInsideAnImportCompletesWithTheOuterOne) {
    loopback::Server server;
    const std::string outer =
        "<html><head><title>Outer</title></head><body><a href=\"inner.html\">in</a>"
        "<p>after the link</p></body></html>\n";
    const std::string inner = "<html><head><title>Inner</title></head><body>x</body></html>\n";
    server.route("/outer.html", loopback::canned(httpReply(outer)));
    server.route("/inner.html", loopback::canned(httpReply(inner)));
    // The link's URL already has a stored get value: it loads when the import makes it a URL.
    const InternalName innerUrl = string(server.url("/inner.html"));
    access->insertValue(innerUrl, builtinObject::Get, nullptr, 0, MethodType::Scalar,
                        object("din"));
    get(string(server.url("/outer.html")), object("dout"));

    EXPECT_EQ(describe(object("din")),
              described(server.url("/inner.html"), 1, "inner.html", inner.size(), true));
    EXPECT_EQ(describe(object("dout")),
              described(server.url("/outer.html"), 0, "outer.html", outer.size(), true));
    EXPECT_EQ(values(object("dout"), access->schema().title),
              std::vector<std::string>{"\"Outer\""});
    EXPECT_EQ(values(object("din"), access->schema().title), std::vector<std::string>{"\"Inner\""});
}

}  // namespace
}  // namespace webaccess_test
