// The program's start-up, shell loop and end, with the command-line options and the farewell of
// the control events.
#include "shell/UserInterface.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/ManagedObject.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "foundation/Startup.h"
#include "platform/ControlEvents.h"
#include "platform/RetryingFileBuffer.h"
#include "shell/FLSysInterpreter.h"
#include "shell/FLogicInterpreter.h"
#include "shell/LineInput.h"
#include "shell/ShellText.h"
#include "shell/SystemObjects.h"

namespace userInterface {

FLSysInterpreter* sys = nullptr;
int quitFlag = 0;

namespace {

// The exit status beyond the control events: 1 after a refused command line, with -q after a
// command-line file that could not be consulted, and after output that standard output could not
// take.
int exitStatus = 0;

const char* const forgetIDBLine = "?- sys.forgetIDB[].";

Error optionError(const char* name, const std::string& message) {
    return Error(11, 1, 2, name, message, "main::interpOptions", "");
}

bool isEscape(const FLSysObject* object) {
    return dynamic_cast<const FLSysEsc*>(object) != nullptr;
}

// Runs a line whose result nobody keeps.
void interpreteAndForget(const std::string& line) {
    sys->interprete(line, 1);
}

std::string fromEnvironment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

// The folder of the executable, with its final separator; empty when it cannot be found.
std::string executableFolder() {
    std::vector<char> path(1024);
    ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0) return "";
    std::string full(path.data(), static_cast<std::size_t>(length));
    std::string::size_type slash = full.rfind('/');
    return slash == std::string::npos ? std::string() : full.substr(0, slash + 1);
}

void printBanner() {
    std::cout << "This is Quorin, Version 4.0-win32 <22.09.2006> " << std::endl
              << "Type 'sys.help.' for further information." << std::endl
              << std::endl;
}

// The value of the argument's leading decimal digits; 0 when it has none.
int leadingNumber(const std::string& text) {
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        if (value > 100000000) break;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The configuration's own clauses do not stay in the current program. The placeholder
// interpreter keeps no program worth dropping, and would only report that it is no interpreter.
void clearProgram(FLSysInterpreter& sys) {
    FLogicInterpreter* interpreter = sys.linkedInterpreter();
    if (interpreter != nullptr && dynamic_cast<EmptyFLogicInterp*>(interpreter) == nullptr) {
        interpreter->forgetProgram(nullptr);
    }
}

// After a refused command line: the error, the usage text, and the shell never starts.
void refuseCommandLine(const Error& error, bool quorinNaming) {
    centralErrorHandler().report(error);
    printUsage(quorinNaming);
    quitFlag = -1;
    exitStatus = 1;
}

// The orderly end shared by the normal exit and the farewell of a control event: the channels
// let go of their streams, sys of its variables, the pools of their free blocks.
void releaseEverything() {
    answerChannel().releaseStreams();
    errorChannel().releaseStreams();
    debugChannel().releaseStreams();
    helpChannel().releaseStreams();
    statisticChannel().releaseStreams();
    systemChannel().releaseStreams();
    {
        // sys outlives the values it lets go, whatever their destruction does with it.
        const auto keep = Ref<FLSysInterpreter>::share(sys);
        sys->finish();
    }
    releasePools(1);
}

// The farewell of a control event other than Ctrl-C, on the main thread once the command that
// ran when the event came has stopped. Answers the event code as the exit status.
int farewell(int event) {
    // The event is taken: the interrupt flag it raised stopped the running work, and must not
    // cut short the farewell's own commands.
    controlEvents::clearInterrupt();
    if (event == controlEvents::LogOff || event == controlEvents::Shutdown) {
        std::cout << "\b\b\bUser log-of from OS detected...\n   ";
    }
    std::cout << "\b\b\bLeaving Quorin...   " << std::flush;
    if (sys != nullptr) {
        interpreteAndForget(forgetIDBLine);
        releaseEverything();
    }
    std::cout << "Bye" << std::endl;
    return event;
}

void shellLoop() {
    FLSysRef result;
    while (sys->isOk()) {
        if (isEndEscape(result.get()) || quitFlag != 0 || controlEvents::farewellPending()) break;
        releasePools(0);
        std::string line = sys->readCommandLine();
        result.reset();
        // A write that failed before (the reader of a pipe went away for a while) does not
        // silence the answers of the next command; the run has failed all the same.
        if (std::cout.bad()) exitStatus = 1;
        std::cout.clear();
        FLSysInterpreter::acceptNextCommand();
        if (!line.empty()) result = sys->interprete(line, 1);
        // The command that stood for the end of the input did not end the loop (sys itself may
        // be out of reach): the end of the input ends it all the same.
        if (sys->inputEnded() && line == endOfInputCommand && !isEndEscape(result.get())) break;
    }
}

}  // namespace

bool isEndEscape(const FLSysObject* object) {
    return isEscape(object) && object->name() == "end";
}

void printUsage(bool quorinNaming) {
    OutputChannel& help = helpChannel();
    help << std::endl
         << (quorinNaming ? "Quorin" : "Kavum") << " Options: " << std::endl
         << " -h                : display all options" << std::endl
         << " -c <fileName>     : use non-default configuration file" << std::endl
         << " -his <fileName>   : use non-default history file" << std::endl
         << " -d                : start in trace mode" << std::endl
         << " -e <Integer>      : set output level for errors" << std::endl
         << " <list<fileName>>  : start and consult files"
         << "(separated by blank)" << std::endl
         << " -q                : quit after executing command line" << std::endl
         << "                     (no interactive mode)" << std::endl
         << " -v                : prints version number" << std::endl
         << " -kavum            : Start in Kavum mode" << std::endl;
}

void loadHistoryFile(const std::string& path) {
    if (std::ifstream(path)) {
        quorin::lineio::history_load(path);
        return;
    }
    centralErrorHandler().report(Error(1, 1, 2, "NoHistory", "Can't open history-File !",
                                       "Can't find file default.his", ""));
}

void loadDefaultConfiguration(bool cfgGiven, bool hisGiven, bool quorinNaming, bool kavum,
                              FLSysInterpreter& sys) {
    std::string historyPath;
    std::string configurationPath;
    if (quorinNaming) {
        historyPath = fromEnvironment("QUORINHIS");
        if (historyPath.empty()) historyPath = fromEnvironment("DEFAULTHIS");
        configurationPath = fromEnvironment("QUORINCFG");
        if (configurationPath.empty()) configurationPath = fromEnvironment("DEFAULTCFG");
    }
    if (kavum) {
        historyPath = fromEnvironment("KAVUMHIS");
        configurationPath = fromEnvironment("KAVUMCFG");
    }
    FLSysRef result;
    if (!cfgGiven) {
        // The XML layer's schema facts would change F-Logic answers, so the Kavum mode has a
        // default configuration of its own.
        if (configurationPath.empty()) {
            configurationPath = programDirectory() + (kavum ? "kavum.flp" : "config.flp");
        }
        // The configuration assigns sys's variables, which only F-Logic can write: the Pevo
        // dialect begins after it, as after "-c".
        result = sys.interprete(configurationPath, 0);
    }
    if (kavum) sys.setDialect("Kavum");
    if (!hisGiven) {
        loadHistoryFile(historyPath.empty() ? programDirectory() + "default.his" : historyPath);
    }
    if (isEndEscape(result.get())) quitFlag = -1;
}

void interpOptions(int argc, char** argv, FLSysInterpreter& sys) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const std::size_t count = args.size();
    for (const std::string& arg : args) {
        if (arg.empty() || arg[0] != '-') continue;
        if (arg == "-d" || arg == "-e" || arg == "-c" || arg == "-his" || arg == "-h" ||
            arg == "-kavum" || arg == "-q" || arg == "-v") {
            continue;
        }
        refuseCommandLine(optionError("BadOptions", " Illegal option : " + arg), true);
        return;
    }

