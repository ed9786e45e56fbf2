// Aggregation: the operator of an aggregate term op{X [G1, ..., Gn] ; body}: for each group of
// values of the grouping variables it folds the values of X with min, max, sum, avg, count or
// nest; each group is one row, stored under its aggregate value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "access/ExactNumber.h"
#include "compile/Operator.h"

class Iterator;
class SetOperand;

// The fold of an aggregate, named once when the plan is made.
enum class AggregateKind { Min, Max, Sum, Avg, Count, Nest, Unknown };

class Aggregation : public Operator {
  public:
    // `opName` one of min, max, sum, avg, count and nest.
    Aggregation(const std::string& opName, FSymbol aggVar, clib_list<FSymbol> groupVars);

    // Reads only the first input.
    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;
    bool isGroupedBy(const InternalName& var, int* out) const override;
    std::string strategy(const SymTab* names) const override;

  protected:
    ~Aggregation() override = default;

  private:
    // Sums are exact while every value is an integer, and taken in double precision from the
    // first float on; 32-bit floats would lose digits of large sums.
    struct agginfo {
        ExactNumber sum = ExactNumber::integer(0);
        std::int32_t count = 0;
    };
    using Group = std::vector<InternalName>;

    // One evaluation: the input, the columns of the groups and of the value, and the result.
    struct Run {
        Operand* input = nullptr;
        OMAccess* access = nullptr;
        const clib_list<FSymbol>& variables;
        std::int32_t aggColumn = 0;
        std::vector<int> positions;
        SetOperand* result = nullptr;

        // The group cells of a row.
        Group groupOf(const InternalName* row) const;
        // The mapped value of a row's aggregated column.
        InternalName valueOf(const InternalName* row) const;
        // True when the rows' (group, value) pairs are distinct without a probe of their own.
        bool pairsDistinct() const;

        void minMax(bool wantMin);
        void sumAvg(bool average);
        void count();
        void nest();
    };

    void trace(const Run& run) const;

    FSymbol aggVar;
    AggregateKind fold;
};
