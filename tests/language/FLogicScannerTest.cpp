// Tests of the F-Logic scanner: tokens and texts, clause ends, comments, line counting and the
// scanner's reports.
#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "language/FLogicGrammar.h"
#include "language/FLogicScanner.h"
#include "language/ReportText.h"
#include "language/ScanWords.h"
#include "objectbase/SymTab.h"

namespace {

// Token names; those ending in ":" show the token's text.
const std::map<int, std::string>& tokenNames() {
    static const std::map<int, std::string> names = {
        {0, "EOF"},          {CLAUSE_END, "END"},     {IMPLIES, "IMPLIES"},
        {QUERY, "QUERY"},    {COMMA, "COMMA"},        {SEMICOLON, "SEMICOLON"},
        {NOT, "NOT"},        {ISA, "ISA:"},           {AT, "AT"},
        {LPAREN, "("},       {RPAREN, ")"},           {LBRACKET, "["},
        {RBRACKET, "]"},     {LBRACE, "{"},           {RBRACE, "}"},
        {BAR, "BAR"},        {DOT, "DOT:"},           {SARROW, "SARROW:"},
        {MARROW, "MARROW:"}, {SIGARROW, "SIGARROW:"}, {COMPARE, "COMPARE:"},
        {NAME, "NAME:"},     {VARIABLE, "VAR:"},      {STRING, "STRING:"},
        {INTEGER, "INT:"},   {FLOAT, "FLOAT:"},       {ILLEGAL, "ILLEGAL"},
        {ADDOP, "ADDOP:"},   {MULOP, "MULOP:"}};
    return names;
}

std::string scan(const std::string& text, int* lines = nullptr) {
    return language_test::scanWords<FLogicScanner>(text, tokenNames(), CLAUSE_END, lines);
}

struct ScanCase {
    const char* input;
    const char* tokens;
};

TEST(FLogicScanner, TokensAndTexts) {
    const ScanCase cases[] = {
        {"p(a).\n", "NAME:p ( NAME:a ) END EOF"},
        {"p(a).", "NAME:p ( NAME:a ) END END"},
        // A dot ends a clause only before white space, a comment or the end.
        {"a.b", "NAME:a DOT:. NAME:b EOF"},
        {"a. b", "NAME:a END NAME:b EOF"},
        {"1.5", "INT:1 DOT:. INT:5 EOF"},
        {"X..m", "VAR:X DOT:.. NAME:m EOF"},
        {"X!m", "VAR:X DOT:! NAME:m EOF"},
        {"X!!m", "VAR:X DOT:!! NAME:m EOF"},
        {"a./* c */ b", "NAME:a END NAME:b EOF"},
        {"a.% c\nb", "NAME:a END NAME:b EOF"},
        // Signs bind to digits.
        {"X-1", "VAR:X INT:-1 EOF"},
        {"X - 1", "VAR:X ADDOP:- INT:1 EOF"},
        {"+7", "INT:+7 EOF"},
        {"#1.5 #-2e3 #.5 #3E+2", "FLOAT:#1.5 FLOAT:#-2e3 FLOAT:#.5 FLOAT:#3E+2 EOF"},
        // Comparisons are single tokens; "=<", "==" and "<>" are two.
        {"< = > <= >=", "COMPARE:< COMPARE:= COMPARE:> COMPARE:<= COMPARE:>= EOF"},
        {"=<", "COMPARE:= COMPARE:< EOF"},
        {"<>", "COMPARE:< COMPARE:> EOF"},
        {"==", "COMPARE:= COMPARE:= EOF"},
        // Arrows and is-a.
        {"-> *-> ->> *->> => =>>",
         "SARROW:-> SARROW:*-> MARROW:->> MARROW:*->> SIGARROW:=> SIGARROW:=>> EOF"},
        {": :: :- ?-", "ISA:: ISA::: IMPLIES QUERY EOF"},
        // Keywords are whole words.
        {"not nota div divide", "NOT NAME:nota MULOP:div NAME:divide EOF"},
        {"a * b / c", "NAME:a MULOP:* NAME:b MULOP:/ NAME:c EOF"},
        {"Abc _ _x x_Y9", "VAR:Abc VAR:_ VAR:_x NAME:x_Y9 EOF"},
        {", ; @ ( ) [ ] { } |", "COMMA SEMICOLON AT ( ) [ ] { } BAR EOF"},
        {"\"a b\" \"q\\\"x\"", "STRING:\"a b\" STRING:\"q\\\"x\" EOF"},
        // Comments.
        {"a /* x\ny */ b", "NAME:a NAME:b EOF"},
        {"a % x\nb", "NAME:a NAME:b EOF"},
        {"a\n  \\ x\nb", "NAME:a NAME:b EOF"},
        {"p(a).% done", "NAME:p ( NAME:a ) END EOF"},
        {"p \\ done", "NAME:p EOF"},
    };
    ErrorCapture errors;
    for (const auto& c : cases) {
        EXPECT_EQ(scan(c.input), c.tokens) << "input: " << c.input;
    }
    EXPECT_EQ(reportText(errors), "");
}

TEST(FLogicScanner, IllegalCharactersAreReportedAndReturned) {
    const ScanCase cases[] = {
        {"$", "ILLEGAL EOF"},
        {"a & b", "NAME:a ILLEGAL NAME:b EOF"},
        {"X!\n", "VAR:X ILLEGAL EOF"},
        {"X!", "VAR:X ILLEGAL EOF"},
        {"?x", "ILLEGAL NAME:x EOF"},
        {"#x", "ILLEGAL NAME:x EOF"},
        {"\"open", "ILLEGAL NAME:open EOF"},
        {"a\rb", "NAME:a ILLEGAL NAME:b EOF"},
        {"a\xcc", "NAME:a ILLEGAL EOF"},
        {"\x01"
         "b",
         "ILLEGAL NAME:b EOF"},
    };
    for (const auto& c : cases) {
        ErrorCapture errors;
        EXPECT_EQ(scan(c.input), c.tokens) << "input: " << c.input;
        EXPECT_EQ(reportText(errors), "IllegalCharacter\n") << "input: " << c.input;
    }
}

// Long tokens are read in big pieces; they come out as when read a character at a time, across
// the buffer's sizes, with escaped quotes, newlines and words that run into numbers.
TEST(FLogicScanner, LongTokensAcrossRefills) {
    for (const std::size_t length : {1u, 2u, 16383u, 16384u, 16385u, 70000u}) {
        const std::string word(length, 'w'), digits(length, '7');
        const std::string string = "\"" + word + "\\\" \n" + word + "\\\\\"";
        const std::string text = "p(" + string + ", a" + word + ", V" + word + ", " + digits +
                                 "abc, -" + digits + ") :- q" + word + ".\nr.";
        const std::string expected = "NAME:p ( STRING:" + string + " COMMA NAME:a" + word +
                                     " COMMA VAR:V" + word + " COMMA INT:" + digits +
                                     " NAME:abc COMMA INT:-" + digits + " ) IMPLIES NAME:q" + word +
                                     " END NAME:r END END";
        int lines = 0;
        EXPECT_EQ(scan(text, &lines), expected) << "length " << length;
        EXPECT_EQ(lines, 3) << "length " << length;
    }
}

// Lines longer than the scanner's first buffer: line comments (after "%", after a clause end,
// after a backslash), blanks, words and block comments full of "/" run across refills and scan
// alike from a stream of the scanner's own and from standard input.
TEST(FLogicScanner, LongLinesAcrossRefills) {
    for (const std::size_t length : {16383u, 16384u, 70000u, 300000u}) {
        const std::string text = std::string("% ") + std::string(length, 'c') + "\np(a).%" +
                                 std::string(length, 'd') + "\r\n" + std::string(length, ' ') +
                                 "q" + std::string(length, '\t') + "(b).\n  \\" +
                                 std::string(length, 'e') + "\n/* " + std::string(length, '/') +
                                 " a/b */ r" + std::string(length, '7') + ".\n";
        const std::string expected = "NAME:p ( NAME:a ) END NAME:q ( NAME:b ) END NAME:r" +
                                     std::string(length, '7') + " END EOF";
        int lines = 0;
        EXPECT_EQ(scan(text, &lines), expected) << "length " << length;
        EXPECT_EQ(lines, 6) << "length " << length;
        std::istringstream in(text);
        std::streambuf* saved = std::cin.rdbuf(in.rdbuf());
        FLogicScanner scanner(&std::cin);
        std::string out;
        for (int token = 0; out.size() < expected.size() + 100;) {
            token = scanner.yylex();
            std::string word = tokenNames().at(token);
            if (word.back() == ':') word += scanner.text();
            out += (out.empty() ? "" : " ") + word;
            if (token == 0) break;
        }
        std::cin.rdbuf(saved);
        EXPECT_EQ(out, expected) << "length " << length;
        EXPECT_EQ(scanner.lineNumber(), 6) << "length " << length;
    }
}

// From standard input, which others read on after a clause, characters are read ahead within
// a clause, never past its end and the one character the scanner looks at behind it: the rest
// is still in the stream for whoever reads on.
TEST(FLogicScanner, AClauseIsReadNoFurtherThanItsEnd) {
    const ScanCase cases[] = {
        {"p(a, [b, c]) :- q(\"x. y\"), X.m[r ->> s], 1.5 < #2.5. rest.", "est."},
        {"o1[m -> v1].\nq(b).", "(b)."},
        {"  a :- b(1), %  c.\n d. ef", "f"},
        {"p. q.", "."},
        {"p.\tq.", "."},
        {"p.%c. d\nq.", "q."},
        {"p..\nq.", "."},
        {"ab.\r\ncd.", "d."},
        {"p.", ""},
        {"p. ", ""},
        {"abc[d -> e].\n\nfg.", "fg."},
        {"x./* c. */ y.", "c. */ y."},
        {"r(#1.5). z.", "."},
        {"st.u.v.", ""},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        std::streambuf* saved = std::cin.rdbuf(in.rdbuf());
        FLogicScanner scanner(&std::cin);
        int token = 0;
        while ((token = scanner.yylex()) != CLAUSE_END && token != 0) {
        }
        EXPECT_EQ(token, CLAUSE_END) << "input: " << c.input;
        const std::string rest{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        std::cin.rdbuf(saved);
        EXPECT_EQ(rest, c.tokens) << "input: " << c.input;
    }
}

// A stream no one else reads is taken in large pieces, across clause ends, and scans as
// standard input does, carriage returns before newlines dropped.
TEST(FLogicScanner, AStreamOfItsOwnIsReadAcrossClauseEnds) {
    const std::string text = "o1[m -> v1].\r\np(a, 1). ?- q.\n% c.\nx./* c. */ y.\r\nr.\r\n";
    auto words = [](std::istream& in, bool first) {
        FLogicScanner scanner(&in);
        std::string out;
        for (int token = 0; (token = scanner.yylex()) != 0;) {
            // The first refill takes all the stream holds.
            if (first) {
                EXPECT_EQ(in.rdbuf()->in_avail(), 0);
            }
            first = false;
            std::string word = tokenNames().at(token);
            if (word.back() == ':') word += scanner.text();
            out += (out.empty() ? "" : " ") + word;
            if (scanner.inEndState()) break;
        }
        return out;
    };
    std::istringstream own(text);
    const std::string owned = words(own, true);
    std::istringstream shared(text);
    std::streambuf* saved = std::cin.rdbuf(shared.rdbuf());
    const std::string fromStandardInput = words(std::cin, false);
    std::cin.rdbuf(saved);
    EXPECT_EQ(owned, fromStandardInput);
    EXPECT_EQ(owned,
              "NAME:o1 [ NAME:m SARROW:-> NAME:v1 ] END NAME:p ( NAME:a COMMA INT:1 ) END QUERY "
              "NAME:q END NAME:x END NAME:y END NAME:r END");
}

TEST(FLogicScanner, CountsLines) {
    int lines = 0;
    scan("a\nb\n", &lines);
    EXPECT_EQ(lines, 3);
    scan("a /* x\ny\n */ b", &lines);
    EXPECT_EQ(lines, 3);
    scan("% one\n% two\nx", &lines);
    EXPECT_EQ(lines, 3);
    scan("p.% one\nq. \\ two\n", &lines);
    EXPECT_EQ(lines, 3);
    // Newlines inside a string count as well.
    scan("\"a\nb\nc\" x", &lines);
    EXPECT_EQ(lines, 3);
    // A carriage return before a newline is dropped, not reported.
    ErrorCapture errors;
    EXPECT_EQ(scan("p(a).\r\nq.\r\n", &lines), "NAME:p ( NAME:a ) END NAME:q END EOF");
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(reportText(errors), "");
}

// Reports as the handler prints them with name and message.
class ScannerMessages : public ::testing::Test {
  protected:
    void SetUp() override { Error::setOutputFilter(3); }
    ErrorCapture errors;
};

TEST_F(ScannerMessages, NameFileAndLine) {
    std::istringstream in("a\n$ /* x\n");
    FLogicScanner scanner(&in);
    scanner.setFileName("f.flp");
    while (scanner.yylex() != 0) {
    }
    std::istringstream in2("$ /* x");
    FLogicScanner unnamed(&in2);
    while (unnamed.yylex() != 0) {
    }
    EXPECT_EQ(reportText(errors),
              "IllegalCharacter|f.flp, line 2 : character '$' is not allowed\n"
              "InvalidComment|f.flp, line 3 : EOF appeared in comment\n"
              "IllegalCharacter|line 1 : character '$' is not allowed\n"
              "InvalidComment|line 1 : EOF appeared in comment\n");
}

TEST_F(ScannerMessages, ControlCharactersAreNamedNotWritten) {
    std::istringstream in(std::string("\0\x01\x1b\x7f\r$", 6));
    FLogicScanner scanner(&in);
    while (scanner.yylex() != 0) {
    }
    EXPECT_EQ(reportText(errors),
              "IllegalCharacter|line 1 : character '<NUL>' is not allowed\n"
              "IllegalCharacter|line 1 : character '<SOH>' is not allowed\n"
              "IllegalCharacter|line 1 : character '<ESC>' is not allowed\n"
              "IllegalCharacter|line 1 : character '<DEL>' is not allowed\n"
              "IllegalCharacter|line 1 : character '<CR>' is not allowed\n"
              "IllegalCharacter|line 1 : character '$' is not allowed\n");
}

// Endless bad input (/dev/zero) would report for ever: the reading of one input stops at the
// hundredth error with one closing report, and the input counts as failed.
TEST_F(ScannerMessages, ReadingStopsAfterAHundredErrors) {
    std::istringstream in(std::string(100000, '\0') + " p(a).\n");
    FLogicScanner scanner(&in);
    scanner.setFileName("/dev/zero");
    int illegal = 0;
    int token = 0;
    while ((token = scanner.yylex()) == ILLEGAL) ++illegal;
    EXPECT_EQ(token, 0);
    EXPECT_EQ(illegal, 100);
    EXPECT_TRUE(scanner.inputFailed());
    const std::string text = reportText(errors);
    std::string expected;
    for (int n = 0; n < 100; ++n)
        expected += "IllegalCharacter|/dev/zero, line 1 : character '<NUL>' is not allowed\n";
    expected += "TooManyErrors|too many errors in /dev/zero; reading stopped\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(scanner.yylex(), 0);
}

// A long comment is read in pieces: what follows it, its lines and its end come out as if read
// one character at a time, and nothing behind its end is taken from the stream.
TEST(FLogicScanner, LongCommentsInPieces) {
    const std::string body(300000, 'c');
    int lines = 0;
    EXPECT_EQ(scan("p(a). /* " + body + " ** / *\n" + body + " */ q(b).\n", &lines),
              "NAME:p ( NAME:a ) END NAME:q ( NAME:b ) END EOF");
    EXPECT_EQ(lines, 3);
    std::istringstream in("/* " + body + " */X rest");
    FLogicScanner scanner(&in);
    EXPECT_EQ(scanner.yylex(), VARIABLE);
    EXPECT_STREQ(scanner.text(), "X");
}

}  // namespace

// The look ahead at a plain clause answers the tokens, texts and lines the scanner's own reading
// answers, and leaves the scanner where that reading leaves it; any other clause is refused. A
// look at the clause behind one taken stands until the scanner reads on. Generated texts of
// plain pieces mixed with pieces close to them.
TEST(FLogicScanner, APlainClauseLookedAtAheadScansAsTheScannerReadsIt) {
    const char* const pieces[] = {
        "o1",  "m",     "v_2",  "abC",   "not",    "div",  "nota",   "divs", "12", "007",  "12abc",
        "-5",  "+5",    "[",    "]",     "(",      ")",    "{",      "}",    ",",  ";",    "@",
        ":",   "::",    ":-",   "->",    "->>",    "*->",  "=>",     "-",    ">",  ". ",   ".\n",
        ".\t", ".",     "..",   ".%c",   "./*c*/", " ",    "  ",     "\t",   "\n", "\r\n", "X",
        "_y",  "\"s\"", "#1.5", "\\c\n", "?-",     "%c\n", "/* c */"};
    const std::size_t count = sizeof(pieces) / sizeof(pieces[0]);
    std::uint64_t state = 59;
    auto random = [&state](std::size_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>((state >> 33) % bound);
    };
    int plainClauses = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t length = 1 + random(40);
        for (std::size_t k = 0; k < length; ++k) {
            // Mostly the pieces of plain clauses.
            const std::size_t piece = random(4) != 0 ? random(35) : random(count);
            text += pieces[piece];
        }
        ErrorCapture errors;
        std::istringstream plainIn(text), ownIn(text);
        FLogicScanner plain(&plainIn), own(&ownIn);
        std::vector<FLogicScanner::PlainToken> tokens;
        bool first = true;
        // Whether the clause at the scan position was looked at ahead.
        bool looked = false;
        for (int step = 0; step < 1000; ++step) {
            bool scanned = false;
            if (looked && random(4) == 0) {
                // Reading on ends the look.
                const int token = plain.yylex();
                ASSERT_EQ(token, own.yylex()) << text;
                EXPECT_FALSE(plain.resumeLook()) << text;
                looked = false;
                if (token == 0 || plain.inEndState()) break;
                continue;
            }
            if (looked)
                ASSERT_TRUE(scanned = plain.resumeLook()) << text;
            else if (!first)
                scanned = plain.scanPlainClause(tokens);
            looked = false;
            if (scanned) {
                ++plainClauses;
                for (const auto& token : tokens) {
                    ASSERT_EQ(token.code, own.yylex()) << text;
                    const std::string word(token.text, std::size_t(token.length));
                    ASSERT_EQ(word, own.text()) << text;
                    // A name's hash is that of its text, which a look ahead hashed too.
                    if (token.code == NAME) {
                        EXPECT_EQ(token.hash, SymTab::hashKey(word, InternalName::Function, 0))
                            << word;
                    }
                    if (token.code == ISA || token.code == SARROW || token.code == MARROW) {
                        const int textCode = word == ":" || word == "->>" ? 1
                                             : word == "::"               ? 2
                                                                          : 0;
                        EXPECT_EQ(token.textCode, textCode) << word;
                    }
                }
                ASSERT_EQ(tokens.back().code, CLAUSE_END);
                plain.skipPlainClause();
                ASSERT_EQ(std::string(plain.text()), own.text()) << text;
                ASSERT_EQ(plain.lineNumber(), own.lineNumber()) << text;
                // Now and then the next clause is looked at ahead, the scanner left as it was.
                if (random(2) == 0) {
                    looked = plain.lookAtPlainClause(tokens);
                    ASSERT_EQ(std::string(plain.text()), own.text()) << text;
                }
                continue;
            }
            first = false;
            const int token = plain.yylex();
            ASSERT_EQ(token, own.yylex()) << text;
            ASSERT_EQ(std::string(plain.text()), own.text()) << text;
            ASSERT_EQ(plain.lineNumber(), own.lineNumber()) << text;
            if (token == 0 || plain.inEndState()) break;
        }
    }
    EXPECT_GT(plainClauses, 1000);
}

