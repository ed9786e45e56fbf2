// hashCells, the hash of a row of identifiers that every hashed store of rows, groups and
// members uses.
#pragma once

#include <cstddef>
#include <cstdint>

#include "foundation/HashMix.h"
#include "objectbase/InternalName.h"

// An identifier as one word: value, kind and flag side by side.
inline std::uint64_t cellWord(const InternalName& name) {
    return std::uint64_t(std::uint32_t(name.getValue())) |
           (std::uint64_t(std::uint8_t(name.getType())) << 32) |
           (std::uint64_t(std::uint8_t(name.getArity())) << 40);
}

inline std::uint64_t hashCell(const InternalName& name) {
    return hashMix::word(cellWord(name));
}

// The hash of `width` cells read through cellAt(0 .. width - 1).
template <class CellAt>
std::uint64_t hashCellsAt(CellAt cellAt, std::size_t width) {
    std::uint64_t h = hashMix::Seed;
    for (std::size_t k = 0; k < width; ++k) h = hashMix::step(h, cellWord(cellAt(k)));
    return h;
}

inline std::uint64_t hashCells(const InternalName* cells, std::size_t width) {
    return hashCellsAt([cells](std::size_t k) { return cells[k]; }, width);
}
