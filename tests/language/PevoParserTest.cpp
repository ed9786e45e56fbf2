// Tests of the Pevo parser object: clauses handed out one at a time like the F-Logic parser's,
// their lines, and its own report of a missing symbol table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "language/ParserTestSupport.h"
#include "language/PevoParser.h"

namespace {

using language_test::ParserHarness;

class PevoParserTest : public ::testing::Test {
  protected:
    void SetUp() override { Error::setOutputFilter(7); }

    ErrorCapture capture;
    ParserHarness harness;
    Ref<PevoParser> parser = Ref<PevoParser>::make();
};

TEST_F(PevoParserTest, TwoQueriesThenAtEnd) {
    ASSERT_EQ(parser->setInputString("?- //a/b -> X. ?- X/c."), 1);
    EXPECT_EQ(harness.next(*parser).text, "?- root/descendant::a/b -> X.");
    EXPECT_FALSE(parser->atEnd());
    EXPECT_EQ(harness.next(*parser).text, "?- X/c.");
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(reportText(capture), "");
}

TEST_F(PevoParserTest, MissingSymbolTable) {
    parser->setInputString("?- //a.");
    int ok = 7;
    EXPECT_EQ(parser->parse(nullptr, &ok), nullptr);
    EXPECT_EQ(ok, 7);
    EXPECT_EQ(reportText(capture),
              "NoSymTab|Call to InternalPevoParser without a symbol table (SymTab).|"
              "InternalPevoParser::...\n");
}

TEST_F(PevoParserTest, RulesCarryTheirFileAndLine) {
    parser->setInputString("p(a).\n<!-- two\nlines -->\n?- //a\n/b.");
    int ok = 0;
    const int expectedLines[] = {1, 5};
    for (int line : expectedLines) {
        auto rule = Ref<FRule>::adopt(parser->parse(harness.table(), &ok));
        ASSERT_NE(rule, nullptr);
        EXPECT_EQ(rule->getLine(), line);
    }
}

// The inputs the fuzz target starts from and those on which a parser once failed parse without
// a fault.
TEST(PevoParser, FuzzSeedsAndRegressionsReplayWithoutFault) {
    const auto fuzz = std::filesystem::path(QUORIN_SOURCE_DIR) / "fuzz";
    ErrorCapture errors;
    int files = 0;
    for (const char* folder : {"pevo-seeds", "regressions"}) {
        for (const auto& entry : std::filesystem::directory_iterator(fuzz / folder)) {
            if (!entry.is_regular_file() || entry.path().filename() == "README") continue;
            SCOPED_TRACE(entry.path().filename().string());
            std::ifstream in(entry.path(), std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            ParserHarness harness([] { return static_cast<FParser*>(new PevoParser); });
            harness.parseAll(text.str());
            ++files;
        }
    }
    EXPECT_GE(files, 6);
}

}  // namespace
