// CrossProduct: every pair of rows of two operands that share no variable, produced row by row
// when the result is read.
#pragma once

#include <vector>

#include "compile/Operand.h"
#include "foundation/Ref.h"

// The left rows stream; for each, the right rows are walked in the order they are stored (a right
// input computed on every read is stored first, so that it is computed once). A reader that takes
// the rows as they come (a negation probing each one, a rule head) never has the product stored:
// for two relations of ten thousand rows, a hundred million rows that would otherwise be kept at
// once. The product holds a reference on both inputs, which nobody changes once made.
class CrossProduct : public RowSource {
  public:
    // A result cell taken from a side's column: slot 0 left, 1 right, 1-based column.
    struct Take {
        int slot, column, cell;
    };
    // `cells` is the result row before the taken cells are written (its width). Every column
    // named lies within its side's rows.
    CrossProduct(SetOperand* left, SetOperand* right, std::vector<Take> take,
                 std::vector<InternalName> cells);
    CrossProduct(const CrossProduct&) = delete;
    CrossProduct& operator=(const CrossProduct&) = delete;

    void produce(const RowSink& emit) override;
    // True when both inputs give each row once and every column of both is taken.
    bool distinctRows() const override { return distinct; }

  private:
    Ref<SetOperand> left;
    Ref<SetOperand> right;
    std::vector<Take> take;
    std::vector<InternalName> cells;
    bool distinct = false;
};
