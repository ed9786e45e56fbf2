// The central error handler: filtering, printing and keeping of reported errors, its shell
// methods, and the hook that would route container-library failures to it.
#include "foundation/ErrorHandler.h"

#include <cstdlib>

#include "foundation/ClibErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"

namespace {

// The handler the container-library hook reports to; set by installContainerErrorHook.
ErrorHandler* containerHookTarget = nullptr;

void containerErrorHook(int code, const char* text) {
    const Error error(2, code, 2, "CLIB-Error " + std::to_string(code), text != nullptr ? text : "",
                      "CLIB", "This Error was reported automatically via CLIB error handling.");
    if (containerHookTarget != nullptr) containerHookTarget->report(error);
    std::abort();
}

}  // namespace

ErrorHandler::ErrorHandler() : kept(Error::ok()) {}

FLSysRef ErrorHandler::methodCall(const std::string& name, FLSysArgs* args) {
    if (name == "reset") return resetCall(args);
    if (name == "setOutputSeriousness") return setOutputSeriousnessCall(args);
    if (name == "setOutputFilter") return setOutputFilterCall(args);
    if (name == "nothing") return Ref<FLSysInteger>::make(0);
    if (name == "all") return Ref<FLSysInteger>::make(127);
    if (name == "default") return Ref<FLSysInteger>::make(-1);
    if (name == "messages") return Ref<FLSysInteger>::make(7);
    if (name == "warnings") return Ref<FLSysInteger>::make(6);
    if (name == "errors") return Ref<FLSysInteger>::make(4);
    if (name == "help") {
        if (argumentCount(args) != 0) return nullptr;
        help();
        return FLSysRef::share(this);
    }
    return FLSysObject::methodCall(name, args);
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
    OutputChannel& channel = helpChannel();
    writeHelpHeader(channel, "ErrorHandler");
    writeStandardMethodsHelp(channel);
    channel << "    - reset" << std::endl
            << "    - setOutputSeriousness@(int)" << std::endl
            << "          int : see user manual for more details" << std::endl
            << "    - setOutputFilter@(int)" << std::endl
            << "          int : see user manual for more details" << std::endl
            << std::endl
            << "    For the following functions see user manual :       " << std::endl
            << std::endl
            << "          - nothing" << std::endl
            << "          - all" << std::endl
            << "          - default" << std::endl
            << "          - messages" << std::endl
            << "          - warnings" << std::endl
            << "          - errors" << std::endl
            << std::endl
            << std::endl;
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