    bool cfgGiven = false;
    bool hisGiven = false;
    bool kavum = false;
    bool quorinNaming = true;
    bool quitGiven = false;
    bool refused = false;
    FLSysRef lastResult;
    // The word after an option that needs one; false (after the refusal) when there is none.
    auto takeArgument = [&](std::size_t i, const char* name, const char* message) {
        if (i + 1 >= count || (!args[i + 1].empty() && args[i + 1][0] == '-')) {
            refuseCommandLine(optionError(name, message), quorinNaming);
            refused = true;
            return false;
        }
        return true;
    };

    for (int pass = 1; pass <= 5; ++pass) {
        for (std::size_t i = 0; i < count; ++i) {
            std::string& arg = args[i];
            if (arg == "-q" || arg == "-v") {
                if (arg == "-q") quitGiven = true;
                arg.clear();
                quitFlag = -1;
            } else if (arg == "-d") {
                lastResult = sys.methodCall("debugOn", nullptr);
                arg.clear();
            } else if (pass == 1 && arg == "-kavum") {
                arg.clear();
                kavum = true;
                quorinNaming = false;
            } else if (pass == 2 && arg == "-e") {
                if (!takeArgument(i, "IntegerMissing", " -e : integer argument required")) break;
                centralErrorHandler().setOutputSeriousness(leadingNumber(args[i + 1]));
                arg.clear();
                args[i + 1].clear();
            } else if (pass == 2 && arg == "-c") {
                if (!takeArgument(i, "FileMissing", " -c : filename argument required")) break;
                lastResult = sys.interprete(args[i + 1], 0);
                clearProgram(sys);
                arg.clear();
                args[i + 1].clear();
                cfgGiven = true;
            } else if (pass == 2 && arg == "-his") {
                if (!takeArgument(i, "FileMissing", " -his : filename argument required")) break;
                loadHistoryFile(args[i + 1]);
                arg.clear();
                args[i + 1].clear();
                hisGiven = true;
            } else if (pass == 3 && arg == "-h") {
                printUsage(quorinNaming);
                arg.clear();
                quitFlag = -1;
            } else if (pass == 5 && !arg.empty()) {
                lastResult = sys.interprete(arg, 0);
                arg.clear();
                if (!lastResult) {
                    if (quitGiven) exitStatus = 1;
                    break;
                }
            }
            if (pass == 3 && i + 1 == count) {
                loadDefaultConfiguration(cfgGiven, hisGiven, quorinNaming, kavum, sys);
            }
            if (pass == 4 && i + 1 == count && kavum) {
                sys.setDialect("Kavum");
                std::cout << "in Kavum configuration\n";
            }
        }
        if (refused) return;
        if (isEndEscape(lastResult.get())) {
            quitFlag = -1;
            return;
        }
    }
}

