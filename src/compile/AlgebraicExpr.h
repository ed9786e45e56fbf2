// AlgebraicExpr: a node of an operator tree, the plan of a rule body, evaluated by threading one
// current operand through the tree.
#pragma once

#include <cstdint>
#include <vector>

#include "compile/Operator.h"
#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"

class OMAccess;
class Operand;
class OutputChannel;
class SymTab;

class AlgebraicExpr : public ManagedObject {
  public:
    // Takes a reference to the operator. `keepInput` non-zero keeps the current operand as it
    // was on entry; `marker` is the translator's flag, stored only.
    AlgebraicExpr(Operator* op, int keepInput, int marker);

    // The node's result (a reference for the caller, or null). "pi" and "multipi" nodes project
    // the current operand and ignore their children; a "merge" node stops at the first child
    // that yields nothing. `*current` becomes the result unless keepInput is set. The tree does
    // not change: the operands of one evaluation live in that evaluation. Every operator is
    // traced when `tracing` is on.
    Ref<Operand> evaluate(OMAccess* access, Operand** current, const OperatorTrace& tracing) const;
    // Takes a reference to a non-null child and appends it (plan building only).
    void addChild(AlgebraicExpr* child);
    const std::vector<Ref<AlgebraicExpr>>& getChildren() const { return children; }
    Operator* getOperator() const { return op.get(); }
    // The tree as operator type names, e.g. merge(pred,isa); no end of line.
    void print(OutputChannel& out) const;
    // The plan: one line per operator with its kind and how it runs, children indented below
    // their parent by two spaces from `depth`.
    void printPlan(OutputChannel& out, const SymTab* names, int depth = 0) const;
    int getMarker() const { return marker; }
    // Has every operator of the tree drop what it keeps from run to run (Operator::
    // forgetKeptTables).
    void forgetKeptTables() const;

  protected:
    ~AlgebraicExpr() override = default;

  private:
    Ref<Operator> op;
    std::vector<Ref<AlgebraicExpr>> children;
    std::int32_t keepInput;
    std::int32_t marker;
};
