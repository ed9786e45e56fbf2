// HashJoin: the join of two unkeyed operands on their shared variables, read in place and
// produced row by row when its result is read.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "compile/JoinTable.h"
#include "compile/Operand.h"
#include "foundation/Ref.h"

// The right rows are grouped by their join cells (see JoinTable), then each left row, in the
// order it comes, meets the rows of its join cells. The join holds a reference on both inputs,
// which nobody changes once made; the table is built on the first run and kept for later ones,
// and a join given a memo takes the table from it when the right rows are a store's rows it was
// built from (the unchanged relation of a recursive rule, round after round).
//
// The left rows stream: when the left input is itself a join whose rows wait in their source,
// each of its rows is made when this join asks for it and never stored, and a reader that wants
// one row (an emptiness test) makes the inner joins run only until that row is found. The right
// input is read whole into the table; a right input computed on every read is stored first so
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
    // `memo`, when given, is shared with the plan that keeps it.
    HashJoin(SetOperand* left, SetOperand* right, std::vector<int> leftPositions,
             std::vector<int> rightPositions, std::vector<Agree> agree, std::vector<Take> take,
             std::vector<InternalName> cells, std::shared_ptr<JoinTableMemo> memo = nullptr);
    HashJoin(const HashJoin&) = delete;
    HashJoin& operator=(const HashJoin&) = delete;

    void produce(const RowSink& emit) override;
    // True when the result's cells are the left row's cells followed by right cells, the rows
    // distinct and the left rows at hand in ascending order: meeting them in that order with
    // each group's rows ascending gives the rows ascending, without a sort of them.
    bool givesAscending() const override { return ascending; }
    void produceAscending(const RowSink& emit) override;
    // True when both inputs give each row once and every column of both is taken into the
    // result (or agrees with one that is): two joined pairs then never give the same row.
    bool distinctRows() const override { return distinct; }

  private:
    // The number of left rows met with the table together.
    static constexpr std::size_t Batch = 16;
    // Up to this many right rows the table stays in the cache: a left row is met at once, as
    // waiting in a batch would only add the copying.
    static constexpr std::size_t CachedRows = std::size_t(1) << 15;
    // The table of the right rows: from the memo, or built (and offered to the memo).
    void group();
    // Meets the left rows, read in `leftOrder`, with the table.
    void run(const RowSink& emit, RowOrder leftOrder);

    Ref<SetOperand> left;
    Ref<SetOperand> right;
    std::vector<int> leftPositions;
    std::vector<int> rightPositions;
    std::vector<Agree> agree;
    std::vector<Take> take;
    std::vector<InternalName> cells;
    bool distinct = false;
    bool ascending = false;
    // The kept right cells that order each group's rows (0 unless ascending).
    std::size_t orderedCells = 0;
    std::size_t keyWidth;
    // The right columns (1-based) the conditions and the result read, in the order kept.
    std::vector<int> rightColumns;
    std::shared_ptr<JoinTableMemo> memo;
    std::shared_ptr<const JoinTable> table;
};
