// ShellCommands: the one table of a shell class's commands, each with its argument check, its
// handler and its lines of online help, from which the class both dispatches and writes its help.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "foundation/FLSysObject.h"
#include "foundation/OutputChannel.h"

// What a command asks of its argument list before its handler runs.
enum class ShellArgs {
    // The handler gets the list as it is and checks it itself (or ignores it).
    Any,
    // Any argument fails the call quietly: null, nothing reported.
    None,
    // Any argument fails the call after WrongNumberOfArguments is reported.
    NoneReported,
};

// Help text lines, each written with an end of line.
using HelpLines = std::vector<std::string>;

// The lines of the standard methods (help, isOk, isA, print, display) that every class's help
// repeats, and their first part (help, isOk, isA) for classes that describe print and display
// their own way.
const HelpLines& standardMethodsHelp();
const HelpLines& coreMethodsHelp();
// The opening lines a class's help text usually starts with, up to its list of methods.
HelpLines helpHeading(const std::string& className);

// Host is the class whose commands the table holds. A class makes its table in a private static
// member function, on first use (so no order of static initialisation matters), and the handlers,
// lambdas written in the table, reach its private operations. A name the
// table does not hold is the caller's to hand to the base class. Result is what a handler
// answers: a method call's result, or for sys an optional one, since a failed check there lets
// the name go on to the shell variables.
template <class Host, class Result>
class ShellCommands {
  public:
    using Handler = Result (*)(Host& host, FLSysArgs* args);

    struct Command {
        // Null for lines of help about methods that another table answers (a base class's).
        const char* name = nullptr;
        ShellArgs args = ShellArgs::Any;
        Handler run = nullptr;
        HelpLines help = {};
    };

    // The help text is the heading, each command's lines in table order, then the closing.
    ShellCommands(HelpLines heading, std::initializer_list<Command> commands, HelpLines closing)
        : heading(std::move(heading)), commands(commands), closing(std::move(closing)) {}

    // Runs the command `name` when the table has one; otherwise hands the call to the class's
    // base, Base.
    template <class Base>
    FLSysRef dispatch(Host& host, const std::string& name, FLSysArgs* args) const {
        if (std::optional<FLSysRef> answer = call(host, name, args)) return std::move(*answer);
        return host.Base::methodCall(name, args);
    }

    // The command's result when the table has `name` (empty when the call failed); no value
    // otherwise.
    std::optional<Result> call(Host& host, const std::string& name, FLSysArgs* args) const {
        for (const Command& command : commands) {
            if (command.name == nullptr || name != command.name) continue;
            switch (command.args) {
                case ShellArgs::Any:
                    break;
                case ShellArgs::None:
                    if (FLSysObject::argumentCount(args) != 0) return Result(FLSysRef());
                    break;
                case ShellArgs::NoneReported:
                    if (!host.checkNoArgs(args)) return Result(FLSysRef());
                    break;
            }
            return command.run(host, args);
        }
        return std::nullopt;
    }

    void writeHelp(OutputChannel& channel) const {
        writeLines(channel, heading);
        for (const Command& command : commands) writeLines(channel, command.help);
        writeLines(channel, closing);
    }

  private:
    static void writeLines(OutputChannel& channel, const HelpLines& lines) {
        for (const std::string& line : lines) channel << line << std::endl;
    }

    HelpLines heading;
    std::vector<Command> commands;
    HelpLines closing;
};
