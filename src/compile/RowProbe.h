// RowProbe, the test a negation asks of its negated literal for one row of the rows before it.
#pragma once

#include "objectbase/InternalName.h"

// Whether the negated literal holds for the cells of one row, its pattern's constants found once
// per evaluation: the rows tested are neither projected nor stored first.
class RowProbe {
  public:
    virtual ~RowProbe() = default;
    // `row` holds the cells of the row tested, 0-based.
    virtual bool holds(const InternalName* row) = 0;
    // Starts loading what holds(row) will read: a caller testing many rows gives the hint some
    // rows ahead, so that the tests of a large relation overlap their waits on memory.
    virtual void hint(const InternalName* /*row*/) {}
};
