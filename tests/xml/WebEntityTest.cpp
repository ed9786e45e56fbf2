// What a document from the Web may read while it is imported: no local file, whatever its
// entities name, and a DTD named relative to the document found next to it on the server.
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "objectbase/SymTab.h"
#include "support/LoopbackServer.h"
#include "xml/WebAccessTestSupport.h"

namespace webaccess_test {
namespace {

// Everything the import interned: read local text would show up here.
std::string symbolTable(OMAccess* access) {
    std::ostringstream out;
    access->giveSymTab()->print(out);
    return out.str();
}

TEST_F(WebAccessTest, AServedDocumentReadsNoLocalFileAndFindsItsDtdOnTheServer) {
    // Local files a document might name: next to the working folder's temporary copy, by an
    // absolute path, and the file a relative DTD name would find in the working folder.
    writeFile(scratch / "secret.txt", "LOCALSECRET");
    writeFile(scratch / "ext.dtd", "<!ENTITY leak 'DTDDECOY'>");
    const std::string doc =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"ext.dtd\" [\n"
        "<!ENTITY abs SYSTEM \"" +
        (scratch / "secret.txt").string() +
        "\">\n<!ENTITY rel SYSTEM \"secret.txt\">\n"
        "<!ENTITY web SYSTEM \"part.txt\">\n]>\n"
        "<r><x>[&abs;][&rel;][&web;]</x></r>\n";
    const std::string dtd = "<!ELEMENT r (x)>\n<!ELEMENT x (#PCDATA)>\n";
    loopback::Server server;
    server.route("/sub/page.xml", loopback::canned(httpReply(doc)));
    server.route("/sub/ext.dtd", loopback::canned(httpReply(dtd)));
    server.route("/sub/part.txt", loopback::canned(httpReply("SERVEDPART")));

    const InternalName nil = builtinObject::Nil;
    const InternalName args[5] = {builtinObject::Xml, nil, nil, builtinObject::Dtd, nil};
    const InternalName d = object("d");
    access->insertValue(string(server.url("/sub/page.xml")), builtinObject::Parse0, args, 5,
                        MethodType::Scalar, d);

    const std::string symbols = symbolTable(access);
    EXPECT_EQ(symbols.find("LOCALSECRET"), std::string::npos);
    EXPECT_EQ(symbols.find("DTDDECOY"), std::string::npos);
    // Remote entities are not fetched by the parser either.
    EXPECT_EQ(symbols.find("SERVEDPART"), std::string::npos);
    EXPECT_EQ(server.requests("/sub/part.txt"), 0);
    // The DTD's address is the document's folder on the server, and that is where it is loaded,
    // once: the document's DTD object is made from the answer the parse fetched.
    EXPECT_EQ(values(d, object("systemurl")),
              std::vector<std::string>{"\"" + server.url("/sub/ext.dtd") + "\""});
    EXPECT_EQ(server.requests("/sub/ext.dtd"), 1);
    InternalName dtdObject;
    ASSERT_NE(access->lookupMethodValue(d, builtinObject::Dtd, dtdObject), 0);
    // The DTD object is described as a load of its own would describe it, header and all.
    EXPECT_EQ(describe(dtdObject).substr(0, describe(dtdObject).find(" file=")),
              "url=\"" + server.url("/sub/ext.dtd") +
                  "\" modif=\"mon, 07 dec 2026 10:00:00 gmt\" length=" +
                  std::to_string(dtd.size()) + " type=\"text/html\"");
    EXPECT_TRUE(access->isaTest(dtdObject, access->schema().dtddoc, IsaRelation::Member) != 0);
    EXPECT_EQ(values(dtdObject, object("error")), std::vector<std::string>{});
    // No kept answer outlives the import.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch)) {
        EXPECT_EQ(entry.path().string().find(".whole"), std::string::npos) << entry.path();
    }
}

TEST_F(WebAccessTest, AServedDocumentGetsTheDefaultsAndReferencesOfItsServedDtd) {
    const std::string doc =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"ext.dtd\">\n"
        "<r><x id=\"a\" to=\"b\">A</x><x id=\"b\">B</x></r>\n";
    const std::string dtd =
        "<!ELEMENT r (x*)>\n<!ELEMENT x (#PCDATA)>\n"
        "<!ATTLIST x id ID #IMPLIED to IDREF #IMPLIED kind CDATA 'SERVEDDEFAULT'>\n";
    loopback::Server server;
    server.route("/sub/page.xml", loopback::canned(httpReply(doc)));
    server.route("/sub/ext.dtd", loopback::canned(httpReply(dtd)));
    const InternalName nil = builtinObject::Nil;
    const InternalName args[5] = {builtinObject::Xml, builtinObject::References, nil, nil, nil};
    const InternalName d = object("d");
    access->insertValue(string(server.url("/sub/page.xml")), builtinObject::Parse0, args, 5,
                        MethodType::Scalar, d);

    EXPECT_EQ(server.requests("/sub/ext.dtd"), 1);
    EXPECT_EQ(values(d, object("error")), std::vector<std::string>{});
    EXPECT_NE(symbolTable(access).find("SERVEDDEFAULT"), std::string::npos);
    // The reference is an object: the element with the ID it names.
    const InternalName pattern[3] = {InternalName::UndefinedObject, object("to"),
                                     InternalName::UndefinedObject};
    auto rows = Ref<Iterator>::adopt(access->lookup(MethodType::Set, pattern, 3, nullptr));
    ASSERT_NE(rows, nullptr);
    ASSERT_TRUE(rows->first());
    auto members = Ref<Iterator>::adopt(access->setIterator(rows->atColumn(3), nullptr));
    ASSERT_NE(members, nullptr);
    ASSERT_TRUE(members->first());
    EXPECT_EQ(values(members->atColumn(1), object("id")), std::vector<std::string>{"\"b\""});
    members.reset();
    rows.reset();
    // The copy of the DTD is gone with the parse.
    for (const auto& entry : std::filesystem::directory_iterator(scratch))
        EXPECT_NE(entry.path().extension(), ".dtd") << entry.path();
}

TEST_F(WebAccessTest, AServedDtdNamedByAnAbsolutePathIsFetchedAndOneNamedByUrlIsNot) {
    const std::string dtd =
        "<!ELEMENT r (x)>\n<!ELEMENT x (#PCDATA)>\n"
        "<!ATTLIST x kind CDATA 'SERVEDDEFAULT'>\n";
    loopback::Server server;
    server.route("/sub/path.xml",
                 loopback::canned(httpReply("<?xml version=\"1.0\"?>\n"
                                            "<!DOCTYPE r SYSTEM \"/other/ext.dtd\">\n"
                                            "<r><x>A</x></r>\n")));
    server.route(
        "/sub/url.xml",
        loopback::canned(httpReply("<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"" +
                                   server.url("/third/ext.dtd") + "\">\n<r><x>A</x></r>\n")));
    server.route("/other/ext.dtd", loopback::canned(httpReply(dtd)));
    server.route("/third/ext.dtd", loopback::canned(httpReply(dtd)));
    const InternalName nil = builtinObject::Nil;
    const InternalName args[5] = {builtinObject::Xml, nil, nil, nil, nil};
    access->insertValue(string(server.url("/sub/url.xml")), builtinObject::Parse0, args, 5,
                        MethodType::Scalar, object("u"));
    // The parser never opens a URL entity: nothing is fetched for it.
    EXPECT_EQ(server.requests("/third/ext.dtd"), 0);
    EXPECT_EQ(symbolTable(access).find("SERVEDDEFAULT"), std::string::npos);
    access->insertValue(string(server.url("/sub/path.xml")), builtinObject::Parse0, args, 5,
                        MethodType::Scalar, object("p"));
    EXPECT_EQ(server.requests("/other/ext.dtd"), 1);
    EXPECT_NE(symbolTable(access).find("SERVEDDEFAULT"), std::string::npos);
}

TEST_F(WebAccessTest, AnEntityThatIsNotUtf8MakesTheDocumentNotWellFormed) {
    std::filesystem::create_directory(scratch / "sub");
    writeFile(scratch / "sub" / "part.txt", "first\nsecond \xff\n");
    writeFile(scratch / "sub" / "page.xml",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY own SYSTEM \"part.txt\">\n]>\n"
              "<r><x>[&own;]</x></r>\n");
    const InternalName nil = builtinObject::Nil;
    const InternalName args[5] = {builtinObject::Xml, nil, nil, nil, nil};
    const InternalName d = object("d");
    access->insertValue(string(fileUrl("sub/page.xml")), builtinObject::Parse0, args, 5,
                        MethodType::Scalar, d);
    EXPECT_EQ(values(d, object("error")),
              std::vector<std::string>{
                  "\"" + fileUrl("sub/page.xml") + " is not well-formed, line 2 of " +
                  (scratch / "sub" / "part.txt").string() + ": bytes that are not UTF-8\""});
    EXPECT_EQ(symbolTable(access).find("second"), std::string::npos);
}

TEST_F(WebAccessTest, AServedDtdThatIsNotUtf8IsNamedByItsAddress) {
    const std::string doc =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"ext.dtd\">\n<r><x>A</x></r>\n";
    loopback::Server server;
    server.route("/sub/page.xml", loopback::canned(httpReply(doc)));
    server.route("/sub/ext.dtd",
                 loopback::canned(httpReply("<!ELEMENT r (x)>\n\n<!ELEMENT x (#PCDATA)> \xc0\n")));
    const InternalName nil = builtinObject::Nil;
    const InternalName args[5] = {builtinObject::Xml, nil, nil, nil, nil};
    const InternalName d = object("d");
    access->insertValue(string(server.url("/sub/page.xml")), builtinObject::Parse0, args, 5,
                        MethodType::Scalar, d);
    EXPECT_EQ(values(d, object("error")),
              std::vector<std::string>{
                  "\"" + server.url("/sub/page.xml") + " is not well-formed, line 3 of " +
                  server.url("/sub/ext.dtd") + ": bytes that are not UTF-8\""});
}

TEST_F(WebAccessTest, ALocalDocumentReadsItsOwnFolderOnly) {
    std::filesystem::create_directory(scratch / "sub");
    writeFile(scratch / "secret.txt", "LOCALSECRET");
    writeFile(scratch / "ext.dtd", "<!ATTLIST x kind CDATA 'DECOY'>");
    writeFile(scratch / "sub" / "ext.dtd",
              "<!ELEMENT r (x)>\n<!ELEMENT x (#PCDATA)>\n<!ATTLIST x kind CDATA 'OWNDEFAULT'>\n"
              "<!ENTITY own SYSTEM 'part.txt'>\n");
    writeFile(scratch / "sub" / "part.txt", "OWNPART");
    writeFile(scratch / "sub" / "page.xml",
              "<?xml version=\"1.0\"?>\n<!DOCTYPE r SYSTEM \"ext.dtd\" [\n"
              "<!ENTITY up SYSTEM \"../secret.txt\">\n"
              "<!ENTITY abs SYSTEM \"" +
                  (scratch / "secret.txt").string() +
                  "\">\n]>\n<r><x>[&up;][&abs;][&own;]</x></r>\n");
    const InternalName nil = builtinObject::Nil;
    const InternalName args[5] = {builtinObject::Xml, nil, nil, nil, nil};
    access->insertValue(string(fileUrl("sub/page.xml")), builtinObject::Parse0, args, 5,
                        MethodType::Scalar, object("d"));
    const std::string symbols = symbolTable(access);
    EXPECT_EQ(symbols.find("LOCALSECRET"), std::string::npos);
    EXPECT_EQ(symbols.find("DECOY"), std::string::npos);
    EXPECT_NE(symbols.find("OWNDEFAULT"), std::string::npos);
    EXPECT_NE(symbols.find("OWNPART"), std::string::npos);
}

}  // namespace
}  // namespace webaccess_test
