// Gathering rows, radix-sorting them once and dropping their repeats.
#include "compile/DistinctRows.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <numeric>

namespace {

// A word whose unsigned order is the identifier order of the cell: value (signed), kind, flag
// (signed), packed without gaps so that the bits that differ between cells lie together.
std::uint64_t sortKey(const InternalName& name) {
    return (std::uint64_t(std::uint32_t(name.getValue()) ^ 0x80000000u) << 16) |
           (std::uint64_t(std::uint8_t(name.getType())) << 8) |
           std::uint64_t(std::uint8_t(std::int8_t(name.getArity())) ^ 0x80u);
}

int compareCells(const InternalName* a, const InternalName* b, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        const int c = a[i].compare(b[i]);
        if (c != 0) return c;
    }
    return 0;
}

// Digits of 11 bits: a count per digit value fits the first-level cache.
constexpr unsigned DigitBits = 11;
constexpr std::size_t Digits = std::size_t(1) << DigitBits;

// One pass of the radix sort: the n rows at `from` placed at `to` by the digit of cell `cell` at
// `shift`, keeping the order of rows with equal digits. Width W known at compile time for the
// common narrow rows (0: taken from `width`).
template <std::size_t W>
void scatter(const InternalName* from, InternalName* to, std::size_t n, std::size_t width,
             std::size_t cell, unsigned shift, std::array<std::size_t, Digits>& place) {
    const std::size_t w = W != 0 ? W : width;
    for (std::size_t i = 0; i < n; ++i) {
        const InternalName* row = from + i * w;
        const std::size_t digit = std::size_t(sortKey(row[cell]) >> shift) & (Digits - 1);
        InternalName* out = to + place[digit]++ * w;
        for (std::size_t k = 0; k < w; ++k) out[k] = row[k];
    }
}

}  // namespace

void DistinctRows::reset() {
    cells.clear();
    rowCount = 0;
    sortedRows = 0;
    sortAt = FewestToSort;
}

void DistinctRows::grow(std::size_t more) {
    cells.reserve(std::max(cells.capacity() * 2, cells.size() + std::max(more, std::size_t(64))));
}

void DistinctRows::addRows(const InternalName* rows, int count) {
    const std::size_t w = std::size_t(rowWidth);
    for (int i = 0; i < count; ++i) add(rows + std::size_t(i) * w);
}

void DistinctRows::settle() {
    sortNew();
}

void DistinctRows::sortNew() {
    if (rowCount > sortedRows) {
        sortRange(sortedRows);
        dropRepeats(sortedRows);
        if (sortedRows > 0) mergeSorted(sortedRows);
        sortedRows = rowCount;
    }
    sortAt = sortedRows + std::max(2 * sortedRows, FewestToSort);
}

void DistinctRows::sortRange(std::size_t from) {
    const std::size_t n = rowCount - from;
    const std::size_t w = std::size_t(rowWidth);
    if (n < 2 || w == 0) return;
    InternalName* rows = cells.data() + from * w;
    spare.reserve(n * w);
    // A few rows: the counts of a radix pass would cost more than comparing them.
    if (n < 256) {
        std::vector<std::uint32_t> byRank(n);
        std::iota(byRank.begin(), byRank.end(), 0u);
        std::sort(byRank.begin(), byRank.end(), [rows, w](std::uint32_t a, std::uint32_t b) {
            return compareCells(rows + a * w, rows + b * w, w) < 0;
        });
        for (std::size_t r = 0; r < n; ++r)
            std::copy_n(rows + byRank[r] * w, w, spare.data() + r * w);
        std::memcpy(static_cast<void*>(rows), spare.data(), n * w * sizeof(InternalName));
        return;
    }
    // Least significant digit first: the last cell's lowest bits, the first cell's highest last.
    // A cell's bits that every row shares order nothing and take no pass.
    InternalName* source = rows;
    InternalName* target = spare.data();
    std::array<std::size_t, Digits> place{};
    for (std::size_t cell = w; cell-- > 0;) {
        const std::uint64_t first = sortKey(source[cell]);
        std::uint64_t differ = 0;
        for (std::size_t i = 0; i < n; ++i) differ |= sortKey(source[i * w + cell]) ^ first;
        if (differ == 0) continue;
        const unsigned low = unsigned(__builtin_ctzll(differ));
        const unsigned high = 63u - unsigned(__builtin_clzll(differ));
        for (unsigned shift = low; shift <= high; shift += DigitBits) {
            place.fill(0);
            for (std::size_t i = 0; i < n; ++i)
                ++place[std::size_t(sortKey(source[i * w + cell]) >> shift) & (Digits - 1)];
            std::size_t sum = 0;
            for (std::size_t& count : place) {
                const std::size_t here = count;
                count = sum;
                sum += here;
            }
            switch (w) {
                case 1:
                    scatter<1>(source, target, n, w, cell, shift, place);
                    break;
                case 2:
                    scatter<2>(source, target, n, w, cell, shift, place);
                    break;
                case 3:
                    scatter<3>(source, target, n, w, cell, shift, place);
                    break;
                case 4:
                    scatter<4>(source, target, n, w, cell, shift, place);
                    break;
                default:
                    scatter<0>(source, target, n, w, cell, shift, place);
                    break;
            }
            std::swap(source, target);
        }
    }
    if (source != rows) std::memcpy(static_cast<void*>(rows), source, n * w * sizeof(InternalName));
}

void DistinctRows::dropRepeats(std::size_t from) {
    const std::size_t w = std::size_t(rowWidth);
    if (rowCount - from < 2) return;
    if (w == 0) {
        rowCount = from + 1;
        return;
    }
    InternalName* base = cells.data();
    std::size_t kept = from + 1;
    for (std::size_t i = from + 1; i < rowCount; ++i) {
        const InternalName* row = base + i * w;
        if (compareCells(row, base + (kept - 1) * w, w) == 0) continue;
        if (kept != i) std::copy_n(row, w, base + kept * w);
        ++kept;
    }
    rowCount = kept;
    cells.shrinkTo(kept * w);
}

void DistinctRows::mergeSorted(std::size_t mid) {
    const std::size_t w = std::size_t(rowWidth);
    if (w == 0) {
        rowCount = 1;
        return;
    }
    spare.reserve(rowCount * w);
    const InternalName* base = cells.data();
    InternalName* out = spare.data();
    std::size_t a = 0, b = mid, m = 0;
    while (a < mid && b < rowCount) {
        const int c = compareCells(base + a * w, base + b * w, w);
        const InternalName* take = c <= 0 ? base + a * w : base + b * w;
        std::copy_n(take, w, out + m * w);
        ++m;
        if (c <= 0) ++a;
        if (c >= 0) ++b;
    }
    for (; a < mid; ++a, ++m) std::copy_n(base + a * w, w, out + m * w);
    for (; b < rowCount; ++b, ++m) std::copy_n(base + b * w, w, out + m * w);
    std::memcpy(static_cast<void*>(cells.data()), out, m * w * sizeof(InternalName));
    rowCount = m;
    cells.shrinkTo(m * w);
}
