// libFuzzer target: arbitrary bytes as DTD text through the DTD parser object.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <string>

#include "../tests/xml/DTDPoolCount.h"
#include "foundation/Startup.h"
#include "xml/DTDParser.h"

namespace {

// Takes the characters the scanner copies to standard output and keeps none.
class Discard : public std::streambuf {
  protected:
    int overflow(int character) override { return traits_type::not_eof(character); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Discard discard;
    static bool ready = [] {
        startupGlobals();
        std::cout.rdbuf(&discard);
        return true;
    }();
    (void)ready;
    // The pools keep released objects' blocks reachable, out of the leak checker's sight.
    dtdtest::PoolCount pools;
    auto* parser = new DTDParser();
    parser->openString(std::string(reinterpret_cast<const char*>(data), size));
    int ok = 0;
    InternalDTD* dtd = parser->parse(&ok);
    if (dtd != nullptr) decRef(dtd);
    decRef(parser);
    if (!pools.inUse().empty()) {
        std::cerr << "model objects never released: " << pools.inUse() << "\n";
        std::abort();
    }
    return 0;
}
