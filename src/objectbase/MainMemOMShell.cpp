// The object manager's shell commands: the command table, the online help and showFrame.
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "objectbase/DumpTargetScope.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"

namespace {

FLSysRef refuse(MainMemOM& om, const char* name) {
    om.reportUndefinedMethodArg(name);
    return nullptr;
}

std::string text(FLSysObject* argument) {
    return static_cast<FLSysString*>(argument)->value();
}

// The string arguments of a command taking `count` of them; false after the argument check has
// reported a wrong class.
bool stringArgs(MainMemOM& om, FLSysArgs* args, int count, std::string (&out)[3]) {
    FLSysObject* a[3] = {nullptr, nullptr, nullptr};
    bool ok = count == 1   ? om.checkArgs1(args, "FLSysString", a[0])
              : count == 2 ? om.checkArgs2(args, "FLSysString", a[0], "FLSysString", a[1])
                           : om.checkArgs3(args, "FLSysString", a[0], "FLSysString", a[1],
                                           "FLSysString", a[2]);
    if (!ok) return false;
    for (int i = 0; i < count; ++i) out[i] = text(a[i]);
    return true;
}

// A save into a file: the object manager, or null when the file could not be made or written or
// the save was cut short by Ctrl-C (the save has said why).
FLSysRef saved(MainMemOM& om, int format, const std::string& fileName, const std::string& docType) {
    const ErrorWatch watch;
    om.saveAs(format, fileName, docType);
    if (watch.errorReported()) return nullptr;
    return FLSysRef::share(&om);
}

// A command without arguments that only runs `action` and answers the object manager.
FLSysRef withoutArgs(MainMemOM& om, const char* name, FLSysArgs* args,
                     void (MainMemOM::*action)()) {
    if (FLSysObject::argumentCount(args) != 0) return refuse(om, name);
    (om.*action)();
    return FLSysRef::share(&om);
}

}  // namespace

FLSysRef MainMemOM::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

