// RelationStore, the flat storage of one relation's fixed-width rows: inline in insertion order,
// hashed for membership, read in ascending order or through per-column indexes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "objectbase/InternalName.h"
#include "platform/GrowingArray.h"

// A predicate frame used to keep every row in a search tree of pointers to separate cell arrays:
// an insert walked the tree twice (membership, then insertion), about 50 comparisons per stored
// row, each a cache miss. Here the cells of all rows lie in one array in the order they came, and
// an open-addressing hash set over the row numbers answers membership with one probe per insert;
// a new row is appended where the probe ended. Insertion order numbers the rows, so the rows a
// round added are the range of numbers from the round's start to the end.
//
// Readers that want the rows in ascending order (the cell-by-cell identifier order) get them
// through a permutation kept beside the rows: only the rows added since it was last read are
// sorted and merged into it. Per-column hash indexes (cell value -> rows holding it there, in
// insertion order) are built on the first request and then kept up to date on every insert.
//
// Renaming a name rewrites the rows that hold it where they are. When that makes two rows equal,
// the rows are stored anew in their order and the later of the two goes: row numbers change
// then, which the owner of a range must know.
class RelationStore {
  public:
    // The row numbers that hold one value in one column, in insertion order.
    using RowList = std::vector<std::uint32_t>;
    // The cells of the rows, one row after the other. They grow at their end without being
    // copied once large (see GrowingArray).
    using Cells = GrowingArray<InternalName>;

    explicit RelationStore(int width);
    RelationStore(const RelationStore&) = delete;
    RelationStore& operator=(const RelationStore&) = delete;

    int width() const { return rowWidth; }
    // The stamp of the rows as they stand, up to appends: it moves on every change other than
    // an append (clear, rename, rows dropped), and no two states of any stores share one. A
    // reader that keeps a range of row numbers to read later checks that its rows are still the
    // same; a reader that keeps what it built from a range knows it by the stamp and the range.
    std::uint64_t changes() const { return stamp; }
    int size() const { return rowCount; }
    bool empty() const { return rowCount == 0; }

    // Appends a copy of the row unless an equal one is stored; true when it was new.
    bool insert(const InternalName* cells);
    // insert for `count` rows lying one after the other at `rows` (none of them this store's
    // own), in that order; the number of them that were new. The new rows are the last ones of
    // the store afterwards, in the order they came.
    int insertRows(const InternalName* rows, int count);
    // The number of the row equal to `cells`, appended when there is none: the store numbers
    // the distinct keys of a join or a grouping in the order they come.
    int numberOf(const InternalName* cells);
    // numberOf for a row whose hash (hashOf) the caller has already taken for its hints.
    int numberOf(const InternalName* cells, std::uint64_t hash);
    // The hash of a row as the store's hash set takes it: a writer that hints and then looks up
    // many rows hashes each once.
    std::uint64_t hashOf(const InternalName* cells) const { return hashRow(cells); }
    // Appends a copy of a row that the caller knows is not stored (a delta recording a fact the
    // object base has just found new). The row joins the hash set only when the set is next
    // used: a store that is only appended to and read in order never probes for it.
    void appendNew(const InternalName* cells);
    // appendNew for `count` rows lying one after the other at `rows` (none of them this store's
    // own): one copy of the block instead of a call per row.
    void appendNewRows(const InternalName* rows, int count);
    // Takes over the `count` rows held in `rows` (count * width values) without copying them,
    // when the store holds nothing but the first of those rows, if any (a writer whose first
    // row made the store): the rows from there on are then the store's new rows, numbered as
    // appendNewRows would number them, and `rows` is left empty. False, nothing taken,
    // otherwise. The caller knows that no two of the rows are equal.
    bool adoptRows(Cells& rows, int count);
    // The number of the row equal to `cells`, or -1.
    int find(const InternalName* cells) const;
    bool contains(const InternalName* cells) const { return find(cells) >= 0; }
    // Starts loading the hash slot where a row equal to `cells` is or would go; a writer of many
    // rows issues it some rows ahead, so that the probes overlap their waits on memory.
    void prefetch(const InternalName* cells) const;
    // Starts loading the cells of the row a lookup of `cells` compares first, read from the hash
    // slot that prefetch() began to load: a writer issues it some rows after that hint and some
    // rows before the lookup, which then waits on neither.
    void prefetchRow(const InternalName* cells) const;
    // prefetch and prefetchRow for a row by its hash (hashOf).
    void prefetchSlot(std::uint64_t hash) const;
    void prefetchRowOf(std::uint64_t hash) const;
    // The cells of row number `index` (0-based, insertion order); valid until the next insert.
    const InternalName* row(int index) const {
        return cells.data() + std::size_t(index) * std::size_t(rowWidth);
    }

    // The number of the row at position `rank` of the ascending order.
    int rowAtRank(int rank) const {
        if (std::size_t(rowCount) != orderSorted) sortOrder();
        return int(order[std::size_t(rank)]);
    }
    // `rangeOrder` holds the numbers of the rows from `from` on in ascending order, as far as it
    // reaches; extends it by the rows added since, so that it covers every row from `from` on.
    // Sorting millions of rows takes seconds, so the sort looks for Ctrl-C or a farewell between
    // steps: false when one cut it short, which is noted (see controlEvents::noteCutShort). The
    // added numbers then stand unsorted behind the ones there before, a walk over them still
    // meets every row once, and whoever keeps the order sorts them again later.
    bool extendOrder(std::vector<std::uint32_t>& rangeOrder, int from) const;

    // The rows that hold `value` in column `column` (0-based), or null when none does. The index
    // of the column is built on the first call.
    const RowList* rowsWithCell(int column, const InternalName& value) const;
    // True when some cell of some row is `name` (through the column indexes).
    bool holds(const InternalName& name) const;

