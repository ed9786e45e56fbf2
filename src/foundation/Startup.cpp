// The start-up routine that builds the program-wide globals in order.
#include "foundation/Startup.h"

// The container library's start-up object comes with this header, so the memory manager exists
// (and the floating-point precision is set) before any global below, and is torn down after all
// of them.
#include "foundation/ClibStartup.h"
#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ParseTreeClassNames.h"
#include "foundation/ShellValues.h"
#include "foundation/StatisticHandler.h"
#include "foundation/Timer.h"

void startupGlobals() {
    // The catalogue constants are namespace-scope globals, built before main; the OK error is
    // made first of the rest, since the central handler copies it.
    Error::ok();
    centralErrorHandler();
    trueConstant();
    falseConstant();
    centralStatistic();
    centralTimer();
    answerChannel();
    errorChannel();
    debugChannel();
    helpChannel();
    statisticChannel();
    systemChannel();
    for (int kind = 0; kind < static_cast<int>(ParseTreeClass::Count); ++kind) {
        parseTreeClassName(static_cast<ParseTreeClass>(kind));
    }
    programDirectory();
}

std::string& programDirectory() {
    static std::string directory;
    return directory;
}
