// DTDs as schema through the Web access layer: element classes, signatures, enumeration classes
// and inheritable defaults, with and without a DTD object, and the DTDs that cannot be read.
#include <algorithm>
#include <string>
#include <vector>

#include "xml/WebAccessTestSupport.h"

namespace webaccess_test {
namespace {

const std::string library =
    "<!ELEMENT library (book+, note?)>\n"
    "<!ELEMENT book (#PCDATA | em)*>\n"
    "<!ELEMENT em (#PCDATA)>\n"
    "<!ELEMENT note EMPTY>\n"
    "<!ATTLIST book\n"
    "    id      ID         #REQUIRED\n"
    "    cites   IDREF      \"b0\"\n"
    "    seeAlso IDREFS     \"b1 b2\"\n"
    "    lang    (en|de|fr) \"de\"\n"
    "    title   CDATA      \"Untitled\"\n"
    "    keys    NMTOKENS   \"x  y\"\n"
    "    plain   CDATA      #IMPLIED>\n";

class WebSchemaTest : public WebAccessTest {
  protected:
    // The sorted texts of the values of host[method@(args) arrow ...] for a method type.
    std::vector<std::string> entry(int type, const InternalName& host, const InternalName& method,
                                   std::vector<InternalName> args = {}) {
        std::vector<InternalName> pattern{host, method};
        pattern.insert(pattern.end(), args.begin(), args.end());
        pattern.push_back(InternalName::UndefinedObject);
        const int width = static_cast<int>(pattern.size());
        std::vector<std::string> texts;
        Iterator* rows = access->lookup(type, pattern.data(), width, nullptr);
        for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) {
            const InternalName result = rows->atColumn(width);
            if (result.getType() != InternalName::SetName) {
                texts.push_back(text(result));
                continue;
            }
            Iterator* members = access->setIterator(result, nullptr);
            for (bool member = members != nullptr && members->first(); member;
                 member = members->next()) {
                texts.push_back(text(members->atColumn(1)));
            }
            decRef(members);
        }
        decRef(rows);
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    using Texts = std::vector<std::string>;

    // The instances of a class, sorted.
    Texts instances(const InternalName& cls) {
        Texts texts;
        Iterator* members = access->makeEnhIsaIter(InternalName::UndefinedObject, cls, 1, nullptr);
        for (bool more = members != nullptr && members->first(); more; more = members->next()) {
            texts.push_back(text(members->atColumn(1)));
        }
        decRef(members);
        std::sort(texts.begin(), texts.end());
        return texts;
    }

