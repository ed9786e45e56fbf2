// AlgebraicEval: evaluation of operator trees, its shell methods and its class object.
#include "compile/AlgebraicEval.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/AlgebraicExpr.h"
#include "compile/Operand.h"
#include "compile/Operator.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/clib_list.h"

AlgebraicEval::AlgebraicEval(OMAccess* access, OperatorTrace* trace)
    : access(Ref<OMAccess>::share(access)),
      trace(trace != nullptr ? Ref<OperatorTrace>::share(trace) : Ref<OperatorTrace>::make()) {}

AlgebraicEval::~AlgebraicEval() = default;

FLSysRef AlgebraicEval::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<AlgebraicEval>& AlgebraicEval::shellCommands() {
    static const ShellCommands<AlgebraicEval> table{
        helpHeading("AlgebraicEval"),
        {
            {"help", ShellArgs::None,
             [](AlgebraicEval& self, FLSysArgs*) -> FLSysRef { return self.help(); },
             standardMethodsHelp()},
            {"debugOn",
             ShellArgs::Any,
             [](AlgebraicEval& self, FLSysArgs* args) -> FLSysRef { return self.debugOn(args); },
             {"    - debugOn"}},
            {"debugOff",
             ShellArgs::Any,
             [](AlgebraicEval& self, FLSysArgs* args) -> FLSysRef { return self.debugOff(args); },
             {"    - debugOff"}},
        },
        {"", ""}};
    return table;
}

Ref<Operand> AlgebraicEval::evaluate(AlgebraicExpr* expr, Operand* start) {
    if (expr == nullptr) return nullptr;
    Operand* current = start;
    return expr->evaluate(access.get(), &current, *trace);
}

FLSysRef AlgebraicEval::debugOn(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    debug = 1;
    trace->on = true;
    return FLSysRef::share(this);
}

FLSysRef AlgebraicEval::debugOff(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    debug = 0;
    trace->on = false;
    return FLSysRef::share(this);
}

FLSysRef AlgebraicEval::help() {
    shellCommands().writeHelp(helpChannel());
    return FLSysRef::share(this);
}

void AlgebraicEval::print(OutputChannel& channel) const {
    channel << "anAlgebraicEval";
}

bool AlgebraicEval::isA(const std::string& className) const {
    return className == "AlgebraicEval" || FLSysObject::isA(className);
}

AlgebraicEvalMeta::AlgebraicEvalMeta(OperatorTrace* trace)
    : XMeta("AlgebraicEval"), trace(Ref<OperatorTrace>::share(trace)) {}

FLSysRef AlgebraicEvalMeta::createInstance(FLSysArgs* args) {
    FLSysObject* access = nullptr;
    if (!checkArgs1(args, "OMAccess", access)) return nullptr;
    return Ref<AlgebraicEval>::make(static_cast<OMAccess*>(access), trace.get());
}
