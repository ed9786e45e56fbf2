// libFuzzer target: arbitrary bytes as Pevo text through the parser front end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ParseAllClauses.h"
#include "language/PevoParser.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    parseAllClauses<PevoParser>(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
