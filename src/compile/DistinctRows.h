// DistinctRows, rows gathered in any order and with repeats, handed out once each in ascending
// order after one sort.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "objectbase/InternalName.h"
#include "platform/GrowingArray.h"

// The rows a rule makes in one pass go to its head relation each once, in ascending order. A
// hash set that dropped each repeat as it came and a sort of the survivors afterwards took most
// of the time of storing a join's five million rows: a random probe per row, the set doubled
// again and again with its fresh pages faulted each time, then a comparison sort. Here the rows
// are only appended; a radix sort (linear, digits of the bits that differ between rows) orders
// them once and repeats are dropped as neighbours. So that a join with many repeats does not hold
// them all, the rows gathered since the last sort are sorted and merged into the sorted ones
// whenever they outnumber them twice over (four times when the last sort dropped few repeats),
// and hold 16 M cells at least.
class DistinctRows {
  public:
    explicit DistinctRows(int width) : rowWidth(width < 0 ? 0 : width) {}
    DistinctRows(const DistinctRows&) = delete;
    DistinctRows& operator=(const DistinctRows&) = delete;

    int width() const { return rowWidth; }
    // Forgets every row, keeping the memory for the rows to come.
    void reset();
    // Appends a copy of the row (an equal one may be there).
    void add(const InternalName* row) {
        const std::size_t w = std::size_t(rowWidth);
        if (cells.capacity() - rowCount * w < w) [[unlikely]]
            grow(w);
        InternalName* out = cells.data() + rowCount * w;
        // Rows that come in ascending order (an anti-join walking sorted inputs) need no sort:
        // one comparison with the row before tells, until one comes out of order.
        if (ascending && rowCount > 0 && lessThanLast(row, out - w)) ascending = false;
        for (std::size_t k = 0; k < w; ++k) out[k] = row[k];
        if (++rowCount >= sortAt) [[unlikely]]
            sortNew();
    }
    // add for `count` rows lying one after the other.
    void addRows(const InternalName* rows, int count);

    // Sorts the rows and drops repeats: from then until the next add, the rows are distinct and
    // ascending (cell by cell in identifier order).
    void settle();
    // The number of rows; distinct once settled.
    int size() const { return int(rowCount); }
    bool empty() const { return rowCount == 0; }
    // Hands the rows over in their own array (size() * width() values held), once settled: a
    // store that holds nothing yet takes them without a copy. Leaves this empty, without room.
    GrowingArray<InternalName> takeRows();
    // The cells of the row at position `index`: after settle, the rank in ascending order.
    const InternalName* row(int index) const {
        return cells.data() + std::size_t(index) * std::size_t(rowWidth);
    }

  private:
    // Whether `row` lies below `last` (cell by cell in identifier order).
    bool lessThanLast(const InternalName* row, const InternalName* last) const {
        for (std::int32_t k = 0; k < rowWidth; ++k)
            if (row[k] != last[k]) return row[k] < last[k];
        return false;
    }

    // The fewest rows gathered past the sorted ones before they are sorted and merged in: 16 M
    // cells (128 MB), so that a join without many repeats is sorted once, at the end.
    static constexpr std::size_t FewestCellsToSort = std::size_t(1) << 24;
    std::size_t fewestToSort() const {
        return FewestCellsToSort / std::size_t(rowWidth > 0 ? rowWidth : 1);
    }

    [[gnu::noinline]] void grow(std::size_t more);
    // Sorts the rows past the sorted ones, drops repeats among them and merges them with the
    // sorted ones, repeats dropped: all rows are then sorted and distinct.
    void sortNew();
    // Radix-sorts the rows [from, rowCount) in place (through `spare`), repeats kept.
    void sortRange(std::size_t from);
    // Drops the repeats of the ascending rows [from, rowCount), moving the rest down.
    void dropRepeats(std::size_t from);
    // Merges the ascending rows [0, mid) and [mid, rowCount), dropping repeats.
    void mergeSorted(std::size_t mid);

    std::int32_t rowWidth;
    // Only the room of these arrays is used: the rows lie in the first rowCount * width cells
    // of `cells`. A sort or merge writes to `spare`, which then changes places with `cells`.
    GrowingArray<InternalName> cells;
    GrowingArray<InternalName> spare;
    std::size_t rowCount = 0;
    // The first rows, sorted and distinct.
    std::size_t sortedRows = 0;
    // True while no row came below the row before it: the rows are then sorted but for
    // neighbouring repeats.
    bool ascending = true;
    // The row count at which the gathered rows are next sorted.
    std::size_t sortAt = fewestToSort();
};
