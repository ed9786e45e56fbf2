// Tests of the string built-ins (substr, strlen, strcat) and of sgmlprint.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "BuiltinTestSupport.h"

using namespace access_test;

namespace {

class StringBuiltinsTest : public BuiltinTest {
  protected:
    static std::string read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream content;
        content << in.rdbuf();
        return content.str();
    }
    bool holds(const std::string& name, Row args) {
        return call(name, std::move(args)).rows.size() == 1;
    }
};

}  // namespace

TEST_F(StringBuiltinsTest, SubstrIgnoresTheCaseOfAsciiLetters) {
    EXPECT_TRUE(holds("substr", {text("ell"), text("HELLO")}));
    EXPECT_TRUE(holds("substr", {text("lo"), text("hello")}));
    EXPECT_FALSE(holds("substr", {text("hello"), text("lo")}));
    EXPECT_TRUE(holds("substr", {integer(23), text("x123y")}));
    EXPECT_TRUE(holds("substr", {text("#2.5"), real(2.5f)}));
    EXPECT_FALSE(holds("substr", {text("\xc3\xa9"), text("\xc3\x89")}));
    EXPECT_FALSE(holds("substr", {object("o"), text("o")}));
    EXPECT_FALSE(holds("substr", {Free, text("abc")}));
    EXPECT_EQ(lastError(), "0/0");
    EXPECT_FALSE(holds("substr", {text("a"), Free}));
    EXPECT_EQ(lastError(), "6/110");
}

TEST_F(StringBuiltinsTest, SubstrReadsTheTextOfADocument) {
    const std::string file = tempFile("doc");
    // é (0xE9) and ä (0xE4) share their low seven bits with "i" and "d" less 32.
    std::ofstream(file, std::ios::binary) << "Caf\xe9 Hall\xe4 over the Wire";
    const InternalName doc = object("doc");
    test->files[doc] = file;
    EXPECT_TRUE(holds("substr", {text("caf"), doc}));
    EXPECT_TRUE(holds("substr", {text("THE WIRE"), doc}));
    EXPECT_TRUE(holds("substr", {text("caf\xe9"), doc}));
    EXPECT_FALSE(holds("substr", {text("CAFI"), doc}));
    EXPECT_FALSE(holds("substr", {text("HALLD"), doc}));
    EXPECT_FALSE(holds("substr", {text("absent"), doc}));
    // No file, or a file that cannot be read.
    EXPECT_FALSE(holds("substr", {text("caf"), object("other")}));
    test->files[doc] = file + ".missing";
    EXPECT_FALSE(holds("substr", {text("caf"), doc}));
}

TEST_F(StringBuiltinsTest, StrlenCountsTheBytesOfTheText) {
    EXPECT_EQ(call("strlen", {text("abc"), Free}).rows, (Rows{{text("abc"), integer(3)}}));
    EXPECT_EQ(call("strlen", {integer(1234), Free}).rows, (Rows{{integer(1234), integer(4)}}));
    EXPECT_EQ(call("strlen", {real(2.5f), Free}).rows, (Rows{{real(2.5f), integer(4)}}));
    EXPECT_TRUE(holds("strlen", {text(""), integer(0)}));
    EXPECT_FALSE(holds("strlen", {text("abc"), integer(4)}));
    EXPECT_FALSE(holds("strlen", {object("o"), Free}));
    EXPECT_FALSE(holds("strlen", {Free, integer(3)}));
    EXPECT_EQ(lastError(), "0/0");
    EXPECT_FALSE(holds("strlen", {Free, Free}));
    EXPECT_EQ(lastError(), "6/110");
}

TEST_F(StringBuiltinsTest, StrcatSolvesEachFreePosition) {
    EXPECT_EQ(call("strcat", {text("ab"), text("cd"), Free}).rows,
              (Rows{{text("ab"), text("cd"), text("abcd")}}));
    EXPECT_EQ(call("strcat", {Free, text("b"), text("ab")}).rows,
              (Rows{{text("a"), text("b"), text("ab")}}));
    EXPECT_EQ(call("strcat", {Free, text("ab"), text("abab")}).rows,
              (Rows{{text("ab"), text("ab"), text("abab")}}));
    EXPECT_EQ(call("strcat", {text("a"), Free, text("abc")}).rows,
              (Rows{{text("a"), text("bc"), text("abc")}}));
    EXPECT_FALSE(holds("strcat", {text("b"), Free, text("abc")}));
    EXPECT_FALSE(holds("strcat", {Free, text("x"), text("abc")}));
    EXPECT_TRUE(holds("strcat", {text("a"), text("b"), text("ab")}));
    EXPECT_FALSE(holds("strcat", {text("a"), text("b"), text("ba")}));
    // Numbers count as their texts; the row keeps the numbers.
    EXPECT_EQ(call("strcat", {integer(1), integer(2), Free}).rows,
              (Rows{{integer(1), integer(2), text("12")}}));
    EXPECT_FALSE(holds("strcat", {object("o"), text("b"), Free}));
    EXPECT_EQ(lastError(), "0/0");

    for (Row unsafe : {Row{Free, text("b"), Free}, Row{Free, Free, text("ab")}}) {
        centralErrorHandler().reset();
        EXPECT_FALSE(holds("strcat", unsafe));
        EXPECT_EQ(lastError(), "6/110");
    }
}

