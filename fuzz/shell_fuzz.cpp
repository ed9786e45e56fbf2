// libFuzzer target: bytes that choose a sequence of shell commands for one sys interpreter.
#include <cstddef>
#include <cstdint>

#include "ShellFuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    shellfuzz::runShell(data, size, QUORIN_SOURCE_DIR "/config/config.flp");
    return 0;
}
