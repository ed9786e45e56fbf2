// RowStore: a set of fixed-width identifier rows read in ascending row order, with the groups
// of rows that share their first cell.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "objectbase/InternalName.h"
#include "objectbase/RelationStore.h"

// The rows lie in the object base's flat row store, numbered in insertion order. The join of the
// algebra builds results of a million rows, so the store avoids a search tree: while rows arrive
// in ascending order (the common case when an operator walks sorted inputs) an insert costs one
// comparison with the last row and no hashing at all; out of that order the row store's hash set
// keeps them unique and its ascending order is sorted when it is next read. A keyed operand
// keeps its key as each row's first cell, so its groups are runs of the ascending order, found
// through a hash table of the groups' first cells. Measured on the join benchmark (a million
// rows joined with a hundred thousand), this brought the algebra from 7x to within 3x of a plain
// hash join.
class RowStore {
  public:
    explicit RowStore(int width) : rows(width) {}
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    int width() const { return rows.width(); }
    // Forgets every row, keeping the memory for the rows to come (see RelationStore::reset).
    void reset() {
        rows.reset();
        inOrder = true;
        changed();
    }
    int size() const { return rows.size(); }
    bool empty() const { return rows.empty(); }

    // Copies the row unless an equal one is stored; true when it was new.
    bool insert(const InternalName* cells);
    // Copies each of `count` rows lying one after the other unless an equal one is stored. Once
    // the rows are out of order, the hash slots of a batch are loaded before its rows are looked
    // up, so that the lookups of a large set overlap their waits on memory.
    void insertRows(const InternalName* cells, int count);
    // Copies a row that the caller knows is not stored (a reader of a set that keeps its rows
    // apart): no probe, and the row is hashed only when a lookup needs it.
    void append(const InternalName* cells);
    // Whether an equal row is stored.
    bool contains(const InternalName* cells) const { return rows.contains(cells); }
    // The cells of row number `index`; valid until the next insert.
    const InternalName* row(int index) const { return rows.row(index); }
    // The cells of the row at position `rank` of the ascending order.
    const InternalName* rowAtRank(int rank) const {
        return row(inOrder ? rank : rows.rowAtRank(rank));
    }
    // The cells of the rows at ranks [from, from + count) of the ascending order, one row after
    // the other: the store's own while the rows came in that order, else copied into
    // `gathered`. Valid until the next insert (or change of `gathered`).
    const InternalName* rowsInOrder(int from, int count, std::vector<InternalName>& gathered) const;

    // The groups: runs of rows with equal first cells, in ascending order.
    int groupCount() const;
    // The first cell shared by the rows of group g.
    InternalName groupKey(int g) const;
    // The ranks [begin, end) of the group whose first cell is `key`; false when there is none.
    bool findGroup(const InternalName& key, int& begin, int& end) const;

    // Start loading what findGroup(key) reads, respectively the first row of key's group, into
    // the cache; a large join issues them some rows ahead of its lookups.
    void prefetchGroup(const InternalName& key) const;
    void prefetchGroupRows(const InternalName& key) const;

    // -1, 0 or 1: cell by cell in identifier order.
    static int compareRows(const InternalName* a, const InternalName* b, int width) {
        return RelationStore::compareRows(a, b, width);
    }

  private:
    void buildGroups() const;
    // The first cell of group g's rows (the groups built).
    InternalName firstCellOfGroup(std::size_t g) const;
    void changed() { groupsValid = false; }

    RelationStore rows;
    // True while the rows were inserted in strictly ascending order: the order is then the
    // numbering itself.
    bool inOrder = true;

    // A group's slot holds its key and ranks, so that a lookup reads one slot and then the rows.
    struct GroupSlot {
        InternalName key;
        std::uint32_t begin = 0;
        std::uint32_t end = 0;  // 0 is a free slot: a group is never empty
        bool isFree() const { return end == 0; }
    };
    mutable bool groupsValid = false;
    mutable std::vector<std::uint32_t> groupStarts;  // rank of each group's first row, then count
    mutable FlatHashTable<GroupSlot> groupSlots;
};
