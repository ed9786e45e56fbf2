// The central error handler: filtering, printing and keeping of reported errors, its shell
// methods, and the hook that would route container-library failures to it.
#include "foundation/ErrorHandler.h"

#include <cstdlib>

#include "foundation/ClibErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"

namespace {

// The handler the container-library hook reports to; set by installContainerErrorHook.
ErrorHandler* containerHookTarget = nullptr;

void containerErrorHook(int code, const char* text) {
    if (containerHookTarget != nullptr) containerHookTarget->report(containerError(code, text));
    std::abort();
}

}  // namespace

Error containerError(int code, const char* text) {
    return Error(2, code, 2, "CLIB-Error " + std::to_string(code), text != nullptr ? text : "",
                 "CLIB", "This Error was reported automatically via CLIB error handling.");
}

ErrorHandler::ErrorHandler() : kept(Error::ok()) {}

FLSysRef ErrorHandler::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<ErrorHandler>& ErrorHandler::shellCommands() {
    static const ShellCommands<ErrorHandler> table{
        helpHeading("ErrorHandler"),
        {
            {"help", ShellArgs::None,
             [](ErrorHandler& self, FLSysArgs*) -> FLSysRef {
                 self.help();
                 return FLSysRef::share(&self);
             },
             standardMethodsHelp()},
            {"reset",
             ShellArgs::Any,
             [](ErrorHandler& self, FLSysArgs* args) -> FLSysRef { return self.resetCall(args); },
             {"    - reset"}},
            {"setOutputSeriousness",
             ShellArgs::Any,
             [](ErrorHandler& self, FLSysArgs* args) -> FLSysRef {
                 return self.setOutputSeriousnessCall(args);
             },
             {"    - setOutputSeriousness@(int)",
              "          int : see user manual for more details"}},
            {"setOutputFilter",
             ShellArgs::Any,
             [](ErrorHandler& self, FLSysArgs* args) -> FLSysRef {
                 return self.setOutputFilterCall(args);
             },
             {"    - setOutputFilter@(int)", "          int : see user manual for more details", "",
              "    For the following functions see user manual :       ", ""}},
            // The named filter values, whatever the arguments.
            {"nothing",
             ShellArgs::Any,
             [](ErrorHandler&, FLSysArgs*) -> FLSysRef { return Ref<FLSysInteger>::make(0); },
             {"          - nothing"}},
            {"all",
             ShellArgs::Any,
             [](ErrorHandler&, FLSysArgs*) -> FLSysRef { return Ref<FLSysInteger>::make(127); },
             {"          - all"}},
            {"default",
             ShellArgs::Any,
             [](ErrorHandler&, FLSysArgs*) -> FLSysRef { return Ref<FLSysInteger>::make(-1); },
             {"          - default"}},
            {"messages",
             ShellArgs::Any,
             [](ErrorHandler&, FLSysArgs*) -> FLSysRef { return Ref<FLSysInteger>::make(7); },
             {"          - messages"}},
            {"warnings",
             ShellArgs::Any,
             [](ErrorHandler&, FLSysArgs*) -> FLSysRef { return Ref<FLSysInteger>::make(6); },
             {"          - warnings"}},
            {"errors",
             ShellArgs::Any,
             [](ErrorHandler&, FLSysArgs*) -> FLSysRef { return Ref<FLSysInteger>::make(4); },
             {"          - errors"}},
        },
        {"", ""}};
    return table;
}

void ErrorHandler::display(OutputChannel& channel) const {
    const int savedMask = Error::getOutputFilter();
    Error::setOutputFilter(127);
    channel << "An ErrorHandler containing "
            << "\n"
            << "-------------------------- "
            << "\n"
            << kept.describe() << "--------------------------" << std::endl;
    Error::setOutputFilter(savedMask);
}

void ErrorHandler::print(OutputChannel& channel) const {
    channel << "anErrorHandler";
}

bool ErrorHandler::isA(const std::string& className) const {
    return className == "ErrorHandler" || FLSysObject::isA(className);
}

void ErrorHandler::help() {
    shellCommands().writeHelp(helpChannel());
}

void ErrorHandler::report(const Error& error) {
    const int seriousness = error.getSeriousness();
    if (seriousness > 1) ++errors;
    const bool admitted = (seriousness == 0 && (filter & 1) != 0) ||
                          (seriousness == 1 && (filter & 2) != 0) ||
                          (seriousness > 1 && (filter & 4) != 0);
    if (admitted) {
        OutputChannel& channel = errorChannel();
        if (seriousness == 1) channel << std::endl << "*** WARNING : ";
        if (seriousness == 2) channel << std::endl << "*** ERROR : ";
        channel << error.describe() << std::endl;
    }
    if (keepMost == 0 || seriousness >= kept.getSeriousness()) kept = error;
}

void ErrorHandler::reset() {
    kept = Error::ok();
}

void ErrorHandler::setOutputSeriousness(int bits) {
    filter = bits;
}

void ErrorHandler::setKeepMostSerious(int flag) {
    keepMost = flag;
}

void ErrorHandler::installContainerErrorHook() {
    containerHookTarget = this;
    install_error_handler(containerErrorHook);
}

bool ErrorHandler::isError() const {
    return kept.getSeriousness() >= 2;
}

Error ErrorHandler::getError() const {
    return kept;
}

ErrorHandler* ErrorHandler::message(std::string text) {
    if ((filter & 1) != 0) errorChannel() << text;
    return this;
}

FLSysRef ErrorHandler::resetCall(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    reset();
    return FLSysRef::share(this);
}

FLSysRef ErrorHandler::setOutputSeriousnessCall(FLSysArgs* args) {
    FLSysObject* value = nullptr;
    if (!checkArgs1(args, "FLSysInteger", value)) return nullptr;
    const int bits = static_cast<FLSysInteger*>(value)->value();
    setOutputSeriousness(bits == -1 ? 4 : bits);
    return FLSysRef::share(this);
}

FLSysRef ErrorHandler::setOutputFilterCall(FLSysArgs* args) {
    FLSysObject* value = nullptr;
    if (!checkArgs1(args, "FLSysInteger", value)) return nullptr;
    const int mask = static_cast<FLSysInteger*>(value)->value();
    Error::setOutputFilter(mask == -1 ? 11 : mask);
    return FLSysRef::share(this);
}

ErrorHandler& centralErrorHandler() {
    // The channel is made first so that it outlives the handler at exit.
    errorChannel();
    static ErrorHandler handler;
    return handler;
}