int run(int argc, char** argv, const Session& handedIn) {
    startupGlobals();
    quorin::lineio::set_completion_hook({});
    if (!controlEvents::install()) std::cout << "Unable to install event handler!" << std::endl;
    // The handlers do not restart cut system calls (the line input must see the events), so the
    // answers go through a buffer that writes again what a signal cut: Ctrl-C while the output
    // waits on a full pipe then loses nothing. Never freed: the stream flushes it at exit.
    static auto* answerBuffer = new RetryingFileBuffer(STDOUT_FILENO);
    std::cout.flush();
    std::cout.rdbuf(answerBuffer);
    quorin::lineio::set_farewell_check(&controlEvents::farewellPending);
    programDirectory() = executableFolder();
    printBanner();
    Error::setOutputFilter(2);
    centralErrorHandler().setOutputSeriousness(4);
    sys = new FLSysInterpreter;
    sys->useClauseRewriters(handedIn.clauseRewriters);
    registerSystemObjects(*sys, handedIn);
    releasePools(0);
    if (argc <= 1) {
        loadDefaultConfiguration(false, false, true, false, *sys);
    } else {
        interpOptions(argc, argv, *sys);
    }

    shellLoop();
    if (controlEvents::farewellPending()) return farewell(controlEvents::takeFarewell());

    if (quitFlag == 0) interpreteAndForget(forgetIDBLine);
    // Output lost on the way (standard output on a full disk) fails the run, reported while the
    // error channel still has its stream.
    if (!standardOutputWritten()) exitStatus = 1;
    releaseEverything();
    std::cout << "Bye" << std::endl;
    if (std::cout.bad()) exitStatus = 1;
    return exitStatus;
}

}  // namespace userInterface
