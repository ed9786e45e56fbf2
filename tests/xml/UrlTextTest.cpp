// URL texts: the three parts, the simplification and the resolution of links against a page.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "xml/UrlText.h"

namespace {

struct SplitCase {
    const char* text;
    const char* scheme;
    const char* host;
    const char* path;
};

TEST(UrlTextTest, SplitsSchemeHostAndPath) {
    const SplitCase cases[] = {
        {"http://example.org/a/b.html?x=1#top", "http:", "//example.org", "/a/b.html?x=1"},
        {"HTTP://Host:8080", "HTTP:", "//Host:8080", ""},
        {"file:///tmp/doc.xml", "file:", "//", "/tmp/doc.xml"},
        {"file:p/q.xml", "file:", "", "p/q.xml"},
        {"x/y.html", "", "", "x/y.html"},
        {"//host/p", "", "//host", "/p"},
        {"mailto:me@example.org", "mailto:", "", "me@example.org"},
        {"#only", "", "", ""},
    };
    for (const SplitCase& c : cases) {
        const UrlParts parts = splitUrl(c.text);
        EXPECT_EQ(parts.scheme, c.scheme) << c.text;
        EXPECT_EQ(parts.host, c.host) << c.text;
        EXPECT_EQ(parts.path, c.path) << c.text;
    }
}

TEST(UrlTextTest, SimplificationDropsDotSegmentsOfThePathOnly) {
    const std::pair<const char*, const char*> cases[] = {
        {"http://h/a/./b/../c", "http://h/a/c"},
        {"http://h/a/b/..", "http://h/a/"},
        {"http://h/a/b/../../..", "http://h/"},
        {"a/../../b", "b"},
        {"http://h/a//b/", "http://h/a//b/"},
        {"http://h/a/../b?x=/../y#f/..", "http://h/b?x=/../y#f/.."},
        {"http://../h/x", "http://../h/x"},
        {"file:dir/./f.xml", "file:dir/f.xml"},
    };
    for (const auto& [text, simplified] : cases) {
        EXPECT_EQ(simplifyUrl(text), std::optional<std::string>(simplified)) << text;
    }
    EXPECT_EQ(simplifyUrl(""), std::nullopt);
}

struct ResolveCase {
    const char* link;
    const char* resolved;
};

TEST(UrlTextTest, LinksResolveAgainstTheWebPage) {
    const UrlParts page{"http:", "//www.x.org", "/docs/guide/index.html"};
    const ResolveCase cases[] = {
        {"intro.html", "\"http://www.x.org/docs/guide/intro.html\""},
        {"../img/a.gif", "\"http://www.x.org/docs/img/a.gif\""},
        {"/top.html", "\"http://www.x.org/top.html\""},
        {"/", "\"http://www.x.org/docs/guide/index.html\""},
        {"http://other.org/p/../q", "\"http://other.org/q\""},
        {"http:rel.html", "\"http://www.x.org/docs/guide/rel.html\""},
        {"gopher://g.org/x", "\"gopher://g.org/x\""},
        {"//www.x.org", "\"http://www.x.org/docs/guide/index.html\""},
        {"//other.org", "\"http://other.org\""},
        {"#section", "\"http://www.x.org\""},
        {"a.html?q=1#part", "\"http://www.x.org/docs/guide/a.html?q=1\""},
    };
    for (const ResolveCase& c : cases) EXPECT_EQ(resolveUrl(c.link, page), c.resolved) << c.link;
}

TEST(UrlTextTest, LinksResolveAgainstFileAndSecurePages) {
    const UrlParts file{"file:", "", "/home/u/page.html"};
    EXPECT_EQ(resolveUrl("sub/b.html", file), "\"file:/home/u/sub/b.html\"");
    EXPECT_EQ(resolveUrl("#top", file), "\"file:/home/u/page.html\"");
    // A page named by a relative path gives relative links no folder.
    const UrlParts relative{"file:", "", "dir/page.html"};
    EXPECT_EQ(resolveUrl("x.html", relative), "\"file:x.html\"");
    // "https:" counts as "http:": the host is taken over and relative paths are resolved.
    const UrlParts secure{"https:", "//s.org", "/a/b"};
    EXPECT_EQ(resolveUrl("c", secure), "\"https://s.org/a/c\"");
    EXPECT_EQ(resolveUrl("https:/d", secure), "\"https://s.org/d\"");
    // A page path with no folder but its root.
    const UrlParts root{"http:", "//h", "/index.html"};
    EXPECT_EQ(resolveUrl("x.html", root), "\"http://h/x.html\"");
}

TEST(UrlTextTest, PercentEscapesAreDecoded) {
    EXPECT_EQ(percentDecoded("/a%20b/%7euser%2F"), "/a b/~user/");
    EXPECT_EQ(percentDecoded("100%"), "100%");
    EXPECT_EQ(percentDecoded("%zz%4"), "%zz%4");
}

}  // namespace
