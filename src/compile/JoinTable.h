// JoinTable: the right rows of a hash join grouped by their join cells, and the memo that keeps
// one built table for the next run of the same join over the same rows.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "compile/Operand.h"
#include "foundation/FlatHashTable.h"
#include "platform/LargeArrays.h"

// The rows are grouped by a hash of their join cells (one counting pass and a copy of the cells
// the join reads, no sort), so that a left row meets the rows of its join cells in one run rather
// than through pointers scattered over the right operand (measured: a join of 4 M right rows in a
// closure's full round waited on memory for about a third of its time). A table does not change
// once built.
class JoinTable {
  public:
    // Groups the rows of `right` by the cells of its (1-based) columns `positions`, keeping the
    // cells of its columns `kept` for each row. With `ordered` above 0 the rows of each group
    // ascend by their first `ordered` kept cells (cell by cell in identifier order), so that a
    // join meeting left rows in ascending order makes its rows in ascending order. A stop
    // request while the rows are read leaves the table unfinished.
    JoinTable(const SetOperand& right, std::vector<int> positions, std::vector<int> kept,
              std::size_t ordered = 0);
    JoinTable(const JoinTable&) = delete;
    JoinTable& operator=(const JoinTable&) = delete;

    // True when every right row was read.
    bool complete() const { return finished; }
    // The number of right rows grouped.
    std::size_t rows() const { return starts.empty() ? 0 : starts.back(); }
    // The columns it was built for.
    const std::vector<int>& positions() const { return joinColumns; }
    const std::vector<int>& keptColumns() const { return keptColumnList; }
    // How many leading kept cells order the rows of each group (0: the order read).
    std::size_t orderedCells() const { return orderWidth; }
    // Whether the table was built for these columns and this order.
    bool builtFor(const std::vector<int>& positions, const std::vector<int>& kept,
                  std::size_t ordered = 0) const {
        return joinColumns == positions && keptColumnList == kept && orderWidth == ordered;
    }
    // False when no group has join cells of this hash: most left rows of a selective join meet
    // no right row, and the filter answers them from the cache where the table would not.
    bool mayMeet(std::uint64_t hash) const {
        if (filter.empty()) return true;
        const std::uint64_t bit = (hash >> 32) & filterMask;
        return (filter[bit >> 6] >> (bit & 63) & 1) != 0;
    }
    // The group whose join cells are cellAt(0 .. keyWidth - 1), found by their hash; -1 when
    // none is.
    template <class CellAt>
    std::int64_t find(std::uint64_t hash, CellAt cellAt) const {
        return table.find(hash, [&](std::uint32_t g) { return groupHas(g, cellAt); });
    }
    // Starts loading the slot where the group of this hash is looked for.
    void prefetchSlot(std::uint64_t hash) const { table.prefetch(hash); }
    // Starts loading the join cells and the rows' place of the first group whose slot holds
    // this hash's bits (the group find will most likely answer), once its slot is at hand.
    void prefetchGroup(std::uint64_t hash) const {
        const std::int64_t g = table.find(hash, [](std::uint32_t) { return true; });
        if (g < 0) return;
        __builtin_prefetch(groupKeys.data() + std::size_t(g) * keyWidth);
        __builtin_prefetch(starts.data() + g);
    }
    // Starts loading the kept cells of the first row of group g.
    void prefetchRows(std::int64_t g) const {
        if (!groupedCells.empty()) __builtin_prefetch(row(first(g)));
    }
    // The rows of group g are numbered first(g) .. end(g) - 1.
    std::uint32_t first(std::int64_t g) const { return starts[std::size_t(g)]; }
    std::uint32_t end(std::int64_t g) const { return starts[std::size_t(g) + 1]; }
    // The kept cells of row `at`, in the order of `kept`.
    const InternalName* row(std::uint32_t at) const {
        return groupedCells.data() + std::size_t(at) * keptColumnList.size();
    }

  private:
    // Sorts the rows of each group by their first orderWidth kept cells.
    void orderGroups();
    template <class CellAt>
    bool groupHas(std::uint32_t g, CellAt cellAt) const {
        const InternalName* key = groupKeys.data() + std::size_t(g) * keyWidth;
        for (std::size_t k = 0; k < keyWidth; ++k)
            if (key[k] != cellAt(k)) return false;
        return true;
    }

