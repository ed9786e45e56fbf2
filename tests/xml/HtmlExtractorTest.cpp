// The HTML extraction: titles, address texts and links recorded on the document object.
#include <gtest/gtest.h>

#include "WebTestSupport.h"
#include "xml/HtmlExtractor.h"

namespace {

using Facts = std::vector<std::string>;

class HtmlExtractorTest : public webtest::WebTest {
  protected:
    HtmlExtractorTest() {
        fetcher->setCurrentUrl("http://www.x.org/docs/index.html");
        InternalName name;
        schema.title = access->nameFromString(name, "title", InternalName::Function);
        schema.address = access->nameFromString(name, "address", InternalName::Function);
        schema.hrefs = access->nameFromString(name, "hrefs", InternalName::Function);
        schema.url = access->nameFromString(name, "url", InternalName::Function);
        document = access->nameFromString(name, "d", InternalName::Function);
    }

    Facts extract(const std::string& html) {
        const auto file = scratch / "page.html";
        webtest::writeFile(file, html);
        access->facts.clear();
        HtmlExtractor(*access, *fetcher, schema).extractHtml(document, file.string());
        return access->facts;
    }

    HtmlSchema schema;
    InternalName document;
};

TEST_F(HtmlExtractorTest, TitleWordsAreJoinedBySingleBlanks) {
    EXPECT_EQ(extract("<html><head><TITLE>Hello   \n\t world</title></head></html>"),
              Facts{"d[title -> \"Hello world\"]"});
    // Carriage returns, control characters and bytes 128 to 255 end words and vanish.
    EXPECT_EQ(extract("<title>Gr\xfc\xdf"
                      "e\r\nx\x01y \xc3\xa9t\xc3\xa9</title>"),
              Facts{"d[title -> \"Gr e x y t\"]"});
    // A double quote without a partner is skipped.
    EXPECT_EQ(extract("<title>say \"hi</title>"), Facts{"d[title -> \"say hi\"]"});
}

TEST_F(HtmlExtractorTest, LinksAreResolvedAndBecomeUrls) {
    EXPECT_EQ(extract("<p><a HREF=\"rel/a.html\">Anchor  text</a></p>"),
              (Facts{"\"http://www.x.org/docs/rel/a.html\" : url",
                     "d[hrefs@(\"Anchor text\") ->> \"http://www.x.org/docs/rel/a.html\"]"}));
    // The first value wins.
    EXPECT_EQ(extract("<a href=\"http://o.org/1\" href=\"2\">x</a>"),
              (Facts{"\"http://o.org/1\" : url", "d[hrefs@(\"x\") ->> \"http://o.org/1\"]"}));
    // Without an HREF there is no link.
    EXPECT_EQ(extract("<a name=\"n\">no link</a>"), Facts{});
}

TEST_F(HtmlExtractorTest, UnmatchedEndTagsAreIgnored) {
    EXPECT_EQ(extract("</title></a><title>A </a> B</title></address>"),
              Facts{"d[title -> \"A B\"]"});
}

TEST_F(HtmlExtractorTest, NestedElementsIncludeTheInnerTexts) {
    EXPECT_EQ(extract("<address>outer <address>inner</address> tail</address>"),
              (Facts{"d[address ->> \"outer inner\"]", "d[address ->> \"outer inner tail\"]"}));
    // The link's own value is its anchor text; the address also takes in the link's target text.
    EXPECT_EQ(extract("<address>Mail <a href=m.html>me</a> now</address>"),
              (Facts{"\"http://www.x.org/docs/m.html\" : url",
                     "d[hrefs@(\"me\") ->> \"http://www.x.org/docs/m.html\"]",
                     "d[address ->> \"Mail m.html me now\"]"}));
}

TEST_F(HtmlExtractorTest, AFileThatCannotBeOpenedYieldsNothing) {
    access->facts.clear();
    HtmlExtractor extractor(*access, *fetcher, schema);
    extractor.extractHtml(document, (scratch / "none").string());
    extractor.extractHtml(document, scratch.string());
    EXPECT_EQ(access->facts, Facts{});
    EXPECT_EQ(errors.text(), "");
}

}  // namespace
