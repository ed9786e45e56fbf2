// The shell-object protocol: standard methods, argument checks, error builders and class objects.
#include "foundation/FLSysObject.h"

#include <optional>
#include <utility>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"

namespace {

// The argument at a 1-based position; the caller has checked that the position exists.
FLSysObject* argAt(FLSysArgs* args, int position) {
    int index = 1;
    for (list_item item = args->first_item(); item != nullptr; item = args->next_item(item)) {
        if (index == position) return args->inf(item);
        ++index;
    }
    return nullptr;
}

FLSysRef truthConstant(bool truth) {
    return FLSysRef::share(truth ? static_cast<FLSysObject*>(&trueConstant()) : &falseConstant());
}

// The help lines of one standard method, as every class's help repeats them.
HelpLines helpLinesOf(const std::string& method) {
    if (method == "isOk")
        return {"    - isOk", "          returns  0 (object is corrupted)  or  1"};
    if (method == "isA")
        return {"    - isA@(string)", "          string : classname",
                "          returns  1 (object belongs to class)  or  0"};
    if (method == "print" || method == "display")
        return {"    - " + method + "@(OutputChannel)",
                "          OutputChannel : e.g. answerChannel"};
    return {"    - " + method};
}

}  // namespace

const ShellCommands<FLSysObject>& FLSysObject::shellCommands() {
    // A failed check of isOk, isA or help has reported its error; the call then counts as an
    // unknown one too.
    static const ShellCommands<FLSysObject> table{
        {"", "                    Online help for class FLSysObject", "", "",
         "This object has only the standard methods : "},
        {
            {"help", ShellArgs::Any,
             [](FLSysObject& self, FLSysArgs* args) -> FLSysRef {
                 if (!self.checkNoArgs(args)) return self.unknownCall("help");
                 self.writeHelp(helpChannel());
                 return FLSysRef::share(&self);
             },
             helpLinesOf("help")},
            {"isOk", ShellArgs::Any,
             [](FLSysObject& self, FLSysArgs* args) -> FLSysRef {
                 if (!self.checkNoArgs(args)) return self.unknownCall("isOk");
                 return truthConstant(self.isOk());
             },
             helpLinesOf("isOk")},
            {"isA", ShellArgs::Any,
             [](FLSysObject& self, FLSysArgs* args) -> FLSysRef {
                 FLSysObject* className = nullptr;
                 if (!self.checkArgs1(args, "FLSysString", className))
                     return self.unknownCall("isA");
                 return truthConstant(self.isA(static_cast<FLSysString*>(className)->value()));
             },
             helpLinesOf("isA")},
            {"print", ShellArgs::Any,
             [](FLSysObject& self, FLSysArgs* args) -> FLSysRef {
                 OutputChannel* channel = self.channelArgument(args);
                 if (channel == nullptr) return FLSysRef();
                 self.print(*channel);
                 return FLSysRef::share(&self);
             },
             helpLinesOf("print")},
            {"display", ShellArgs::Any,
             [](FLSysObject& self, FLSysArgs* args) -> FLSysRef {
                 OutputChannel* channel = self.channelArgument(args);
                 if (channel == nullptr) return FLSysRef();
                 self.display(*channel);
                 return FLSysRef::share(&self);
             },
             helpLinesOf("display")},
        },
        {"", ""}};
    return table;
}

FLSysRef FLSysObject::methodCall(const std::string& name, FLSysArgs* args) {
    if (std::optional<FLSysRef> answer = shellCommands().call(*this, name, args))
        return std::move(*answer);
    return unknownCall(name);
}

FLSysRef FLSysObject::unknownCall(const std::string& name) const {
    centralErrorHandler().report(unknownMethod(name));
    return nullptr;
}

OutputChannel* FLSysObject::channelArgument(FLSysArgs* args) {
    if (argumentCount(args) == 0) return &systemChannel();
    FLSysObject* channel = nullptr;
    if (!checkArgs1(args, "OutputChannel", channel)) return nullptr;
    return static_cast<OutputChannel*>(channel);
}

void FLSysObject::assign(const std::string& name, FLSysObject* /*value*/) {
    centralErrorHandler().report(unknownMethod("assignment to " + name));
}

bool FLSysObject::isOk() const {
    return true;
}

std::string FLSysObject::name() const {
    return "anFLSysObject";
}

void FLSysObject::display(OutputChannel& channel) const {
    print(channel);
    channel << std::endl;
}

void FLSysObject::print(OutputChannel& channel) const {
    channel << "aFLSysObject";
}

bool FLSysObject::isA(const std::string& className) const {
    return className == "FLSysObject";
}

bool FLSysObject::checkArgs5(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                             const std::string& class2, FLSysObject*& out2,
                             const std::string& class3, FLSysObject*& out3,
                             const std::string& class4, FLSysObject*& out4,
                             const std::string& class5, FLSysObject*& out5, int after) {
    return nextArg(args, after + 1, class1, out1) &&
           checkArgs4(args, class2, out2, class3, out3, class4, out4, class5, out5, after + 1);
}

