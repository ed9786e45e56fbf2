// One fuzz input of the shell: bytes that choose a sequence of shell commands (every system and
// class object, the methods of the help tables, arguments of every kind and count, assignments,
// blocks, switch to pipelines built from the class objects, objects used after the variables of
// their arguments are removed, remove, nested shells, facts, rules and queries, saves and exports
// into files that cannot be written), run by one sys interpreter as the shell loop runs typed
// lines, then the program's exit sequence. Files of the user whose names have the shape of a
// save's temporary files lie beside the files the commands write; a run that changes or removes
// one of them aborts. An input whose first byte ends in four set bits sends
// the lines through a pipe on standard input to the plain line reader, with Ctrl-C signals in the
// middle of lines. Shared by the fuzz target and the test that replays the folder of inputs that
// once failed.
#pragma once

#include <fcntl.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "foundation/ErrorHandler.h"
#include "foundation/ManagedObject.h"
#include "foundation/OutputChannel.h"
#include "foundation/Startup.h"
#include "platform/ControlEvents.h"
#include "shell/FLSysInterpreter.h"
#include "shell/LineInput.h"
#include "shell/PrettyPrinter.h"
#include "shell/ShellDumpFormatters.h"
#include "shell/ShellExportHandlers.h"
#include "shell/ShellText.h"
#include "shell/SystemObjects.h"

namespace shellfuzz {

// The choices an input makes, one byte each; zeros once the bytes are used up.
class Choices {
  public:
    Choices(const std::uint8_t* data, std::size_t size) : data(data), size(size) {}
    bool more() const { return position < size; }
    int pick(int count) { return count <= 0 ? 0 : next() % count; }
    template <std::size_t N>
    const char* oneOf(const char* const (&words)[N]) {
        return words[pick(static_cast<int>(N))];
    }

