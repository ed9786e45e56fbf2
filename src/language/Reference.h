// Reference, one method application step of a path (host.method@(args)), and PevoReference, the
// same step written with the XML axes of the Pevo dialect.
#pragma once

#include <cstddef>

#include "foundation/clib_list.h"
#include "language/CPath.h"
#include "language/MethodCall.h"

class MethRef;

class Reference : public CPath {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::Reference;
    // The step of `step` over the host: its method, code, arguments and dot, each referenced.
    Reference(Path* host, const MethRef* step);
    Reference(const Reference& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // host, the dot, the method, "@(" arguments ")", the result part.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    // Host, method, arguments, dot and code.
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By host, method, arguments, dot, then code.
    int compareSameClass(const ParseTreeNode& other) const override;
    int pathLength() const override;

    FTerm* getMethod() const { return call.method(); }
    int getCode() const { return call.code(); }
    clib_list<FTerm*>* getArgs() const { return call.args(); }
    int getDot() const { return dot; }

  protected:
    ~Reference() override = default;

  private:
    MethodCall call;
    int dot;
};

class PevoReference : public Reference {
  public:
    // No class name of its own, so node_cast cannot single it out.
    static constexpr std::nullptr_t nodeClass = nullptr;
    using Reference::Reference;
    PevoReference(const PevoReference& other) = default;

    using ParseTreeNode::print;
    // host, ":" or "/", the axis ("descendant::", "@", "!" ...), the method, "()" for a function
    // application, the arguments and the result part.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;

  protected:
    ~PevoReference() override = default;
};
