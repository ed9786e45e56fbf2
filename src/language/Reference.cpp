// Reference and PevoReference: print forms of both dialects, copies, equality and order of steps.
#include "language/Reference.h"

#include "foundation/OutputChannel.h"
#include "language/MethResult.h"
#include "language/NodeLists.h"
#include "language/ParseTimeObjects.h"
#include "language/StepPrint.h"

Reference::Reference(Path* host, const MethRef* step)
    : CPath(ParseTreeClass::Reference, host), method(nullptr), code(0), args(nullptr), dot(0) {
    const MethAppl* application = step != nullptr ? step->getApplication() : nullptr;
    if (step != nullptr) dot = step->getDot();
    if (application != nullptr) {
        method = application->getMethod();
        incRef(method);
        code = application->getCode();
        args = nodelists::share(application->getArgs());
    }
}

Reference::Reference(const Reference& other)
    : CPath(other), method(nullptr), code(other.code), args(nullptr), dot(other.dot) {
    bool failed = false;
    if (other.method != nullptr) {
        method = static_cast<FTerm*>(other.method->clone());
        failed = method == nullptr;
    }
    args = nodelists::cloneList(other.args, failed);
    if (failed) markIncomplete();
}

Reference::~Reference() {
    decRef(method);
    nodelists::release(args);
}

bool Reference::isA(const std::string& className) const {
    return className == "Reference" || CPath::isA(className);
}

namespace {

const char* dotText(int dot) {
    switch (dot) {
        case 0:
            return ".";
        case 1:
            return "..";
        case 3:
            return "!";
        case 4:
            return "!!";
        default:
            return "";
    }
}

void printResult(OutputChannel& channel, const MethResult* result, const SymTab* names,
                 const SymTab* vars) {
    if (result != nullptr) result->print(channel, names, vars);
}

}  // namespace

void Reference::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    if (isParenthesized()) channel << "(";
    if (getHost() != nullptr) getHost()->print(channel, names, vars);
    if (method != nullptr) {
        channel << dotText(dot);
        printStepMethod(channel, method, names, vars);
        printStepArgs(channel, args, names, vars);
    }
    printResult(channel, getMethResult(), names, vars);
    if (isParenthesized()) channel << ")";
}

ParseTreeNode* Reference::clone() const {
    return finishClone(new Reference(*this));
}

bool Reference::deepEqual(const ParseTreeNode& other) const {
    const auto* step = dynamic_cast<const Reference*>(&other);
    return step != nullptr && method != nullptr && step->method != nullptr &&
           deepEqualOrNull(getHost(), step->getHost()) && method->deepEqual(*step->method) &&
           dot == step->dot && code == step->code && nodelists::deepEqual(args, step->args);
}

void Reference::collectVars(VarList& vars) const {
    CPath::collectVars(vars);
    if (method != nullptr) method->collectVars(vars);
    nodelists::collectVars(args, vars);
}

int Reference::compareSameClass(const ParseTreeNode& other) const {
    const auto& step = static_cast<const Reference&>(other);
    if (const int c = CPath::compareSameClass(other); c != 0) return c;
    if (const int c = compareOrNull(method, step.method); c != 0) return c;
    if (const int c = nodelists::compare(args, step.args); c != 0) return c;
    if (dot != step.dot) return dot < step.dot ? -1 : 1;
    if (code != step.code) return code < step.code ? -1 : 1;
    return 0;
}

int Reference::pathLength() const {
    return (getHost() != nullptr ? getHost()->pathLength() : 0) + 1;
}

void PevoReference::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    if (getHost() != nullptr) getHost()->print(channel, names, vars);
    if (getMethod() != nullptr) {
        if (getDot() == 0) channel << ":";
        if (getDot() == 1 && getCode() != 8) channel << "/";
        channel << (getCode() == 8 ? "!" : pevoAxisText(getCode()));
        printStepMethod(channel, getMethod(), names, vars);
        if (getCode() == 8) channel << "()";
        printStepArgs(channel, getArgs(), names, vars);
    }
    printResult(channel, getMethResult(), names, vars);
}

ParseTreeNode* PevoReference::clone() const {
    return finishClone(new PevoReference(*this));
}
