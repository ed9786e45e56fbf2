// Tests of the embedded Perl interpreter and its handles: evaluation and its failures, arrays,
// appended data, compiled patterns, the locale and the splitting of pattern texts.
#include <gtest/gtest.h>
#include <locale.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <string>

#include "access/PerlPatternText.h"
#include "access/wPerl.h"
#include "support/ChildWait.h"

namespace {

wPerl& perl() {
    wPerl* current = wPerl::current();
    EXPECT_NE(current, nullptr);
    return *current;
}

}  // namespace

TEST(PerlWrapperTest, EvaluationAnswersACopyOfTheValue) {
    wScalar value = perl().eval("my @a = (1, 2, 3); scalar(@a) * 7");
    EXPECT_EQ(value.asInt(), 21);
    EXPECT_EQ(value.asString(), "21");
    // The interpreter lives on between calls: package variables persist.
    perl().eval("$main::kept = 'still here';");
    EXPECT_EQ(perl().eval("$main::kept").asString(), "still here");
    // Perl writes a new $0 into the argument vector it was started with.
    EXPECT_EQ(perl().eval("$0 = 'renamed'; $0").asString(), "renamed");
}
TEST(PerlWrapperTest, CodeThatDiesWritesOneLineAndAnswersAnEmptyHandle) {
    testing::internal::CaptureStderr();
    wScalar value = perl().eval("die \"boom\\n\"");
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_EQ(written, "eval 'die \"boom\\n\"' failed: boom\n\n");
    EXPECT_TRUE(value.empty());
    EXPECT_EQ(value.asInt(), -1);
    EXPECT_EQ(value.asString(), "");
    EXPECT_DOUBLE_EQ(value.asDouble(), -1.0);
    // A syntax error is a failure too, and the next evaluation is clean again.
    testing::internal::CaptureStderr();
    EXPECT_TRUE(perl().eval("sub {").empty());
    EXPECT_EQ(perl().eval("40 + 2").asInt(), 42);
    const std::string second = testing::internal::GetCapturedStderr();
    EXPECT_EQ(second.rfind("eval 'sub {' failed: ", 0), 0u);
    EXPECT_EQ(second.find("failed", 30), std::string::npos);
}

TEST(PerlWrapperTest, ArraysAnswerTheirSizeAndElements) {
    wArray fresh;
    EXPECT_TRUE(fresh[-1].empty());
    perl().eval("@main::out = ('a', 2, 3.5);");
    wArray out = wPerl::getArray("out", 1);
    ASSERT_EQ(out.size(), 3);
    EXPECT_DOUBLE_EQ(out[2].asDouble(), 3.5);
    EXPECT_TRUE(out.at(3).empty());
    out.clear();
    EXPECT_EQ(perl().eval("scalar(@main::out)").asInt(), 0);
    // Looking an array up without making it leaves Perl without it.
    EXPECT_EQ(wPerl::getArray("never_made_here", 0).size(), 0);
    EXPECT_EQ(perl().eval("defined(*main::never_made_here{ARRAY}) ? 1 : 0").asInt(), 0);
}
TEST(PerlWrapperTest, AppendedDataArrivesUnchanged) {
    wArray in = wPerl::getArray("in", 1);
    in.clear();
    const std::string hostile = "$x @y \"z\" ${\\ die} '";
    in.append(hostile);
    in.append(0.25);
    EXPECT_EQ(perl().eval("scalar(@main::in)").asInt(), 2);
    EXPECT_EQ(perl().eval("$main::in[0]").asString(), hostile);
    EXPECT_DOUBLE_EQ(perl().eval("$main::in[1] * 2").asDouble(), 0.5);
}

TEST(PerlWrapperTest, HandlesOwnTheirReferences) {
    perl().eval("@main::shared = ('v');");
    wScalar first = wPerl::getArray("shared", 1).at(0);
    wScalar copy = first;
    first.release();
    EXPECT_TRUE(first.empty());
    EXPECT_EQ(copy.asString(), "v");
    // A scalar set from C++ keeps its bytes, NUL included.
    wScalar bytes;
    bytes.set("a\0b", 3);
    EXPECT_EQ(bytes.asString(), std::string("a\0b", 3));
    EXPECT_NE(bytes.set(nullptr, 100), nullptr);
    bytes.set(nullptr, 0);
    EXPECT_EQ(bytes.asString(), "");
}

TEST(PerlWrapperTest, CompiledPatternsMatchAndMoveOnWithTheGFlag) {
    wScalar subject;
    subject.set("x12y345", 7);
    wPattern pattern("/([0-9])([0-9])/g");
    ASSERT_FALSE(pattern.empty());
    wArray groups;
    ASSERT_TRUE(subject.find(pattern, &groups));
    EXPECT_EQ(subject.pos(), 3);
    ASSERT_EQ(groups.size(), 2);
    EXPECT_EQ(groups[0].asString(), "1");
    EXPECT_EQ(groups[1].asString(), "2");
    ASSERT_TRUE(subject.find(pattern, &groups));
    EXPECT_EQ(subject.pos(), 6);
    EXPECT_EQ(groups[0].asString(), "3");
    EXPECT_FALSE(subject.find(pattern, nullptr));

    wPattern once("m<x(\\d)>");
    EXPECT_TRUE(subject.find(once, &groups));
    EXPECT_EQ(subject.pos(), 0);
    EXPECT_TRUE(wPattern("/(/").empty());
    once.release();
    EXPECT_FALSE(subject.find(once, &groups));
}

TEST(PerlWrapperTest, CreatingAnInterpreterKeepsTheLocale) {
    // A child process, so that the environment is read by an interpreter made for this test.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("LC_ALL", "C.UTF-8", 1);
        const std::string before = std::setlocale(LC_ALL, nullptr);
        const locale_t threadBefore = uselocale(static_cast<locale_t>(0));
        const std::unique_ptr<wPerl> made = wPerl::create();
        const bool running =
            made != nullptr && made->eval("sprintf('%.1f', 2.5)").asString() == "2.5";
        const bool same = running && before == std::setlocale(LC_ALL, nullptr) &&
                          threadBefore == uselocale(static_cast<locale_t>(0));
        _exit(same ? 0 : 1);
    }
    int status = 0;
    ASSERT_TRUE(child_wait::waitWithin(child, status)) << "the child did not end";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PerlPatternTextTest, SplitsBodyAndFlags) {
    std::string body;
    std::string flags;
    ASSERT_TRUE(splitPerlPattern(" /a\\/b/gi ", body, flags));
    EXPECT_EQ(body, "a\\/b");
    EXPECT_EQ(flags, "gi");
    ASSERT_TRUE(splitPerlPattern("m{a{2}(?:{)}x}smx", body, flags));
    EXPECT_EQ(body, "a{2}(?:{)}x");
    EXPECT_EQ(flags, "smx");
    ASSERT_TRUE(splitPerlPattern("m#/#", body, flags));
    EXPECT_EQ(body, "/");
    EXPECT_EQ(flags, "");
    ASSERT_TRUE(splitPerlPattern("m<\\>>", body, flags));
    EXPECT_EQ(body, "\\>");
    for (const char* refused :
         {"", "m", "/a", "a/", "/a/e", "/a/g x", "/a/;1", "mxax", "m a ", "m{a", "m?a?", "q/a/"})
        EXPECT_FALSE(splitPerlPattern(refused, body, flags)) << refused;
}
