// The import driver: catalog, argument vectors, tag files, stream files, the tree built from the
// event stream, and the plain mapping.
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <tuple>

#include "../../fuzz/ImportFuzzInput.h"
#include "ImportTestSupport.h"
#include "platform/InterruptFlag.h"
#include "support/ChannelCapture.h"
#include "xml/EntityPolicy.h"
#include "xml/IgnoreTable.h"
#include "xml/SGMLTreeAttr.h"
#include "xml/SGMLTreeElem.h"
#include "xml/XmlDeclaration.h"

namespace import_test {
namespace {

TEST_F(ImportTest, CatalogHoldsFourLinesAfterEachSetter) {
    EXPECT_EQ(handler->catalogPath(), home.string() + "/catalog.flc");
    EXPECT_FALSE(std::filesystem::exists(handler->catalogPath()));
    handler->setDtdFile("\"-//A//DTD a//EN\"", "a.dtd");
    EXPECT_EQ(readFile(handler->catalogPath()), "\nPUBLIC \"-//A//DTD a//EN\" a.dtd\n\n\n");
    handler->setDclFile("x.dcl");
    handler->setEntFile("\"-//E//ENT\"", "e.ent");
    handler->setDocType("memo", "memo.dtd");
    EXPECT_EQ(readFile(handler->catalogPath()),
              "SGMLDECL x.dcl\nPUBLIC \"-//A//DTD a//EN\" a.dtd\nPUBLIC \"-//E//ENT\" e.ent\n"
              "DOCTYPE memo memo.dtd\n");
}

TEST_F(ImportTest, ArgumentVectors) {
    const std::string xmlCatalog = std::string("-c") + builtinXmlCatalog;
    const std::string own = "-c" + handler->catalogPath();
    using Args = std::vector<std::string>;
    EXPECT_EQ(handler->parserArguments("d.xml"),
              (Args{"  ", "-f/dev/null", "-E0", xmlCatalog, "-oid", "-wxml", "d.xml"}));
    EXPECT_EQ(handler->parserArguments("page.html"),
              (Args{"  ", "-f/dev/null", "-E0", "page.html"}));
    EXPECT_EQ(handler->parserArguments("/w/site.htm/d.sgml"),
              (Args{"  ", "-f/dev/null", "-E0", "/w/site.htm/d.sgml"}));
    EXPECT_EQ(handler->parserArguments("-d.xml"),
              (Args{"  ", "-f/dev/null", "-E0", xmlCatalog, "-oid", "-wxml", "./-d.xml"}));
    handler->setSgmlErrFile("/tmp/errs");
    handler->setDocType("memo", "memo.dtd");
    EXPECT_EQ(handler->parserArguments("d.xml"),
              (Args{"  ", "-f/tmp/errs", "-E0", xmlCatalog, "-oid", "-wxml", own, "d.xml"}));
    EXPECT_EQ(handler->parserArguments("p.html"),
              (Args{"  ", "-f/tmp/errs", "-E0", own, "p.html"}));
}

TEST_F(ImportTest, StreamFileLivesInTheHomeOrTheTemporaryFolder) {
    const std::string name = ".nsgmltmpfile" + std::to_string(getpid());
    EXPECT_EQ(handler->outputPath(), home.string() + "/" + name);
    const auto tmp = home / "tmp";
    std::filesystem::create_directory(tmp);
    handler->setTmpDir(tmp.string());
    EXPECT_EQ(handler->outputPath(), (tmp / name).string());
    importData("memo.xml", request(3));
    EXPECT_TRUE(std::filesystem::exists(tmp / name));
    EXPECT_NE(dump().find("doc.root : doc.memo."), std::string::npos);
}

TEST_F(ImportTest, UnwritableStreamFileStopsBeforeTheParser) {
    handler->setTmpDir((home / "missing").string());
    importData("memo.xml", request(3));
    EXPECT_EQ(reports(errors), "*** ERROR : CantWrite\ncan't write to file : " +
                                   handler->outputPath() + "\nNSgmlHandler\n");
    EXPECT_TRUE(handler->lastArgs.empty());
}

// Ctrl-C during the parse, or while the stream is read back: the document gets the reason as its
// error value and nothing of its content; the flag stays raised for the evaluation around it.
TEST_F(ImportTest, AnInterruptAbandonsTheImportAndStoresOnlyTheReason) {
    for (bool duringParse : {true, false}) {
        SCOPED_TRACE(duringParse);
        if (duringParse) {
            interruptFlag.store(1);
        } else {
            handler->afterRun = [] { interruptFlag.store(1); };
        }
        importData("memo.xml", request(5, 1, 1));
        EXPECT_EQ(interruptFlag.load(), 1);
        interruptFlag.store(0);
        handler->afterRun = nullptr;
        const std::string facts = dump();
        EXPECT_NE(facts.find("error ->> {\"import of "), std::string::npos) << facts;
        EXPECT_NE(facts.find(" interrupted\"}"), std::string::npos) << facts;
        EXPECT_EQ(facts.find(": tag."), std::string::npos) << facts;
        EXPECT_NE(reports(errors).find("Interrupted"), std::string::npos);
        errors.clear();
    }
}

// Nested entity definitions of a few hundred bytes that would expand to gigabytes: the parse
// stops at the bound, the stream file holds little more than the bound, nothing is mapped.
TEST_F(ImportTest, AnEntityBombStopsAtTheBoundWithAnErrorValue) {
    std::string doc = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY a0 \"lol lol lol\">\n";
    for (int level = 1; level <= 9; ++level) {
        const std::string below = "&a" + std::to_string(level - 1) + ";";
        std::string ten;
        for (int i = 0; i < 10; ++i) ten += below;
        doc += "<!ENTITY a" + std::to_string(level) + " \"" + ten + "\">\n";
    }
    doc += "]>\n<r><x>&a9;</x></r>\n";
    const std::string file = (home / "bomb.xml").string();
    writeFile(file, doc);
    handler->parseWebdoc(document, file, request(5, 1, 1), 0, "", "", "");
    const std::string facts = dump();
    EXPECT_NE(facts.find("expand beyond 10485760 characters or 64 levels"), std::string::npos)
        << facts;
    EXPECT_EQ(facts.find(": tag."), std::string::npos) << facts;
    EXPECT_LT(std::filesystem::file_size(handler->outputPath()),
              EntityPolicy::defaultMaxExpandedBytes + 1024 * 1024);
    EXPECT_NE(reports(errors).find("EntityBound"), std::string::npos);

    // Entities nested deeper than the bound, each adding nothing much.
    std::string deep = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY d0 \"deep\">\n";
    for (int level = 1; level <= 70; ++level) {
        deep +=
            "<!ENTITY d" + std::to_string(level) + " \"&d" + std::to_string(level - 1) + ";\">\n";
    }
    deep += "]>\n<r>&d70;</r>\n";
    writeFile(file, deep);
    errors.clear();
    handler->parseWebdoc(object("deep"), file, request(5, 1, 1), 0, "", "", "");
    EXPECT_NE(reports(errors).find("EntityBound"), std::string::npos);
    // At the bound it is still read.
    deep.replace(deep.find("<r>&d70;</r>"), 12, "<r>&d63;</r>");
    writeFile(file, deep);
    errors.clear();
    handler->parseWebdoc(object("fine"), file, request(5, 1, 1), 0, "", "", "");
    EXPECT_EQ(reports(errors).find("EntityBound"), std::string::npos);
}

// The parser builds an attribute value from its entities in memory before the element's event
// comes: a DTD whose entity would expand past the bound ends the parse after the prolog, used
// in an attribute or not. The bomb here is small (11 MB) in case the check ever fails.
TEST_F(ImportTest, AnEntityBombInAnAttributeStopsAfterTheProlog) {
    auto bomb = [](int levels, const std::string& use) {
        std::string doc =
            "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ELEMENT r EMPTY>\n"
            "<!ATTLIST r v CDATA #IMPLIED>\n<!ENTITY a0 \"lol lol lol\">\n";
        for (int level = 1; level <= levels; ++level) {
            std::string ten;
            for (int i = 0; i < 10; ++i) ten += "&a" + std::to_string(level - 1) + ";";
            doc += "<!ENTITY a" + std::to_string(level) + " \"" + ten + "\">\n";
        }
        return doc + "]>\n<r v=\"" + use + "\"/>\n";
    };
    const std::string file = (home / "attribute-bomb.xml").string();
    writeFile(file, bomb(6, "&a6;"));
    handler->parseWebdoc(document, file, request(5, 1, 1), 0, "", "", "");
    EXPECT_NE(reports(errors).find("EntityBound"), std::string::npos);
    EXPECT_NE(dump().find("expand beyond 10485760 characters or 64 levels"), std::string::npos);

    // Declared and not used: the DTD alone is over the bound.
    writeFile(file, bomb(6, "&a1;"));
    errors.clear();
    handler->parseWebdoc(object("unused"), file, request(5, 1, 1), 0, "", "", "");
    EXPECT_NE(reports(errors).find("EntityBound"), std::string::npos);

    // Entities that stay under the bound are expanded into the attribute as before.
    writeFile(file, bomb(3, "&a3;"));
    errors.clear();
    handler->parseWebdoc(object("fine"), file, request(5, 1, 1), 0, "", "", "");
    EXPECT_EQ(reports(errors).find("EntityBound"), std::string::npos);
    EXPECT_NE(dump().find("lol lol lollol lol lol"), std::string::npos);
}

TEST_F(ImportTest, TagFileStatusesShapeTheMapping) {
    handler->setTagFile((dataDir() / "tags.txt").string());
    importData("memo.xml", request(3));
    expectDump("memo-tags.dump");
    EXPECT_EQ(reports(errors), "");
}

TEST_F(ImportTest, OthersLineDropsEverythingUnnamedAndDoesNotOutliveItsImport) {
    handler->setTagFile((dataDir() / "others.txt").string());
    importData("memo.xml", request(3));
    expectDump("memo-others.dump");
    // A table without "<OTHERS>" starts from keeping everything again.
    auto table =
        Ref<IgnoreTable>::adopt(handler->loadIgnoreTable((dataDir() / "tags.txt").string()));
    EXPECT_EQ(SGMLTreeElem::getDefaultStatus(), '+');
    EXPECT_EQ(SGMLTreeAttr::getDefaultStatus(), '+');
}

TEST_F(ImportTest, PlainMappingAlsoWhenTheTagFileIsMissing) {
    importData("memo.xml", request(3));
    expectDump("memo-plain.dump");
    EXPECT_EQ(reports(errors), "");
    EXPECT_EQ(handler->lastArgs.back(), (dataDir() / "memo.xml").string());

    const std::string missing = (home / "none.tags").string();
    handler->setTagFile(missing);
    importData("memo.xml", request(3));
    EXPECT_EQ(reports(errors), "*** ERROR : FileError\n" + missing +
                                   ": No such (tag) file \nNsgmlHandler::loadIgnoreTable\n");
    expectDump("memo-plain.dump");
}

TEST_F(ImportTest, KindsZeroAndOneMakeNoElementObjects) {
    for (int kind : {0, 1}) {
        importData("memo.xml", request(kind));
        EXPECT_EQ(dump(),
                  "doc [doctype -> doc.doctype].\n"
                  "doc.doctype : doctype.\n"
                  "doc.doctype [name -> \"memo\"].\n");
    }
}

// A stream without an element start (the parser found no document element) stores nothing of
// the document, its type included: the document gets the error value, named by its address.
TEST_F(ImportTest, StreamWithoutElementIsRefused) {
    importStream("s x.dtd\n!doctype x\nC\n", request(3));
    EXPECT_EQ(
        dump(),
        "doc [error ->> {\"file:/docs/doc.xml is not well-formed: no document element\"}].\n");
    EXPECT_EQ(reports(errors),
              "*** ERROR : NotWellFormed\nfile:/docs/doc.xml is not well-formed: no document "
              "element\nNsgmlHandler::parseWebdoc\n");
    // An empty stream the same.
    errors.clear();
    document = object("empty");
    importStream("", request(6, 1, 1));
    EXPECT_NE(dump().find("empty [error ->> {"), std::string::npos);
}

// Documents the parser reads to their end but that are no whole document: one cut short
// (the parser closes what is open and reports the missing end tags), an empty file, text that is
// no markup. Each stores nothing but its error value, with the parser's reason and its line;
// mismatched tags are taken as the parser recovers them.
TEST_F(ImportTest, DocumentsCutShortOrWithoutElementAreRefusedWithTheParsersReason) {
    struct Case {
        const char* name;
        const char* text;
        const char* reason;
    };
    const std::vector<Case> cases{
        {"cut", "<r><a>one</a><b>two</b><c>thr",
         "line 1: end tag for \\\"c\\\" omitted, but OMITTAG NO was specified"},
        {"cutlines", "<?xml version=\"1.0\"?>\n<r>\n<a>one</a>\n<!-- a comment",
         "line 4: unterminated comment: found end of entity inside comment"},
        {"cutdtd", "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ELEMENT r ANY>\n",
         "line 3: end of document in DTD subset"},
        {"empty", "", "line 1: end of document in prolog"},
        {"blank", "\n\n  \n", "line 3: end of document in prolog"},
        {"text", "Dear reader,\nthis is <b>no</b> XML.\n", "line 2: end of document in prolog"},
    };
    std::string expected;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = (home / (std::string(c.name) + ".xml")).string();
        writeFile(file, c.text);
        for (int kind : {3, 6}) {
            const std::string name = c.name + std::to_string(kind);
            handler->parseWebdoc(object(name), file, request(kind, 1, 1), 0, "file:", "",
                                 "/docs/" + std::string(c.name) + ".xml");
            expected += name + " [error ->> {\"file:/docs/" + c.name + ".xml is not well-formed, " +
                        c.reason + "\"}].\n";
            EXPECT_NE(reports(errors).find("NotWellFormed"), std::string::npos);
            errors.clear();
        }
    }
    std::vector<std::string> lines;
    std::istringstream in(expected);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    std::string sorted;
    for (const std::string& line : lines) sorted += line + "\n";
    EXPECT_EQ(dump(), sorted);

