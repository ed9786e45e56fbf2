// Tests of the pattern built-ins: "match" over POSIX extended expressions with its formats and
// documents, and "pmatch" over Perl patterns, hostile ones included.
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <string>

#include "BuiltinTestSupport.h"
#include "access/MyRegex.h"
#include "access/wPerl.h"

using namespace access_test;

namespace {

class PatternMatchTest : public BuiltinTest {
  protected:
    // The texts of one result column of every row (quotes included).
    std::multiset<std::string> results(int perl, const Row& args, int column) {
        auto it = Ref<Iterator>::adopt(
            access->patternMatch(perl, args.data(), static_cast<int>(args.size())));
        std::multiset<std::string> texts;
        for (const Row& row : drain(it.get())) {
            std::string form;
            access->giveLexicalForm(row[static_cast<std::size_t>(column - 1)], form);
            texts.insert(form);
        }
        it.reset();
        return texts;
    }
    // Every result of "match" (perl 0) or "pmatch" (perl 1) with one format and a free result.
    std::multiset<std::string> match(int perl, InternalName subject, const std::string& pattern,
                                     const std::string& format) {
        return results(perl, {subject, text(pattern), text(format), Free}, 4);
    }
    std::multiset<std::string> match(int perl, const std::string& subject,
                                     const std::string& pattern, const std::string& format) {
        return match(perl, text(subject), pattern, format);
    }

    using Texts = std::multiset<std::string>;
};

}  // namespace

TEST_F(PatternMatchTest, EveryOccurrenceGivesOneRowWithItsFormattedResults) {
    EXPECT_EQ(match(0, "a1b22", "[0-9]+", ""), (Texts{"\"1\"", "\"22\""}));
    EXPECT_EQ(match(0, "key=val", "(.*)=(.*)", "$2:$1"), Texts{"\"val:key\""});
    EXPECT_EQ(match(0, "key=val", "(.*)=(.*)", "\\2:\\1"), Texts{"\"val:key\""});
    // $0 is no reference, and a "$" or backslash before anything but a digit stays as it is.
    EXPECT_EQ(match(0, "key=val", "(.*)=(.*)", "$0\\x$"), Texts{"\"$0\\x$\""});
    // A group that took no part appends nothing.
    EXPECT_EQ(match(0, "ab", "(x)?(a)", "[$1|$2]"), Texts{"\"[|a]\""});
    // Empty matches give no row.
    EXPECT_TRUE(match(0, "abc", "x*", "").empty());
}

TEST_F(PatternMatchTest, ABoundResultKeepsOnlyTheOccurrencesThatProduceIt) {
    EXPECT_EQ(results(0, {text("a1b22c1"), text("[0-9]+"), text(""), text("1")}, 4),
              Texts{"\"1\""});
    EXPECT_TRUE(results(0, {text("a1b22"), text("[0-9]+"), text(""), text("3")}, 4).empty());
    // Two formats: each result belongs to its own format.
    EXPECT_EQ(
        results(0, {text("k=v"), text("(.)=(.)"), text("$1"), text("$2"), Free, text("v")}, 5),
        Texts{"\"k\""});
}

TEST_F(PatternMatchTest, NumbersCountAsTheirStringConstants) {
    EXPECT_EQ(match(0, integer(1234), "2(3)", "$1"), Texts{"\"3\""});
    // A number as the pattern or the format counts the same way.
    EXPECT_EQ(results(0, {text("a12b"), integer(12), text("<$0>"), Free}, 4), Texts{"\"<$0>\""});
    EXPECT_EQ(results(0, {text("12"), text("[0-9]+"), integer(7), Free}, 4), Texts{"\"7\""});
}

