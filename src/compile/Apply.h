// Apply: the operator of a term that yields a value, a path step host.m@(args) or an arithmetic
// term a op b; each row is keyed by the value the term yields.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"

struct ApplySpec {
    // The pattern positions without the result.
    int arity = 0;
    // The step's method type ("." 0, ".." 1, "/@" 2, "!" 3, "!!" 4, "!!@" 5) or the arithmetic
    // operator (100 "+", 101 "-", 102 "*", 103 "div", 104 "/").
    int stepKind = 0;
    // Goes unchanged to OMAccess::matchAxis as the axis.
    int resultKind = 0;
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
    bool arithmetic() const { return stepKind >= 100 && stepKind <= 104; }

    std::int32_t stepKind;
    std::int32_t resultKind;
};