    // A page fetched for its links, or read for its prolog, maps no tree and is not refused.
    handler->parseWebdoc(object("page"), (home / "cut.xml").string(), request(0), 0, "", "", "");
    handler->parseWebdoc(object("prolog"), (home / "empty.xml").string(), request(1), 0, "", "",
                         "");
    EXPECT_EQ(reports(errors).find("NotWellFormed"), std::string::npos) << reports(errors);
    errors.clear();
    std::string facts = dump();
    EXPECT_EQ(facts.find("page [error"), std::string::npos) << facts;
    EXPECT_EQ(facts.find("prolog [error"), std::string::npos) << facts;

    // Mismatched tags: the tree as the parser recovers it, the document whole.
    const std::string mismatched = (home / "mismatched.xml").string();
    writeFile(mismatched, "<r><a><b>x</a><c/></r>\n");
    handler->parseWebdoc(object("mis"), mismatched, request(6, 1, 1), 0, "", "", "");
    facts = dump();
    EXPECT_EQ(facts.find("mis [error"), std::string::npos) << facts;
    for (const char* element : {"r", "a", "b", "c"})
        EXPECT_NE(facts.find(std::string(" : ") + element + ".\n"), std::string::npos) << element;
}

// An external entity the document may not read is not read, and the user is told which and why,
// once however often the document names it; the rest of the document is imported.
TEST_F(ImportTest, AnEntityOutsideTheDocumentsFolderIsNamedInAWarning) {
    std::filesystem::create_directory(home / "docs");
    writeFile(home / "secret.txt", "SECRET");
    const std::string file = (home / "docs" / "ent.xml").string();
    writeFile(file,
              "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ENTITY ext SYSTEM \"../secret.txt\">\n]>\n"
              "<r>before &ext; after &ext;</r>\n");
    ChannelCapture warnings(errorChannel());
    handler->parseWebdoc(document, file, request(6, 1, 1), 0, "", "", "");
    EXPECT_EQ(warnings.text(), "Warning: " + file + ": external entity " +
                                   (home / "docs").string() +
                                   "/../secret.txt not read: it lies outside the document's "
                                   "folder\n");
    const std::string facts = dump();
    EXPECT_EQ(facts.find("SECRET"), std::string::npos) << facts;
    EXPECT_EQ(facts.find("[error"), std::string::npos) << facts;
    EXPECT_NE(facts.find("before"), std::string::npos) << facts;
}

TEST_F(ImportTest, DoctypeKeepsBothIdentifiers) {
    importStream("s sub/x.dtd\np -//X//DTD x//EN more\n!doctype X\n(X\n)X\nC\n", request(3));
    expectDump("doctype.dump");
    EXPECT_EQ(reports(errors), "");
}

// A stream that ends inside an element holds a part of its document: nothing of it is stored,
// for every kind that maps a tree. A page fetched for its links keeps what was read.
TEST_F(ImportTest, TruncatedStreamIsRefused) {
    std::string expected;
    for (int kind : {3, 4, 5, 6}) {
        SCOPED_TRACE(kind);
        document = object("k" + std::to_string(kind));
        importStream("s x.dtd\n!doctype x\n(A\n(B\n-text\n", request(kind, 1, 1, 1));
        expected += "k" + std::to_string(kind) +
                    " [error ->> {\"file:/docs/doc.xml is not well-formed: the document ends "
                    "inside element \\\"b\\\"\"}].\n";
        EXPECT_NE(reports(errors).find("NotWellFormed"), std::string::npos);
        errors.clear();
    }
    EXPECT_EQ(dump(), expected);
    document = object("page");
    importStream("(A\n(B\n-text\n", request(0));
    EXPECT_EQ(reports(errors),
              "*** WARNING : SGMLWarning\n"
              "sgml parser has generated invalid output for file file:/docs/doc.xml\n"
              "NsgmlHandler::parseWebdoc\n");
}

TEST_F(ImportTest, InstructionsAndEntityLinesInContentKeepTheElementOpen) {
    importStream(
        "s \n!doctype a\n?xml-stylesheet href=\"s.css\"\n(A\n-one\n?pi\nspic.gif\n"
        "pPUBLIC-ID\n-two\nAx:lang CDATA en\n(B\n)B\n)A\nC\n",
        request(3));
    EXPECT_EQ(reports(errors), "");
    expectDump("instructions.dump");
}

TEST_F(ImportTest, OverDeepDocumentIsRefused) {
    std::string stream;
    const int depth = 50000;
    for (int i = 0; i < depth; ++i) stream += "(E\n";
    for (int i = 0; i < depth; ++i) stream += ")E\n";
    importStream("s x.dtd\n!doctype x\n" + stream, request(5, 0, 1));
    EXPECT_EQ(reports(errors),
              "*** ERROR : SGMLWarning\ndocument nested deeper than 10000 "
              "elements : file:/docs/doc.xml\nNsgmlHandler::parseWebdoc\n");
    // The document gets the reason as its error value, and nothing else, its type included.
    EXPECT_EQ(dump(),
              "doc [error ->> {\"document nested deeper than 10000 elements : "
              "file:/docs/doc.xml\"}].\n");
}

TEST_F(ImportTest, DocumentAtTheDepthLimitIsMapped) {
    std::string stream;
    const int depth = NsgmlHandler::maxDepth;
    for (int i = 0; i < depth; ++i) stream += "(E\n";
    for (int i = 0; i < depth; ++i) stream += ")E\n";
    importStream(stream, request(5, 0, 1));
    EXPECT_EQ(reports(errors), "");
    EXPECT_NE(dump().find("doc [e ->> {"), std::string::npos);
}

// An access layer whose first document-type insert starts the import of another document, as
// the Web layer's triggers do when a fetched link is parsed.
class NestingAccess : public OMAccess {
  public:
    using OMAccess::OMAccess;
    std::function<void()> onDoctype;
    int insertPath(const InternalName& host, const InternalName& method, const InternalName* args,
                   int argCount, PathStep type, InternalName& value) override {
        std::string text;
        giveLexicalForm(method, text);
        if (text == "doctype" && onDoctype) {
            auto once = std::move(onDoctype);
            onDoctype = nullptr;
            once();
        }
        return OMAccess::insertPath(host, method, args, argCount, type, value);
    }
};

TEST_F(ImportTest, ImportNestedInAnInsertKeepsBothDocuments) {
    auto nesting = Ref<NestingAccess>::make(om);
    auto nested = Ref<TestHandler>::make(nesting.get());
    InternalName second;
    nesting->internName(second, "other", 1);
    nesting->onDoctype = [&] {
        nested->parseWebdoc(second, (dataDir() / "texts.xml").string(), request(3), 0, "file:", "",
                            "/t.xml");
    };
    nested->parseWebdoc(document, (dataDir() / "memo.xml").string(), request(3), 0, "file:", "",
                        "/m.xml");
    const std::string facts = dump();
    EXPECT_NE(facts.find("doc.root.memo@(1).body@(1) [id -> \"e1\";"), std::string::npos) << facts;
    EXPECT_NE(facts.find("other.root : other.t."), std::string::npos) << facts;
    EXPECT_FALSE(std::filesystem::exists(nested->outputPath(1)));
}

}  // namespace
}  // namespace import_test

