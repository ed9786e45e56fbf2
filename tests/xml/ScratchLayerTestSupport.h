// What the Web and XML access layers' tests share: a layer that records the loads it starts, and a
// fixture with a layer of the given class over a fresh object base, in a scratch folder that is the
// working and the home folder, with quick fetch limits, and the small readers both kinds of test
// use.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "objectbase/MainMemOM.h"
#include "support/ChannelCapture.h"
#include "xml/ParseRequest.h"
#include "xml/WebTestSupport.h"

// A layer that records every load its triggers ask for; with `loading` off the load itself is
// skipped.
template <class Base>
class RecordingLayer : public Base {
  public:
    using Base::Base;

    struct Load {
        InternalName url;
        ParseRequest request;
        InternalName document;
    };

    int loadDocument(const InternalName& url, const ParseRequest& request,
                     const InternalName& document) override {
        loads.push_back({url, request, document});
        return loading ? Base::loadDocument(url, request, document) : 1;
    }

    std::vector<Load> loads;
    bool loading = true;
};

template <class Layer>
class ScratchLayerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/quorin-layer-XXXXXX";
        scratch = std::filesystem::canonical(mkdtemp(pattern));
        oldDir = std::filesystem::current_path();
        std::filesystem::current_path(scratch);
        const char* home = std::getenv("HOME");
        oldHome = home != nullptr ? home : "";
        setenv("HOME", scratch.c_str(), 1);
        omOwner = Ref<MainMemOM>::make();
        om = omOwner.get();
        accessOwner = Ref<Layer>::adopt(makeAccess(om));
        access = accessOwner.get();
    }
    void TearDown() override {
        accessOwner.reset();
        omOwner.reset();
        access = nullptr;
        om = nullptr;
        std::filesystem::current_path(oldDir);
        setenv("HOME", oldHome.c_str(), 1);
        std::filesystem::remove_all(scratch);
    }

    static Layer* makeAccess(OM* base) {
        auto* layer = new Layer(base);
        layer->webFetcher().loader().setLimits(webtest::quickLimits());
        return layer;
    }

    InternalName object(const std::string& name) {
        InternalName out;
        return access->nameFromString(out, name, InternalName::Function);
    }
    // The string constant with this text.
    InternalName string(const std::string& text) {
        InternalName out;
        return access->nameFromString(out, "\"" + text + "\"", InternalName::String);
    }
    std::string text(const InternalName& name) {
        std::string out;
        access->giveLexicalForm(name, out);
        return out;
    }
    InternalName value(const InternalName& host, const InternalName& method) {
        InternalName out = InternalName::UndefinedObject;
        access->lookupMethodValue(host, method, out);
        return out;
    }
    std::string fileUrl(const std::string& name) { return "file://" + (scratch / name).string(); }

    // The shell method with string arguments (a list even when there are none); its answer.
    FLSysRef call(const std::string& method, const std::vector<std::string>& texts) {
        std::vector<Ref<FLSysString>> strings;
        FLSysArgs args;
        for (const std::string& t : texts) {
            strings.push_back(Ref<FLSysString>::make(t));
            args.append(strings.back().get());
        }
        return access->methodCall(method, &args);
    }

    ErrorCapture errors;
    std::filesystem::path scratch;
    std::filesystem::path oldDir;
    std::string oldHome;
    // The fixture holds the base and the layer; the tests borrow them through the plain pointers.
    Ref<MainMemOM> omOwner;
    Ref<Layer> accessOwner;
    MainMemOM* om = nullptr;
    Layer* access = nullptr;
};
