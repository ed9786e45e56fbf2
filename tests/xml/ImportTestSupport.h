// Shared helpers of the import tests: a fresh object base behind a plain access layer, a home
// folder of the test's own, a handler that can be fed a written event stream, and sorted dumps.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "NsgmlTestSupport.h"
#include "access/OMAccess.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "shell/ShellDumpFormatters.h"
#include "support/ChannelCapture.h"
#include "support/SortedDump.h"
#include "xml/NsgmlHandler.h"

namespace import_test {

inline std::filesystem::path dataDir() {
    return std::filesystem::path(QUORIN_SOURCE_DIR) / "tests" / "xml" / "data" / "import";
}

using nsgmltest::readFile;
using nsgmltest::writeFile;

// The reports seen so far (name, message and place of each), one line each, without the blank
// lines between them.
inline std::string reports(const ErrorCapture& errors) {
    std::istringstream in(errors.text());
    std::string text;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty()) text += line + "\n";
    }
    return text;
}

// A handler whose parser run can be replaced by a written event stream; it keeps the argument
// vector of the last run.
class TestHandler : public NsgmlHandler {
  public:
    using NsgmlHandler::NsgmlHandler;
    std::string stream;
    bool useStream = false;
    std::vector<std::string> lastArgs;
    // Called after the parser ran, before the stream is read back.
    std::function<void()> afterRun;

  protected:
    int runParser(std::vector<std::string>& args, const std::string& output) override {
        lastArgs = args;
        int status = 0;
        if (useStream) {
            writeFile(output, stream);
        } else {
            status = NsgmlHandler::runParser(args, output);
        }
        if (afterRun) afterRun();
        return status;
    }
};

class ImportTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorin-import-XXXXXX";
        home = mkdtemp(pattern);
        const char* old = std::getenv("HOME");
        oldHome = old != nullptr ? old : "";
        setenv("HOME", home.c_str(), 1);
        Error::setOutputFilter(7);
        omOwner = Ref<MainMemOM>::make();
        om = omOwner.get();
        om->useDumpFormatters(shellDumpFormatters());
        // The names the Web access layer's schema binds.
        om->registerName(builtinSymbol::Url, builtinObject::Url);
        om->registerName(builtinSymbol::Parse0, builtinObject::Parse0);
        om->registerName(builtinSymbol::Dtd, builtinObject::Dtd);
        om->registerName(builtinSymbol::Tag, builtinObject::Tag);
        om->registerName(builtinSymbol::Node, builtinObject::Node);
        om->registerName(builtinSymbol::Attribute, builtinObject::Attribute);
        om->registerName(builtinSymbol::String, builtinObject::String);
        om->registerName(builtinSymbol::Numeric, builtinObject::Numeric);
        om->registerName(builtinSymbol::Literal, builtinObject::Literal);
        om->registerName(builtinSymbol::Object, builtinObject::Object);
        om->registerName(builtinSymbol::Text, builtinObject::Text);
        om->registerName(builtinSymbol::Namespace, builtinObject::Namespace);
        accessOwner = Ref<OMAccess>::make(om);
        access = accessOwner.get();
        handlerOwner = Ref<TestHandler>::make(access);
        handler = handlerOwner.get();
        document = object("doc");
    }
    void TearDown() override {
        handlerOwner.reset();
        accessOwner.reset();
        omOwner.reset();
        handler = nullptr;
        access = nullptr;
        om = nullptr;
        setenv("HOME", oldHome.c_str(), 1);
        std::filesystem::remove_all(home);
    }

    InternalName object(const std::string& name) {
        InternalName out;
        access->getOrCreateName(om->giveSymTab()->GetFSymbol(name, InternalName::Function, 0), out);
        return out;
    }

    void import(const std::string& file, const ParseRequest& request,
                const std::string& path = "/docs/") {
        handler->parseWebdoc(document, file, request, 0, "file:", "", path + file);
    }
    void importData(const std::string& file, const ParseRequest& request) {
        handler->parseWebdoc(document, (dataDir() / file).string(), request, 0, "file:", "",
                             (dataDir() / file).string());
    }
    void importStream(const std::string& stream, const ParseRequest& request) {
        handler->stream = stream;
        handler->useStream = true;
        import("doc.xml", request);
    }

    // The F-Logic dump's non-empty lines, sorted.
    std::string dump() { return sortedDump(*om); }
    // Compares the sorted dump with an expected file; QUORIN_WRITE_EXPECTED=1 writes it instead.
    void expectDump(const std::string& expectedFile) {
        const std::string actual = dump();
        const auto path = dataDir() / expectedFile;
        if (std::getenv("QUORIN_WRITE_EXPECTED") != nullptr) writeFile(path, actual);
        EXPECT_EQ(actual, readFile(path)) << expectedFile;
    }

    static ParseRequest request(int kind, int references = 0, int xml = 0, int ordering = 0) {
        ParseRequest r;
        r.kind = kind;
        r.references = references;
        r.xml = xml;
        r.ordering = ordering;
        return r;
    }

    std::filesystem::path home;
    std::string oldHome;
    ErrorCapture errors{7};
    // The fixture holds the base, the layer and the handler; the tests borrow them through the
    // plain pointers.
    Ref<MainMemOM> omOwner;
    Ref<OMAccess> accessOwner;
    Ref<TestHandler> handlerOwner;
    MainMemOM* om = nullptr;
    OMAccess* access = nullptr;
    TestHandler* handler = nullptr;
    InternalName document;
};

}  // namespace import_test
