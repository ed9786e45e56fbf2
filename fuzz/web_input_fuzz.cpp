// libFuzzer target: arbitrary bytes as a fetched page, read by the HTML extraction and by the
// HTTP header reading, both of which take whatever a server sends.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "access/OMAccess.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/Startup.h"
#include "objectbase/MainMemOM.h"
#include "xml/HtmlExtractor.h"
#include "xml/WebFetcher.h"

namespace {

// One scratch file for the process, named after it so parallel runs do not meet.
const std::string& scratchFile() {
    static const std::string name = "/tmp/quorin-web-fuzz-" + std::to_string(getpid());
    return name;
}

void writeScratch(const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(scratchFile().c_str(), "wb");
    if (file == nullptr) return;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    startupGlobals();
    auto* om = new MainMemOM();
    auto* access = new OMAccess(om);
    {
        WebFetcher fetcher(*access);
        fetcher.setCurrentUrl("http://www.example.org/a/b/index.html");
        InternalName name;
        HtmlSchema schema;
        schema.title = access->nameFromString(name, "title", InternalName::Function);
        schema.address = access->nameFromString(name, "address", InternalName::Function);
        schema.hrefs = access->nameFromString(name, "hrefs", InternalName::Function);
        schema.url = access->nameFromString(name, "url", InternalName::Function);
        const InternalName document = access->nameFromString(name, "d", InternalName::Function);

        writeScratch(data, size);
        HtmlExtractor(*access, fetcher, schema).extractHtml(document, scratchFile());
        FetchRecord record;
        record.fileName = scratchFile();
        record.length = static_cast<std::int32_t>(size);
        fetcher.readHttpHeader(record);
    }
    decRef(access);
    decRef(om);
    std::remove(scratchFile().c_str());
    return 0;
}
