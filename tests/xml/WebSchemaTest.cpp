// DTDs as schema through the Web access layer: element classes, signatures, enumeration classes
// and inheritable defaults, with and without a DTD object, and the DTDs that cannot be read.
#include <algorithm>
#include <string>
#include <vector>

#include "foundation/Error.h"
#include "language/ReportText.h"
#include "support/LoopbackServer.h"
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
        auto rows =
            Ref<Iterator>::adopt(access->lookup(MethodType(type), pattern.data(), width, nullptr));
        for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) {
            const InternalName result = rows->atColumn(width);
            if (result.getType() != InternalName::SetName) {
                texts.push_back(text(result));
                continue;
            }
            auto members = Ref<Iterator>::adopt(access->setIterator(result, nullptr));
            for (bool member = members != nullptr && members->first(); member;
                 member = members->next()) {
                texts.push_back(text(members->atColumn(1)));
            }
        }
        rows.reset();
        std::sort(texts.begin(), texts.end());
        return texts;
    }
    using Texts = std::vector<std::string>;

    // The instances of a class, sorted.
    Texts instances(const InternalName& cls) {
        Texts texts;
        const auto members = Ref<Iterator>::adopt(access->makeEnhIsaIter(
            InternalName::UndefinedObject, cls, IsaRelation::Member, nullptr));
        for (bool more = members && members->first(); more; more = members->next()) {
            texts.push_back(text(members->atColumn(1)));
        }
        std::sort(texts.begin(), texts.end());
        return texts;
    }

    void mapLibrary(const InternalName& dtdObject) {
        writeFile(scratch / "library.dtd", library);
        access->mapDTD(object("doc"), (scratch / "library.dtd").string(), dtdObject,
                       (scratch / "library.dtd").string());
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
    const Texts classes = entry(6, book, object("lang"));
    ASSERT_EQ(classes.size(), 1u);
    for (const char* name : {"book", "library", "em", "note", "lang", "literal", "object"}) {
        EXPECT_NE(classes[0], name);
    }
    EXPECT_EQ(instances(object(classes[0])), (Texts{"de", "en", "fr"}));
    EXPECT_EQ(entry(3, book, object("lang")), Texts{"de"});
    EXPECT_EQ(errors.text(), "");
}

TEST_F(WebSchemaTest, WithADtdObjectTheClassesAndMethodsAreItsPathValues) {
    const InternalName x = object("x");
    mapLibrary(x);
    auto at = [&](const char* name) { return value(x, object(name)); };
    const InternalName book = at("book");
    ASSERT_NE(book, InternalName::UndefinedObject);
    EXPECT_EQ(entry(7, at("library"), book), Texts{text(book)});
    EXPECT_EQ(entry(7, book, object("pcdata")), Texts{"literal"});
    EXPECT_EQ(entry(3, book, object("xml_idref"), {at("cites")}), Texts{"\"b0\""});
    EXPECT_EQ(entry(7, object("library"), object("book")), Texts{});
    EXPECT_EQ(entry(3, book, at("lang")), Texts{text(at("de"))});
    const Texts classes = entry(6, book, at("lang"));
    ASSERT_EQ(classes.size(), 1u);
    EXPECT_EQ(instances(object(classes[0])),
              (Texts{text(at("de")), text(at("en")), text(at("fr"))}));
}

TEST_F(WebSchemaTest, AMissingOrBrokenDtdIsReportedAndMapsNothing) {
    writeFile(scratch / "broken.dtd", "<!ELEMENT a (b)>\n<!ENTITY e \"text\">\n");
    for (const char* name : {"absent.dtd", "broken.dtd"}) {
        SCOPED_TRACE(name);
        errors.clear();
        testing::internal::CaptureStderr();
        access->mapDTD(object("doc"), (scratch / name).string(), builtinObject::Nil,
                       (scratch / name).string());
        // Nothing opened parses either.
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "Error parsing the DTD...\n");
        EXPECT_EQ(errors.text().find("NoDTDFile") != std::string::npos,
                  std::string(name) == "absent.dtd");
    }
    EXPECT_EQ(entry(6, object("a"), object("b")), Texts{});
}

TEST_F(WebSchemaTest, AServedDtdIsNamedByItsAddressInMessages) {
    loopback::Server server;
    server.route("/sub/bin.dtd",
                 loopback::canned(httpReply("<!ELEMENT a (b)>\n<!ELEMENT b = (#PCDATA)>\n")));
    const InternalName args[2] = {builtinObject::Dtd, builtinObject::Nil};
    errors.clear();
    // The kind and the message of every report.
    Error::setOutputFilter(7);
    testing::internal::CaptureStderr();
    access->insertValue(string(server.url("/sub/bin.dtd")), builtinObject::Parse0, args, 2,
                        MethodType::Scalar, object("d"));
    testing::internal::GetCapturedStderr();
    const std::string reported = reportText(errors);
    EXPECT_NE(reported.find(server.url("/sub/bin.dtd") + ", line 2 parse error"), std::string::npos)
        << reported;
    EXPECT_EQ(reported.find(".wd"), std::string::npos) << reported;
}

}  // namespace
}  // namespace webaccess_test