// A predicate over integers is taken in one pass when the scanner's own reading answers its name,
// its integers within 32 bits and a clause end, and it leaves the scanner where that reading
// leaves it; any other clause is refused with the scanner, and a look ahead, left as they were.
// Generated texts of the pieces of such facts mixed with pieces close to them.
TEST(FLogicScanner, AnIntegerFactScansAsTheScannerReadsIt) {
    const char* const pieces[] = {"r",  "pq_2",        "(",          ",",    ")",     "0",
                                  "7",  "42",          "007",        ".\n",  ". ",    ".\t",
                                  "\n", "2147483647",  "2147483648", "12a",  "not",   "div",
                                  " ",  "-5",          "X",          ".",    ".%c\n", "a",
                                  "[",  "12345678901", "\"s\"",      "#1.5", "::",    "./*c*/"};
    const std::size_t count = sizeof(pieces) / sizeof(pieces[0]);
    std::uint64_t state = 71;
    auto random = [&state](std::size_t bound) {
        state = state * 6364136223846793005u + 1442695040888963407u;
        return static_cast<std::size_t>((state >> 33) % bound);
    };
    // The pieces of a fact that is taken, in order.
    auto fact = [&]() {
        std::string text = random(2) == 0 ? "r(" : "pq_2(";
        const std::size_t arity = 1 + random(4);
        for (std::size_t k = 0; k < arity; ++k) {
            if (k > 0) text += ",";
            text += pieces[5 + random(4)];
            if (random(8) == 0) text += "2147483647";
        }
        return text + ").\n";
    };
    int taken = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const std::size_t length = 1 + random(12);
        for (std::size_t k = 0; k < length; ++k)
            text += random(2) == 0 ? fact() : pieces[random(count)];
        ErrorCapture errors;
        std::istringstream integerIn(text), ownIn(text);
        FLogicScanner integer(&integerIn), own(&ownIn);
        std::vector<FLogicScanner::PlainToken> tokens;
        std::vector<std::int32_t> values;
        bool first = true;
        bool looked = false;
        for (int step = 0; step < 1000; ++step) {
            std::string_view predicate;
            if (!first && integer.scanIntegerFact(predicate, values)) {
                ++taken;
                ASSERT_EQ(own.yylex(), NAME) << text;
                ASSERT_EQ(std::string(predicate), own.text()) << text;
                ASSERT_EQ(own.yylex(), LPAREN) << text;
                for (std::size_t k = 0; k < values.size(); ++k) {
                    ASSERT_EQ(own.yylex(), INTEGER) << text;
                    ASSERT_EQ(std::stoll(own.text()), values[k]) << text;
                    ASSERT_EQ(own.yylex(), k + 1 == values.size() ? RPAREN : COMMA) << text;
                }
                ASSERT_EQ(own.yylex(), CLAUSE_END) << text;
                integer.skipPlainClause();
                ASSERT_EQ(std::string(integer.text()), own.text()) << text;
                ASSERT_EQ(integer.lineNumber(), own.lineNumber()) << text;
                // Now and then the next clause is looked at ahead.
                looked = random(2) == 0 && integer.lookAtPlainClause(tokens);
                continue;
            }
            // A look ahead stands through a clause refused.
            if (looked) {
                ASSERT_TRUE(integer.resumeLook()) << text;
                looked = false;
            }
            first = false;
            const int token = integer.yylex();
            ASSERT_EQ(token, own.yylex()) << text;
            ASSERT_EQ(std::string(integer.text()), own.text()) << text;
            ASSERT_EQ(integer.lineNumber(), own.lineNumber()) << text;
            if (token == 0 || integer.inEndState()) break;
        }
    }
    EXPECT_GT(taken, 3000);
}

