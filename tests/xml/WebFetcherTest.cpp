// Fetching documents by URL from a loopback server and from local files: the file, the record's
// length, date, type and messages, the refusals and the limits.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "WebTestSupport.h"
#include "platform/InterruptFlag.h"
#include "support/LoopbackServer.h"

namespace {

using webtest::readFile;
using webtest::writeFile;

const std::string body = "<html><title>Hi</title></html>\n";

std::string page(const std::string& statusLine, const std::string& fields = "") {
    return statusLine + "\r\n" + fields + "Content-Length: " + std::to_string(body.size()) +
           "\r\n\r\n" + body;
}

const std::string dated =
    "Last-Modified: Mon, 01 Jan 2024 10:00:00 GMT\r\nContent-Type: Text/HTML; Charset=UTF-8\r\n";

class WebFetcherTest : public webtest::WebTest {
  protected:
    loopback::Server server;
};

TEST_F(WebFetcherTest, ASuccessfulReplyLeavesTheBodyWithDateTypeAndLength) {
    server.route("/v10/page.html", loopback::canned(page("HTTP/1.0 200 OK", dated)));
    server.route("/v11/page.html", loopback::canned(page("HTTP/1.1 200 OK", dated)));
    for (const char* path : {"/v10/page.html", "/v11/page.html"}) {
        const Fetched fetched = fetch(server.url(path));
        EXPECT_EQ(fetched.result, 1);
        EXPECT_EQ(fetched.record.errors, Messages{}) << path;
        EXPECT_EQ(fetched.file, body) << path;
        EXPECT_EQ(fetched.record.length, static_cast<int>(body.size()));
        EXPECT_EQ(fetched.record.modif, "\"mon, 01 jan 2024 10:00:00 gmt\"");
        EXPECT_EQ(fetched.record.type, "\"text/html; charset=utf-8\"");
        EXPECT_TRUE(fetched.record.fileName.ends_with("_page.html"));
    }
}

TEST_F(WebFetcherTest, AFailureStatusBecomesTheMessageUnderEitherVersion) {
    server.route("/v10", loopback::canned(page("HTTP/1.0 404 Not Found")));
    server.route("/v11", loopback::canned(page("HTTP/1.1 404 Not Found")));
    for (const char* path : {"/v10", "/v11"}) {
        const Fetched fetched = fetch(server.url(path));
        EXPECT_EQ(fetched.record.errors, Messages{"\"404 not found\""}) << path;
        // The header stays; the file goes the error road.
        EXPECT_TRUE(fetched.file.starts_with("HTTP/1.")) << fetched.file;
        EXPECT_EQ(fetched.record.length, static_cast<int>(body.size()));
        EXPECT_EQ(fetched.record.type, "\"unknown\"");
    }
}

TEST_F(WebFetcherTest, LongHeaderLinesAndRedirectsLeaveOnlyTheBody) {
    const std::string longLine = "X-Padding: " + std::string(300, 'p') + "\r\n";
    server.route("/long", loopback::canned(page("HTTP/1.1 200 OK", longLine + dated)));
    server.route("/old", loopback::canned("HTTP/1.1 302 Found\r\nLocation: /new\r\n"
                                          "Content-Type: text/plain\r\nContent-Length: 5\r\n\r\n"
                                          "moved"));
    server.route("/new", loopback::canned(page("HTTP/1.1 200 OK", dated)));
    for (const char* path : {"/long", "/old"}) {
        const Fetched fetched = fetch(server.url(path));
        EXPECT_EQ(fetched.record.errors, Messages{}) << path;
        EXPECT_EQ(fetched.file, body) << path;
        EXPECT_EQ(fetched.record.length, static_cast<int>(body.size()));
        EXPECT_EQ(fetched.record.type, "\"text/html; charset=utf-8\"") << path;
    }
    EXPECT_EQ(server.requests("/old"), 1);
    EXPECT_EQ(server.requests("/new"), 1);
}

TEST_F(WebFetcherTest, TooManyRedirectsAndRedirectsToLocalFilesFail) {
    server.route("/loop", loopback::canned("HTTP/1.1 301 Moved\r\nLocation: /loop\r\n"
                                           "Content-Length: 0\r\n\r\n"));
    const std::string local = (scratch / "secret").string();
    writeFile(local, "secret");
    server.route("/local", loopback::canned("HTTP/1.1 302 Found\r\nLocation: file://" + local +
                                            "\r\nContent-Length: 0\r\n\r\n"));
    // Eleven empty answers in a row carry no bytes: on a loaded machine they can take longer than
    // the quick low-speed limit, which is not what this test is about.
    UrlLoaderLimits limits = webtest::quickLimits();
    limits.lowSpeedSeconds = 60;
    fetcher->loader().setLimits(limits);
    // The errors say what happened.
    EXPECT_EQ(fetch(server.url("/loop")).record.errors,
              (Messages{"\"internal error while accessing\"", "\"too many redirects\""}));
    EXPECT_EQ(fetch(server.url("/local")).record.errors,
              (Messages{"\"internal error while accessing\"",
                        "\"redirected to a scheme that is not fetched\""}));
    EXPECT_EQ(server.requests("/loop"), 11);
}

TEST_F(WebFetcherTest, StalledAndEndlessServersAreAbandoned) {
    // Stalls after the header: the low-speed limit (1 s) ends it.
    server.route("/stall", loopback::stall("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"));
    // Sends without end: the size limit (1 MiB) ends it.
    server.route("/endless", loopback::endless("HTTP/1.1 200 OK\r\n\r\n"));
    const auto start = std::chrono::steady_clock::now();
    const Fetched stalled = fetch(server.url("/stall"));
    EXPECT_EQ(stalled.record.errors, (Messages{"\"internal error while accessing\"",
                                               "\"no data within the time limit\""}));
    const Fetched endless = fetch(server.url("/endless"));
    EXPECT_EQ(endless.record.errors,
              (Messages{"\"internal error while accessing\"",
                        "\"document larger than " +
                            std::to_string(webtest::quickLimits().maxBytes) + " bytes\""}));
    EXPECT_LE(endless.record.length, 1024 * 1024);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

TEST_F(WebFetcherTest, TheWholeTransferTimeAndAnInterruptEndAStalledFetch) {
    server.route("/stall", loopback::stall("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n"));
    UrlLoaderLimits limits = webtest::quickLimits();
    limits.lowSpeedSeconds = 60;
    limits.transferTimeout = std::chrono::milliseconds(1500);
    fetcher->loader().setLimits(limits);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(fetch(server.url("/stall")).record.errors.front(),
              "\"internal error while accessing\"");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    limits.transferTimeout = std::chrono::milliseconds(60'000);
    fetcher->loader().setLimits(limits);
    start = std::chrono::steady_clock::now();
    std::thread interrupter([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        interruptFlag = 1;
    });
    const Fetched interrupted = fetch(server.url("/stall"));
    interrupter.join();
    interruptFlag = 0;
    EXPECT_EQ(interrupted.record.errors.front(), "\"internal error while accessing\"");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

TEST_F(WebFetcherTest, UnreachableServersFailToConnect) {
    const loopback::ClosedPort closed;
    const std::string port = std::to_string(closed.port());
    server.route("/closing", loopback::closeAtOnce());
    // "https:" is fetched like "http:", not refused as a scheme.
    for (const std::string& url :
         {"http://127.0.0.1:" + port + "/x", "https://127.0.0.1:" + port + "/x"}) {
        const Fetched fetched = fetch(url);
        EXPECT_EQ(fetched.result, 1);
        EXPECT_EQ(fetched.record.errors,
                  (Messages{"\"internal error while accessing\"", "\"connection refused\""}))
            << url;
        EXPECT_EQ(fetched.record.length, 0);
    }
    const Fetched closing = fetch(server.url("/closing"));
    EXPECT_EQ(closing.record.errors,
              (Messages{"\"internal error while accessing\"", "\"empty reply from server\""}));
    EXPECT_EQ(closing.record.length, 0);
}

TEST_F(WebFetcherTest, RefusedUrlsAreNeverRequested) {
    const std::string base = server.url("");
    const std::pair<std::string, Messages> cases[] = {
        {base + "/doc.ps", {"\".ps files are not processed\""}},
        {base + "/ARCHIVE.Z", {"\".Z files are not processed\""}},
        {base + "/pack.tar.GZ", {"\".gz files are not processed\""}},
        {base + "/src/x.c", {"\".c files are not processed\""}},
        {"gopher://127.0.0.1/x", {"\"access scheme gopher: is not supported\""}},
        {"page.html",
         {"\"no access scheme e.g. http defined\"", "\"access scheme  is not supported\""}},
        {"http:/x", {"\"no host specified, unable to locate the server\""}},
    };
    for (const auto& [url, messages] : cases) {
        const Fetched fetched = fetch(url);
        Messages expected = messages;
        expected.push_back("\"connect failed\"");  // the file stays empty
        EXPECT_EQ(fetched.result, 1);
        EXPECT_EQ(fetched.record.errors, expected) << url;
        EXPECT_TRUE(std::filesystem::exists(fetched.record.fileName)) << url;
        EXPECT_EQ(fetched.file, "");
    }
    EXPECT_EQ(server.requests(), 0);

    // The two characters of a refused extension earlier in the path do not refuse it.
    server.route("/x.c/y", loopback::canned(page("HTTP/1.1 200 OK")));
    server.route("/a.cgi", loopback::canned(page("HTTP/1.1 200 OK")));
    for (const char* path : {"/x.c/y", "/a.cgi"}) {
        EXPECT_EQ(fetch(server.url(path)).record.errors, Messages{}) << path;
    }
    EXPECT_EQ(server.requests(), 2);
}

TEST_F(WebFetcherTest, AnEmptyUrlOrAMissingFolderIsReported) {
    FetchRecord record;
    record.fileName = (scratch / ".wd_x").string();
    const FSymbol empty = access->giveSymTab()->GetFSymbol("\"\"", InternalName::String, 0);
    EXPECT_EQ(fetcher->accessWeb(empty, record), 0);
    EXPECT_NE(errors.text().find("Unable"), std::string::npos);
    EXPECT_EQ(record.errors, Messages{});
    EXPECT_FALSE(std::filesystem::exists(record.fileName));

    errors.clear();
    server.route("/p.html", loopback::canned(page("HTTP/1.1 200 OK")));
    const Fetched fetched = fetch(server.url("/p.html"), (scratch / "missing" / ".wd").string());
    EXPECT_NE(errors.text().find("CantWrite"), std::string::npos);
    EXPECT_EQ(centralErrorHandler().getError().getMessage(),
              "can't write to file : " + (scratch / "missing" / ".wd_p.html").string());
    EXPECT_EQ(fetched.result, 1);
    EXPECT_EQ(fetched.record.errors,
              (Messages{"\"internal error while accessing\"", "\"connect failed\""}));
    EXPECT_EQ(server.requests(), 0);
}

TEST_F(WebFetcherTest, FileUrlsCopyTheLocalFile) {
    std::filesystem::create_directories(scratch / "sub dir");
    writeFile(scratch / "sub dir" / "doc.xml", "<doc/>\r\n\r\nrest");
    const std::string absolute = (scratch / "sub%20dir" / "doc.xml").string();
    for (const std::string& url :
         {"file://" + absolute, "file://localhost" + absolute, "FILE:" + absolute}) {
        const Fetched fetched = fetch(url);
        EXPECT_EQ(fetched.record.errors, Messages{}) << url;
        EXPECT_EQ(fetched.record.scheme, "file:");
        EXPECT_EQ(fetched.file, "<doc/>\r\n\r\nrest") << url;
        EXPECT_EQ(fetched.record.length, 14);
        EXPECT_TRUE(fetched.record.fileName.ends_with("_doc.xml"));
    }
    // Another host is not fetched.
    const Fetched remote = fetch("file://elsewhere" + absolute);
    EXPECT_EQ(remote.record.errors, Messages{"\"internal error while accessing\""});
}

TEST_F(WebFetcherTest, RelativeAndMissingFileUrls) {
    writeFile(scratch / "rel.xml", "<r/>");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch);
    const Fetched relative = fetch("file:rel.xml");
    const Fetched missing = fetch("file:absent.xml");
    std::filesystem::current_path(previous);
    EXPECT_EQ(relative.record.errors, Messages{});
    EXPECT_EQ(relative.file, "<r/>");
    EXPECT_EQ(missing.record.errors,
              (Messages{"\"internal error while accessing\"", "\"no such file\""}));
    EXPECT_EQ(missing.record.length, 0);
    // An existing empty file is no missing one.
    writeFile(scratch / "empty.xml", "");
    EXPECT_EQ(fetch("file://" + (scratch / "empty.xml").string()).record.errors, Messages{});
}

TEST_F(WebFetcherTest, TheTraceNamesTheAddressAndTheSize) {
    writeFile(scratch / "t.xml", "<t/>\n");
    const std::string url = "file://" + (scratch / "x" / ".." / "t.xml").string();
    const std::string address = "file://" + (scratch / "t.xml").string();
    ChannelCapture debug(debugChannel());
    fetcher->setTrace(1);
    fetch(url);
    EXPECT_EQ(debug.text(),
              "access  : " + address + " ...  done \nprocess : " + address + "  (5 bytes) ... ");
    debug.clear();
    fetcher->setTrace(0);
    fetch(url);
    EXPECT_EQ(debug.text(), "");
}

TEST_F(WebFetcherTest, OnlyAFileThatBeginsWithAStatusLineHasAHeader) {
    // A file fetched by FTP may hold an empty line; nothing before it is a header.
    FetchRecord record;
    record.fileName = (scratch / "plain").string();
    const std::string text = "first line\r\n\r\nsecond part";
    writeFile(record.fileName, text);
    record.length = static_cast<int>(text.size());
    fetcher->readHttpHeader(record);
    EXPECT_EQ(readFile(record.fileName), text);
    EXPECT_EQ(record.length, static_cast<int>(text.size()));
    EXPECT_EQ(record.type, "\"unknown\"");

    // A header without an empty line is all header; a status line of any case counts.
    const std::string header = "Http/1.1 204 No Content\r\ncontent-type: x/y\r\n";
    writeFile(record.fileName, header);
    record.length = static_cast<int>(header.size());
    fetcher->readHttpHeader(record);
    EXPECT_EQ(readFile(record.fileName), "");
    EXPECT_EQ(record.length, 0);
    EXPECT_EQ(record.type, "\"x/y\"");
}

}  // namespace
