// StableRows: a range of a relation store's rows that a plan reads later, with the store's change
// stamp taken when the range was handed out.
#pragma once

#include <cstdint>

#include "objectbase/RelationStore.h"

// A plan that reads a store's rows in place rather than copying them relies on the rows from
// `from` to `to` staying as they are until it is done: rows appended meanwhile lie behind `to`
// and are not read, and each row is looked up by number, since an append may move the cells.
// Any other change (a clear, a rename, rows dropped) moves the numbered rows; the store counts
// such changes, and the range keeps the count it saw. A reader finding it changed reports an
// internal error and reads nothing, in every build: reading on would answer with wrong rows.
class StableRows {
  public:
    StableRows(const RelationStore* store, int from)
        : store(store), from(from), to(store->size()), stamp(store->changes()) {}

    const RelationStore& rows() const { return *store; }
    int begin() const { return from; }
    int end() const { return to; }
    // The store's stamp when the range was handed out.
    std::uint64_t stampTaken() const { return stamp; }
    // True while the store has had no change other than appends since the range was made.
    bool current() const { return store->changes() == stamp; }

    // Calls visit(cells) for the rows of the range in the order they were stored, until it
    // answers false. False when the store changed under the range: the internal error is
    // reported and no row is visited.
    template <class Visit>
    bool scan(Visit visit) const {
        if (!current()) {
            reportChanged();
            return false;
        }
        for (int index = from; index < to; ++index)
            if (!visit(store->row(index))) break;
        return true;
    }

  private:
    // Reports the broken contract through the central error handler.
    static void reportChanged();

    const RelationStore* store;
    int from;
    int to;
    std::uint64_t stamp;
};
