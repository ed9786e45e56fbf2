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

class Aggregation : public Operator {
  public:
    Aggregation(std::string typeName, int arity, std::string opName, FSymbol aggVar,
                clib_list<FSymbol> groupVars);

    void print() override;
    // Reads only the first input.
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    bool isGroupedBy(const InternalName& var, int* out) override;

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

    // The group cells of a row.
    Group groupOf(Iterator* row) const;
    // The mapped value of a row's aggregated column.
    InternalName valueOf(Iterator* row) const;

    void minMax(bool wantMin);
    void sumAvg(bool average);
    void count();
    void nest();

    FSymbol aggVar;
    Operand* input = nullptr;
    OMAccess* access = nullptr;
    std::string opName;
    std::int32_t aggColumn = 0;
    std::vector<int> positions;
    SetOperand* result = nullptr;
};
