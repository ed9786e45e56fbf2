// Tests of the parser front end: inputs opened and closed, clauses handed out one at a time, and
// the reports for inputs that cannot be read.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "language/AggExpr.h"
#include "language/FParser.h"
#include "language/FVar.h"
#include "language/ParserTestSupport.h"

namespace {

using language_test::ParserHarness;

class FParserTest : public ::testing::Test {
  protected:
    void SetUp() override { Error::setOutputFilter(7); }

    std::string errors() const { return reportText(capture); }

    ErrorCapture capture;
    ParserHarness harness;
    Ref<FLogicParser> parser = Ref<FLogicParser>::make();
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

TEST_F(FParserTest, NothingBeforeOpeningThenTwoClausesThenAtEnd) {
    EXPECT_TRUE(parser->atEnd());
    int ok = 7;
    EXPECT_EQ(parser->parse(harness.table(), &ok), nullptr);
    EXPECT_EQ(ok, 7);
    ASSERT_EQ(parser->setInputString("p(a).\n?- q(X)."), 1);
    EXPECT_FALSE(parser->atEnd());
    EXPECT_EQ(harness.next(*parser).text, "p(a).");
    EXPECT_FALSE(parser->atEnd());
    EXPECT_EQ(harness.next(*parser).text, "?- q(X).");
    EXPECT_TRUE(parser->atEnd());
    parser->close();
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(errors(), "");
}

// Token texts live until the next clause starts: a clause whose texts fill several blocks
// (a long name, a long string, thousands of names) reads as written, and so does the next one.
TEST_F(FParserTest, TokenTextsOfAnyLengthLastTheirClause) {
    std::string clause = "p" + std::string(10000, 'q') + "(\"" + std::string(5000, 's') + "\"";
    for (int i = 0; i < 3000; ++i) clause += ",n" + std::to_string(i);
    clause += ").";
    const std::string next = "o1[m -> \"" + std::string(4095, 't') + "\"].";
    ASSERT_EQ(parser->setInputString(clause + "\n" + next + "\n" + clause), 1);
    EXPECT_EQ(harness.next(*parser).text, clause);
    EXPECT_EQ(harness.next(*parser).text, next);
    EXPECT_EQ(harness.next(*parser).text, clause);
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(errors(), "");
}

TEST_F(FParserTest, IllegalCharacterRejectsOnlyItsClause) {
    parser->setInputString("p(a &).\nr(b).");
    auto first = harness.next(*parser);
    EXPECT_EQ(first.text, "null");
    EXPECT_EQ(first.ok, 0);
    auto second = harness.next(*parser);
    EXPECT_EQ(second.text, "r(b).");
    EXPECT_EQ(second.ok, 1);
    EXPECT_EQ(errors(),
              "IllegalCharacter|line 1 : character '&' is not allowed|FScanner::yylex()\n");
}

TEST_F(FParserTest, MissingSymbolTable) {
    parser->setInputString("p(a).");
    int ok = 7;
    EXPECT_EQ(parser->parse(nullptr, &ok), nullptr);
    EXPECT_EQ(ok, 7);
    EXPECT_EQ(errors(),
              "NoSymTab|Call to InternalFLogicParser without a symbol table (SymTab).|"
              "InternalFLogicParser::...\n");
}

TEST_F(FParserTest, MissingFile) {
    const std::string name = ::testing::TempDir() + "no-such-file.flp";
    EXPECT_EQ(parser->open(name), 0);
    EXPECT_TRUE(parser->atEnd());
    int ok = 7;
    EXPECT_EQ(parser->parse(harness.table(), &ok), nullptr);
    EXPECT_EQ(ok, 7);
    EXPECT_EQ(errors(), "ParseError|" + name + ": No such file or directory|PevoParser::open()\n");
}

TEST_F(FParserTest, FileErrorsNameTheFile) {
    TempFile file("errors.flp", "p(a).\nq(b) r.\n");
    ASSERT_EQ(parser->open(file.path), 1);
    EXPECT_EQ(harness.next(*parser).text, "p(a).");
    EXPECT_EQ(harness.next(*parser).ok, 0);
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(errors(), "ParseError|" + file.path +
                            ", line 2 parse error near 'r' : comma between terms missing|"
                            "FParser::yyparse()\n");
}

TEST_F(FParserTest, DirectoryIsAnInputThatFails) {
    // A folder opens like a file on Linux, but reading it fails: refused like a missing file,
    // with the report of an input that cannot be read.
    EXPECT_EQ(parser->open(::testing::TempDir()), 0);
    EXPECT_TRUE(parser->atEnd());
    EXPECT_EQ(errors(), "InputFailed|" + ::testing::TempDir() +
                            ", line 1 : input could not be read|FScanner::yylex()\n");
}

// A stream buffer whose reads fail, as a file's does on a read error, after the given text.
class FailingBuffer : public std::streambuf {
  public:
    explicit FailingBuffer(std::string text) : text(std::move(text)) {
        setg(this->text.data(), this->text.data(), this->text.data() + this->text.size());
    }

