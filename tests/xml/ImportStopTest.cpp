// A stop requested while a document is mapped (Ctrl-C, a farewell) gives the import up: the
// document gets the interrupted error value and nothing else of it is stored, and no reference is
// resolved over the IDs met so far.
#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/Error.h"
#include "foundation/OutputChannel.h"
#include "language/ReportText.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"
#include "shell/ShellDumpFormatters.h"
#include "support/ChannelCapture.h"
#include "support/SortedDump.h"
#include "xml/NsgmlHandler.h"
#include "xml/WebAccessTestSupport.h"

namespace webaccess_test {
namespace {

class ImportStopTest : public WebAccessTest {
  protected:
    void SetUp() override {
        WebAccessTest::SetUp();
        // Elements whose references point forward, so that a resolution over the IDs met so far
        // would find some missing.
        // The document type names a system and a public identifier, which the tree's reading
        // states of the document.
        writeFile(scratch / "many.dtd", "<!ENTITY unused \"U\">\n");
        std::string doc =
            "<?xml version=\"1.0\"?>\n<!DOCTYPE r PUBLIC \"-//Q//DTD many//EN\" \"many.dtd\" [\n"
            "<!ELEMENT r (item*)>\n"
            "<!ELEMENT item (#PCDATA)>\n"
            "<!ATTLIST item id ID #REQUIRED next IDREF #IMPLIED all IDREFS #IMPLIED>\n]>\n<r>";
        for (int i = 0; i < elements; ++i) {
            doc += "<item id=\"i" + std::to_string(i) + "\" next=\"i" +
                   std::to_string((i + 1) % elements) + "\" all=\"i0 i" +
                   std::to_string(elements - 1) + "\">T" + std::to_string(i) + "</item>\n";
        }
        writeFile(scratch / "many.xml", doc + "</r>\n");
    }
    void TearDown() override {
        access->importer()->setMappingPoll(nullptr);
        access->importer()->setCommitPoll(nullptr);
        controlEvents::takeFarewell();
        controlEvents::clearInterrupt();
        WebAccessTest::TearDown();
    }

    // Imports many.xml as XML with references into d; the poll hook raises the event at its
    // second call, or never for None. Answers how often the hook was called.
    int import(int event) {
        int calls = 0;
        access->importer()->setMappingPoll([&calls, event] {
            if (++calls == 2) controlEvents::record(event);
        });
        const InternalName nil = builtinObject::Nil;
        const InternalName args[5] = {builtinObject::Xml, builtinObject::References, nil, nil, nil};
        access->insertValue(string(fileUrl("many.xml")), builtinObject::Parse0, args, 5,
                            MethodType::Scalar, object("d"));
        access->importer()->setMappingPoll(nullptr);
        return calls;
    }

    // Imports a copy of many.xml with the plain mapping (elements are paths of the document) into
    // the document object; each document has a copy of its own (one URL has one parse value).
    void importPlain(const std::string& document, int event) {
        std::filesystem::copy_file(scratch / "many.xml", scratch / (document + ".xml"));
        int calls = 0;
        access->importer()->setMappingPoll([&calls, event] {
            if (++calls == 2) controlEvents::record(event);
        });
        access->insertValue(string(fileUrl(document + ".xml")), builtinObject::Parse0, nullptr, 0,
                            MethodType::Scalar, object(document));
        access->importer()->setMappingPoll(nullptr);
    }

    // Imports many.xml as import does, the stop raised at the first look of the facts' storing.
    void importStoppedInTheCommit(int event) {
        access->importer()->setCommitPoll([this, event] {
            ++commitPolls;
            if (commitPolls == 1) controlEvents::record(event);
        });
        import(controlEvents::None);
        access->importer()->setCommitPoll(nullptr);
    }

    // The F-Logic dump of a base, its lines sorted.
    static std::string dump(MainMemOM* base) {
        base->useDumpFormatters(shellDumpFormatters());
        return sortedDump(*base);
    }

    // Whether host[method -> ...] is stored.
    bool holds(const InternalName& host, const char* method) {
        InternalName value;
        return access->lookupMethodValue(host, object(method), value) != 0;
    }

    // The number of host[method ->> ...] facts of any host.
    int factsOf(const char* method) {
        int count = 0;
        const InternalName pattern[3] = {InternalName::UndefinedObject, object(method),
                                         InternalName::UndefinedObject};
        auto rows = Ref<Iterator>::adopt(access->lookup(MethodType::Set, pattern, 3, nullptr));
        for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) ++count;
        rows.reset();
        return count;
    }

