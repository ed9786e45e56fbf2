// AnswerColumns, the order of the columns a rule's answers are printed in, decided once when its
// body is translated: the evaluated tree's own, or the variables named here first.
#pragma once

#include <utility>

#include "foundation/clib_list.h"
#include "objectbase/FSymbol.h"

class AnswerColumns {
  public:
    // The evaluated tree's columns stand.
    AnswerColumns() = default;
    // These variables come first, in this order; a column they do not name keeps its place
    // after them.
    static AnswerColumns reordered(clib_list<FSymbol> order) {
        AnswerColumns columns;
        columns.named = std::move(order);
        columns.reorders = true;
        return columns;
    }

    bool keepsTreeOrder() const { return !reorders; }
    const clib_list<FSymbol>& order() const { return named; }

  private:
    clib_list<FSymbol> named;
    bool reorders = false;
};
