// Tests of the Pevo scanner: tokens and texts, whole-word keywords and axes, clause ends, the
// comment kinds with their line counts, and the shared input's reports and line-end handling.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>

#include "language/PevoGrammar.h"
#include "language/PevoScanner.h"
#include "language/ReportText.h"
#include "language/ScanWords.h"

namespace {

// Token names; those ending in ":" show the token's text.
const std::map<int, std::string>& tokenNames() {
    static const std::map<int, std::string> names = {{0, "EOF"},           {CLAUSE_END, "END"},
                                                     {IMPLIES, "IMPLIES"}, {QUERY, "QUERY"},
                                                     {COMMA, "COMMA"},     {SEMICOLON, "SEMICOLON"},
                                                     {AND, "AND"},         {NOT, "NOT"},
                                                     {ISA, "ISA:"},        {COLON, "COLON"},
                                                     {DCOLON, "DCOLON"},   {AT, "AT"},
                                                     {DSLASH, "DSLASH"},   {LPAREN, "("},
                                                     {RPAREN, ")"},        {LBRACKET, "["},
                                                     {RBRACKET, "]"},      {LBRACE, "{"},
                                                     {RBRACE, "}"},        {BAR, "BAR"},
                                                     {DOT, "DOT"},         {DDOT, "DDOT"},
                                                     {EXCL, "EXCL"},       {DEXCL, "DEXCL"},
                                                     {SLASH, "SLASH"},     {ARROW, "ARROW:"},
                                                     {AXIS, "AXIS:"},      {COMPARE, "COMPARE:"},
                                                     {NAME, "NAME:"},      {VARIABLE, "VAR:"},
                                                     {STRING, "STRING:"},  {INTEGER, "INT:"},
                                                     {FLOAT, "FLOAT:"},    {ILLEGAL, "ILLEGAL"},
                                                     {ADDOP, "ADDOP:"},    {MULOP, "MULOP:"}};
    return names;
}

std::string scan(const std::string& text, int* lines = nullptr) {
    return language_test::scanWords<PevoScanner>(text, tokenNames(), CLAUSE_END, lines);
}

struct ScanCase {
    const char* input;
    const char* tokens;
};

TEST(PevoScanner, TokensClauseEndsAndComments) {
    const ScanCase cases[] = {
        {"?- //book/title -> T.\n",
         "QUERY DSLASH NAME:book SLASH NAME:title ARROW:-> VAR:T END EOF"},
        {"X/descendant::a", "VAR:X SLASH AXIS:descendant DCOLON NAME:a EOF"},
        {"X isa c subcl d", "VAR:X ISA:isa NAME:c ISA:subcl NAME:d EOF"},
        {"X:c", "VAR:X COLON NAME:c EOF"},
        // The set-valued arrows are no lexemes of this dialect.
        {"X ->> Y", "VAR:X ARROW:-> COMPARE:> VAR:Y EOF"},
        {"-> *-> => =>>", "ARROW:-> ARROW:*-> ARROW:=> ARROW:=> COMPARE:> EOF"},
        {"X/@id", "VAR:X SLASH AT NAME:id EOF"},
        {"X!f() X!!m", "VAR:X EXCL NAME:f ( ) VAR:X DEXCL NAME:m EOF"},
        {"a.b a..b", "NAME:a DOT NAME:b NAME:a DDOT NAME:b EOF"},
        {"[a] and not", "[ NAME:a ] AND NOT EOF"},
        {":- , ; { } |", "IMPLIES COMMA SEMICOLON { } BAR EOF"},
        {"a * b div c / d", "NAME:a MULOP:* NAME:b MULOP:div NAME:c SLASH NAME:d EOF"},
        {"X-1 X - 1 +7", "VAR:X INT:-1 VAR:X ADDOP:- INT:1 INT:+7 EOF"},
        {"#1.5 #-2e3 #.5", "FLOAT:#1.5 FLOAT:#-2e3 FLOAT:#.5 EOF"},
        {"< <= = > >=", "COMPARE:< COMPARE:<= COMPARE:= COMPARE:> COMPARE:>= EOF"},
        // Keywords and axes are whole words.
        {"child descendant parent ancestor sibling attribute self",
         "AXIS:child AXIS:descendant AXIS:parent AXIS:ancestor AXIS:sibling AXIS:attribute "
         "AXIS:self EOF"},
        {"note android isabel selfish funcappl divide subclass",
         "NAME:note NAME:android NAME:isabel NAME:selfish NAME:funcappl NAME:divide "
         "NAME:subclass EOF"},
        {"Self Child", "VAR:Self VAR:Child EOF"},
        // Clause ends and comments.
        {"p(a).", "NAME:p ( NAME:a ) END END"},
        {"a. b", "NAME:a END NAME:b EOF"},
        // "./" and ".//" start relative steps, but "./*" ends the clause and opens a comment.
        {"./a .//a", "DOT SLASH NAME:a DOT DSLASH NAME:a EOF"},
        {"p(a)./* x */ q(b).", "NAME:p ( NAME:a ) END NAME:q ( NAME:b ) END END"},
        {"p(a).<!-- x --> q.", "NAME:p ( NAME:a ) END NAME:q END END"},
        // Either closing mark ends either comment.
        {"p. <!-- x */ q", "NAME:p END NAME:q EOF"},
        {"p./* x ---> q", "NAME:p END NAME:q EOF"},
        // "/*" opens no comment where no clause ends.
        {"a /* b", "NAME:a SLASH MULOP:* NAME:b EOF"},
        // "<!" without "--" is a comparison and an exclamation mark.
        {"a <!b", "NAME:a COMPARE:< EXCL NAME:b EOF"},
        {"a <!- b", "NAME:a COMPARE:< EXCL ADDOP:- NAME:b EOF"},
        {"a\n  \\ x\nb", "NAME:a NAME:b EOF"},
        // A comment on the last line ends at the end of the input, a clause end before it too.
        {"p(a).% done", "NAME:p ( NAME:a ) END EOF"},
        {"p \\ done", "NAME:p EOF"},
        // ".." at the end of a line is a step dot and a clause end.
        {"a..\nb", "NAME:a DOT END NAME:b EOF"},
    };
    ErrorCapture errors;
    for (const ScanCase& c : cases) {
        EXPECT_EQ(scan(c.input), c.tokens) << "input: " << c.input;
    }
    EXPECT_EQ(reportText(errors), "");
}

// Long tokens are read in big pieces and come out as when read a character at a time.
TEST(PevoScanner, LongTokensAcrossRefills) {
    for (const std::size_t length : {1u, 16383u, 16384u, 70000u}) {
        const std::string word(length, 'w'), digits(length, '7');
        const std::string string = "\"" + word + "\\\"" + word + "\"";
        EXPECT_EQ(scan("X isa c" + word + ", Y = " + string + ", Z = " + digits + "b."),
                  "VAR:X ISA:isa NAME:c" + word + " COMMA VAR:Y COMPARE:= STRING:" + string +
                      " COMMA VAR:Z COMPARE:= INT:" + digits + " NAME:b END END")
            << "length " << length;
    }
}

// Lines longer than the scanner's first buffer: line comments, comments of either kind full of
// "/" and ">", and a word run across refills and come out as when read a character at a time.
TEST(PevoScanner, LongLinesAcrossRefills) {
    for (const std::size_t length : {16383u, 70000u, 300000u}) {
        const std::string text = "% " + std::string(length, 'c') + "\nX isa a.%" +
                                 std::string(length, 'd') + "\n<!-- " + std::string(length, '>') +
                                 " a/b -> */ Y isa b" + std::string(length, 'w') + "./* " +
                                 std::string(length, '/') + " --> Z isa c.\n";
        int lines = 0;
        const std::string scanned = scan(text, &lines);
        EXPECT_TRUE(scanned == "VAR:X ISA:isa NAME:a END VAR:Y ISA:isa NAME:b" +
                                   std::string(length, 'w') + " END VAR:Z ISA:isa NAME:c END EOF")
            << "length " << length << ": " << scanned.substr(scanned.rfind("w") + 1);
        EXPECT_EQ(lines, 4) << "length " << length;
    }
}

TEST(PevoScanner, CountsLines) {
    int lines = 0;
    // XML comments between clauses, their newlines counted.
    EXPECT_EQ(scan("p(a). <!-- note\n-->\nq(b).", &lines),
              "NAME:p ( NAME:a ) END NAME:q ( NAME:b ) END END");
    EXPECT_EQ(lines, 3);
    scan("a /* no comment */\nb <!-- x\ny\n--> c", &lines);
    EXPECT_EQ(lines, 4);
    scan("% one\n% two\nx", &lines);
    EXPECT_EQ(lines, 3);
    // Newlines inside a string count as well.
    EXPECT_EQ(scan("\"a\nb\nc\" x", &lines), "STRING:\"a\nb\nc\" NAME:x EOF");
    EXPECT_EQ(lines, 3);
}

// Reports as the handler prints them with name and message.
class PevoScannerMessages : public ::testing::Test {
  protected:
    void SetUp() override { Error::setOutputFilter(3); }
    ErrorCapture errors;
};

TEST_F(PevoScannerMessages, NameFileAndLine) {
    EXPECT_EQ(scan("a\xcc"), "NAME:a ILLEGAL EOF");
    std::istringstream in("a\n$ p. <!-- x\n");
    PevoScanner scanner(&in);
    scanner.setFileName("f.pevo");
    while (scanner.yylex() != 0) {
    }
    EXPECT_EQ(reportText(errors),
              "IllegalCharacter|line 1 : character '\xcc' is not allowed\n"
              "IllegalCharacter|f.pevo, line 2 : character '$' is not allowed\n"
              "InvalidComment|f.pevo, line 3 : EOF appeared in comment\n");
}

}  // namespace
