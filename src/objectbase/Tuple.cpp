// The orders of Tuple and ExtendedTuple and the pool of row cells.
#include "objectbase/Tuple.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "foundation/ClibErrorHandler.h"

namespace {

// Compares `n` cells of two rows in identifier order; the first difference decides.
int compareCells(const InternalName* a, const InternalName* b, int n) {
    for (int i = 0; i < n; ++i) {
        int c = compare(a[i], b[i]);
        if (c != 0) return c;
    }
    return 0;
}

// The common prefix first; a row that is a prefix of the other comes first.
int compareRows(const InternalName* a, int countA, const InternalName* b, int countB) {
    int c = compareCells(a, b, std::min(countA, countB));
    if (c != 0) return c;
    return countA == countB ? 0 : (countA < countB ? -1 : 1);
}

}  // namespace

void RowCells::refuse(const InternalName* cells, int count) {
    char message[120];
    std::snprintf(message, sizeof message, "row of %d cells at %p cannot be kept", count,
                  static_cast<const void*>(cells));
    error_handler(1, message);
}

int compare(const Tuple& a, const Tuple& b) {
    // Rows of one set share one width; comparing over the common length keeps a row of another
    // width from being read past its end.
    return compareRows(a.cells(), a.count(), b.cells(), b.count());
}

int compareArguments(const ExtendedTuple& a, const ExtendedTuple& b) {
    return compareRows(a.cells(), a.argCount(), b.cells(), b.argCount());
}

int compare(const ExtendedTuple& a, const ExtendedTuple& b) {
    int c = compareArguments(a, b);
    if (c != 0 || a.count() <= 0 || b.count() <= 0) return c;
    return compare(a.result(), b.result());
}

// ---------------------------------------------------------------------------------------------
// RowCellPool

RowCellPool::RowCellPool(int width) : slotCells(std::max(width, 1)) {}

RowCellPool::~RowCellPool() {
    clear();
}

InternalName* RowCellPool::allocate() {
    if (freeList != nullptr) {
        InternalName* cells = freeList;
        std::memcpy(&freeList, cells, sizeof freeList);
        return cells;
    }
    if (unusedRows == 0) {
        const std::size_t bytes =
            sizeof(Chunk) + sizeof(InternalName) * std::size_t(slotCells) * nextChunkRows;
        void* memory = ::operator new(bytes, std::nothrow);
        if (memory == nullptr) return nullptr;
        auto* chunk = static_cast<Chunk*>(memory);
        auto* first = reinterpret_cast<InternalName*>(chunk + 1);
        if (!RowCells::representable(first + std::size_t(slotCells) * nextChunkRows)) {
            ::operator delete(memory);
            return nullptr;
        }
        chunk->next = chunks;
        chunks = chunk;
        unused = first;
        unusedRows = nextChunkRows;
        nextChunkRows = std::min(nextChunkRows * 2, MaxChunkRows);
    }
    InternalName* cells = unused;
    unused += slotCells;
    --unusedRows;
    return cells;
}

void RowCellPool::release(InternalName* cells) {
    if (cells == nullptr) return;
    std::memcpy(static_cast<void*>(cells), &freeList, sizeof freeList);
    freeList = cells;
}

void RowCellPool::clear() {
    while (chunks != nullptr) {
        Chunk* next = chunks->next;
        ::operator delete(chunks);
        chunks = next;
    }
    freeList = nullptr;
    unused = nullptr;
    unusedRows = 0;
    nextChunkRows = 1;
}