    static constexpr int elements = 3000;
    int commitPolls = 0;
};

// An import given up in its mapping leaves the load's own record (the URL's parse value) and the
// interrupted error value; nothing of the document type, its identifiers, elements or references.
TEST_F(ImportStopTest, AnImportStoppedWhileMappingLeavesNoFactOfTheDocument) {
    Error::setOutputFilter(7);
    const std::string before = dump(om);
    import(controlEvents::CtrlC);
    // A dump looks for a stop request too.
    controlEvents::clearInterrupt();
    const std::string after = dump(om);
    const std::string url = "\"" + fileUrl("many.xml") + "\"";
    std::vector<std::string> lines;
    for (std::istringstream in(before); std::getline(in, lines.emplace_back());) {
    }
    lines.pop_back();
    // The load's record: the URL's parse value, the document described and classed, and the
    // error value.
    for (const std::string& line : std::vector<std::string>{
             url + " [parse@(xml,references,[],[],[]) -> d].",
             "d : xmldoc.",
             "xmldoc :: webdoc.",
             "d [url -> " + url + ";",
             "  file -> \"" + (scratch / tempName(0, "many.xml")).string() + "\";",
             "  length -> " + std::to_string(std::filesystem::file_size(scratch / "many.xml")) +
                 ";",
             "  modif -> \"unknown\";",
             "  type -> \"unknown\";",
             "  error ->> {\"import of " + fileUrl("many.xml") + " interrupted\"}].",
         })
        lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    std::string expected;
    for (const std::string& line : lines) expected += line + "\n";
    EXPECT_EQ(after, expected);
}

// The same for an HTML page, whose title and links the tree's reading finds.
TEST_F(ImportStopTest, AnHtmlPageStoppedWhileMappingKeepsNoTitleOrLink) {
    std::string page = "<html><head><title>T</title></head><body>\n";
    for (int i = 0; i < elements; ++i)
        page += "<p><a href=\"p" + std::to_string(i) + ".html\">L</a></p>\n";
    writeFile(scratch / "page.html", page + "</body></html>\n");
    int calls = 0;
    access->importer()->setMappingPoll([&calls] {
        if (++calls == 2) controlEvents::record(controlEvents::CtrlC);
    });
    access->insertValue(string(fileUrl("page.html")), builtinObject::Parse0, nullptr, 0,
                        MethodType::Scalar, object("h"));
    access->importer()->setMappingPoll(nullptr);
    EXPECT_GE(calls, 2);
    EXPECT_EQ(values(object("h"), object("error")),
              std::vector<std::string>{"\"import of " + fileUrl("page.html") + " interrupted\""});
    EXPECT_EQ(factsOf("title"), 0);
    EXPECT_EQ(factsOf("hrefs"), 0);
}

// Storing the facts of a document is short and all of them were made: Ctrl-C lets it finish.
TEST_F(ImportStopTest, CtrlCWhileStoringStoresTheWholeDocument) {
    importStoppedInTheCommit(controlEvents::CtrlC);
    EXPECT_GT(commitPolls, 1);
    EXPECT_EQ(values(object("d"), object("error")), std::vector<std::string>{});
    EXPECT_EQ(factsOf("id"), elements);
    EXPECT_EQ(factsOf("next"), elements);
    EXPECT_TRUE(controlEvents::stopRequested());
}

// A farewell ends the program within a second however large the document: the storing stops at
// its next look, and the document says it was interrupted.
TEST_F(ImportStopTest, AFarewellWhileStoringStopsAtOnce) {
    Error::setOutputFilter(7);
    importStoppedInTheCommit(controlEvents::Shutdown);
    EXPECT_EQ(commitPolls, 1);
    EXPECT_TRUE(controlEvents::farewellPending());
    EXPECT_EQ(values(object("d"), object("error")),
              std::vector<std::string>{"\"import of " + fileUrl("many.xml") + " interrupted\""});
    EXPECT_LT(factsOf("id"), elements / 2);
    EXPECT_EQ(reportText(errors).find("undefined Reference"), std::string::npos);
}

TEST_F(ImportStopTest, AWholeImportStoresEveryElementAndItsReferences) {
    EXPECT_GT(import(controlEvents::None), 2);
    EXPECT_EQ(values(object("d"), object("error")), std::vector<std::string>{});
    EXPECT_EQ(factsOf("id"), elements);
    EXPECT_EQ(factsOf("next"), elements);
    EXPECT_EQ(factsOf("all"), elements);
}

TEST_F(ImportStopTest, CtrlCWhileMappingStoresNothingButTheInterruptedError) {
    Error::setOutputFilter(7);
    EXPECT_GE(import(controlEvents::CtrlC), 2);
    EXPECT_EQ(values(object("d"), object("error")),
              std::vector<std::string>{"\"import of " + fileUrl("many.xml") + " interrupted\""});
    EXPECT_EQ(factsOf("id"), 0);
    EXPECT_EQ(factsOf("next"), 0);
    EXPECT_EQ(factsOf("all"), 0);
    EXPECT_EQ(factsOf("xml_idref"), 0);
    EXPECT_EQ(reportText(errors).find("undefined Reference"), std::string::npos);
}

TEST_F(ImportStopTest, AFarewellWhileMappingResolvesNoReferenceAndStoresNothing) {
    Error::setOutputFilter(7);
    import(controlEvents::Shutdown);
    EXPECT_TRUE(controlEvents::farewellPending());
    EXPECT_EQ(reportText(errors).find("undefined Reference"), std::string::npos)
        << reportText(errors);
    EXPECT_EQ(factsOf("id"), 0);
    EXPECT_EQ(factsOf("next"), 0);
}

TEST_F(ImportStopTest, CtrlCWhileMappingPlainlyStoresNoPath) {
    importPlain("whole", controlEvents::None);
    EXPECT_TRUE(holds(object("whole"), "root"));
    EXPECT_TRUE(holds(object("whole"), "item"));
    importPlain("cut", controlEvents::CtrlC);
    EXPECT_EQ(values(object("cut"), object("error")),
              std::vector<std::string>{"\"import of " + fileUrl("cut.xml") + " interrupted\""});
    EXPECT_FALSE(holds(object("cut"), "root"));
    EXPECT_FALSE(holds(object("cut"), "item"));
}

}  // namespace
}  // namespace webaccess_test