    void mapLibrary(const InternalName& dtdObject) {
        writeFile(scratch / "library.dtd", library);
        access->mapDTD(object("doc"), (scratch / "library.dtd").string(), dtdObject);
    }
};

TEST_F(WebSchemaTest, WithoutADtdObjectTheElementNamesAreTheClasses) {
    mapLibrary(builtinObject::Nil);
    const InternalName book = object("book");
    const InternalName lib = object("library");
    EXPECT_EQ(entry(7, lib, book), Texts{"book"});
    EXPECT_EQ(entry(6, lib, object("note")), Texts{"note"});
    EXPECT_EQ(entry(7, book, object("pcdata")), Texts{"literal"});
    EXPECT_EQ(entry(7, book, object("em")), Texts{"em"});
    EXPECT_EQ(entry(6, object("em"), object("pcdata")), Texts{"literal"});

    // Attributes: single and several references, an enumeration, and other types.
    const InternalName idref = object("xml_idref");
    EXPECT_EQ(entry(6, book, object("id")), Texts{"literal"});
    EXPECT_EQ(entry(6, book, object("cites")), Texts{"object"});
    EXPECT_EQ(entry(3, book, idref, {object("cites")}), Texts{"\"b0\""});
    EXPECT_EQ(entry(7, book, object("seeAlso")), Texts{"object"});
    EXPECT_EQ(entry(4, book, idref, {object("seeAlso")}), (Texts{"\"b1\"", "\"b2\""}));
    EXPECT_EQ(entry(6, book, object("title")), Texts{"literal"});
    EXPECT_EQ(entry(3, book, object("title")), Texts{"\"Untitled\""});
    EXPECT_EQ(entry(7, book, object("keys")), Texts{"literal"});
    EXPECT_EQ(entry(4, book, object("keys")), (Texts{"\"x\"", "\"y\""}));
    EXPECT_EQ(entry(6, book, object("plain")), Texts{"literal"});
    EXPECT_EQ(entry(3, book, object("plain")), Texts{});
    EXPECT_EQ(entry(3, book, object("id")), Texts{});

    // The enumeration is one fresh class, its three values its instances; the default a value.
    InternalName values = InternalName::UndefinedObject;
    const InternalName pattern[3] = {book, object("lang"), InternalName::UndefinedObject};
    Iterator* rows = access->lookup(6, pattern, 3, nullptr);
    ASSERT_TRUE(rows != nullptr && rows->first());
    values = rows->atColumn(3);
    EXPECT_FALSE(rows->next());
    decRef(rows);
    for (const char* name : {"book", "library", "em", "note", "lang", "en", "de", "literal"}) {
        EXPECT_NE(values, object(name)) << name;
    }
    EXPECT_EQ(instances(values), (Texts{"de", "en", "fr"}));
    EXPECT_EQ(entry(3, book, object("lang")), Texts{"de"});
    EXPECT_EQ(errors.text(), "");
}

TEST_F(WebSchemaTest, WithADtdObjectTheClassesAndMethodsAreItsPathValues) {
    const InternalName x = object("x");
    mapLibrary(x);
    const InternalName book = value(x, object("book"));
    const InternalName lib = value(x, object("library"));
    const InternalName cites = value(x, object("cites"));
    ASSERT_NE(book, InternalName::UndefinedObject);
    ASSERT_NE(lib, InternalName::UndefinedObject);
    ASSERT_NE(cites, InternalName::UndefinedObject);
    EXPECT_EQ(entry(7, lib, book), Texts{text(book)});
    EXPECT_EQ(entry(7, book, object("pcdata")), Texts{"literal"});
    EXPECT_EQ(entry(6, book, cites), Texts{"object"});
    EXPECT_EQ(entry(3, book, object("xml_idref"), {cites}), Texts{"\"b0\""});
    // Nothing hangs off the plain names.
    EXPECT_EQ(entry(7, object("library"), object("book")), Texts{});

    const InternalName lang = value(x, object("lang"));
    const InternalName pattern[3] = {book, lang, InternalName::UndefinedObject};
    Iterator* rows = access->lookup(6, pattern, 3, nullptr);
    ASSERT_TRUE(rows != nullptr && rows->first());
    const InternalName values = rows->atColumn(3);
    decRef(rows);
    EXPECT_EQ(instances(values), (Texts{text(value(x, object("de"))), text(value(x, object("en"))),
                                        text(value(x, object("fr")))}));
    EXPECT_EQ(entry(3, book, lang), Texts{text(value(x, object("de")))});
}

TEST_F(WebSchemaTest, ADtdUrlAskedForItsParseBecomesADtdDocumentAndASchema) {
    writeFile(scratch / "library.dtd", library);
    const InternalName args[2] = {builtinObject::Dtd, builtinObject::Nil};
    access->insertValue(string(fileUrl("library.dtd")), builtinObject::Parse0, args, 2, 0,
                        object("d"));
    EXPECT_TRUE(access->isaTest(object("d"), access->schema().dtddoc, 1));
    EXPECT_EQ(entry(7, object("library"), object("book")), Texts{"book"});
    // The document itself gets nothing of the DTD.
    EXPECT_EQ(entry(6, object("d"), object("book")), Texts{});
}

TEST_F(WebSchemaTest, AMissingDtdFileIsReportedAndMapsNothing) {
    testing::internal::CaptureStderr();
    access->mapDTD(object("doc"), (scratch / "absent.dtd").string(), builtinObject::Nil);
    // Nothing was opened, so nothing parses either.
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error parsing the DTD...\n");
    EXPECT_NE(errors.text().find("NoDTDFile"), std::string::npos);
}

TEST_F(WebSchemaTest, ADtdThatDoesNotParseWritesOneLineAndMapsNothing) {
    writeFile(scratch / "broken.dtd", "<!ELEMENT a (b)>\n<!ENTITY e \"text\">\n");
    testing::internal::CaptureStderr();
    access->mapDTD(object("doc"), (scratch / "broken.dtd").string(), builtinObject::Nil);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error parsing the DTD...\n");
    EXPECT_EQ(entry(6, object("a"), object("b")), Texts{});
    EXPECT_NE(errors.text().find("ParseError"), std::string::npos);
}

TEST_F(WebSchemaTest, TheTraceListsTheDeclarations) {
    writeFile(scratch / "small.dtd",
              "<!ELEMENT a (b)>\n<!ELEMENT b (#PCDATA)>\n<!ATTLIST a k (p|q) \"p\">\n");
    ASSERT_EQ(call("debugOn", {}), access);
    ChannelCapture debug(debugChannel());
    testing::internal::CaptureStdout();
    access->mapDTD(object("doc"), (scratch / "small.dtd").string(), builtinObject::Nil);
    const std::string listing = testing::internal::GetCapturedStdout();
    EXPECT_EQ(debug.text(), "\n parse DTD: " + (scratch / "small.dtd").string() +
                                "\nsuccessfully opened " + (scratch / "small.dtd").string() + "\n");
    EXPECT_NE(listing.find("Subelements: \n  b\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Attributes: \n  k(p q)\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("Subclasses: \n"), std::string::npos) << listing;
}

}  // namespace
}  // namespace webaccess_test