TEST_F(PatternMatchTest, MissingOrWrongArgumentsGiveNoRowsAndNoError) {
    const std::string before = lastError();
    EXPECT_TRUE(results(0, {text("abc"), Free, text(""), Free}, 4).empty());
    EXPECT_TRUE(results(0, {text("abc"), text("b"), Free, Free}, 4).empty());
    EXPECT_TRUE(results(0, {Free, text("b"), text(""), Free}, 4).empty());
    EXPECT_TRUE(results(0, {text("abc"), text("b"), object("f"), Free}, 4).empty());
    EXPECT_TRUE(results(0, {text("abc"), text("b"), text(""), object("r")}, 4).empty());
    // An odd arity has a position that is neither format nor result.
    EXPECT_TRUE(results(0, {text("abc"), text("b"), text(""), Free, Free}, 1).empty());
    EXPECT_EQ(lastError(), before);
}

TEST_F(PatternMatchTest, TheRowsOfACallLastUntilTheNextCall) {
    EXPECT_EQ(match(0, "a1b2", "[0-9]", "").size(), 2u);
    EXPECT_EQ(match(0, "x", "[0-9]", "").size(), 0u);
    EXPECT_EQ(match(0, "a1b2c3", "[0-9]", "").size(), 3u);
}

TEST_F(PatternMatchTest, ADocumentIsSearchedWholeFromItsLocalFile) {
    const InternalName document = object("doc");
    const std::string file = tempFile("pattern");
    std::ofstream(file, std::ios::binary) << std::string("a\0b", 3) + "\nc";
    test->files[document] = file;
    const Row args{document, text("[a-z]"), text(""), Free};
    EXPECT_EQ(results(0, args, 4), (Texts{"\"a\"", "\"b\"", "\"c\""}));
    EXPECT_EQ(results(1, {document, text("/([a-z])/g"), text("$1"), Free}, 4),
              (Texts{"\"a\"", "\"b\"", "\"c\""}));
    // Another object has no file, and a file that is gone gives nothing either.
    EXPECT_TRUE(results(0, {object("other"), text("[a-z]"), text(""), Free}, 4).empty());
    test->files[document] = file + "-gone";
    EXPECT_TRUE(results(0, args, 4).empty());
}

TEST_F(PatternMatchTest, AResultPastTheLimitIsReportedAndLosesOnlyItsOccurrence) {
    const std::string longRun(20000, 'a');
    EXPECT_EQ(match(0, longRun + "b" + "aa", "(a+)", "$1$1"), Texts{"\"aaaa\""});
    EXPECT_EQ(lastError(), "6/111");
    EXPECT_EQ(centralErrorHandler().getError().getMessage(), "Resulting string is too long");
    // Exactly the limit, quotes included, is still a result.
    errors.clear();
    centralErrorHandler().reset();
    EXPECT_EQ(match(0, std::string(32766, 'a'), "a+", "").size(), 1u);
    EXPECT_EQ(lastError(), "0/0");
    EXPECT_TRUE(match(0, std::string(32767, 'a'), "a+", "").empty());
    EXPECT_EQ(lastError(), "6/111");
}

TEST_F(PatternMatchTest, AnInvalidPatternIsReportedAndTheProgramGoesOn) {
    EXPECT_TRUE(match(0, "abc", "a(", "").empty());
    const Error error = centralErrorHandler().getError();
    EXPECT_EQ(lastError(), "6/205");
    EXPECT_EQ(error.getSeriousness(), 2);
    EXPECT_EQ(error.getName(), "InvalidRegex");
    EXPECT_EQ(error.getMessage().rfind("Invalid regular expression: ", 0), 0u);
    EXPECT_GT(error.getMessage().size(), std::string("Invalid regular expression: ").size());
    EXPECT_EQ(error.getWhere(), "OMAccess::regexMatch");
    EXPECT_EQ(error.getExtra(), "a(");
    EXPECT_EQ(match(0, "abc", "b", "").size(), 1u);
}

