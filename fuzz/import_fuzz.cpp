// libFuzzer target: a byte of request flags and an event stream, through the import's tree
// building and mappings into a fresh object base. The parser application is not in this build
// (clang rejects the SP library's headers), so the stream stands for what it writes and
// reaches lines it never would.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "ImportFuzzInput.h"
#include "foundation/ErrorHandler.h"
#include "foundation/Startup.h"
#include "xml/NsgmlWrapper.h"

// The handler owns a wrapper; no run reaches it here.
NsgmlWrapper::NsgmlWrapper() = default;
NsgmlWrapper::~NsgmlWrapper() = default;
void NsgmlWrapper::setOutputFile(const char* name) {
    outputFile = name;
}
int NsgmlWrapper::run(int, char**) {
    return 1;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static bool ready = [] {
        startupGlobals();
        centralErrorHandler().setOutputSeriousness(0);
        char pattern[] = "/tmp/quorin-import-fuzz-XXXXXX";
        const char* home = mkdtemp(pattern);
        setenv("HOME", home != nullptr ? home : "/tmp", 1);
        return true;
    }();
    (void)ready;
    importfuzz::importStream(data, size);
    return 0;
}
