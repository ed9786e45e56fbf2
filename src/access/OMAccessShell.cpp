// OMAccess as a shell object: its shell methods, help and self description, and OMAccessMeta.
#include <ostream>
#include <utility>
#include <vector>

#include "access/OMAccess.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "objectbase/OM.h"

bool OMAccess::stringArguments(FLSysArgs* args, std::vector<std::string>& texts) {
    texts.clear();
    if (args == nullptr) return true;
    for (list_item item = args->first_item(); item != nullptr; item = args->next_item(item)) {
        const auto* arg = dynamic_cast<const FLSysString*>(args->inf(item));
        if (arg == nullptr) return false;
        texts.push_back(arg->value());
    }
    return true;
}

FLSysRef OMAccess::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<OMAccess>& OMAccess::shellCommands() {
    static const ShellCommands<OMAccess> table{
        helpHeading("OMAccess"),
        {
            // The layer's own help; with arguments the base reports them.
            {"help",
             ShellArgs::Any,
             [](OMAccess& self, FLSysArgs* args) -> FLSysRef {
                 if (argumentCount(args) != 0) return self.FLSysObject::methodCall("help", args);
                 return self.help();
             },
             {"    - help", "    - isA@(string)", "    - print@(OutputChannel)",
              "          OutputChannel : e.g. answerChannel", "    - display@(OutputChannel)",
              "          OutputChannel : e.g. answerChannel"}},
            {"debugOn", ShellArgs::Any,
             [](OMAccess& self, FLSysArgs* args) -> FLSysRef { return self.debugOn(args); }},
            {"debugOff", ShellArgs::Any,
             [](OMAccess& self, FLSysArgs* args) -> FLSysRef { return self.debugOff(args); }},
            {"setAccess", ShellArgs::Any,
             [](OMAccess& self, FLSysArgs* args) -> FLSysRef { return self.setAccess(args); }},
            {"clear", ShellArgs::Any,
             [](OMAccess& self, FLSysArgs* args) -> FLSysRef {
                 if (argumentCount(args) != 0) {
                     self.reportInvalidMethodArg("clear");
                     return nullptr;
                 }
                 self.clear();
                 return FLSysRef::share(&self);
             }},
            {"export", ShellArgs::Any,
             [](OMAccess& self, FLSysArgs* args) -> FLSysRef { return self.exportCommand(args); }},
        },
        {"", ""}};
    return table;
}

FLSysRef OMAccess::debugOn(FLSysArgs* args) {
    std::vector<std::string> texts;
    if (!stringArguments(args, texts) || texts.size() > 1) {
        reportInvalidMethodArg("debugOn");
        return nullptr;
    }
    trace = 1;
    traceAll = texts.size() == 1 && texts[0] == "all" ? 1 : 0;
    return FLSysRef::share(this);
}

FLSysRef OMAccess::debugOff(FLSysArgs*) {
    trace = 0;
    return FLSysRef::share(this);
}

FLSysRef OMAccess::setAccess(FLSysArgs* args) {
    // A failed call leaves both kinds of access off.
    inheritanceAccess = 0;
    signatureAccess = 0;
    std::vector<std::string> texts;
    if (!stringArguments(args, texts) || texts.empty() || texts.size() > 2) {
        reportInvalidMethodArg("setAccess");
        return nullptr;
    }
    if (texts.size() == 1) {
        const std::string& word = texts[0];
        if (word == "all") {
            inheritanceAccess = 1;
            signatureAccess = 1;
        } else if (word == "inheritance") {
            inheritanceAccess = 1;
        } else if (word == "signature") {
            signatureAccess = 1;
        } else {
            reportInvalidMethodArg("setAccess");
            return nullptr;
        }
        return FLSysRef::share(this);
    }
    for (const std::string& word : texts) {
        if (word == "inheritance") inheritanceAccess = 1;
        if (word == "signature") signatureAccess = 1;
    }
    return FLSysRef::share(this);
}

FLSysRef OMAccess::exportCommand(FLSysArgs* args) {
    // The forms of "export": argument count, format word, format code.
    static const struct {
        std::size_t count;
        const char* word;
        int format;
    } forms[] = {{1, "flogic", 1}, {1, "xml", 2}, {1, "sig", 3}, {2, "flogic", 1},
                 {2, "sig", 3},    {3, "xml", 2}, {4, "xml", 4}};
    std::vector<std::string> texts;
    if (stringArguments(args, texts) && !texts.empty()) {
        texts.resize(4);
        const std::size_t count = static_cast<std::size_t>(argumentCount(args));
        for (const auto& form : forms) {
            if (form.count != count || texts[0] != form.word) continue;
            // An export whose file could not be made or written has reported why, and fails.
            const ErrorWatch watch;
            const bool done = count == 1
                                  ? exportDefault(form.format)
                                  : exportBase(form.format, texts[1], texts[2], "", texts[3]);
            return done && !watch.errorReported() ? FLSysRef::share(this) : nullptr;
        }
    }
    reportInvalidMethodArg("export");
    return nullptr;
}

void OMAccess::reportInvalidMethodArg(const std::string& methodName) const {
    centralErrorHandler().report(
        Error(5, 25, 2, "Undefined MethodArg",
              "Invalid Method Argument(s) to method call " + methodName + " to the OMAccess",
              "OMAccess", ""));
}

void OMAccess::print(OutputChannel& channel) const {
    channel << "anOMAccess";
}

bool OMAccess::isA(const std::string& className) const {
    return className == "OMAccess" || FLSysObject::isA(className);
}

void OMAccess::describeSelf(std::ostream& out) const {
    out << "This is a " << (om() != nullptr ? "normal" : "corrupted") << "OMAccess (OMAccessor).";
}

FLSysRef OMAccess::help() {
    shellCommands().writeHelp(helpChannel());
    return FLSysRef::share(this);
}

OMAccessMeta::OMAccessMeta(AxisIteratorFactory* axes, ExportHandlerFactory exports)
    : XMeta("OMAccess"), axes(axes), exports(std::move(exports)) {}

FLSysRef OMAccessMeta::createInstance(FLSysArgs* args) {
    FLSysObject* om = nullptr;
    if (!checkArgs1(args, "OM", om)) return nullptr;
    Ref<OMAccess> made = Ref<OMAccess>::make(static_cast<OM*>(om));
    made->useAxisIterators(axes);
    made->useExportHandlers(exports);
    return made;
}
