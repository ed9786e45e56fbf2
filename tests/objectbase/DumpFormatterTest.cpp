// Tests of the XML form of names shared by all dump formatters.
#include <gtest/gtest.h>

#include "objectbase/DumpFormatter.h"
#include "objectbase/InternalName.h"

namespace {

TEST(DumpFormatterXmlName, FollowsTheNameKind) {
    struct Case {
        int kind;
        const char* lexical;
        const char* xml;
    };
    const Case cases[] = {
        {InternalName::Integer, "-12", "-12"},
        {InternalName::String, "\"x y\"", "x y"},
        {InternalName::String, "\"a\"b\"", "a&quot;b"},  // a string's own characters
        {InternalName::String, "\"O'Brien & a<b>\"", "O&apos;Brien &amp; a&lt;b&gt;"},
        {InternalName::Float, "#1.5", "1.5"},
        {InternalName::Object, "a.b(c)", "a-b-c"},
        {InternalName::Function, "@m(\"s\")", "-m-s"},
        {InternalName::Object, "a__-b", "a_-b"},
        {InternalName::Object, "a---b", "a--b"},  // the dash after a removed one is passed over
        {InternalName::Object, "x\"\"y", "x&quot;y"},  // so is the quote after a removed one
        {InternalName::Object, "g(h(i))", "g-h-i"},
        {InternalName::Object, "", ""},
        {InternalName::String, "", ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DumpFormatter::xmlNameOfLexicalForm(c.kind, c.lexical), c.xml) << c.lexical;
    }
}

}  // namespace
