// Shared helpers of the export tests: an object base with the shell's formatters behind an
// access layer with the shell's export handlers.
#pragma once

#include <string>

#include "access/ExportHandler.h"
#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "shell/DumpTestSupport.h"
#include "shell/ShellExportHandlers.h"

namespace export_test {

class ExportTest : public dump_test::DumpTest {
  protected:
    void SetUp() override {
        DumpTest::SetUp();
        accessOwner = Ref<OMAccess>::make(om);
        access = accessOwner.get();
        access->useExportHandlers(shellExportHandlers());
    }
    void TearDown() override {
        accessOwner.reset();
        DumpTest::TearDown();
    }

    // What one handler writes for a request of the format (to the screen unless a file is set).
    template <class Handler>
    std::string exportWith(int format, const std::string& docType = "",
                           const std::string& fileName = "") {
        ExportRequest request;
        request.format = format;
        request.docType = docType;
        request.fileName = fileName;
        auto handler = Ref<Handler>::make(access);
        std::string text = debugOf([&] { handler->exportOM(request); });
        handler.reset();
        return text;
    }
    std::string exported(int format, const std::string& docType = "") {
        return debugOf([&] { access->exportBase(format, "", docType, "", ""); });
    }

    // The fixture holds the layer; the tests borrow it through the plain pointer.
    Ref<OMAccess> accessOwner;
    OMAccess* access = nullptr;
};

}  // namespace export_test
