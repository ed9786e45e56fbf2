// AlgebraicExpr: a node of an operator tree, evaluated by threading one current operand through
// the tree.
#pragma once

#include <cstdint>

#include "compile/Operator.h"
#include "compile/Ref.h"
#include "foundation/ManagedObject.h"
#include "foundation/clib_list.h"

class OMAccess;
class Operand;
class OutputChannel;

class AlgebraicExpr : public ManagedObject {
  public:
    // Takes a reference to the operator. `keepInput` non-zero keeps the current operand as it
    // was on entry; `marker` is the translator's flag, stored only.
    AlgebraicExpr(Operator* op, int keepInput, int marker);

    // Drops one reference of every collected input; the list stays as it is.
    virtual void releaseInputs();
    // The node's result (a reference for the caller, or null). "pi" and "multipi" nodes project
    // the current operand and ignore their children; a "merge" node stops at the first child
    // that yields nothing. `*current` becomes the result unless keepInput is set.
    virtual Operand* evaluate(OMAccess* access, Operand** current);
    // Takes a reference to a non-null child and appends it.
    virtual void addChild(AlgebraicExpr* child);
    virtual clib_list<AlgebraicExpr*>* getChildren() { return &children; }
    virtual Operator* getOperator() { return op.get(); }
    // The tree as operator type names, e.g. merge(pred,isa); no end of line.
    virtual void print(OutputChannel& out);
    virtual int getMarker() const { return marker; }

  protected:
    ~AlgebraicExpr() override;

  private:
    Ref<Operator> op;
    clib_list<Operand*> inputs;
    clib_list<AlgebraicExpr*> children;
    std::int32_t keepInput;
    std::int32_t marker;
};
