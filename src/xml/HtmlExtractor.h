// HtmlExtractor: records the title, the address texts and the links of a fetched HTML page on its
// document object, from the tags the HTML scanner finds; no parser and no DTD.
#pragma once

#include <string>

#include "objectbase/InternalName.h"

class OMAccess;
class WebFetcher;

// The schema names the extraction inserts under.
struct HtmlSchema {
    InternalName title;    // document[title -> "text"]
    InternalName address;  // document[address ->> "text"]
    InternalName hrefs;    // document[hrefs@("anchor text") ->> "resolved address"]
    InternalName url;      // the class every resolved address joins
};

class HtmlExtractor {
  public:
    // Inserts through the access layer; links resolve against the fetcher's current URL. Both
    // outlive the extractor.
    HtmlExtractor(OMAccess& access, WebFetcher& fetcher, const HtmlSchema& schema);

    // Reads the file to its end. Only TITLE, ADDRESS and A with its HREF are recognised, in any
    // letter case; the text of an element, its words joined by single blanks in double quotes,
    // includes the texts of the recognised elements inside it. Unbalanced tags are ignored; a
    // file that cannot be opened yields nothing.
    void extractHtml(const InternalName& document, const std::string& fileName);

  private:
    OMAccess& access;
    WebFetcher& fetcher;
    HtmlSchema schema;
};