  protected:
    int_type underflow() override { throw std::ios_base::failure("read error"); }

  private:
    std::string text;
};

TEST_F(FParserTest, ReadErrorAfterClausesRejectsTheClauseItCutOffAndEndsTheInput) {
    FailingBuffer buffer("p(a).\nq(");
    std::streambuf* saved = std::cin.rdbuf(&buffer);
    ASSERT_EQ(parser->open("stdin"), 1);
    EXPECT_EQ(harness.next(*parser).text, "p(a).");
    EXPECT_FALSE(parser->atEnd());
    auto cut = harness.next(*parser);
    EXPECT_EQ(cut.text, "null");
    EXPECT_EQ(cut.ok, 0);
    EXPECT_TRUE(parser->atEnd());
    parser->close();
    std::cin.rdbuf(saved);
    EXPECT_EQ(errors(),
              "InputFailed|stdin, line 2 : input could not be read|FScanner::yylex()\n"
              "ParseError|stdin, line 2 parse error near '' : incomplete path expression|"
              "FParser::yyparse()\n");
}

TEST_F(FParserTest, ReadErrorRightAfterAClauseEndsTheInputWithARejection) {
    FailingBuffer buffer("p(a).\n");
    std::streambuf* saved = std::cin.rdbuf(&buffer);
    ASSERT_EQ(parser->open("stdin"), 1);
    EXPECT_EQ(harness.next(*parser).text, "p(a).");
    // The end test meets the failure: it is reported, and the next call rejects.
    EXPECT_FALSE(parser->atEnd());
    EXPECT_EQ(harness.next(*parser).ok, 0);
    EXPECT_TRUE(parser->atEnd());
    parser->close();
    std::cin.rdbuf(saved);
    EXPECT_EQ(errors(), "InputFailed|stdin, line 1 : input could not be read|FScanner::yylex()\n");
}

// The scanner looks one character past a clause end; a single character left there is still
// scanned and reported like two would be.
TEST_F(FParserTest, OneCharacterAfterTheLastClauseIsScanned) {
    for (const char* tail : {"$", "q", "$$"}) {
        ErrorCapture local;
        auto own = Ref<FLogicParser>::make();
        own->setInputString(std::string("p(a).\n") + tail);
        EXPECT_EQ(harness.next(*own).text, "p(a).");
        EXPECT_FALSE(own->atEnd()) << tail;
        EXPECT_EQ(harness.next(*own).ok, 0) << tail;
        EXPECT_TRUE(own->atEnd());
        EXPECT_NE(reportText(local), "") << tail;
    }
}

TEST_F(FParserTest, StandardInput) {
    std::istringstream text("p(a).\nq(b).\n");
    std::streambuf* saved = std::cin.rdbuf(text.rdbuf());
    ASSERT_EQ(parser->open("stdin"), 1);
    EXPECT_EQ(harness.next(*parser).text, "p(a).");
    EXPECT_EQ(harness.next(*parser).text, "q(b).");
    EXPECT_TRUE(parser->atEnd());
    parser->close();
    // Standard input stays usable after the parser let go of it.
    EXPECT_TRUE(std::cin.good());
    std::cin.rdbuf(saved);
}

TEST_F(FParserTest, InnerInputLeavesTheOuterPositionAlone) {
    TempFile outer("outer.flp", "p(a).\n\nq(b) r.\n");
    TempFile inner("inner.flp", "s(a).\nt(b).\nu(c).\n");
    ASSERT_EQ(parser->open(outer.path), 1);
    EXPECT_EQ(harness.next(*parser).text, "p(a).");
    // A file read in between, as a consulted file within a consulted file.
    auto other = Ref<FLogicParser>::make();
    ASSERT_EQ(other->open(inner.path), 1);
    while (!other->atEnd()) harness.next(*other);
    other.reset();
    EXPECT_EQ(harness.next(*parser).ok, 0);
    EXPECT_EQ(errors(), "ParseError|" + outer.path +
                            ", line 3 parse error near 'r' : comma between terms missing|"
                            "FParser::yyparse()\n");
}

TEST_F(FParserTest, ReleasedClausesLeaveNoNodesBehind) {
    // The first variable of a clause makes the clause's table while its node is being made.
    parser->setInputString("?- p(X, Y), Z = count{V ; q(V)}.");
    harness.next(*parser);  // warms the pools: the sizes seen below are in use once before
    const std::size_t variables = poolUsedBlocks(sizeof(FVar));
    const std::size_t aggregates = poolUsedBlocks(sizeof(AggExpr));
    for (int i = 0; i < 10; ++i) {
        parser->setInputString("?- p(X, Y), Z = count{V ; q(V)}.\n?- 1 < count{W ; r(W)}.");
        harness.next(*parser);
        harness.next(*parser);
    }
    EXPECT_EQ(poolUsedBlocks(sizeof(FVar)), variables);
    EXPECT_EQ(poolUsedBlocks(sizeof(AggExpr)), aggregates);
}

}  // namespace