  private:
    int next() { return position < size ? data[position++] : 0; }
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position = 0;
};

// The variables a run can name: those start-up and the configuration make, and a few of its own.
inline const char* const objects[] = {"sys",
                                      "om",
                                      "theOMAccess",
                                      "creator",
                                      "algebra",
                                      "prn",
                                      "translator",
                                      "matcher",
                                      "evaluator",
                                      "analyser",
                                      "interp",
                                      "cout",
                                      "cerr",
                                      "devnul",
                                      "answerChannel",
                                      "errorChannel",
                                      "debugChannel",
                                      "helpChannel",
                                      "statisticChannel",
                                      "systemChannel",
                                      "centralErrorHandler",
                                      "centralTimer",
                                      "centralStatistic",
                                      "classTranslator",
                                      "classOM",
                                      "classWebOMAccess",
                                      "classXMLOMAccess",
                                      "classDOMOMAccess",
                                      "classOMAccess",
                                      "classCreator1",
                                      "classXMLCreator1",
                                      "classAlgebraicEval",
                                      "classBlock",
                                      "classMatcher",
                                      "classPrettyPrinter",
                                      "classNaiveEval",
                                      "classFLogicInterpreter",
                                      "classSemanticAnalyser",
                                      "classTimer",
                                      "classStatisticHandler",
                                      "classNaiveEvalWithInherit",
                                      "classPrSemiNaive",
                                      "classNormalizer",
                                      "classOptimizer",
                                      "v0",
                                      "v1",
                                      "v2",
                                      "v3",
                                      "b0",
                                      "b1",
                                      "x"};

// The methods of every help table, and the sys commands.
inline const char* const methods[] = {"help",
                                      "isOk",
                                      "isA",
                                      "print",
                                      "display",
                                      "new",
                                      "end",
                                      "return",
                                      "eval",
                                      "tp",
                                      "showProgram",
                                      "forgetProgram",
                                      "garbageCollection",
                                      "forgetIDB",
                                      "switch",
                                      "debugOn",
                                      "debugOff",
                                      "interpreteLine",
                                      "interpreteFile",
                                      "consult",
                                      "open",
                                      "remove",
                                      "shell",
                                      "echo",
                                      "load",
                                      "giveSymTab",
                                      "typeCheck",
                                      "showFrame",
                                      "dump",
                                      "saveAs",
                                      "eqTraceOn",
                                      "eqTraceOff",
                                      "setAccess",
                                      "clear",
                                      "export",
                                      "doIt",
                                      "mode",
                                      "style",
                                      "limit",
                                      "nolimit",
                                      "annotatedLiterals",
                                      "evaluate",
                                      "analyse",
                                      "getProgram",
                                      "giveProgram",
                                      "atomize",
                                      "asFacts",
                                      "lastQuery",
                                      "save",
                                      "setStream",
                                      "resetStream",
                                      "reset",
                                      "setOutputSeriousness",
                                      "setOutputFilter",
                                      "nothing",
                                      "all",
                                      "default",
                                      "messages",
                                      "warnings",
                                      "errors",
                                      "date",
                                      "dayTime",
                                      "start",
                                      "stop",
                                      "cont",
                                      "diffReal",
                                      "diffUser",
                                      "memory",
                                      "show",
                                      "insert",
                                      "setTransparentLinks",
                                      "x",
                                      "v0",
                                      "b0"};

// String arguments: words the methods know, and the only file names a run may touch (all in
// the scratch folder it runs in).
inline const char* const strings[] = {
    "\"seminaive\"", "\"naive\"", "\"flogic\"", "\"xml\"", "\"debug\"", "\"true\"", "\"p\"",
    "\"all\"", "\"program\"", "\"insert\"", "\"html\"", "\"answers\"", "\"\"", "\"v0\"", "\"b0\"",
    "\"sys\"", "\"interp\"", "\"om\"", "\"self.flp\"", "\"facts.flp\"", "\"commands.flp\"",
    "\"out.txt\"", "\"missing.flp\"", "\"?- sys.echo@(x)[].\"",
    // Files that cannot be written: a full device, a folder, a
    // file in a missing folder.
    "\"/dev/full\"", "\".\"", "\"missing/out.txt\""};

// Files of the user beside the files a run writes, named as temporary files of a save are (by
// older writers, or with the mark of today's but a check that does not hold): no save, dump,
// export or answer file may touch them.
struct UserFile {
    const char* name;
    const char* text;
};
inline const UserFile userFiles[] = {
    {".out.txt.AbC123", "the user's copy\n"},
    {".out.txt.v2copy", "another copy of the user\n"},
    {".out.txt.quorin-save.AbCdEfGh0000", "the user's, named like a save's\n"},
    {"..quorinoutput.html.backup", "<HTML> the user's </HTML>\n"},
    {".facts.flp.Held42", "p(kept).\n"}};

// The variables that objects built from removed arguments go into.
inline const char* const builtObjects[] = {"v0", "v1", "v2", "v3", "x"};

inline const char* const integers[] = {"0", "1", "2", "7", "-1", "100", "-"};

// Whole clauses of F-Logic (finite models only: no arithmetic).
inline const char* const clauses[] = {"p(a).",
                                      "p(b).",
                                      "q(X) :- p(X).",
                                      "r(X, Y) :- p(X), q(Y).",
                                      "t(X, Y) :- r(X, Y).",
                                      "t(X, Z) :- t(X, Y), r(Y, Z).",
                                      "john[age -> 30].",
                                      "john : person.",
                                      "person :: thing.",
                                      "X[kind -> thing] :- X : person.",
                                      "s(X) :- p(X), not q(X)."};
inline const char* const queries[] = {"p(X).",      "q(X).", "t(X, Y).", "X[age -> A].",
                                      "X : thing.", "s(X).", "p(c)."};

class Generator {
  public:
    explicit Generator(Choices& choices) : c(choices) {}

