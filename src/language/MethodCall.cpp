// MethodCall and the print pieces shared by path steps and method specifications.
#include "language/MethodCall.h"

#include "foundation/OutputChannel.h"
#include "language/FVar.h"
#include "language/NodeLists.h"

MethodCall::MethodCall(FTerm* method, int code, const clib_list<FTerm*>* args)
    : methodTerm(Ref<FTerm>::share(method)), axis(code), argList(nodelists::share(args)) {}

MethodCall::MethodCall(const MethodCall& other)
    : methodTerm(nullptr), axis(other.axis), argList(nullptr) {
    if (other.methodTerm != nullptr) {
        methodTerm = Ref<FTerm>::adopt(static_cast<FTerm*>(other.methodTerm->clone()));
        if (methodTerm == nullptr) failed = true;
    }
    argList = nodelists::cloneList(other.argList, failed);
}

MethodCall::~MethodCall() {
    nodelists::release(argList);
}

int MethodCall::argCount() const {
    return argList != nullptr ? argList->length() : 0;
}

void MethodCall::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    printStepMethod(channel, methodTerm.get(), names, vars);
    printStepArgs(channel, argList, names, vars);
}

bool MethodCall::deepEqual(const MethodCall& other) const {
    return deepEqualOrNull(methodTerm, other.methodTerm) && axis == other.axis &&
           nodelists::deepEqual(argList, other.argList);
}

void MethodCall::collectVars(VarList& vars) const {
    if (methodTerm != nullptr) methodTerm->collectVars(vars);
    nodelists::collectVars(argList, vars);
}

int MethodCall::compareMethods(const MethodCall& other) const {
    return compareOrNull(methodTerm, other.methodTerm);
}

int MethodCall::compareArgs(const MethodCall& other) const {
    return nodelists::compare(argList, other.argList);
}

int MethodCall::compareCodes(const MethodCall& other) const {
    return axis == other.axis ? 0 : (axis < other.axis ? -1 : 1);
}

void printStepMethod(OutputChannel& channel, const FTerm* method, const SymTab* names,
                     const SymTab* vars) {
    if (method == nullptr) return;
    if (const auto* var = dynamic_cast<const FVar*>(method)) {
        var->printVar(channel, names, vars, 1);
    } else {
        method->print(channel, names, vars);
    }
}

void printStepArgs(OutputChannel& channel, const clib_list<FTerm*>* args, const SymTab* names,
                   const SymTab* vars) {
    if (nodelists::isEmpty(args)) return;
    channel << "@(";
    nodelists::print(channel, *args, ",", names, vars);
    channel << ")";
}

const char* pevoAxisText(int code) {
    switch (code) {
        case 2:
            return "descendant::";
        case 3:
            return "parent::";
        case 4:
            return "ancestor::";
        case 5:
            return "sibling::";
        case 6:
            return "@";
        default:
            return "";
    }
}