    // Replaces `oldName` by `newName` in every cell, dropping each row that becomes equal to an
    // earlier one; the rows keep their order. True when some row held the old name.
    bool rename(const InternalName& oldName, const InternalName& newName);
    // Keeps the rows for which keep(row cells) answers true, in their order; the number dropped.
    template <class Keep>
    int retain(Keep keep);

    // Forgets every row and index.
    void clear();
    // Forgets every row and index but keeps the memory of the cells and of the hash set for
    // the rows to come: a store filled and emptied again and again (a pass's scratch rows).
    void reset();
    // Makes room for `rows` more rows at once (a writer that knows how many come).
    void reserve(int rows);
    // Makes room for `rows` more rows that come through insert or numberOf: the cells and the
    // hash set grow once instead of doubling as they fill.
    void reserveLookedUp(int rows);

    // -1, 0 or 1: cell by cell in identifier order.
    static int compareRows(const InternalName* a, const InternalName* b, int width);

  private:
    // The rows of one column by value: the distinct values in the order they came, each with its
    // rows, found through the shared hash index.
    class ColumnIndex {
      public:
        // The rows holding `value`, or null when none does.
        const RowList* find(const InternalName& value) const;
        // The rows of `value`, an empty list added when the value is new.
        RowList& rowsOf(const InternalName& value);
        // Moves the rows of `from` over to `to`, keeping them ascending.
        void moveRows(const InternalName& from, const InternalName& to);
        void clear();

      private:
        // The entry of `value`, or -1 when no row holds it.
        std::int64_t entryOf(const InternalName& value) const;

        std::vector<InternalName> values;
        std::vector<RowList> rows;
        EntryIndex slots;
    };

    std::uint64_t hashRow(const InternalName* row) const;
    // What appendAscending answers for a row it did not take.
    static constexpr int NotAppended = -1;
    // While the rows ascend: the number of a row above the last (appended) or equal to it, and
    // NotAppended for a row below it, which ends the ascent.
    int appendAscending(const InternalName* row);
    // Appends `count` rows that ascend, the first above the last stored, as appendAscending
    // appends each.
    void appendAscendingBlock(const InternalName* rows, int count);
    // The number of the row, found or appended through the hash set.
    int lookUp(const InternalName* row, std::uint64_t hash);
    // Puts the rows appended by appendNew into the hash set.
    void hashAppended() const {
        if (hashedRows != rowCount) hashRows();
    }
    void hashRows() const;
    // Indexes the rows from number `first` on in the built column indexes.
    void indexRowsFrom(std::int32_t first);
    // Appends the row's cells and indexes them in the built column indexes.
    void appendRow(const InternalName* row);
    // Whether row number `index` holds the cells.
    bool rowIs(std::uint32_t index, const InternalName* cells) const {
        return compareRows(row(int(index)), cells, rowWidth) == 0;
    }
    // Rewrites the rows holding `oldName` where they are, unless that makes two rows equal:
    // false then, and nothing changed. Builds every column index it has not yet.
    bool renameInPlace(const InternalName& oldName, const InternalName& newName);
    // Rebuilds the hash set, the order and the built column indexes from the rows.
    void reindex();
    // Gives the rows a stamp no state of any store had before.
    void restamp();
    void indexColumn(ColumnIndex& index, int column, std::uint32_t from) const;
    // extendOrder's steps: the rows from `from` on, when they ascend in the cells behind cell
    // `lead` and hold few values there, appended to `rangeOrder` in ascending order (false,
    // nothing appended, otherwise); and the appended rows merged with the `before` rows there.
    bool orderByFewLeadValues(std::vector<std::uint32_t>& rangeOrder, std::int32_t from,
                              int lead) const;
    bool mergeNew(std::vector<std::uint32_t>& rangeOrder, std::size_t before) const;

    std::int32_t rowWidth;
    std::int32_t rowCount = 0;
    std::uint64_t stamp;
    Cells cells;
    // The hash set over the row numbers; holds the rows numbered below hashedRows.
    mutable EntryIndex slots;
    mutable std::int32_t hashedRows = 0;
    // The rows reserveLookedUp made room for while the rows ascended, the hash set not sized for
    // them yet: it is when it is next filled (0: none promised).
    mutable std::int32_t promisedRows = 0;
    // True while every row came through numberOf (or insert) in strictly ascending order: a row
    // above the last is then not stored.
    bool ascending = true;
    // Extends the order to every row; the rows a cut sort left unsorted are sorted again, unless
    // a stop is still pending (the work reading them is being given up).
    void sortOrder() const;

    // Row numbers in ascending row order; the rows numbered below its size are in it, the first
    // orderSorted of them in order (the rest left unsorted by a sort cut short).
    mutable std::vector<std::uint32_t> order;
    mutable std::size_t orderSorted = 0;
    // One per column once asked for, else null.
    mutable std::vector<std::unique_ptr<ColumnIndex>> columns;
};

template <class Keep>
int RelationStore::retain(Keep keep) {
    std::size_t kept = 0;
    const std::size_t w = std::size_t(rowWidth);
    for (std::int32_t i = 0; i < rowCount; ++i) {
        const InternalName* from = row(i);
        if (!keep(from)) continue;
        if (kept != std::size_t(i)) std::copy(from, from + w, cells.data() + kept * w);
        ++kept;
    }
    const int dropped = rowCount - int(kept);
    if (dropped == 0) return 0;
    rowCount = std::int32_t(kept);
    restamp();
    cells.shrinkTo(kept * w);
    reindex();
    return dropped;
}
