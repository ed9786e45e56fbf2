// Iterators over the rows of a set of tuples (TupleSetIterator) and of extended tuples.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/set.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/ParamRows.h"
#include "objectbase/Tuple.h"

class MainMemPredFrame;

// Walks a set of rows owned by someone else, or the rows of a predicate or parameter frame in
// ascending order. An ExtendedTupleSetIterator is one of these over the rows of a parameter
// frame, so whoever holds either kind re-targets it through reset.
class TupleSetIterator : public Iterator {
  public:
    TupleSetIterator(set<Tuple>* rows, int width);
    TupleSetIterator(const MainMemPredFrame* rows, int width);

    // Points the iterator at another set of rows (or none) of another width, unpositioned.
    void reset(set<Tuple>* newRows, int newWidth);
    void reset(set<ExtendedTuple>* newRows, int newWidth);
    void reset(const MainMemPredFrame* newRows, int newWidth);
    void reset(const ParamRows* newRows, int newWidth);

    bool first() override;
    bool next() override;
    // Cell `col` (1-based) of the current row; anything else is reported as an invalid use.
    InternalName atColumn(int col) override;
    int columns() override { return width; }
    bool isA(const std::string& className) const override;

  protected:
    TupleSetIterator(set<ExtendedTuple>* rows, int width);
    TupleSetIterator(const ParamRows* rows, int width);
    ~TupleSetIterator() override = default;
    virtual void reportInvalidUse() const;

  private:
    using Item = set<Tuple>::item;

    // The current row's cells (count and address), read from whichever set is walked.
    RowCells currentRow() const;
    // Stands on a copy of the parameter row `row` (null: past the end); true when on a row.
    bool holdParamRow(const InternalName* row);

    // At most one of the four is set.
    set<Tuple>* tuples = nullptr;
    set<ExtendedTuple>* extended = nullptr;
    const MainMemPredFrame* frame = nullptr;
    const ParamRows* params = nullptr;
    // For parameter rows: the place in their order and a copy of the current row, which stays
    // readable and lets the walk go on after it when rows come or go under it.
    ParamRows::Cursor cursor;
    std::vector<InternalName> currentCells;
    std::int32_t width;
    bool positioned = false;
    Item current{};
    std::int32_t rank = 0;  // the position in the frame's ascending order
};

class ExtendedTupleSetIterator : public TupleSetIterator {
  public:
    ExtendedTupleSetIterator(set<ExtendedTuple>* rows, int width) : TupleSetIterator(rows, width) {}
    ExtendedTupleSetIterator(const ParamRows* rows, int width) : TupleSetIterator(rows, width) {}
    bool isA(const std::string& className) const override;

  protected:
    void reportInvalidUse() const override;
};
