// A stop requested while a document is mapped (Ctrl-C, a farewell) gives the import up: the
// document gets the interrupted error value and nothing else of it is stored, and no reference is
// resolved over the IDs met so far.
#include <filesystem>
#include <string>

#include "foundation/Error.h"
#include "language/ReportText.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"
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
        std::string doc =
            "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n<!ELEMENT r (item*)>\n"
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
        access->insertValue(string(fileUrl("many.xml")), builtinObject::Parse0, args, 5, 0,
                            object("d"));
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
                            0, object(document));
        access->importer()->setMappingPoll(nullptr);
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
        Iterator* rows = access->lookup(1, pattern, 3, nullptr);
        for (bool more = rows != nullptr && rows->first(); more; more = rows->next()) ++count;
        decRef(rows);
        return count;
    }

    static constexpr int elements = 3000;
};

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
