// WebFetcher: the fetching half of the Web access layer: a URL object becomes a local file and a
// fetch record, and links are resolved against the URL fetched last.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"
#include "xml/FetchRecord.h"
#include "xml/UrlLoader.h"
#include "xml/UrlText.h"

class OMAccess;

class WebFetcher {
  public:
    // The access layer gives the URL texts (its symbol table) and makes the resolved addresses;
    // it owns this fetcher and so outlives it.
    explicit WebFetcher(OMAccess& access, UrlLoaderLimits limits = {});
    WebFetcher(const WebFetcher&) = delete;
    WebFetcher& operator=(const WebFetcher&) = delete;

    // Fetches the URL of the string symbol into the record's file (its name gains "_" and the
    // URL's last path segment) and measures it. Answers 1 when the fetch ran, its problems then
    // in the record's messages; 0 after reporting "Unable" when the URL gives no address.
    int accessWeb(const FSymbol& url, FetchRecord& record);

    // Refuses schemes, a missing host and file types with messages, or loads the address into
    // the file, which is created (emptied) in either case. Sets the scheme output. Answers 1
    // after a refusal, the load's result otherwise, and 0 after reporting "CantWrite".
    int fetchDocument(const std::string& address, const std::string& fileName,
                      std::vector<std::string>& messages, std::string& scheme);

    // Loads the address into the file, its HTTP header read off, for a part of the document being
    // imported (its DTD): true when the body came with a success status. The URL that links
    // resolve against stays the document's. With a kept file, the whole answer (header and all)
    // is kept there too, and the next accessWeb of the address takes it instead of fetching
    // again: the import then loads the same DTD as a document of its own.
    bool fetchPart(const std::string& address, const std::string& fileName,
                   const std::string& keptFile = "");
    // Removes the answer kept in the file, when no accessWeb took it.
    void forgetKept(const std::string& keptFile);

    // When the record's file begins with an HTTP status line: reads the header, takes the date
    // and content type from it, and removes it from the file, whose size becomes the length. A
    // status other than success or redirection becomes a message instead, the file unchanged.
    void readHttpHeader(FetchRecord& record);

    // out := the link resolved against the URL fetched last, as a string constant.
    InternalName& normalizeUrl(InternalName& out, const std::string& link);

    // The URL that links resolve against and that a fetch is about to load.
    void setCurrentUrl(const std::string& address) { current = splitUrl(address); }
    const UrlParts& currentUrl() const { return current; }

    // Web-access tracing on the debug channel.
    void setTrace(int on) { trace = on; }
    int tracing() const { return trace; }

    UrlLoader& loader() { return urlLoader; }

  private:
    // Moves a kept answer of the address into the record's file; false when none is kept.
    bool takeKept(const std::string& address, FetchRecord& record);

    OMAccess& access;
    UrlParts current;
    // The kept answers by the address they came from (simplified), and their files.
    std::map<std::string, std::string> kept;
    int trace = 0;
    UrlLoader urlLoader;
};