namespace import_test {
namespace {

// Inputs the import fuzz target once failed on, and its seeds, replayed as it runs them.
TEST_F(ImportTest, FuzzInputsImportWithoutFaults) {
    const auto fuzz = std::filesystem::path(QUORIN_SOURCE_DIR) / "fuzz";
    int replayed = 0;
    for (const char* folder : {"import-seeds", "import-regressions"}) {
        for (const auto& entry : std::filesystem::directory_iterator(fuzz / folder)) {
            if (entry.path().filename() == "README") continue;
            const std::string bytes = readFile(entry.path());
            importfuzz::importInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                    bytes.size());
            ++replayed;
        }
    }
    EXPECT_GT(replayed, 0);
}

// Documents with names and texts beyond U+FFFF, in every encoding form of UTF-8 and UTF-16 and
// with every kind of ending, import with every name, text and value as written, or are refused
// for content after their root; a fault stops the test.
TEST_F(ImportTest, GeneratedDocumentsKeepEveryCharacterInEveryEncodingForm) {
    std::uint32_t state = 91;
    for (std::uint8_t form = 0; form < 9; ++form) {
        for (std::uint8_t after = 0; after < 4; ++after) {
            for (int round = 0; round < 3; ++round) {
                std::vector<std::uint8_t> bytes{form, after};
                for (int i = 0; i < 160; ++i) {
                    state = state * 1664525u + 1013904223u;
                    bytes.push_back(static_cast<std::uint8_t>(state >> 24));
                }
                importfuzz::importDocument(bytes.data(), bytes.size());
            }
        }
    }
}

}  // namespace
}  // namespace import_test
