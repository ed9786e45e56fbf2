// AlgebraicEval: the shell object that evaluates operator trees over an access layer, and its
// class object.
#pragma once

#include <cstdint>
#include <string>

#include "compile/Operator.h"
#include "foundation/FLSysObject.h"
#include "foundation/Ref.h"

class AlgebraicExpr;
class OMAccess;
class Operand;

class AlgebraicEval : public FLSysObject {
  public:
    // Holds the access layer and the trace its debugOn switches: the session's, shared with
    // every evaluator and creator, or (null) one of its own.
    explicit AlgebraicEval(OMAccess* access, OperatorTrace* trace = nullptr);
    AlgebraicEval(const AlgebraicEval&) = delete;
    AlgebraicEval& operator=(const AlgebraicEval&) = delete;

    // Shell methods "debugOn", "debugOff" and "help", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // "anAlgebraicEval".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // The tree's result with `start` as the current operand; null for a null tree.
    virtual Ref<Operand> evaluate(AlgebraicExpr* expr, Operand* start);
    // Switch this object's flag and the trace it shares; null after an argument error.
    virtual FLSysRef debugOn(FLSysArgs* args);
    virtual FLSysRef debugOff(FLSysArgs* args);
    // The online help on the help channel; answers this object.
    virtual FLSysRef help();

    bool debugging() const { return debug != 0; }

  protected:
    ~AlgebraicEval() override;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<AlgebraicEval>& shellCommands();

    Ref<OMAccess> access;
    Ref<OperatorTrace> trace;
    std::int32_t debug = 0;
};

// The class object registered as "classAlgebraicEval": "new"@(anOMAccess). The evaluators it
// makes share `trace` (or, when null, each has its own).
class AlgebraicEvalMeta : public XMeta {
  public:
    explicit AlgebraicEvalMeta(OperatorTrace* trace = nullptr);
    ~AlgebraicEvalMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    Ref<OperatorTrace> trace;
};
