// Iterator: the protocol of every row iterator that enumerates InternalName rows with 1-based
// columns.
#pragma once

#include <string>

#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"
#include "objectbase/InternalName.h"

// A caller walks the rows with first() and next() and stops at the first false; a row is read
// with atColumn only between a true answer and the next call of first() or next(). Re-targeting
// operations of subclasses never position the iterator. A zero-column row stands for "true", no
// row at all for "false". Holders release iterators through reference counting.
class Iterator : public ManagedObject {
  public:
    // Positions on the first row; true when there is one.
    virtual bool first() = 0;
    // Advances to the next row; true while positioned on a row.
    virtual bool next() = 0;
    // A copy of cell `col` (counted from 1) of the current row; UndefinedObject for a column that
    // does not exist or when the iterator is not positioned.
    virtual InternalName atColumn(int col) = 0;
    // The number of columns of the rows.
    virtual int columns() = 0;
    // True for exactly the one word that names the iterator's class (or family); never for
    // "Iterator". Factories test it before they re-target an old iterator in place.
    virtual bool isA(const std::string& className) const = 0;

  protected:
    Iterator() = default;
    ~Iterator() override;
};

// Whether the iterator (null allowed) yields a row; the caller hands it over and it is released.
bool yieldsRow(Iterator* it);
