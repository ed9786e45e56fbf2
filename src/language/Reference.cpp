// Reference and PevoReference: print forms of both dialects, copies, equality and order of steps.
#include "language/Reference.h"

#include "foundation/OutputChannel.h"
#include "language/MethResult.h"
#include "language/ParseTimeObjects.h"
#include "objectbase/MethodType.h"

namespace {

const MethAppl* applicationOf(const MethRef* step) {
    return step != nullptr ? step->getApplication() : nullptr;
}

}  // namespace

Reference::Reference(Path* host, const MethRef* step)
    : CPath(ParseTreeClass::Reference, host),
      call(applicationOf(step) != nullptr ? applicationOf(step)->getMethod() : nullptr,
           applicationOf(step) != nullptr ? applicationOf(step)->getCode() : 0,
           applicationOf(step) != nullptr ? applicationOf(step)->getArgs() : nullptr),
      dot(step != nullptr ? step->getDot() : 0) {}

Reference::Reference(const Reference& other) : CPath(other), call(other.call), dot(other.dot) {
    if (!call.complete()) markIncomplete();
}

bool Reference::isA(const std::string& className) const {
    return className == "Reference" || CPath::isA(className);
}

namespace {

// The dot codes are the numbers of the method types their steps read.
const char* dotText(int dot) {
    const MethodTypeText* text = methodTypeText(dot);
    return text != nullptr && text->fLogic ? text->step : "";
}

void printResult(OutputChannel& channel, const MethResult* result, const SymTab* names,
                 const SymTab* vars) {
    if (result != nullptr) result->print(channel, names, vars);
}

}  // namespace

void Reference::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    if (isParenthesized()) channel << "(";
    if (getHost() != nullptr) getHost()->print(channel, names, vars);
    if (getMethod() != nullptr) {
        channel << dotText(dot);
        call.print(channel, names, vars);
    }
    printResult(channel, getMethResult(), names, vars);
    if (isParenthesized()) channel << ")";
}

ParseTreeNode* Reference::clone() const {
    return finishClone(new Reference(*this));
}

bool Reference::deepEqual(const ParseTreeNode& other) const {
    const auto* step = dynamic_cast<const Reference*>(&other);
    return step != nullptr && getMethod() != nullptr && step->getMethod() != nullptr &&
           deepEqualOrNull(getHost(), step->getHost()) && call.deepEqual(step->call) &&
           dot == step->dot;
}

void Reference::collectVars(VarList& vars) const {
    CPath::collectVars(vars);
    call.collectVars(vars);
}

int Reference::compareSameClass(const ParseTreeNode& other) const {
    const auto& step = static_cast<const Reference&>(other);
    if (const int c = CPath::compareSameClass(other); c != 0) return c;
    if (const int c = call.compareMethods(step.call); c != 0) return c;
    if (const int c = call.compareArgs(step.call); c != 0) return c;
    if (dot != step.dot) return dot < step.dot ? -1 : 1;
    return call.compareCodes(step.call);
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
