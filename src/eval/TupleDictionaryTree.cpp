// The seen rows of a head: one probe of the whole row into a flat index.
#include "eval/TupleDictionaryTree.h"

#include <algorithm>

#include "objectbase/CellHash.h"

std::uint64_t TupleDictionaryTree::hashOf(const InternalName* cells, int count) {
    // The width goes in too: rows of other widths are other rows.
    return hashMix::step(hashCells(cells, std::size_t(count)), std::uint64_t(count));
}

bool TupleDictionaryTree::same(std::uint32_t number, const InternalName* row, int count) const {
    const std::size_t from = starts[number];
    const std::size_t to = number + 1 < starts.size() ? starts[number + 1] : cells.size();
    return to - from == std::size_t(count) && std::equal(row, row + count, cells.begin() + from);
}

int TupleDictionaryTree::contains(const InternalName* row, int count) {
    if (count < 0) count = 0;
    const auto [number, added] = index.insert(hashOf(row, count), std::uint32_t(starts.size()),
                                              [&](std::uint32_t n) { return same(n, row, count); });
    if (!added) return 1;
    starts.push_back(std::uint32_t(cells.size()));
    cells.insert(cells.end(), row, row + count);
    return 0;
}

void TupleDictionaryTree::prefetch(const InternalName* rows, int n, int count) {
    if (index.capacity() == 0 || n <= 0) return;
    const std::size_t width = std::size_t(std::max(count, 0));
    for (int i = 0; i < n; ++i) index.prefetch(hashOf(rows + std::size_t(i) * width, int(width)));
}