    // The typed lines of one run.
    std::deque<std::string> lines() {
        std::deque<std::string> out;
        for (int n = 0; n < 40 && c.more(); ++n) out.push_back(command());
        return out;
    }

  private:
    std::string command() {
        switch (c.pick(18)) {
            case 0:
            case 1:
            case 2:
                return path(3) + ".";
            case 3:
                return path(3) + "[].";
            case 4:
                return std::string("sys[") + c.oneOf(objects) + " -> " + value(2) + "].";
            case 5:
                return std::string("sys[") + c.oneOf(objects) + " ->> {" + path(2) + ", " +
                       path(2) + "}].";
            case 6:
                return "sys.switch@(sys." + std::string(c.oneOf(objects)) + ", sys." +
                       c.oneOf(objects) + ".giveSymTab)[].";
            case 7:
                return pipeline();
            case 8:
                return std::string("sys.remove@(") + c.oneOf(strings) + ").";
            case 9:
                return std::string("sys.interpreteLine@(\"") + c.oneOf(clauses) + " " +
                       c.oneOf(clauses) + "\").";
            case 10:
                return c.oneOf(queries);
            case 11:
                return c.pick(3) == 0 ? "sys.shell." : "sys.eval.";
            case 12:
                return c.pick(4) == 0 ? "sys.end." : "sys.return.";
            case 13:
                return std::string("sys.") + c.oneOf(objects) + ".doIt.";
            case 14:
                return "sys[" + std::string(c.oneOf(objects)) + " -> sys.switch@(" + value(1) +
                       ", " + value(1) + ")].";
            case 15:
            case 16:
                return orphanedConstruction();
            default:
                // A line that is no command at all.
                return c.pick(2) == 0 ? "sys.." : "sys[x -> ].";
        }
    }

    // A second evaluation pipeline, built as the configuration builds the first, and linked.
    std::string pipeline() {
        const char* evaluator = c.pick(3) == 0   ? "classNaiveEval"
                                : c.pick(2) == 0 ? "classPrSemiNaive"
                                                 : "classNaiveEvalWithInherit";
        return std::string(
                   "sys[v0 -> sys.classOM.new]. ?- sys[v1 -> sys.classOMAccess.new@(sys.v0)]. ") +
               "?- sys[v2 -> sys.classMatcher.new@(sys.classTranslator.new, " +
               "sys.classCreator1.new@(sys.v1), sys.classAlgebraicEval.new@(sys.v1))]. " +
               "?- sys[v3 -> sys.classFLogicInterpreter.new@(sys." + evaluator +
               ".new@(sys.v2, sys.v1), sys.classPrettyPrinter.new@(sys.v1), " +
               "sys.classSemanticAnalyser.new)]. ?- sys.switch@(sys.v3, sys.v0.giveSymTab)[].";
    }

    // An object built by a class object from arguments that only the run's own variables hold,
    // those variables removed at once, and then the object used: what it keeps of its arguments
    // must live on with it.
    std::string orphanedConstruction() {
        std::string text;
        std::vector<std::string> held;
        const char* target = c.oneOf(builtObjects);
        text += "?- sys[" + std::string(target) + " -> " + built(c.pick(kindCount), 2, text, held) +
                "]. ";
        for (const std::string& name : held) text += "?- sys.remove@(\"" + name + "\"). ";
        for (int n = 1 + c.pick(3); n > 0; --n) {
            switch (c.pick(4)) {
                case 0:
                    text +=
                        "?- sys.switch@(sys." + std::string(target) + ", sys.om.giveSymTab)[]. ";
                    text += std::string("?- ") + c.oneOf(queries) + " ";
                    break;
                case 1:
                    text += std::string("?- sys.") + target + ".doIt[]. ";
                    break;
                default:
                    text += std::string("?- sys.") + target + "." + c.oneOf(methods);
                    if (c.pick(3) == 0) text += "@(" + arguments() + ")";
                    text += "[]. ";
            }
        }
        return text;
    }

