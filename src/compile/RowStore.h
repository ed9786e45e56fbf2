// RowStore: the rows of one operand group, a set of fixed-width identifier rows read in ascending
// row order.
#pragma once

#include <cstdint>
#include <vector>

#include "objectbase/InternalName.h"

// Rows are copied into one growing cell array in insertion order and numbered by that order.
// The join of the algebra builds results of a million rows, so the store avoids a search tree:
// while rows arrive in ascending order (the common case when an operator walks sorted inputs) an
// insert costs one comparison with the last row; out of that order a hash index over the rows
// keeps them unique and the ascending order is sorted once, when it is next read. A lookup builds
// the hash index on first use. Measured on the join benchmark this keeps the algebra within
// 3x of a plain hash join, where a tree per group was 10x.
class RowStore {
  public:
    explicit RowStore(int width);
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    int width() const { return rowWidth; }
    int size() const { return count; }
    bool empty() const { return count == 0; }

    // Copies the row unless an equal one is stored; true when it was new. `index` receives the
    // row's number (new or old) when given.
    bool insert(const InternalName* cells, int* index = nullptr);
    // The number of the stored row equal to `cells`; -1 when there is none.
    int find(const InternalName* cells) const;
    // The cells of row number `index`; valid until the next insert.
    const InternalName* row(int index) const {
        return cellData.data() + std::size_t(index) * rowWidth;
    }
    // The number of the row at position `rank` of the ascending order.
    int indexAtRank(int rank) const {
        if (inOrder) return rank;
        if (!orderValid) sortOrder();
        return order[std::size_t(rank)];
    }

    // -1, 0 or 1: cell by cell in identifier order.
    static int compareRows(const InternalName* a, const InternalName* b, int width);

  private:
    std::uint64_t hashRow(const InternalName* cells) const;
    // Builds or rebuilds the hash index for at least `rows` rows.
    void buildIndex(int rows) const;
    void indexRow(int index) const;
    void sortOrder() const;

    std::int32_t rowWidth;
    std::int32_t count = 0;
    std::vector<InternalName> cellData;
    // True while the rows were inserted in strictly ascending order: the order is then the
    // numbering itself.
    bool inOrder = true;
    mutable bool orderValid = false;
    mutable std::vector<std::uint32_t> order;
    // Open addressing: 0 is a free slot, otherwise row number + 1. Empty until first needed.
    mutable std::vector<std::uint32_t> slots;
};
