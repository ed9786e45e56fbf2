// Shared helpers of the Web-access tests: an object base behind an access layer that records
// every fact the Web layer inserts, a fetcher with short limits, and a scratch folder.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"
#include "xml/NsgmlTestSupport.h"
#include "xml/WebFetcher.h"

namespace webtest {

using nsgmltest::readFile;
using nsgmltest::writeFile;

// An access layer that writes every inserted value and class relation as one line of text
// ("host[method@(args) arrow value]", "object : class") before storing it.
class RecordingAccess : public OMAccess {
  public:
    explicit RecordingAccess(OM* om) : OMAccess(om) {}

    int insertValue(const InternalName& host, const InternalName& method, const InternalName* args,
                    int argCount, MethodType type, const InternalName& value) override {
        std::string line = text(host) + "[" + text(method);
        for (int i = 0; i < argCount; ++i) line += (i == 0 ? "@(" : ",") + text(args[i]);
        line += argCount > 0 ? ")" : "";
        line += (type == MethodType::Scalar ? " -> " : " ->> ") + text(value) + "]";
        facts.push_back(line);
        return OMAccess::insertValue(host, method, args, argCount, type, value);
    }
    int insertClassRelation(const InternalName& object, const InternalName& cls,
                            IsaRelation kind) override {
        facts.push_back(text(object) + (kind == IsaRelation::Member ? " : " : " :: ") + text(cls));
        return OMAccess::insertClassRelation(object, cls, kind);
    }

    std::string text(const InternalName& name) { return lexicalForm(name); }

    std::vector<std::string> facts;
};

// Limits short enough that a test of a stalled server ends within seconds.
inline UrlLoaderLimits quickLimits() {
    UrlLoaderLimits limits;
    limits.connectTimeout = std::chrono::milliseconds(3000);
    limits.lowSpeedSeconds = 1;
    limits.transferTimeout = std::chrono::milliseconds(6000);
    limits.maxBytes = 1024 * 1024;
    return limits;
}

// A fresh object base, access layer, fetcher and scratch folder for every test.
class WebTest : public ::testing::Test {
  protected:
    WebTest() {
        char pattern[] = "/tmp/quorin-web-XXXXXX";
        scratch = mkdtemp(pattern);
        omOwner = Ref<MainMemOM>::make();
        om = omOwner.get();
        accessOwner = Ref<RecordingAccess>::make(om);
        access = accessOwner.get();
        fetcher = std::make_unique<WebFetcher>(*access, quickLimits());
    }
    ~WebTest() override {
        fetcher.reset();
        accessOwner.reset();
        omOwner.reset();
        std::filesystem::remove_all(scratch);
    }

    struct Fetched {
        int result = 0;
        FetchRecord record;
        // What the record's file holds after the fetch and the header reading.
        std::string file;
    };

    // Fetches the URL as the document road does: into a fresh temporary file, then reading the
    // header of a non-empty file fetched by a scheme other than "file:".
    Fetched fetch(const std::string& url, const std::string& fileName = "") {
        Fetched fetched;
        fetched.record.fileName =
            fileName.empty() ? (scratch / (".wd_1_" + std::to_string(count++))).string() : fileName;
        const FSymbol symbol =
            access->giveSymTab()->GetFSymbol("\"" + url + "\"", InternalName::String, 0);
        fetched.result = fetcher->accessWeb(symbol, fetched.record);
        if (fetched.result != 0 && fetched.record.length > 0 && fetched.record.scheme != "file:") {
            fetcher->readHttpHeader(fetched.record);
        }
        fetched.file = readFile(fetched.record.fileName);
        return fetched;
    }

    using Messages = std::vector<std::string>;

    ErrorCapture errors;
    std::filesystem::path scratch;
    // The fixture holds the base and the layer; the tests borrow them through the plain pointers.
    Ref<MainMemOM> omOwner;
    Ref<RecordingAccess> accessOwner;
    MainMemOM* om = nullptr;
    RecordingAccess* access = nullptr;
    std::unique_ptr<WebFetcher> fetcher;
    int count = 0;
};

}  // namespace webtest
