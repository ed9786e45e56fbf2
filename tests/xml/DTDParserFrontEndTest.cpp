// Tests of the DTD parser object: inputs from files, standard input and texts, one parse an
// input, and the reports for inputs that cannot be opened or read.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "DTDPoolCount.h"
#include "DTDPrintForm.h"
#include "language/ReportText.h"
#include "support/ChannelCapture.h"
#include "xml/DTDParser.h"

namespace {

class DTDParserTest : public ::testing::Test {
  protected:
    void SetUp() override { Error::setOutputFilter(7); }
    ~DTDParserTest() override { decRef(parser); }

    std::string errors() const { return reportText(capture); }
    // The model of the next parse (released), or "null", and the ok flag.
    std::string next() {
        int ok = -1;
        InternalDTD* dtd = parser->parse(&ok);
        std::string out = dtdtest::printForm(dtd) + "ok=" + std::to_string(ok) + "\n";
        if (dtd != nullptr) decRef(dtd);
        return out;
    }

    dtdtest::PoolCount pools;
    ErrorCapture capture;
    DTDParser* parser = new DTDParser();
};

// A file in the test's temporary folder, removed afterwards.
class TempFile {
  public:
    TempFile(const std::string& name, const std::string& text) : path(::testing::TempDir() + name) {
        std::ofstream(path) << text;
    }
    ~TempFile() { std::remove(path.c_str()); }
    std::string path;
};

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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
    TempFile file("second.dtd", "<!ELEMENT b EMPTY>\n");
    ASSERT_EQ(parser->openString("<!ELEMENT a ANY>"), 1);
    EXPECT_FALSE(parser->atEnd());
    EXPECT_EQ(next(), "element a any\nok=1\n");
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(next(), "null\nok=0\n");
    ASSERT_EQ(parser->open(file.path), 1);
    EXPECT_EQ(next(), "element b empty\nok=1\n");
    parser->close();
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(next(), "null\nok=0\n");
    EXPECT_EQ(errors(), "");
}

TEST_F(DTDParserTest, ErrorsNameTheFileAndComeOncePerParse) {
    TempFile file("bad.dtd", "<!ELEMENT a ANY>\n<!ELEMENT b = c>\n<!ELEMENT d = e>\n");
    ASSERT_EQ(parser->open(file.path), 1);
    EXPECT_EQ(next(), "null\nok=0\n");
    EXPECT_EQ(errors(), "ParseError|" + file.path +
                            ", line 2 parse error near '=' : parse error|FParser::yyparse()\n");
    capture.clear();
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
    const std::filesystem::path data = std::filesystem::path(__FILE__).parent_path() / "data";
    for (const char* name : {"library", "recipes"}) {
        ASSERT_EQ(parser->open((data / (std::string(name) + ".dtd")).string()), 1);
        EXPECT_EQ(next(), readFile(data / (std::string(name) + ".model")) + "ok=1\n") << name;
    }
    EXPECT_EQ(errors(), "");
    EXPECT_EQ(pools.inUse(), "");
}

// Inputs the fuzz target once failed on, replayed as it runs them.
TEST_F(DTDParserTest, FuzzRegressionsParseWithoutFaults) {
    const std::filesystem::path folder =
        std::filesystem::path(__FILE__).parent_path() / ".." / ".." / "fuzz" / "dtd-regressions";
    std::ostringstream discarded;
    std::streambuf* saved = std::cout.rdbuf(discarded.rdbuf());
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename() == "README") continue;
        parser->openString(readFile(entry.path()));
        int ok = 0;
        InternalDTD* dtd = parser->parse(&ok);
        if (dtd != nullptr) decRef(dtd);
        ++replayed;
    }
    std::cout.rdbuf(saved);
    EXPECT_GT(replayed, 0);
    EXPECT_EQ(pools.inUse(), "");
}

}  // namespace
