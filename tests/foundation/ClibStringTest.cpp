// Tests of the library string and the library's default error handler.
#include <gtest/gtest.h>

#include <string>

#include "foundation/ClibErrorHandler.h"
#include "foundation/ClibString.h"

namespace {

TEST(ClibString, PosFindsKeywords) {
    string text("show_memory_leaks show_memory_statistics");
    EXPECT_EQ(text.pos(string("show_memory_statistics")), 18);
    EXPECT_EQ(text.pos(string("show_memory_leaks")), 0);
    EXPECT_EQ(text.pos(string("show_memory_leaks"), 1), -1);
    EXPECT_EQ(string("show_memory_leaks").pos(string("show_memory_statistics")), -1);
    EXPECT_EQ(text.pos(string("")), -1);
    EXPECT_EQ(text.pos(string("s"), text.length()), -1);
}

TEST(ClibString, WritingIntoSharedTextCopiesIt) {
    string a("abc");
    string b = a;
    EXPECT_EQ(a.refs(), 2);
    b[0] = 'x';
    EXPECT_STREQ(a.cstring(), "abc");
    EXPECT_STREQ(b.cstring(), "xbc");
    EXPECT_EQ(a.refs(), 1);
    EXPECT_EQ(b.refs(), 1);
}

TEST(ClibString, FormattingIsNotLimitedInLength) {
    string s("allocate_block: illegal size (%d bytes)", 0);
    EXPECT_STREQ(s.cstring(), "allocate_block: illegal size (0 bytes)");
    std::string long_text(2000, 'q');
    string big("<%s>%*d", long_text.c_str(), 5, 42);
    EXPECT_EQ(big.length(), 2000 + 2 + 5);
    EXPECT_EQ(std::string(big.cstring()).substr(2002), "   42");
    // A "%" inside an argument's text is never taken for a conversion.
    EXPECT_STREQ(string("%s and %d", "50% a", 3).cstring(), "50% a and 3");
}

TEST(ClibErrorHandler, WarningReturnsToCaller) {
    testing::internal::CaptureStderr();
    default_error_handler(0, "just a note");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "\nCLIB WARNING\n\tjust a note\n\n");
}

int seen_code = -1;
void remember(int code, const char*) {
    seen_code = code;
}

TEST(ClibErrorHandler, ReturningHandlerLeavesUsableStrings) {
    install_error_handler(&remember);
    seen_code = -1;
    string s(static_cast<const char*>(nullptr));
    EXPECT_EQ(seen_code, 1);
    EXPECT_STREQ(s.cstring(), "");
    EXPECT_EQ(s.length(), 0);
    EXPECT_TRUE(s == string(""));
    EXPECT_EQ(string("abc").pos(s), -1);
    install_error_handler(&default_error_handler);
}

TEST(ClibErrorHandlerDeathTest, ErrorsAbort) {
    EXPECT_DEATH(default_error_handler(1, "broken"), "\nCLIB ERROR HANDLER\n\tbroken\n\n\n");
    EXPECT_DEATH(string::str_dup(nullptr), "string::str_dup: nil argument");
}

}  // namespace
