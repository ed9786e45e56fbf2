// Isa: the operator of an is-a literal (O : C, O :: C or the child relation), keyed by the object.
#pragma once

#include <string>
#include <vector>

#include "compile/BaseOperator.h"

struct IsaRelationSpec {
    int arity = 2;
    // 1 instance of, 2 subclass, 3 child.
    int isaKind = 1;
    PatternSpec pattern;
};

class Isa : public BaseOperator {
  public:
    explicit Isa(const IsaRelationSpec& spec);

  protected:
    ~Isa() override = default;

  private:
    void matchRelation(Run& run) const override;
    void trace(const Run& run) const override;
    // The variable at the object position, when there is one.
    FSymbol keyVariable() const override { return objectVariable; }
    int patternWidth() const override { return arity < 2 ? 2 : arity; }

    std::int32_t isaKind;
    FSymbol objectVariable;
};
