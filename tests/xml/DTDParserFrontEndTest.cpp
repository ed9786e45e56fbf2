// Tests of the DTD parser object: inputs from files, standard input and texts, one parse an
// input, and the reports for inputs that cannot be opened or read.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>

#include "DTDPoolCount.h"
#include "DTDPrintForm.h"
#include "NsgmlTestSupport.h"
#include "language/ReportText.h"
#include "support/ChannelCapture.h"
#include "xml/DTDParser.h"

namespace {

using nsgmltest::dataDir;
using nsgmltest::readFile;
using nsgmltest::writeFile;

class DTDParserTest : public ::testing::Test {
  protected:
    void SetUp() override { Error::setOutputFilter(7); }

    std::string errors() const { return reportText(capture); }
    // The model of the next parse (released), or "null", and the ok flag.
    std::string next() {
        int ok = -1;
        const auto dtd = Ref<InternalDTD>::adopt(parser->parse(&ok));
        return dtdtest::printForm(dtd.get()) + "ok=" + std::to_string(ok) + "\n";
    }

    dtdtest::PoolCount pools;
    ErrorCapture capture;
    Ref<DTDParser> parser = Ref<DTDParser>::make();
};

// A file of the test's temporary folder with the given text.
std::string tempFile(const std::string& name, const std::string& text) {
    std::string path = ::testing::TempDir() + name;
    writeFile(path, text);
    return path;
}

TEST_F(DTDParserTest, NothingOpenGivesNothing) {
    EXPECT_TRUE(parser->isA("DTDParser"));
    EXPECT_TRUE(parser->isA("FLSysObject"));
    EXPECT_FALSE(parser->isA("FParser"));
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(next(), "null\nok=0\n");
    EXPECT_EQ(errors(), "");
}

TEST_F(DTDParserTest, AMissingFileIsReportedAndLeavesNothingOpen) {
    ASSERT_EQ(parser->openString("<!ELEMENT a ANY>"), 1);
    EXPECT_EQ(parser->open("/no/such/folder/x.dtd"), 0);
    EXPECT_EQ(errors(),
              "ParseError|/no/such/folder/x.dtd: No such file or directory|DTDParser::open()\n");
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(next(), "null\nok=0\n");
}

TEST_F(DTDParserTest, AnInputIsParsedOnceAndTheNextOpenParsesAgain) {
    std::string file = tempFile("second.dtd", "<!ELEMENT b EMPTY>\n");
    ASSERT_EQ(parser->openString("<!ELEMENT a ANY>"), 1);
    EXPECT_FALSE(parser->atEnd());
    EXPECT_EQ(next(), "element a any\nok=1\n");
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(next(), "null\nok=0\n");
    ASSERT_EQ(parser->open(file), 1);
    EXPECT_EQ(next(), "element b empty\nok=1\n");
    parser->close();
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(next(), "null\nok=0\n");
    EXPECT_EQ(errors(), "");
    std::filesystem::remove(file);
}

TEST_F(DTDParserTest, ErrorsNameTheFileAndComeOncePerParse) {
    std::string file =
        tempFile("bad.dtd", "<!ELEMENT a ANY>\n<!ELEMENT b = c>\n<!ELEMENT d = e>\n");
    ASSERT_EQ(parser->open(file), 1);
    EXPECT_EQ(next(), "null\nok=0\n");
    EXPECT_EQ(errors(), "ParseError|" + file +
                            ", line 2 parse error near '=' : parse error|FParser::yyparse()\n");
    capture.clear();
    std::filesystem::remove(file);
    // A failed parse does not spoil the next input.
    parser->openString("<!ELEMENT c ANY>");
    EXPECT_EQ(next(), "element c any\nok=1\n");
    parser->openString("\n<!ELEMENT c (d,)>");
    EXPECT_EQ(next(), "null\nok=0\n");
    EXPECT_EQ(errors(),
              "ParseError|line 2 parse error near ')' : parse error|FParser::yyparse()\n");
}

TEST_F(DTDParserTest, StandardInputIsReadAndStaysUsable) {
    std::istringstream text("<!ELEMENT s EMPTY>");
    std::streambuf* saved = std::cin.rdbuf(text.rdbuf());
    ASSERT_EQ(parser->open("stdin"), 1);
    EXPECT_EQ(next(), "element s empty\nok=1\n");
    parser->close();
    EXPECT_TRUE(std::cin.good());
    std::cin.rdbuf(saved);
    EXPECT_EQ(errors(), "");
}

TEST_F(DTDParserTest, AFolderOpensButCannotBeRead) {
    ASSERT_EQ(parser->open(::testing::TempDir()), 1);
    EXPECT_EQ(next(), "null\nok=0\n");
    EXPECT_EQ(errors(), "InputFailed|" + ::testing::TempDir() +
                            ", line 1 : input could not be read|FScanner::yylex()\n");
}

// The DTD files written for the tests, against their models.
TEST_F(DTDParserTest, DataFilesGiveTheirModels) {
    for (const std::string name : {"library", "recipes"}) {
        ASSERT_EQ(parser->open((dataDir() / (name + ".dtd")).string()), 1);
        EXPECT_EQ(next(), readFile(dataDir() / (name + ".model")) + "ok=1\n") << name;
    }
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(pools.inUse(), "");
}

// Inputs the fuzz target once failed on, replayed as it runs them.
TEST_F(DTDParserTest, FuzzRegressionsParseWithoutFaults) {
    const std::filesystem::path folder =
        dataDir() / ".." / ".." / ".." / "fuzz" / "dtd-regressions";
    std::ostringstream discarded;
    std::streambuf* saved = std::cout.rdbuf(discarded.rdbuf());
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename() == "README") continue;
        parser->openString(readFile(entry.path()));
        int ok = 0;
        Ref<InternalDTD>::adopt(parser->parse(&ok)).reset();
        ++replayed;
    }
    std::cout.rdbuf(saved);
    EXPECT_GT(replayed, 0);
    EXPECT_EQ(pools.inUse(), "");
}

// Bytes that start no token (control characters, a terminal's escape sequences) never reach
// standard output, whatever the DTD is made of.
TEST_F(DTDParserTest, UnrecognisedBytesAreNotWrittenOut) {
    std::ostringstream written;
    std::streambuf* saved = std::cout.rdbuf(written.rdbuf());
    std::string binary = "<!ELEMENT a (#PCDATA)>\x1b[2J\x07\x01\x02{}|~^`$%";
    binary += std::string(1, '\0') + "<!ELEMENT b EMPTY>\x1b]0;title\x07";
    parser->openString(binary);
    int ok = 0;
    Ref<InternalDTD>::adopt(parser->parse(&ok)).reset();
    std::cout.rdbuf(saved);
    EXPECT_EQ(written.str(), "");
    EXPECT_EQ(pools.inUse(), "");
}

}  // namespace