    std::vector<int> joinColumns;
    std::vector<int> keptColumnList;
    std::size_t keyWidth;
    std::size_t orderWidth;
    bool finished = false;
    // The groups numbered by their join cells, in the order the right rows bring them.
    EntryIndex table;
    // The most bits a filter has: one of a megabyte stays in a core's cache.
    static constexpr std::size_t LargestFilterBits = std::size_t(1) << 23;
    // One bit per hash value modulo filterMask + 1, 16 bits for each group; none for a table of
    // more groups than LargestFilterBits / 16.
    std::vector<std::uint64_t> filter;
    std::uint64_t filterMask = 0;
    // A left row reads its group's cells, place and rows at random places: a table of millions
    // of rows keeps them on huge pages, where those reads rarely miss the address cache as well
    // (measured: a 4-cycle join over 100,000 edges, probing a table of 3 M groups, took a fifth
    // less processor time).
    template <class T>
    using Probed = std::vector<T, LargeArrayAllocator<T, largeArrays::Filling::Whole>>;
    // The join cells of every group, keyWidth cells each.
    Probed<InternalName> groupKeys;
    Probed<std::uint32_t> starts;  // per group, then the end
    // The kept cells of every right row, group after group.
    Probed<InternalName> groupedCells;
};

// Small tables over rows that many joins read as they are: the right rows of the rules of a long
// chain, each joining the one before it with the same small relation, are the same in every rule,
// and grouping them again for each rule cost about as much as the rule's own join. A table is
// kept once two joins have built it for the same rows, and at most `capacity` tables are kept, the
// oldest going first; a table of more than `largestRows` rows is never kept, so that the shelf
// holds little memory whatever runs. One shelf is shared by the joins of one translator. What it
// holds follows from the rows (see RowsKey), never from a run.
class JoinTableShelf {
  public:
    static constexpr std::size_t capacity = 16;
    static constexpr std::size_t largestRows = 4096;

    // The table kept for rows of this key, these columns and this order, or null.
    std::shared_ptr<const JoinTable> find(const RowsKey& key, const std::vector<int>& positions,
                                          const std::vector<int>& kept,
                                          std::size_t ordered = 0) const;
    // Offers a table just built for rows of this key.
    void offer(const RowsKey& key, const std::shared_ptr<const JoinTable>& table);
    // Drops every table and key.
    void clear() { entries.clear(); }

  private:
    struct Entry {
        RowsKey key;
        // Null while only one join built the table.
        std::shared_ptr<const JoinTable> table;
        std::vector<int> positions;
        std::vector<int> kept;
        // The kept cells that order each group's rows.
        std::size_t ordered = 0;
    };
    // Oldest first.
    std::vector<Entry> entries;
};

// The last table one join built over rows that a store holds, with the key of those rows: the
// next run of the join over the same range of the same store state (the next round of a
// recursive rule reading an unchanged relation) takes it instead of grouping the rows again.
// Rows appended to the store, or any other change, give other keys, and the table is built anew.
// A table is kept only once the join has built it twice for the same rows: a join that runs
// once (a rule outside recursion) keeps nothing, so that its tables go with its run (kept, the
// tables of the triangle workload raised its peak memory by 5 MB). Owned by the join's plan as
// a cache: what it holds follows from the rows, never from a run. A small table also goes to the
// shelf the memo is given, if any, where other joins over the same rows find it.
class JoinTableMemo {
  public:
    explicit JoinTableMemo(std::shared_ptr<JoinTableShelf> shelf = nullptr)
        : shelf(std::move(shelf)) {}
    // The table kept for rows of this key, these columns and this order, or null.
    std::shared_ptr<const JoinTable> find(const RowsKey& key, const std::vector<int>& positions,
                                          const std::vector<int>& kept,
                                          std::size_t ordered = 0) const;
    // Offers a table just built for rows of this key: kept when complete and the last table
    // offered was for the same rows, else only the key is noted.
    void offer(const RowsKey& key, std::shared_ptr<const JoinTable> table);
    // Drops the table kept: the evaluation whose rounds it served is over. The shelf keeps its
    // tables: they are small, and the next part of the program may read the same rows.
    void forget() {
        kept.reset();
        offered = false;
    }

  private:
    std::shared_ptr<JoinTableShelf> shelf;
    // The key of the last table offered.
    RowsKey rowsKey;
    bool offered = false;
    std::shared_ptr<const JoinTable> kept;
};
