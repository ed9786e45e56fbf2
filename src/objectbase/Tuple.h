// Fixed-width rows of identifiers (Tuple, ExtendedTuple), their orders and the pool their cells
// come from.
#pragma once

#include <cstdint>

#include "foundation/ClibElement.h"
#include "objectbase/InternalName.h"

// The cells of a row and their number. Sets keep their keys inside the tree nodes only when a key
// fits in one machine word, so the address (below 2^48 in user space on the 64-bit platforms the
// system runs on) and the 16-bit count share one 64-bit word; a plain two-word key would cost
// every set of rows an allocation per key. The record only points at its cells: whoever stores a
// row owns its cell array, so copying a row never copies cells.
class RowCells {
  public:
    RowCells() = default;
    // Every row is made here, so here the packing is checked: an address at or above 2^48 or a
    // count outside 0..32767 is a fatal error of the container library (a handler that returns
    // gets the empty row), never a silently different row.
    RowCells(InternalName* rowCells, int cellCount) {
        if (!representable(rowCells) || cellCount < 0 || cellCount > MaxCount) [[unlikely]] {
            refuse(rowCells, cellCount);
            return;
        }
        bits = reinterpret_cast<std::uintptr_t>(rowCells) |
               (std::uint64_t(std::uint16_t(cellCount)) << CountShift);
    }

    InternalName* cells() const {
        return reinterpret_cast<InternalName*>(static_cast<std::uintptr_t>(bits & AddressMask));
    }
    int count() const { return static_cast<std::int16_t>(bits >> CountShift); }

    // True when rows over `cells` keep their address intact.
    static bool representable(const InternalName* cells) {
        return (std::uint64_t(reinterpret_cast<std::uintptr_t>(cells)) & ~AddressMask) == 0;
    }

    static constexpr int MaxCount = 32767;

  private:
    static void refuse(const InternalName* cells, int count);

    static constexpr int CountShift = 48;
    static constexpr std::uint64_t AddressMask = (std::uint64_t(1) << CountShift) - 1;

    std::uint64_t bits = 0;
};

// A row of identifiers.
class Tuple : public RowCells {
  public:
    using RowCells::RowCells;
};

// Cell by cell in identifier order, the first difference deciding; when one row is a prefix of the
// other, the shorter comes first.
int compare(const Tuple& a, const Tuple& b);

// A row of a parameter frame: the argument cells followed by one result cell.
class ExtendedTuple : public RowCells {
  public:
    using RowCells::RowCells;

    int argCount() const { return count() > 0 ? count() - 1 : 0; }
    const InternalName& result() const { return cells()[count() - 1]; }
};

// Sets and dictionaries of rows keep them inside their nodes on 64-bit platforms.
static_assert(sizeof(void*) < 8 || (clib_in_word<Tuple> && clib_in_word<ExtendedTuple>));

// By the arguments first, then by the result. Rows with equal arguments therefore lie next to
// each other and a set can hold several results for one argument list. Neither side is changed.
int compare(const ExtendedTuple& a, const ExtendedTuple& b);

// Compares only the argument cells of two rows.
int compareArguments(const ExtendedTuple& a, const ExtendedTuple& b);

// Cell arrays of one width for the rows of one frame. They are carved out of chunks that grow
// with the frame (one row at first, doubling up to a limit), so a stored row costs its cells and
// no allocation header; a dropped row's array is reused; everything is freed at once by clear.
class RowCellPool {
  public:
    explicit RowCellPool(int width);
    ~RowCellPool();
    RowCellPool(const RowCellPool&) = delete;
    RowCellPool& operator=(const RowCellPool&) = delete;

    // An array of `width` cells, or null when no memory can be had.
    InternalName* allocate();
    // Hands an array of this pool back for reuse.
    void release(InternalName* cells);
    // Frees every chunk; arrays handed out before become invalid.
    void clear();

  private:
    struct Chunk {
        Chunk* next;
    };
    static constexpr int MaxChunkRows = 1024;

    int slotCells;  // cells per array; at least 1, so that a free array can hold the list link
    Chunk* chunks = nullptr;
    InternalName* freeList = nullptr;
    InternalName* unused = nullptr;  // the first never handed-out array of the newest chunk
    int unusedRows = 0;
    int nextChunkRows = 1;
};
