// libFuzzer target: arbitrary bytes as F-Logic text through the parser front end.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ParseAllClauses.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    parseAllClauses(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