TEST_F(PatternMatchTest, AContinuedSearchStillSeesTheTextBeforeIt) {
    EXPECT_EQ(match(0, "abc", "^[a-z]", ""), Texts{"\"a\""});
    EXPECT_EQ(match(0, "ab cd", "\\<[a-z]", ""), (Texts{"\"a\"", "\"c\""}));
    // Occurrences next to each other are all found.
    EXPECT_EQ(match(0, "a1b22c333", "[a-z][0-9]+", ""), (Texts{"\"a1\"", "\"b22\"", "\"c333\""}));
}

TEST_F(PatternMatchTest, PatternEscapesAreMadeTheirBytes) {
    EXPECT_EQ(match(0, "x\ty", "x\\ty", "ok"), Texts{"\"ok\""});
    std::string target = "<";
    unescape("a\\nb\\bc\\td\\q\\", target);
    EXPECT_EQ(target, "<a\nb\bc\td\\q\\");
}

TEST_F(PatternMatchTest, OnlyAsciiBytesStartAReferenceInAFormat) {
    // The second byte of the UTF-8 "ä" is 0xA4, whose low seven bits are "$".
    EXPECT_EQ(match(0, "x", "(x)",
                    "\xC3\xA4"
                    "1"),
              Texts{"\"\xC3\xA4"
                    "1\""});
    // A byte whose low seven bits are a digit is no digit either.
    EXPECT_EQ(match(0, "x", "(x)", "$\xB1"), Texts{"\"$\xB1\""});
}

TEST_F(PatternMatchTest, PerlPatternsGiveOneRowPerMatchWithTheGFlag) {
    EXPECT_EQ(match(1, "a1b22", "/([0-9]+)/g", "$1"), (Texts{"\"1\"", "\"22\""}));
    EXPECT_EQ(match(1, "a1b22", "/([0-9]+)/", "$1"), Texts{"\"1\""});
    EXPECT_EQ(match(1, "A1b22", "m{([a-z])[0-9]{1,2}}gi", "\\1"), (Texts{"\"A\"", "\"b\""}));
    // An empty format joins as many groups as the pattern has "(".
    EXPECT_EQ(match(1, "a1b2", "/([a-z])([0-9])/g", ""), (Texts{"\"a1\"", "\"b2\""}));
    EXPECT_TRUE(match(1, "abc", "/x/g", "").empty());
}

TEST_F(PatternMatchTest, PerlFormatsReadWholeRunsOfDigits) {
    EXPECT_EQ(match(1, "abcdefghijkl", "/(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)/", "$12$1"),
              Texts{"\"la\""});
    // References past the groups append nothing; "$" before anything else stays.
    EXPECT_EQ(match(1, "ab", "/(a)/", "[$5|$99999999999999999999|$x|$]"), Texts{"\"[||$x|$]\""});
}

TEST_F(PatternMatchTest, PerlPatternsThatDoNotCompileGiveNoRowsAndNoMessage) {
    const std::string before = lastError();
    for (const char* pattern : {"/(/", "abc", "/a", "/a/e", "/a/ or 1", "m?a?", ""})
        EXPECT_TRUE(match(1, "abc", pattern, "").empty()) << pattern;
    EXPECT_EQ(lastError(), before);
    EXPECT_EQ(errors.text(), "");
}

TEST_F(PatternMatchTest, PerlPatternsFromDataRunNoCode) {
    wPerl* perl = wPerl::current();
    ASSERT_NE(perl, nullptr);
    for (const char* pattern : {"/(?{ $main::marker = 1 })a/", "/(??{ $main::marker = 1 })/",
                                "/a/; $main::marker = 1; /a/", "/a/ && ($main::marker = 1) && /a/",
                                "/${\\($main::marker = 1)}/", "/@{[ $main::marker = 1 ]}/"}) {
        match(1, "aaa", pattern, "x");
        EXPECT_EQ(perl->eval("defined $main::marker ? 1 : 0").asInt(), 0) << pattern;
    }
    // Variables in the body are not interpolated: "$x" is end-of-text followed by x.
    perl->eval("$main::x = 'a';");
    EXPECT_TRUE(match(1, "a", "/$x/", "").empty());
}
