// HashJoin: the join of two unkeyed operands on their shared variables, read in place and
// produced row by row when its result is first read.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "compile/Operand.h"

// The right rows are grouped by a hash of their join value (one counting pass and a copy of
// the cells the result reads, no sort), then each left row, in the order it was stored, meets the
// rows of its value. The join takes a reference on both inputs, which nobody changes once made, and
// lets them go with itself; the grouping is built on the first run and kept for later ones.
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
    // `cells` is the result row before the taken cells are written (its width).
    HashJoin(SetOperand* left, SetOperand* right, std::vector<int> leftPositions,
             std::vector<int> rightPositions, std::vector<Agree> agree, std::vector<Take> take,
             std::vector<InternalName> cells);
    ~HashJoin() override;
    HashJoin(const HashJoin&) = delete;
    HashJoin& operator=(const HashJoin&) = delete;

    void produce(const RowSink& emit) override;

    // A hash of a combination of cells, for tables keyed by several join cells.
    struct CellsHash {
        std::size_t operator()(const std::vector<InternalName>& cells) const;
    };

  private:
    // The join value of a row: its cell when one variable is shared, else the number of the
    // combination of its shared cells, numbered as the right rows show them. False when no
    // right row has it (never when adding).
    bool valueOf(const InternalName* cells, const std::vector<int>& positions, bool add,
                 InternalName& value);
    void group();
    std::size_t slotOf(const InternalName& value) const;

    SetOperand* left;
    SetOperand* right;
    std::vector<int> leftPositions;
    std::vector<int> rightPositions;
    std::vector<Agree> agree;
    std::vector<Take> take;
    std::vector<InternalName> cells;

    bool grouped = false;
    struct Group {
        InternalName value;
        std::uint32_t id = 0;  // group number + 1; 0 is a free slot
    };
    std::vector<Group> table;
    std::vector<std::uint32_t> starts;  // per group, then the end
    // The right columns (1-based) the conditions and the result read, in the order kept.
    std::vector<int> rightColumns;
    // Those cells of every right row, group after group: a group's rows are read in one run
    // rather than through pointers scattered over the right operand (measured: a join of 4 M
    // right rows in a closure's full round waited on memory for about a third of its time).
    std::vector<InternalName> groupedCells;
    std::unordered_map<std::vector<InternalName>, std::int32_t, CellsHash> combinations;
    std::vector<InternalName> key;
};
