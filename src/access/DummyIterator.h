// DummyIterator: a single row of constants, or none; the answer of built-in predicates.
#pragma once

#include <string>
#include <vector>

#include "objectbase/Iterator.h"

// Width 0 with a row is the answer "true", no row the answer "false"; a row of width n carries
// computed values.
class DummyIterator : public Iterator {
  public:
    // Copies `columns` cells of `row`; a null row gives no row.
    DummyIterator(const InternalName* row, int columns, bool hasRow);

    bool first() override;
    bool next() override;
    // Cell col of the row while positioned; UndefinedObject otherwise, without a report.
    InternalName atColumn(int col) override;
    int columns() override { return static_cast<int>(cells.size()); }
    bool isA(const std::string& className) const override { return className == "DummyIterator"; }

    // Replaces the row, its width and whether it exists; a null row gives no row. Leaves the
    // position as it was.
    virtual void reset(const InternalName* row, int columns, bool hasRow);

  protected:
    ~DummyIterator() override = default;

  private:
    std::vector<InternalName> cells;
    bool hasRow = false;
    bool positioned = false;
};
