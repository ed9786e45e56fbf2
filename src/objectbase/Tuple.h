// Fixed-width rows of identifiers (Tuple, ExtendedTuple) and the orders that sets of them use.
#pragma once

#include <cstdint>

#include "objectbase/InternalName.h"

// A row of identifiers. The record only points at its cells: whoever stores a row owns its cell
// array, so copying a Tuple never copies cells.
struct Tuple {
    InternalName* cells = nullptr;
    std::int16_t count = 0;

    Tuple() = default;
    Tuple(InternalName* rowCells, int cellCount)
        : cells(rowCells), count(static_cast<std::int16_t>(cellCount)) {}
};

// Cell by cell in identifier order, the first difference deciding; when one row is a prefix of the
// other, the shorter comes first.
int compare(const Tuple& a, const Tuple& b);

// A row of a parameter frame: the argument cells followed by one result cell.
struct ExtendedTuple {
    InternalName* cells = nullptr;
    std::int16_t count = 0;

    ExtendedTuple() = default;
    ExtendedTuple(InternalName* rowCells, int cellCount)
        : cells(rowCells), count(static_cast<std::int16_t>(cellCount)) {}

    int argCount() const { return count > 0 ? count - 1 : 0; }
    const InternalName& result() const { return cells[count - 1]; }
};

// By the arguments first, then by the result. Rows with equal arguments therefore lie next to
// each other and a set can hold several results for one argument list. Neither side is changed.
int compare(const ExtendedTuple& a, const ExtendedTuple& b);

// Compares only the argument cells of two rows.
int compareArguments(const ExtendedTuple& a, const ExtendedTuple& b);