TEST_F(StringBuiltinsTest, StrcatLimitsTheResult) {
    const InternalName half = text(std::string(16383, 'x'));
    const Rows joined = call("strcat", {half, half, Free}).rows;
    ASSERT_EQ(joined.size(), 1u);
    EXPECT_EQ(textOf(joined[0][2]).size(), 32766u);
    EXPECT_EQ(lastError(), "0/0");

    EXPECT_FALSE(holds("strcat", {half, text(std::string(16384, 'x')), Free}));
    EXPECT_EQ(lastError(), "6/111");
    const Error error = centralErrorHandler().getError();
    EXPECT_EQ(error.getName() + "|" + error.getMessage() + "|" + error.getWhere(),
              "String too long|Resulting string is too long|OMAccess::strcat");
}

namespace {

// doc[title -> "T"; 0 -> ... ] as a document tree: doc has the attribute lang = "en" and holds a
// head element with a text and a body element.
class SgmlPrintTest : public StringBuiltinsTest {
  protected:
    void SetUp() override {
        StringBuiltinsTest::SetUp();
        doc = object("doc");
        head = object("head");
        body = object("body");
        const InternalName zero = integer(0), one = integer(1);
        access->insertValue(doc, object("lang"), nullptr, 0, MethodType::Scalar, text("en"));
        access->insertValue(doc, object("article"), &zero, 1, MethodType::Scalar, head);
        access->insertValue(doc, object("article"), &one, 1, MethodType::Scalar, body);
        access->insertValue(head, object("title"), &zero, 1, MethodType::Scalar, text("Hello"));
        access->insertValue(body, object("para"), &zero, 1, MethodType::Scalar, text("Text"));
        access->insertValue(body, object("para"), &one, 1, MethodType::Scalar, integer(5));
    }

    InternalName doc, head, body;
};

// The tree of the fixture as SGML: no attributes on head and body, an integer leaf prints nothing.
const char* const DocumentText =
    "\n<article lang=\"en\">\n<title>\"Hello\"</title>\n\n<para>\"Text\"</para>\n</article>\n";

}  // namespace

TEST_F(SgmlPrintTest, PrintsTheTreeIntoAFile) {
    const std::string file = tempFile("print");
    EXPECT_TRUE(holds("sgmlprint", {doc, text(file)}));
    EXPECT_EQ(read(file), DocumentText);
    // A second print replaces the file's content.
    EXPECT_TRUE(holds("sgmlprint", {head, text(file)}));
    EXPECT_EQ(read(file), "\n<title>\"Hello\"</title>\n");
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(SgmlPrintTest, AFileThatCannotBeWrittenFailsWithItsReport) {
    EXPECT_FALSE(holds("sgmlprint", {doc, text("/dev/full")}));
    EXPECT_EQ(lastError(), "6/207");
    // The old content of a file stays when the object prints nothing.
    const std::string file = tempFile("kept");
    EXPECT_TRUE(holds("sgmlprint", {doc, text(file)}));
    EXPECT_FALSE(holds("sgmlprint", {object("leaf"), text(file)}));
    EXPECT_EQ(read(file), DocumentText);
}

TEST_F(SgmlPrintTest, PrintsToStandardOutput) {
    ::testing::internal::CaptureStdout();
    const bool printed = holds("sgmlprint", {doc, object("stdout")});
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), DocumentText);
    EXPECT_TRUE(printed);
}

TEST_F(SgmlPrintTest, CountsTheEntriesOfTheTopAndEntersNoElementOnItsOwnPathAgain) {
    std::ostringstream out;
    EXPECT_EQ(access->sgmlprint("nothing", out), 0);
    EXPECT_FALSE(holds("sgmlprint", {object("leaf"), object("stdout")}));
    EXPECT_FALSE(holds("sgmlprint", {text("doc"), object("stdout")}));
    const InternalName two = integer(2);
    access->insertValue(body, object("para"), &two, 1, MethodType::Scalar, doc);
    // The attribute lang, the two articles; doc below body prints nothing.
    EXPECT_EQ(access->sgmlprint("doc", out), 3);
    EXPECT_EQ(out.str(), DocumentText);
}

TEST_F(SgmlPrintTest, AnUnwritableTargetIsReported) {
    const std::string target = tempFile("dir") + "/missing/out.sgml";
    const Answer answer = call("sgmlprint", {doc, text(target)});
    EXPECT_TRUE(answer.iterator);
    EXPECT_EQ(answer.rows, Rows{});
    EXPECT_EQ(lastError(), "6/207");
    const Error error = centralErrorHandler().getError();
    EXPECT_EQ(error.getName() + "|" + error.getMessage() + "|" + error.getWhere(),
              "Cant Write file|Can't write to " + target + ": " + std::strerror(ENOENT) +
                  "|OMAccess::sgmlprint");
    EXPECT_EQ(error.getSeriousness(), 2);
}