// A command picks its variant by the number of arguments; a count that no variant takes, or
// arguments of a wrong class or value, make it answer null after reporting "Undefined
// MethodArg".
const ShellCommands<MainMemOM>& MainMemOM::shellCommands() {
    // One blank more before the title than the other classes' help texts have.
    static const ShellCommands<MainMemOM> table{
        {"", "                     Online help for class OM", "", "",
         "You can apply the following member functions to an instance of ",
         "class OM via F-Logic shell : ", ""},
        {
            {"help", ShellArgs::Any,
             [](MainMemOM& om, FLSysArgs* args) -> FLSysRef {
                 return withoutArgs(om, "help", args, &MainMemOM::help);
             },
             standardMethodsHelp()},
            {"dump",
             ShellArgs::Any,
             [](MainMemOM& om, FLSysArgs* args) -> FLSysRef {
                 const int count = FLSysObject::argumentCount(args);
                 // A dump cut short by Ctrl-C has said so, and fails.
                 const ErrorWatch watch;
                 if (count == 0) {
                     om.dump(1);
                     return watch.errorReported() ? nullptr : FLSysRef::share(&om);
                 }
                 std::string a[3];
                 if (count > 3 || !stringArgs(om, args, count, a)) return refuse(om, "dump");
                 if (count == 1) {
                     const int format = a[0] == "flogic"  ? 1
                                        : a[0] == "xml"   ? 2
                                        : a[0] == "debug" ? 0
                                                          : -1;
                     if (format < 0) return refuse(om, "dump");
                     om.dump(format);
                     if (watch.errorReported()) return nullptr;
                 } else if (count == 2 && a[0] == "flogic") {
                     return saved(om, 1, a[1], "");
                 } else if (count == 3 && a[0] == "xml") {
                     return saved(om, 2, a[1], a[2]);
                 } else {
                     return refuse(om, "dump");
                 }
                 return FLSysRef::share(&om);
             },
             {"    - dump", "          display all stored frames "}},
            {"showFrame",
             ShellArgs::Any,
             [](MainMemOM& om, FLSysArgs* args) -> FLSysRef {
                 const int count = FLSysObject::argumentCount(args);
                 // Without a list at all, or with more than two arguments, nothing is reported.
                 if (args == nullptr || count > 2) return nullptr;
                 FLSysObject* frameName = nullptr;
                 FLSysObject* arity = nullptr;
                 if (count == 1 && om.checkArgs1(args, "FLSysString", frameName)) {
                     om.showFrame(text(frameName), -1);
                     return FLSysRef::share(&om);
                 }
                 if (count == 2 &&
                     om.checkArgs2(args, "FLSysString", frameName, "FLSysInteger", arity)) {
                     om.showFrame(text(frameName), static_cast<FLSysInteger*>(arity)->value());
                     return FLSysRef::share(&om);
                 }
                 return refuse(om, "showFrame");
             },
             {"    - showFrame@(string)",
              "          display object frame corresponding to argument",
              "    - showFrame@(string,int)",
              "          display predicate frame corresponding to string argument",
              "          int: arity of predicate "}},
            {"eqTraceOn",
             ShellArgs::Any,
             [](MainMemOM& om, FLSysArgs* args) -> FLSysRef {
                 return withoutArgs(om, "eqTraceOn", args, &MainMemOM::eqTraceOn);
             },
             {"    - eqTraceOn", "          display when equality is applied"}},
            {"eqTraceOff",
             ShellArgs::Any,
             [](MainMemOM& om, FLSysArgs* args) -> FLSysRef {
                 return withoutArgs(om, "eqTraceOff", args, &MainMemOM::eqTraceOff);
             },
             {"    - eqTraceOff", "          disable equality trace"}},
            {"giveSymTab",
             ShellArgs::Any,
             [](MainMemOM& om, FLSysArgs* args) -> FLSysRef {
                 if (FLSysObject::argumentCount(args) != 0) return refuse(om, "giveSymTab");
                 // The symbol table stays the object manager's; the caller gets a reference of
                 // its own.
                 return FLSysRef::share(om.giveSymTab());
             },
             {"    - giveSymTab", "          returns symbol table of OM"}},
            {"typeCheck",
             ShellArgs::Any,
             [](MainMemOM& om, FLSysArgs* args) -> FLSysRef {
                 return withoutArgs(om, "typeCheck", args, &MainMemOM::typeCheck);
             },
             {"    - typeCheck", "          display violation of typing conditions"}},
            {"saveAs",
             ShellArgs::Any,
             [](MainMemOM& om, FLSysArgs* args) -> FLSysRef {
                 std::string a[3];
                 if (FLSysObject::argumentCount(args) != 1 || !stringArgs(om, args, 1, a))
                     return refuse(om, "saveAs");
                 return saved(om, 1, a[0], "");
             },
             {"    - saveAs@(string)",
              "          write contents of OM to file specified by string argument"}},
        },
        {"", ""}};
    return table;
}

void MainMemOM::reportUndefinedMethodArg(const std::string& command) {
    centralErrorHandler().report(Error(
        5, 19, 2, "Undefined MethodArg",
        "Invalid Method Argument(s) to method call " + command + " to the OM", "MainMemOM", ""));
}

void MainMemOM::help() {
    shellCommands().writeHelp(helpChannel());
}

void MainMemOM::showFrame(const std::string& text, int arity) {
    OutputChannel& out = debugChannel();
    InternalName name;
    if (arity >= 0) {
        lookupName(text, name, arity);
        MainMemPredFrame* frame = getPredFrame(name);
        if (frame == nullptr) {
            out << "There is no predicate frame corresponding to predicate symbol " << text
                << " and arity " << arity << std::endl;
            return;
        }
        DumpTargetScope scope(writer, 1, true);
        writer.formatPredFrame(name, frame);
        out << std::endl;
        return;
    }
    MainMemObjFrame* frame = lookupName(text, name, -1) != 0 ? getObjFrame(name) : nullptr;
    if (frame == nullptr) {
        out << "There is no object frame corresponding to " << text << std::endl;
        return;
    }
    DumpTargetScope scope(writer, 1, true);
    writer.formatObjFrame(name, frame);
}
