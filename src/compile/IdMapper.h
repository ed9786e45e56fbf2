// IdMapper: the operator that maps function terms (and lone constants) to the identifiers the
// object base gives them, keyed by the identifier.
#pragma once

#include <string>
#include <vector>

#include "compile/BaseOperator.h"

struct IdMapperSpec {
    int arity = 0;
    FSymbol function;
    // Relation columns count over the pattern; the operator shifts them past the function.
    PatternSpec pattern;
};

// Relation rows are [function, arguments..., identifier]: pattern position p is column p + 2.
class IdMapper : public BaseOperator {
  public:
    explicit IdMapper(const IdMapperSpec& spec);

    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;

  protected:
    ~IdMapper() override = default;

  private:
    void matchRelation(Run& run) const override;
    void trace(const Run& run) const override;

    FSymbol function;
};
