// libFuzzer target: the document import. An input whose first byte is 0xFF is the seed of a
// generated document (names and texts beyond U+FFFF, every encoding form, maybe content after
// its root), parsed by the parser application and checked against what it holds; any other is a
// byte of request flags and an event stream that stands for what the parser writes, and reaches
// lines it never would.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "ImportFuzzInput.h"
#include "foundation/ErrorHandler.h"
#include "foundation/Startup.h"
#include "platform/ConfinedChild.h"
#include "xml/NsgmlWrapper.h"

// A document that may declare entities is parsed in a child: the program itself, started in
// the parser's role, which it takes before libFuzzer reads its arguments.
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    if (isConfinedChildCall(*argc, *argv))
        runConfinedChild(*argc, *argv, {NsgmlWrapper::parserRole()});
    return 0;
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
    importfuzz::importInput(data, size);
    return 0;
}
