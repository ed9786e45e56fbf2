// Apply: the operator of a term that yields a value, a path step host.m@(args) or an arithmetic
// term a op b; each row is keyed by the value the term yields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"
#include "compile/MethodCodes.h"

struct ApplySpec {
    // The pattern positions without the result.
    int arity = 0;
    PathStep step = MethodType::Scalar;
    // The document axis of the step; None for a plain path step or an arithmetic term.
    Axis axis = Axis::None;
    PatternSpec pattern;
};

class Apply : public BaseOperator {
  public:
    explicit Apply(const ApplySpec& spec);

  protected:
    ~Apply() override = default;

  private:
    void matchRelation(Run& run) const override;
    void trace(const Run& run) const override;
    // The pattern positions followed by the result position, which is always left free.
    int patternWidth() const override { return arity > 0 ? arity + 1 : 1; }
    bool arithmetic() const { return std::holds_alternative<ArithmeticOp>(step); }

    PathStep step;
    Axis axis;
};
