// libFuzzer target: the document import. An input whose first byte is 0xFF is the seed of a
// generated document (names and texts beyond U+FFFF, every encoding form, maybe content after
// its root), parsed by the parser application and checked against what it holds; any other is a
// byte of request flags and an event stream that stands for what the parser writes, and reaches
// lines it never would.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "ImportFuzzInput.h"
#include "foundation/ErrorHandler.h"
#include "foundation/Startup.h"
#include "platform/ConfinedChild.h"
#include "xml/LeftoverFiles.h"
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
        // The import's temporary files are removed when a signal ends the process, SIGALRM among
        // them; libFuzzer's alarm is its timer and ends nothing, so it keeps its own handler
        // (taking ours, it removed the files of the import under way).
        struct sigaction timer {};
        sigaction(SIGALRM, nullptr, &timer);
        const std::string probe = std::string(home != nullptr ? home : "/tmp") + "/probe";
        leftoverFiles::remember(probe);
        leftoverFiles::forget(probe);
        sigaction(SIGALRM, &timer, nullptr);
        return true;
    }();
    (void)ready;
    importfuzz::importInput(data, size);
    return 0;
}
