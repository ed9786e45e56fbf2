// HashJoin: the join of two unkeyed operands on their shared variables, read in place and
// produced row by row when its result is read.
#pragma once

#include <cstdint>
#include <vector>

#include "compile/Operand.h"
#include "compile/Ref.h"
#include "foundation/FlatHashTable.h"

// The right rows are grouped by a hash of their join cells (one counting pass and a copy of the
// cells the result reads, no sort), then each left row, in the order it comes, meets the rows of
// its join cells. The join holds a reference on both inputs, which nobody changes once made; the
// grouping is built on the first run and kept for later ones.
//
// The left rows stream: when the left input is itself a join whose rows wait in their source,
// each of its rows is made when this join asks for it and never stored, and a reader that wants
// one row (an emptiness test) makes the inner joins run only until that row is found. The right
// input is read whole into the grouping; a right input computed on every read is stored first so
// that it is computed once.
class HashJoin : public RowSource {
  public:
    // A condition that two cells of the joined rows agree: slot (0 left, 1 right) and 1-based
    // column of each side.
    struct Agree {
        int slotA, columnA, slotB, columnB;
    };
    // A result cell taken from a side's column.
    struct Take {
        int slot, column, cell;
    };
    // `leftPositions` and `rightPositions` are the 1-based columns of the shared variables;
    // `cells` is the result row before the taken cells are written (its width). Every column
    // named lies within its side's rows.
    HashJoin(SetOperand* left, SetOperand* right, std::vector<int> leftPositions,
             std::vector<int> rightPositions, std::vector<Agree> agree, std::vector<Take> take,
             std::vector<InternalName> cells);
    HashJoin(const HashJoin&) = delete;
    HashJoin& operator=(const HashJoin&) = delete;

    void produce(const RowSink& emit) override;
    // True when both inputs give each row once and every column of both is taken into the
    // result (or agrees with one that is): two joined pairs then never give the same row.
    bool distinctRows() const override { return distinct; }

    // A hash of a combination of cells, for tables keyed by several join cells.
    struct CellsHash {
        std::size_t operator()(const std::vector<InternalName>& cells) const;
    };

  private:
    void group();
    // Whether group g's join cells are cellAt(0 .. keyWidth - 1).
    template <class CellAt>
    bool groupHas(std::uint32_t g, CellAt cellAt) const {
        const InternalName* key = groupKeys.data() + std::size_t(g) * keyWidth;
        for (std::size_t k = 0; k < keyWidth; ++k)
            if (key[k] != cellAt(k)) return false;
        return true;
    }
    // False when no group has join cells of this hash: most left rows of a selective join meet
    // no right row, and the filter answers them from the cache where the table would not.
    bool mayMeet(std::uint64_t hash) const {
        const std::uint64_t bit = (hash >> 32) & filterMask;
        return (filter[bit >> 6] >> (bit & 63) & 1) != 0;
    }

    Ref<SetOperand> left;
    Ref<SetOperand> right;
    std::vector<int> leftPositions;
    std::vector<int> rightPositions;
    std::vector<Agree> agree;
    std::vector<Take> take;
    std::vector<InternalName> cells;
    bool distinct = false;

    bool grouped = false;
    // The groups numbered by their join cells, in the order the right rows bring them.
    EntryIndex table;
    // One bit per hash value modulo filterMask + 1, 16 bits for each group.
    std::vector<std::uint64_t> filter;
    std::uint64_t filterMask = 0;
    // The join cells of every group, keyWidth cells each.
    std::vector<InternalName> groupKeys;
    std::size_t keyWidth;
    std::vector<std::uint32_t> starts;  // per group, then the end
    // The right columns (1-based) the conditions and the result read, in the order kept.
    std::vector<int> rightColumns;
    // Those cells of every right row, group after group: a group's rows are read in one run
    // rather than through pointers scattered over the right operand (measured: a join of 4 M
    // right rows in a closure's full round waited on memory for about a third of its time).
    std::vector<InternalName> groupedCells;
};