    // The kinds of object the class objects build, each with the kinds of its arguments.
    enum Kind {
        OMKind,
        AccessKind,
        TranslatorKind,
        CreatorKind,
        AlgebraKind,
        OptimizerKind,
        MatcherKind,
        EvaluatorKind,
        PrinterKind,
        AnalyserKind,
        InterpreterKind,
        NormalizerKind,
        BlockKind,
        kindCount
    };

    // A fresh object of the kind for an argument: its text, built into a variable of the run
    // that `held` lists, or (at depth 0, or now and then) one the configuration made.
    std::string argument(int kind, int depth, std::string& text, std::vector<std::string>& held) {
        static const char* const configured[kindCount] = {
            "om",        "theOMAccess", "translator", "creator", "algebra", nullptr, "matcher",
            "evaluator", "prn",         "analyser",   "interp",  nullptr,   nullptr};
        if (configured[kind] != nullptr && (depth <= 0 || c.pick(4) == 0))
            return std::string("sys.") + configured[kind];
        const std::string name = "w" + std::to_string(held.size());
        held.push_back(name);
        text += "?- sys[" + name + " -> " + built(kind, depth - 1, text, held) + "]. ";
        return "sys." + name;
    }

    // The class object's "new" call that builds an object of the kind.
    std::string built(int kind, int depth, std::string& text, std::vector<std::string>& held) {
        auto arg = [&](int argumentKind) { return argument(argumentKind, depth, text, held); };
        switch (kind) {
            case OMKind:
                return "sys.classOM.new";
            case AccessKind: {
                static const char* const classes[] = {"classOMAccess", "classWebOMAccess",
                                                      "classXMLOMAccess", "classDOMOMAccess"};
                const char* cls = c.oneOf(classes);
                return std::string("sys.") + cls + ".new@(" + arg(OMKind) + ")";
            }
            case TranslatorKind:
                return "sys.classTranslator.new";
            case CreatorKind: {
                const char* cls = c.pick(2) == 0 ? "classCreator1" : "classXMLCreator1";
                return std::string("sys.") + cls + ".new@(" + arg(AccessKind) + ")";
            }
            case AlgebraKind:
                return "sys.classAlgebraicEval.new@(" + arg(AccessKind) + ")";
            case OptimizerKind:
                return "sys.classOptimizer.new";
            case MatcherKind: {
                std::string call = "sys.classMatcher.new@(" + arg(TranslatorKind) + ", ";
                call += arg(CreatorKind) + ", ";
                call += arg(AlgebraKind);
                if (c.pick(2) == 0) call += ", " + arg(OptimizerKind);
                return call + ")";
            }
            case EvaluatorKind: {
                static const char* const classes[] = {"classNaiveEval", "classPrSemiNaive",
                                                      "classNaiveEvalWithInherit"};
                std::string call = std::string("sys.") + c.oneOf(classes) + ".new@(";
                call += arg(MatcherKind) + ", ";
                return call + arg(AccessKind) + ")";
            }
            case PrinterKind:
                return "sys.classPrettyPrinter.new@(" + arg(AccessKind) + ")";
            case AnalyserKind:
                return "sys.classSemanticAnalyser.new";
            case InterpreterKind: {
                std::string call = "sys.classFLogicInterpreter.new@(" + arg(EvaluatorKind) + ", ";
                call += arg(PrinterKind) + ", ";
                return call + arg(AnalyserKind) + ")";
            }
            case NormalizerKind:
                return "sys.classNormalizer.new@(" + arg(InterpreterKind) + ")";
            default:
                return std::string("sys.classBlock.new@(sys, ") + c.oneOf(strings) + ")";
        }
    }

    // sys, an object, then up to `steps` method steps.
    std::string path(int steps) {
        std::string text = "sys";
        if (c.pick(4) != 0) text += std::string(".") + c.oneOf(objects);
        for (int n = c.pick(steps + 1); n > 0; --n) {
            text += std::string(".") + c.oneOf(methods);
            if (c.pick(3) == 0) text += "@(" + arguments() + ")";
        }
        return text;
    }

