// Iterators over the rows of a set of tuples (TupleSetIterator) and of extended tuples.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "objectbase/Iterator.h"
#include "foundation/Error.h"
#include "foundation/set.h"
#include "objectbase/InternalName.h"
#include "objectbase/Tuple.h"

// The shared walk over a set of rows owned by someone else; `Row` is Tuple or ExtendedTuple.
template <class Row>
class RowSetIterator : public Iterator {
  public:
    RowSetIterator(set<Row>* rows, int width) : rows(rows), width(width) {}

    // Points the iterator at another set (or none) of another width, unpositioned.
    void reset(set<Row>* newRows, int newWidth) {
        rows = newRows;
        width = newWidth;
        positioned = false;
        current = Item{};
    }

    bool first() override {
        positioned = false;
        if (rows == nullptr) return false;
        current = rows->first_item();
        positioned = current != Item{};
        return positioned;
    }

    bool next() override {
        if (rows == nullptr || !positioned) {
            positioned = false;
            return false;
        }
        current = rows->next_item(current);
        positioned = current != Item{};
        return positioned;
    }

    // Cell `col` (1-based) of the current row; anything else is reported as an invalid use.
    InternalName atColumn(int col) override {
        if (rows != nullptr && positioned && col >= 1 && col <= width) {
            const Row& row = rows->key(current);
            if (col <= row.count()) return row.cells()[col - 1];
        }
        reportInvalidUse();
        return InternalName::UndefinedObject;
    }

    int columns() override { return width; }

  protected:
    ~RowSetIterator() override = default;
    virtual void reportInvalidUse() const = 0;

  private:
    using Item = decltype(std::declval<set<Row>&>().first_item());

    set<Row>* rows;
    std::int32_t width;
    bool positioned = false;
    Item current{};
};

class TupleSetIterator : public RowSetIterator<Tuple> {
  public:
    using RowSetIterator<Tuple>::RowSetIterator;
    bool isA(const std::string& className) const override;

  protected:
    void reportInvalidUse() const override;
};

class ExtendedTupleSetIterator : public RowSetIterator<ExtendedTuple> {
  public:
    using RowSetIterator<ExtendedTuple>::RowSetIterator;
    bool isA(const std::string& className) const override;

  protected:
    void reportInvalidUse() const override;
};
