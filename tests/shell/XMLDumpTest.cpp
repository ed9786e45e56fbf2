// The XML form of the object base: a golden document, and the document-type head of saveAs.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "objectbase/FSymbol.h"
#include "shell/DumpTestSupport.h"
#include "shell/XMLDumpFormatter.h"

namespace {

namespace fs = std::filesystem;
using dump_test::DumpTest;

TEST_F(DumpTest, XMLDumpOfASmallBase) {
    InternalName john = obj("john"), person = obj("person"), mary = obj("mary");
    isa(john, person);
    value(john, obj("name"), 0, str("John"));
    members(john, obj("kids"), 1, {mary, obj("3")});
    value(john, obj("salary"), 0, obj("100"), {obj("2020")});
    value(mary, obj("age"), 0, obj("7"));
    InternalName row[] = {john, str("x y")};
    om->addPredicate(pred("p", 2), row, 2);

    // An element per object named after its class (object when it has none), its values
    // collected as child elements and written when it closes; a tuple as an empty element.
    EXPECT_EQ(debugOf([&] { om->dump(2); }),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<person id='john'>\n"
              "<name>John</name>\n"
              "  <salary>100</salary>\n"
              "  <kids>3</kids>\n"
              "<kids ref='mary'/>\n"
              "</person>\n"
              "\n"
              "<object id='mary'>\n"
              "<age>7</age>\n"
              "</object>\n"
              "\n"
              "<p attr1='john' attr2='x y'/>\n"
              "\n");
}

// An element's id made from the symbol its writer read already is the one made from the name:
// a plain object's lexical form, the escaped XML form of any other, a string's characters.
TEST_F(DumpTest, AnIdFromTheSymbolReadAlreadyIsTheIdFromTheName) {
    XMLDumpFormatter xml(om);
    for (const InternalName& name :
         {obj("john"), obj("f(a, b)"), obj("'x-y'"), obj("3"), str("a <b>"), obj("2.5")}) {
        std::string fromName, fromSymbol;
        xml.appendXmlNameOnce(name, fromName);
        FSymbol symbol;
        if (om->giveSymbol(name, symbol) != 0)
            xml.appendXmlNameOnce(name, symbol, fromSymbol);
        else
            xml.appendXmlNameOnce(name, fromSymbol);
        EXPECT_EQ(fromSymbol, fromName);
        EXPECT_EQ(fromName, xml.xmlName(name));
    }
}

// A string's XML name, which is read eight characters at a time, escapes each of & < > ' " at
// any place of a text of any length, the same as the escaping of a whole name does.
TEST_F(DumpTest, AStringsXmlNameEscapesMarkupAtEveryPlace) {
    XMLDumpFormatter xml(om);
    const std::string escapes[][2] = {{"&", "&amp;"},  {"<", "&lt;"},    {">", "&gt;"},
                                      {"'", "&apos;"}, {"\"", "&quot;"}, {"x", "x"}};
    for (std::size_t length = 0; length <= 40; ++length)
        for (std::size_t at = 0; at <= length; ++at)
            for (const auto& [plain, escaped] : escapes) {
                // A text of `length` characters (letters, digits, blanks and characters near
                // the escaped ones) with the character at `at`, when it is inside.
                std::string text, expected;
                for (std::size_t i = 0; i < length; ++i) {
                    if (i == at) {
                        text += plain;
                        expected += escaped;
                        continue;
                    }
                    const char c = "ab 9%()=?;#"[i % 11];
                    text += c;
                    expected += c;
                }
                std::string out = "[";
                xml.appendXmlName(str(text), out);
                EXPECT_EQ(out, "[" + expected) << text;
                EXPECT_EQ(xml.xmlName(str(text)), expected) << text;
            }
}

// The first three lines of the XML saved with document type "doc".
std::string savedHead(MainMemOM* om) {
    const fs::path file =
        fs::temp_directory_path() / ("quorin-doctype-" + std::to_string(getpid()) + ".xml");
    om->saveAs(2, file.string(), "doc");
    std::ifstream in(file);
    std::string head, line;
    for (int i = 0; i < 3 && std::getline(in, line); ++i) head += line + "\n";
    in.close();
    fs::remove(file);
    return head;
}

TEST_F(DumpTest, DocumentTypeLineTakesPublicThenSystemIdentifier) {
    const std::string declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    value(obj("john"), obj("age"), 0, obj("3"));
    EXPECT_EQ(savedHead(om), declaration + "<!DOCTYPE doc>\n<doc>\n");
    value(str("doc"), obj("system"), 0, str("doc.dtd"));
    EXPECT_EQ(savedHead(om), declaration + "<!DOCTYPE doc SYSTEM \"doc.dtd\">\n<doc>\n");
    value(str("doc"), obj("public"), 0, str("-//Q//DTD doc//EN"));
    EXPECT_EQ(savedHead(om), declaration + "<!DOCTYPE doc PUBLIC \"-//Q//DTD doc//EN\">\n<doc>\n");
}

}  // namespace
