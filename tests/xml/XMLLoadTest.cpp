// Loading through the XML access layer: parse@(xml) and parse@(dtd) requests, what fetches
// nothing, the replay for a host that becomes a URL, the Kavum DTD mapping with its reference
// defaults, transparent links and link following.
#include <algorithm>
#include <string>
#include <vector>

#include "objectbase/SymTab.h"
#include "xml/XMLAccessTestSupport.h"

namespace xmlaccess_test {
namespace {

using Names = std::vector<InternalName>;
using Texts = std::vector<std::string>;

const std::string libXml = R"(<?xml version="1.0"?>
<!DOCTYPE lib [
<!ELEMENT lib (book*)>
<!ELEMENT book (title)>
<!ELEMENT title (#PCDATA)>
<!ATTLIST book id ID #REQUIRED see IDREF #IMPLIED>
]>
<lib><book id="b1" see="b2"><title>One</title></book><book id="b2"><title>Two</title></book></lib>
)";

// title occurs at most once in a book, and twice over in a library.
const std::string schemaDtd = R"(<!ELEMENT library (book+, title?)>
<!ELEMENT book (title, em*)>
<!ELEMENT title (#PCDATA)>
<!ELEMENT em (#PCDATA)>
<!ATTLIST book id ID #IMPLIED lang (en|de) "en" cites IDREFS "b1 b2" kind CDATA "paper  back">
<!SUBCLASS book novel>
)";

class XMLLoadTest : public XMLAccessTest {
  protected:
    std::string writeDoc(const std::string& name, const std::string& content) {
        writeFile(scratch / name, content);
        return fileUrl(name);
    }
    bool holds(const InternalName& x, const InternalName& cls, int kind) {
        return access->isaTest(x, cls, IsaRelation(kind)) != 0;
    }
    // U[parse@(args) -> D] stored with the arrow "->"; D.
    InternalName store(const InternalName& u, const Names& args, const std::string& document) {
        access->insertValue(u, builtinObject::Parse0, args.data(), static_cast<int>(args.size()),
                            MethodType::Scalar, object(document));
        return object(document);
    }

    const InternalName xml = builtinObject::Xml;
    const InternalName dtd = builtinObject::Dtd;
    const InternalName nil = builtinObject::Nil;
};

TEST_F(XMLLoadTest, ParseXmlLoadsTheDocumentOnceWithItsStructure) {
    const std::string url = writeDoc("lib.xml", libXml);
    const InternalName d = parse(url, {xml});
    ASSERT_EQ(access->loads.size(), 1u);
    const ParseRequest& request = access->loads[0].request;
    EXPECT_EQ(request.kind, 6);
    EXPECT_EQ(request.references, 1);
    EXPECT_EQ(request.xml, 1);
    EXPECT_EQ(request.mapping, 1);
    EXPECT_EQ(request.ordering, 0);
    EXPECT_EQ(request.dtdObject, nil);
    EXPECT_EQ(access->loads[0].document, d);
    EXPECT_TRUE(holds(d, access->schema().xmldoc, 1));
    EXPECT_TRUE(holds(access->schema().xmldoc, access->schema().webdoc, 2));

    // The root hangs under the document through the child relation, its books under it, and the
    // reference is resolved into an "@->>" link.
    const InternalName root = rootOf(d);
    EXPECT_TRUE(holds(root, object("lib"), 1));
    const Names books = step(1, root, object("book"));
    ASSERT_EQ(books.size(), 2u);
    EXPECT_EQ(step(3, books[0]), Names{root});
    const Names linked = step(6, books[0], object("see"));
    EXPECT_EQ(linked.size(), 1u);

    // Asked again: the same document object, no second fetch.
    EXPECT_EQ(parse(url, {xml}), d);
    EXPECT_EQ(access->lazyAccess(string(url), builtinObject::Parse0, &xml, 1, d), 0);
    EXPECT_EQ(access->fetchCount(), 1);
    EXPECT_EQ(errors.text(), "");
}

TEST_F(XMLLoadTest, ATargetIsRecordedInTheRequest) {
    const std::string url = writeDoc("lib.xml", libXml);
    parse(url, {xml, object("x")});
    parse(writeDoc("s.dtd", schemaDtd), {dtd, object("y")});
    ASSERT_EQ(access->loads.size(), 2u);
    EXPECT_EQ(access->loads[0].request.kind, 6);
    EXPECT_EQ(access->loads[0].request.dtdObject, object("x"));
    EXPECT_EQ(access->loads[1].request.kind, 2);
    EXPECT_EQ(access->loads[1].request.dtdObject, object("y"));
    // The element classes hang off the target.
    EXPECT_TRUE(access->hasSignatures(value(object("y"), object("book"))));
}

TEST_F(XMLLoadTest, OtherRequestsFetchNothing) {
    const InternalName u = string(writeDoc("lib.xml", libXml));
    access->insertClassRelation(u, builtinObject::Url, IsaRelation::Member);
    access->insertValue(u, builtinObject::Get, nullptr, 0, MethodType::Scalar, object("d1"));
    store(u, {}, "d2");
    store(u, {builtinObject::Prolog}, "d3");
    store(u, {builtinObject::Sgml, nil, nil}, "d4");
    store(u, {xml, nil, nil, nil, nil}, "d5");
    store(u, {object("html")}, "d6");
    EXPECT_TRUE(access->loads.empty());
    EXPECT_EQ(access->fetchCount(), 0);
    // Nor does a parse of something that is no URL.
    store(string(writeDoc("other.xml", libXml)), {xml}, "d7");
    EXPECT_TRUE(access->loads.empty());
}

TEST_F(XMLLoadTest, AHostThatBecomesAURLLoadsWhatWasAskedOfIt) {
    const InternalName u = string(writeDoc("lib.xml", libXml));
    const InternalName s = string(writeDoc("s.dtd", schemaDtd));
    const InternalName doc = store(u, {xml}, "doc");
    store(u, {builtinObject::Prolog}, "prolog");
    const InternalName schema = store(s, {dtd, object("x")}, "schema");
    EXPECT_TRUE(access->loads.empty());

    access->insertClassRelation(u, builtinObject::Url, IsaRelation::Member);
    access->insertClassRelation(s, builtinObject::Url, IsaRelation::Member);
    ASSERT_EQ(access->loads.size(), 3u);
    Texts kinds;
    for (const TestXMLAccess::Load& load : access->loads)
        kinds.push_back(text(load.document) + " " + std::to_string(load.request.kind));
    std::sort(kinds.begin(), kinds.end());
    EXPECT_EQ(kinds, (Texts{"doc 6", "prolog 1", "schema 2"}));
    EXPECT_NE(rootOf(doc), Free);
    EXPECT_TRUE(holds(object("prolog"), access->schema().webdoc, 1));
    EXPECT_TRUE(holds(schema, access->schema().dtddoc, 1));
    EXPECT_EQ(access->loads.back().request.dtdObject, object("x"));
}

TEST_F(XMLLoadTest, TheKavumDTDMappingIsSetValuedWithAttributeArrows) {
    parse(writeDoc("s.dtd", schemaDtd), {dtd});
    const InternalName book = object("book");
    const InternalName title = object("title");
    // A sub-element is "=>>" even when it occurs at most once.
    EXPECT_EQ(rows(7, {book, title, Free}), Texts{"book title title"});
    EXPECT_TRUE(rows(6, {book, title, Free}).empty());
    EXPECT_EQ(rows(7, {object("library"), title, Free}), Texts{"library title title"});
    EXPECT_EQ(rows(7, {title, builtinObject::Text, Free}), Texts{"title text() literal"});

    EXPECT_EQ(rows(8, {book, object("id"), Free}), Texts{"book id literal"});
    EXPECT_EQ(rows(8, {book, object("cites"), Free}), Texts{"book cites object"});
    // A reference default of two names gives two facts, in order.
    InternalName idref;
    access->internName(idref, "xml_idref", 1);
    EXPECT_EQ(rows(5, {book, idref, object("cites"), Free}),
              (Texts{"book xml_idref cites \"b1\"", "book xml_idref cites \"b2\""}));
    // Other defaults are cut at each blank.
    EXPECT_EQ(rows(5, {book, object("kind"), Free}),
              (Texts{"book kind \"paper\"", "book kind \"\"", "book kind \"back\""}));

    // The enumeration: a class of its own with the values as instances, the default scalar.
    const InternalName pattern[3] = {book, object("lang"), Free};
    auto it = Ref<Iterator>::adopt(
        access->lookup(MethodType::AttributeSetSignature, pattern, 3, nullptr));
    ASSERT_TRUE(it != nullptr && it->first());
    const InternalName enumeration = it->atColumn(3);
    EXPECT_FALSE(it->next());
    it.reset();
    EXPECT_TRUE(holds(object("en"), enumeration, 1));
    EXPECT_TRUE(holds(object("de"), enumeration, 1));
    EXPECT_EQ(rows(3, {book, object("lang"), Free}), Texts{"book lang en"});

    EXPECT_TRUE(holds(object("novel"), book, 2));
    EXPECT_EQ(errors.text(), "");
}

TEST_F(XMLLoadTest, ReferenceDefaultsAreResolvedByTheIDsOfALoadedDocument) {
    parse(writeDoc("s.dtd", schemaDtd), {dtd});
    const InternalName d = parse(writeDoc("lib.xml", libXml), {xml});
    const Names books = step(1, rootOf(d), object("book"));
    ASSERT_EQ(books.size(), 2u);
    Texts targets;
    for (const InternalName& b : books) targets.push_back(text(b));
    Texts resolved;
    for (const std::string& row : rows(5, {object("book"), object("cites"), Free}))
        resolved.push_back(row.substr(row.rfind(' ') + 1));
    std::sort(targets.begin(), targets.end());
    std::sort(resolved.begin(), resolved.end());
    EXPECT_EQ(resolved, targets);
}

TEST_F(XMLLoadTest, SetTransparentLinksTakesOnlyTheExactTextTrue) {
    EXPECT_EQ(call("setTransparentLinks", {"true"}), access);
    EXPECT_EQ(access->transparentLinks(), 1);
    EXPECT_EQ(call("setTransparentLinks", {"TRUE"}), access);
    EXPECT_EQ(access->transparentLinks(), 0);
    call("setTransparentLinks", {"true"});
    for (const Texts& bad : {Texts{}, Texts{"true", "true"}}) {
        errors.clear();
        EXPECT_EQ(call("setTransparentLinks", bad), nullptr);
        EXPECT_NE(errors.text().find("Undefined MethodArg"), std::string::npos);
    }
    FLSysArgs args;
    args.append(om);
    errors.clear();
    EXPECT_EQ(access->methodCall("setTransparentLinks", &args), nullptr);
    EXPECT_NE(errors.text().find("Undefined MethodArg"), std::string::npos);
    EXPECT_EQ(access->transparentLinks(), 1);
}

TEST_F(XMLLoadTest, ATransparentLinkLoadsItsDocumentAndPrintsTheQuery) {
    const std::string url = writeDoc("lib.xml", libXml);
    const InternalName linkType = object("xtype");
    const InternalName linkHref = object("xhref");
    access->insertValue(builtinObject::Xlink, builtinObject::Type, nullptr, 0, MethodType::Scalar,
                        linkType);
    access->insertValue(builtinObject::Xlink, builtinObject::Href, nullptr, 0, MethodType::Scalar,
                        linkHref);
    const InternalName e = object("e");
    access->insertValue(e, linkType, nullptr, 0, MethodType::AttributeSet, string("simple"));
    access->insertValue(e, linkHref, nullptr, 0, MethodType::AttributeSet, string(url + "#/book"));

    // Without the flag the child step follows nothing.
    testing::internal::CaptureStdout();
    step(1, e);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(access->loads.empty());

    call("setTransparentLinks", {"true"});
    testing::internal::CaptureStdout();
    step(1, e);
    const std::string printed = testing::internal::GetCapturedStdout();
    ASSERT_EQ(access->loads.size(), 1u);
    const InternalName d = access->loads[0].document;
    EXPECT_EQ(access->loads[0].request.kind, 6);
    EXPECT_EQ(printed, "parse:" + url + "\npointer:/book\ninternal query: root(" + text(d) +
                           ",_X), _X/book->C.\n");
    // The root fact of the linked document.
    const FSymbol root = access->giveSymTab()->GetFSymbol("root", InternalName::Predicate, 2);
    const InternalName pattern[2] = {d, Free};
    auto facts = Ref<Iterator>::adopt(access->makeFuncOrPredIter(root, pattern, 2, nullptr));
    ASSERT_TRUE(facts != nullptr && facts->first());
    EXPECT_EQ(facts->atColumn(2), rootOf(d));
    facts.reset();
    EXPECT_EQ(errors.text(), "");
}

TEST_F(XMLLoadTest, ALinkTextStandsForDoubleQuotes) {
    testing::internal::CaptureStdout();
    access->followLink(string("missing.xml#id('a\\\"b')"));
    const std::string printed = testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed.substr(0, printed.find("internal")),
              "parse:missing.xml\npointer:id(\"a\"b\")\n");
}

}  // namespace
}  // namespace xmlaccess_test
