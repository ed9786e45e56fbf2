// The shell-object protocol: standard methods, argument checks, error builders and class objects.
#include "foundation/FLSysObject.h"

#include <utility>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
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

}  // namespace

FLSysRef FLSysObject::methodCall(const std::string& name, FLSysArgs* args) {
    if (name == "isOk") {
        if (checkNoArgs(args)) return truthConstant(isOk());
    } else if (name == "print" || name == "display") {
        const bool printing = name == "print";
        if (argumentCount(args) == 0) {
            if (printing) {
                print(systemChannel());
            } else {
                display(systemChannel());
            }
            return FLSysRef::share(this);
        }
        FLSysObject* channel = nullptr;
        if (!checkArgs1(args, "OutputChannel", channel)) return nullptr;
        if (printing) {
            print(*static_cast<OutputChannel*>(channel));
        } else {
            display(*static_cast<OutputChannel*>(channel));
        }
        return FLSysRef::share(this);
    } else if (name == "isA") {
        FLSysObject* className = nullptr;
        if (checkArgs1(args, "FLSysString", className)) {
            return truthConstant(isA(static_cast<FLSysString*>(className)->value()));
        }
    } else if (name == "help") {
        if (checkNoArgs(args)) {
            writeHelp(helpChannel());
            return FLSysRef::share(this);
        }
    }
    centralErrorHandler().report(unknownMethod(name));
    return nullptr;
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

void FLSysObject::writeHelpHeader(OutputChannel& channel, const std::string& className) {
    channel << std::endl
            << "                    Online help for class " << className << std::endl
            << std::endl
            << std::endl
            << "You can apply the following member functions to an instance of " << std::endl
            << "class " << className << " via F-Logic shell : " << std::endl
            << std::endl;
}

void FLSysObject::writeCoreMethodsHelp(OutputChannel& channel) {
    channel << "    - help" << std::endl
            << "    - isOk" << std::endl
            << "          returns  0 (object is corrupted)  or  1" << std::endl
            << "    - isA@(string)" << std::endl
            << "          string : classname" << std::endl
            << "          returns  1 (object belongs to class)  or  0" << std::endl;
}

void FLSysObject::writeStandardMethodsHelp(OutputChannel& channel) {
    writeCoreMethodsHelp(channel);
    channel << "    - print@(OutputChannel)" << std::endl
            << "          OutputChannel : e.g. answerChannel" << std::endl
            << "    - display@(OutputChannel)" << std::endl
            << "          OutputChannel : e.g. answerChannel" << std::endl;
}

void FLSysObject::writeHelp(OutputChannel& channel) const {
    channel << std::endl
            << "                    Online help for class FLSysObject" << std::endl
            << std::endl
            << std::endl
            << "This object has only the standard methods : " << std::endl;
    writeStandardMethodsHelp(channel);
    channel << std::endl << std::endl;
}

XMeta::XMeta(std::string className) : created(std::move(className)) {}

FLSysRef XMeta::methodCall(const std::string& name, FLSysArgs* args) {
    if (name == "new") return createInstance(args);
    return FLSysObject::methodCall(name, args);
}

void XMeta::print(OutputChannel& channel) const {
    channel << created;
}

bool XMeta::isA(const std::string& className) const {
    return className == created + "Meta" || FLSysObject::isA(className);
}