// Integers of more than ten digits or beyond 32 bits, blanks within and names among the
// arguments are left to the scanner's reading.
TEST(FLogicScanner, AnIntegerFactTakesOnlyIntegersWithin32Bits) {
    struct Case {
        const char* text;
        bool taken;
    };
    const Case cases[] = {{"x.\nr(1,2147483647,0).\nx.\n", true},
                          {"x.\nr(2147483648).\nx.\n", false},
                          {"x.\nr(00000000001).\nx.\n", false},
                          {"x.\nr(0000000001).\nx.\n", true},
                          {"x.\nr(1, 2).\nx.\n", false},
                          {"x.\nr(a,2).\nx.\n", false},
                          {"x.\nr().\nx.\n", false},
                          {"x.\nnot(1).\nx.\n", false},
                          {"x.\nr(1).%c\nx.\n", false},
                          {"x.\nr(1). x.\n", true}};
    for (const Case& c : cases) {
        std::istringstream in(c.text);
        FLogicScanner scanner(&in);
        ASSERT_EQ(scanner.yylex(), NAME);
        ASSERT_EQ(scanner.yylex(), CLAUSE_END);
        std::string_view predicate;
        std::vector<std::int32_t> values;
        EXPECT_EQ(scanner.scanIntegerFact(predicate, values), c.taken) << c.text;
        if (c.taken) scanner.skipPlainClause();
        // Either way the scanner reads on to the clause behind.
        int token = scanner.yylex();
        while (!c.taken && token != CLAUSE_END) token = scanner.yylex();
        if (!c.taken) token = scanner.yylex();
        EXPECT_EQ(token, NAME) << c.text;
        EXPECT_EQ(std::string(scanner.text()), "x") << c.text;
    }
}