bool FLSysObject::checkArgs4(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                             const std::string& class2, FLSysObject*& out2,
                             const std::string& class3, FLSysObject*& out3,
                             const std::string& class4, FLSysObject*& out4, int after) {
    return nextArg(args, after + 1, class1, out1) &&
           checkArgs3(args, class2, out2, class3, out3, class4, out4, after + 1);
}

bool FLSysObject::checkArgs3(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                             const std::string& class2, FLSysObject*& out2,
                             const std::string& class3, FLSysObject*& out3, int after) {
    return nextArg(args, after + 1, class1, out1) &&
           checkArgs2(args, class2, out2, class3, out3, after + 1);
}

bool FLSysObject::checkArgs2(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                             const std::string& class2, FLSysObject*& out2, int after) {
    return nextArg(args, after + 1, class1, out1) && checkArgs1(args, class2, out2, after + 1);
}

bool FLSysObject::checkArgs1(FLSysArgs* args, const std::string& class1, FLSysObject*& out1,
                             int after) {
    return nextArg(args, after + 1, class1, out1) && checkNoArgs(args, after + 1);
}

bool FLSysObject::checkNoArgs(FLSysArgs* args, int after) {
    const int count = argumentCount(args);
    if (count == 0 || (after > 0 && after >= count)) return true;
    centralErrorHandler().report(err11::WrongNumberOfArguments);
    return false;
}

bool FLSysObject::nextArg(FLSysArgs* args, int position, const std::string& className,
                          FLSysObject*& out) {
    if (position >= 1 && position <= argumentCount(args)) {
        out = argAt(args, position);
        return checkArgClass(className, out);
    }
    centralErrorHandler().report(err11::WrongNumberOfArguments);
    out = nullptr;
    return false;
}

bool FLSysObject::checkArgClass(const std::string& className, FLSysObject*& out) {
    if (out == nullptr) {
        centralErrorHandler().report(err11::NullObject);
        return false;
    }
    if (!out->isA(className)) {
        centralErrorHandler().report(err11::WrongArgument_2);
        out = nullptr;
        return false;
    }
    if (!out->isOk()) {
        centralErrorHandler().report(corrupted(className));
        out = nullptr;
        return false;
    }
    return true;
}

Error FLSysObject::unknownMethod(const std::string& methodName) const {
    return Error(11, 2012, 2, "UnknownMethod", "Unknown method : " + methodName, "FLSysObject::...",
                 "This message also appears in case of unknown attributes and unknown global "
                 "Variables.");
}

Error FLSysObject::pureVirtualCalled(const std::string& operationName) const {
    return Error(11, 2003, 2, "PureVirtualCalled",
                 "The pure virtual method \"" + operationName + "\" was called.",
                 "FLSysObject::...", "This is a serious internal error.");
}

Error FLSysObject::corrupted(const std::string& className) const {
    return Error(11, 2016, 2, "FLSysObjectCorrupted",
                 "A user interface object (class " + className + " ) was found inconsistent.",
                 className + "::...",
                 "Normally, this one is an internal error. Sorry, that I can't give it more "
                 "precise.");
}

int FLSysObject::argumentCount(const FLSysArgs* args) {
    return args == nullptr ? 0 : args->size();
}

HelpLines helpHeading(const std::string& className) {
    return {"",
            "                    Online help for class " + className,
            "",
            "",
            "You can apply the following member functions to an instance of ",
            "class " + className + " via F-Logic shell : ",
            ""};
}

const HelpLines& coreMethodsHelp() {
    static const HelpLines lines = [] {
        HelpLines all;
        for (const char* method : {"help", "isOk", "isA"})
            for (const std::string& line : helpLinesOf(method)) all.push_back(line);
        return all;
    }();
    return lines;
}

const HelpLines& standardMethodsHelp() {
    static const HelpLines lines = [] {
        HelpLines all = coreMethodsHelp();
        for (const char* method : {"print", "display"})
            for (const std::string& line : helpLinesOf(method)) all.push_back(line);
        return all;
    }();
    return lines;
}

void FLSysObject::writeHelp(OutputChannel& channel) const {
    shellCommands().writeHelp(channel);
}

XMeta::XMeta(std::string className) : created(std::move(className)) {}

FLSysRef XMeta::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<XMeta>& XMeta::shellCommands() {
    // A class object has the help of FLSysObject.
    static const ShellCommands<XMeta> table{
        {},
        {{"new", ShellArgs::Any,
          [](XMeta& self, FLSysArgs* args) -> FLSysRef { return self.createInstance(args); }}},
        {}};
    return table;
}

void XMeta::print(OutputChannel& channel) const {
    channel << created;
}

bool XMeta::isA(const std::string& className) const {
    return className == created + "Meta" || FLSysObject::isA(className);
}