    std::string arguments() {
        std::string text;
        for (int n = c.pick(4); n >= 0; --n) {
            if (!text.empty()) text += ", ";
            text += value(depth > 0 ? 0 : 1);
        }
        return text;
    }

    std::string value(int nesting) {
        switch (c.pick(nesting > 0 ? 5 : 4)) {
            case 0:
                return c.oneOf(strings);
            case 1:
                return c.oneOf(integers);
            case 2:
                return c.oneOf(methods);
            case 3:
                return std::string("sys.") + c.oneOf(objects);
            default: {
                ++depth;
                std::string text = path(2);
                --depth;
                return text;
            }
        }
    }

    Choices& c;
    int depth = 0;
};

// The typed lines a run reads, through the shell's line source.
inline std::deque<std::string>& pendingLines() {
    static std::deque<std::string> lines;
    return lines;
}

inline bool nextLine(const std::string& prompt, std::string& line) {
    if (pendingLines().empty()) return false;
    line = pendingLines().front();
    if (std::getenv("QUORIN_SHELL_FUZZ_SHOW") != nullptr) std::cout << prompt << line << std::endl;
    pendingLines().pop_front();
    return true;
}

// Standard input made a pipe that holds the lines of a run, for the plain line reader; every
// `stride`-th character read, a Ctrl-C signal comes, so that some come in the middle of a line.
// Afterwards standard input, its buffer and the signal handlers are as they were.
class PipedInput {
  public:
    PipedInput(const std::deque<std::string>& lines, int stride) {
        std::string text;
        for (const std::string& line : lines) text += line + "\n";
        int ends[2];
        if (pipe(ends) != 0) return;
        // Large enough for every line, so that one thread can write them all before reading.
        (void)fcntl(ends[1], F_SETPIPE_SZ, 1 << 20);
        const ssize_t written = write(ends[1], text.data(), text.size());
        (void)written;
        close(ends[1]);
        savedInput = dup(0);
        dup2(ends[0], 0);
        close(ends[0]);
        std::clearerr(stdin);
        for (int i = 0; i < signalCount; ++i) sigaction(signals[i], nullptr, &savedActions[i]);
        controlEvents::install();
        charactersLeft() = stride;
        strideLength() = stride;
        quorin::lineio::set_farewell_check(&interruptNow);
        setCommandLineSource(nullptr);
    }
    ~PipedInput() {
        if (savedInput < 0) return;
        setCommandLineSource(&nextLine);
        quorin::lineio::set_farewell_check(&controlEvents::farewellPending);
        for (int i = 0; i < signalCount; ++i) sigaction(signals[i], &savedActions[i], nullptr);
        dup2(savedInput, 0);
        close(savedInput);
        // What the run left unread must not reach the next one.
        __fpurge(stdin);
        std::clearerr(stdin);
    }
    PipedInput(const PipedInput&) = delete;
    PipedInput& operator=(const PipedInput&) = delete;

  private:
    // The reader asks once a character whether the program must leave: the count of characters.
    static bool interruptNow() {
        if (--charactersLeft() <= 0) {
            charactersLeft() = strideLength();
            raise(SIGINT);
        }
        return controlEvents::farewellPending();
    }
    static int& charactersLeft() {
        static int left = 0;
        return left;
    }
    static int& strideLength() {
        static int stride = 0;
        return stride;
    }

