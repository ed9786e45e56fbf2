// Tests of the pattern built-ins: "match" over POSIX extended expressions with its formats and
// documents, and "pmatch" over Perl patterns, hostile ones included.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "AccessTestSupport.h"
#include "access/MyRegex.h"
#include "access/wPerl.h"

using namespace access_test;

namespace {

// An access layer whose document object has its text in a local file, as a Web layer's has.
class DocumentAccess : public OMAccess {
  public:
    DocumentAccess(OM* om, InternalName document, std::string file)
        : OMAccess(om), document(document), file(std::move(file)) {}
    int giveLocalFile(const InternalName& name, std::string& out) override {
        if (name != document) return 0;
        out = file;
        return 1;
    }

  private:
    InternalName document;
    std::string file;
};

class PatternMatchTest : public AccessTest {
  protected:
    InternalName text(const std::string& t) {
        InternalName out;
        access->nameFromString(out, "\"" + t + "\"", InternalName::String);
        return out;
    }
    // The texts of one result column of every row (quotes included).
    std::multiset<std::string> results(OMAccess* layer, int perl, const Row& args, int column) {
        Iterator* it = layer->patternMatch(perl, args.data(), static_cast<int>(args.size()));
        std::multiset<std::string> texts;
        for (const Row& row : drain(it)) {
            std::string form;
            layer->giveLexicalForm(row[static_cast<std::size_t>(column - 1)], form);
            texts.insert(form);
        }
        decRef(it);
        return texts;
    }
    // Every result of "match" (perl 0) or "pmatch" (perl 1) with one format and a free result.
    std::multiset<std::string> match(int perl, InternalName subject, const std::string& pattern,
                                     const std::string& format) {
        return results(access, perl, {subject, text(pattern), text(format), free}, 4);
    }
    std::multiset<std::string> match(int perl, const std::string& subject,
                                     const std::string& pattern, const std::string& format) {
        return match(perl, text(subject), pattern, format);
    }

    const InternalName free = InternalName::UndefinedObject;
    using Texts = std::multiset<std::string>;
};

// A temporary file removed at the end of the test.
class TempFile {
  public:
    explicit TempFile(const std::string& content) {
        char name[] = "/tmp/quorin-patternXXXXXX";
        const int fd = mkstemp(name);
        path = name;
        std::ofstream(path, std::ios::binary) << content;
        if (fd >= 0) close(fd);
    }
    ~TempFile() { std::remove(path.c_str()); }
    std::string path;
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

TEST_F(PatternMatchTest, RowsCarryTheWholeAtomAndAppearOnce) {
    const Row args{text("a1b1"), text("[0-9]"), text(""), free};
    Iterator* it = access->patternMatch(0, args.data(), 4);
    const Rows rows = drain(it);
    decRef(it);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][0], args[0]);
    EXPECT_EQ(rows[0][1], args[1]);
    EXPECT_EQ(rows[0][2], args[2]);
    EXPECT_EQ(rows[0][3], text("1"));
}

TEST_F(PatternMatchTest, ABoundResultKeepsOnlyTheOccurrencesThatProduceIt) {
    EXPECT_EQ(results(access, 0, {text("a1b22c1"), text("[0-9]+"), text(""), text("1")}, 4),
              Texts{"\"1\""});
    EXPECT_TRUE(
        results(access, 0, {text("a1b22"), text("[0-9]+"), text(""), text("3")}, 4).empty());
    // Two formats: each result belongs to its own format.
    EXPECT_EQ(results(access, 0,
                      {text("k=v"), text("(.)=(.)"), text("$1"), text("$2"), free, text("v")}, 5),
              Texts{"\"k\""});
}

TEST_F(PatternMatchTest, NumbersCountAsTheirStringConstants) {
    EXPECT_EQ(match(0, integer(1234), "2(3)", "$1"), Texts{"\"3\""});
    // A number as the pattern or the format counts the same way.
    EXPECT_EQ(results(access, 0, {text("a12b"), integer(12), text("<$0>"), free}, 4),
              Texts{"\"<$0>\""});
    EXPECT_EQ(results(access, 0, {text("12"), text("[0-9]+"), integer(7), free}, 4),
              Texts{"\"7\""});
}

TEST_F(PatternMatchTest, MissingOrWrongArgumentsGiveNoRowsAndNoError) {
    const std::string before = lastError();
    EXPECT_TRUE(results(access, 0, {text("abc"), free, text(""), free}, 4).empty());
    EXPECT_TRUE(results(access, 0, {text("abc"), text("b"), free, free}, 4).empty());
    EXPECT_TRUE(results(access, 0, {free, text("b"), text(""), free}, 4).empty());
    EXPECT_TRUE(results(access, 0, {text("abc"), text("b"), object("f"), free}, 4).empty());
    EXPECT_TRUE(results(access, 0, {text("abc"), text("b"), text(""), object("r")}, 4).empty());
    // An odd arity has a position that is neither format nor result.
    EXPECT_TRUE(results(access, 0, {text("abc"), text("b"), text(""), free, free}, 1).empty());
    EXPECT_EQ(lastError(), before);
}

TEST_F(PatternMatchTest, TheRowsOfACallLastUntilTheNextCall) {
    EXPECT_EQ(match(0, "a1b2", "[0-9]", "").size(), 2u);
    EXPECT_EQ(match(0, "x", "[0-9]", "").size(), 0u);
    EXPECT_EQ(match(0, "a1b2c3", "[0-9]", "").size(), 3u);
}

TEST_F(PatternMatchTest, ADocumentIsSearchedWholeFromItsLocalFile) {
    const InternalName document = object("doc");
    TempFile file(std::string("a\0b", 3) + "\nc");
    auto* docs = new DocumentAccess(om, document, file.path);
    const Row args{document, text("[a-z]"), text(""), free};
    EXPECT_EQ(results(docs, 0, args, 4), (Texts{"\"a\"", "\"b\"", "\"c\""}));
    EXPECT_EQ(results(docs, 1, {document, text("/([a-z])/g"), text("$1"), free}, 4),
              (Texts{"\"a\"", "\"b\"", "\"c\""}));
    // Another object has no file, and a file that is gone gives nothing either.
    EXPECT_TRUE(results(docs, 0, {object("other"), text("[a-z]"), text(""), free}, 4).empty());
    decRef(docs);
    docs = new DocumentAccess(om, document, file.path + "-gone");
    EXPECT_TRUE(results(docs, 0, args, 4).empty());
    decRef(docs);
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