    static constexpr int signalCount = 4;
    static constexpr int signals[signalCount] = {SIGINT, SIGQUIT, SIGHUP, SIGTERM};
    struct sigaction savedActions[signalCount] {};
    int savedInput = -1;
};

// The scratch folder a run works in, with the few files the commands name.
inline std::filesystem::path& scratchFolder() {
    static std::filesystem::path folder;
    return folder;
}

// What every run shares: the program-wide globals, the scratch folder, and silenced standard
// streams (the answers would only slow it).
inline void setUpOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    startupGlobals();
    const auto scratch =
        std::filesystem::temp_directory_path() / ("quorin-shell-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(scratch);
    scratchFolder() = scratch;
    std::ofstream(scratch / "self.flp") << "?- sys.consult@(\"self.flp\").\n";
    std::ofstream(scratch / "facts.flp") << "p(a).\np(b).\nq(X) :- p(X).\n";
    for (const UserFile& file : userFiles) std::ofstream(scratch / file.name) << file.text;
    std::ofstream(scratch / "commands.flp") << "?- sys.echo@(\"in a file\")[].\n?- sys.shell.\n"
                                               "?- sys[b1 ->> {sys.b1.doIt[]}].\n?- sys.b1.doIt.\n";
    // QUORIN_SHELL_FUZZ_SHOW=1 keeps them, to read what a failing input does.
    if (std::getenv("QUORIN_SHELL_FUZZ_SHOW") == nullptr) {
        static std::stringstream sink;
        std::cout.rdbuf(sink.rdbuf());
        std::cerr.rdbuf(sink.rdbuf());
        std::clog.rdbuf(sink.rdbuf());
    }
    setCommandLineSource(&nextLine);
}

// Aborts when a run changed or removed a file of the user.
inline void checkUserFiles() {
    for (const UserFile& file : userFiles) {
        std::ifstream in(scratchFolder() / file.name);
        std::stringstream text;
        text << in.rdbuf();
        if (!in.is_open() || text.str() != file.text) {
            std::fprintf(stderr, "the user's file %s was changed or removed\n", file.name);
            std::abort();
        }
    }
}

// One run: start-up with the configuration file, the shell loop over the input's lines, and the
// exit sequence, after which nothing of the run is left.
inline void runShell(const std::uint8_t* data, std::size_t size, const std::string& configuration) {
    setUpOnce();
    // The run's relative file names mean the scratch folder; the caller's folder comes back after.
    const std::filesystem::path callersFolder = std::filesystem::current_path();
    std::filesystem::current_path(scratchFolder());
    Choices choices(data, size);
    pendingLines() = Generator(choices).lines();
    std::unique_ptr<PipedInput> piped;
    if (size > 0 && (data[0] & 0x0f) == 0x0f) {
        piped = std::make_unique<PipedInput>(pendingLines(), 8 + data[size - 1] % 64);
        pendingLines().clear();
    }
    Error::setOutputFilter(2);
    centralErrorHandler().setOutputSeriousness(4);

    auto* sys = new FLSysInterpreter;
    Session handedIn;
    handedIn.printers = &makePrettyPrinter;
    handedIn.dumpFormatters = shellDumpFormatters();
    handedIn.exportHandlers = shellExportHandlers();
    registerSystemObjects(*sys, handedIn);
    sys->interprete(configuration, 0);
    FLSysRef result;
    while (!(result && result->isA("FLSysEsc") && result->name() == "end")) {
        const std::string line = sys->readCommandLine();
        result.reset();
        FLSysInterpreter::acceptNextCommand();
        result = sys->interprete(line, 1);
        if (sys->inputEnded() && line == endOfInputCommand &&
            !(result && result->isA("FLSysEsc") && result->name() == "end")) {
            break;
        }
    }
    result.reset();
    sys->interprete("?- sys.forgetIDB[].", 1);
    for (OutputChannel* channel : {&answerChannel(), &errorChannel(), &debugChannel(),
                                   &helpChannel(), &statisticChannel(), &systemChannel()}) {
        channel->releaseStreams();
    }
    sys->finish();
    decRef(sys);
    piped.reset();
    pendingLines().clear();
    controlEvents::clearInterrupt();
    releasePools(1);
    checkUserFiles();
    std::filesystem::current_path(callersFolder);
}

}  // namespace shellfuzz
