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

// Digits of at most 11 bits: a count per digit value fits the first-level cache.
constexpr unsigned MostDigitBits = 11;
constexpr std::size_t Digits = std::size_t(1) << MostDigitBits;

// Where a pass of the radix sort reads its digit: the cell, the shift of its sort key and the
// mask of the digit's bits.
struct Digit {
    std::size_t cell;
    unsigned shift;
    std::size_t mask;
};

// One pass of the radix sort: the n rows at `from` placed at `to` by their digit, keeping the
// order of rows with equal digits. Width W known at compile time for the common narrow rows (0:
// taken from `width`).
template <std::size_t W>
void scatter(const InternalName* from, InternalName* to, std::size_t n, std::size_t width,
             const Digit& digit, std::array<std::size_t, Digits>& place) {
    const std::size_t w = W != 0 ? W : width;
    for (std::size_t i = 0; i < n; ++i) {
        const InternalName* row = from + i * w;
        const std::size_t d = std::size_t(sortKey(row[digit.cell]) >> digit.shift) & digit.mask;
        // By bytes: cell by cell the compiler moved each field on its own.
        std::memcpy(static_cast<void*>(to + place[d]++ * w), row, w * sizeof(InternalName));
    }
}

// A pass of the radix sort: the cell whose sort key it reads, and the digit's shift and bits.
struct Pass {
    std::size_t cell;
    unsigned shift;
    unsigned bits;
};

// The number of the n rows at `rows` holding each value of the pass's digit, into `count`.
void countDigits(const InternalName* rows, std::size_t n, std::size_t w, const Pass& pass,
                 std::array<std::size_t, Digits>& count) {
    std::fill_n(count.begin(), std::size_t(1) << pass.bits, std::size_t(0));
    const std::size_t mask = (std::size_t(1) << pass.bits) - 1;
    for (std::size_t i = 0; i < n; ++i)
        ++count[std::size_t(sortKey(rows[i * w + pass.cell]) >> pass.shift) & mask];
}

// One pass: the rows placed by their digit from the first place of each digit value on.
void scatterRows(const InternalName* from, InternalName* to, std::size_t n, std::size_t w,
                 const Pass& pass, std::array<std::size_t, Digits>& place) {
    const Digit digit{pass.cell, pass.shift, (std::size_t(1) << pass.bits) - 1};
    switch (w) {
        case 1:
            scatter<1>(from, to, n, w, digit, place);
            break;
        case 2:
            scatter<2>(from, to, n, w, digit, place);
            break;
        case 3:
            scatter<3>(from, to, n, w, digit, place);
            break;
        case 4:
            scatter<4>(from, to, n, w, digit, place);
            break;
        default:
            scatter<0>(from, to, n, w, digit, place);
            break;
    }
}

// The rows of a bucket too few for the counts of a radix pass (see sortRange).
constexpr std::size_t SmallBucket = 64;

// Sorts `count` rows in place by comparing them (insertion: the buckets are small); `held` has
// room for a row.
void sortFew(InternalName* rows, std::size_t count, std::size_t w, InternalName* held) {
    for (std::size_t i = 1; i < count; ++i) {
        if (compareCells(rows + (i - 1) * w, rows + i * w, w) <= 0) continue;
        std::copy_n(rows + i * w, w, held);
        std::size_t j = i;
        for (; j > 0 && compareCells(rows + (j - 1) * w, held, w) > 0; --j)
            std::copy_n(rows + (j - 1) * w, w, rows + j * w);
        std::copy_n(held, w, rows + j * w);
    }
}

}  // namespace

void DistinctRows::reset() {
    rowCount = 0;
    ascending = true;
    sortedRows = 0;
    sortAt = fewestToSort();
}

GrowingArray<InternalName> DistinctRows::takeRows() {
    cells.holdWritten(rowCount * std::size_t(rowWidth));
    GrowingArray<InternalName> taken = std::move(cells);
    // The sort's second array goes too: this is left without room, as if new.
    spare = GrowingArray<InternalName>();
    cells = GrowingArray<InternalName>();
    reset();
    return taken;
}

void DistinctRows::grow(std::size_t more) {
    cells.reserve(std::max(cells.capacity() * 2,
                           rowCount * std::size_t(rowWidth) + std::max(more, std::size_t(64))));
}

void DistinctRows::addRows(const InternalName* rows, int count) {
    const std::size_t w = std::size_t(rowWidth);
    for (int i = 0; i < count; ++i) add(rows + std::size_t(i) * w);
}

void DistinctRows::settle() {
    sortNew();
}

void DistinctRows::sortNew() {
    const std::size_t gathered = rowCount;
    if (rowCount > sortedRows && ascending) {
        // Already in order: only the repeats go, the first new row's with the last sorted one.
        dropRepeats(sortedRows > 0 ? sortedRows - 1 : 0);
        sortedRows = rowCount;
    } else if (rowCount > sortedRows) {
        sortRange(sortedRows);
        dropRepeats(sortedRows);
        if (sortedRows > 0) mergeSorted(sortedRows);
        sortedRows = rowCount;
    }
    ascending = true;
    // Sorting again pays while it drops many repeats: rows that barely repeat are gathered
    // longer before the next sort.
    const std::size_t times = rowCount * 4 > gathered * 3 ? 4 : 2;
    sortAt = sortedRows + std::max(times * sortedRows, fewestToSort());
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
    // A cell's bits that every row shares order nothing and take no pass; the bits that differ
    // are cut into as few digits of at most MostDigitBits as cover them, of equal size (17 bits
    // in two passes of 9 bits rather than 11 and 6: fewer places to write to at once).
    std::vector<Pass> passes;
    {
        std::vector<std::uint64_t> first(w), differ(w, 0);
        for (std::size_t c = 0; c < w; ++c) first[c] = sortKey(rows[c]);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t c = 0; c < w; ++c) differ[c] |= sortKey(rows[i * w + c]) ^ first[c];
        for (std::size_t cell = w; cell-- > 0;) {
            if (differ[cell] == 0) continue;
            const unsigned low = unsigned(__builtin_ctzll(differ[cell]));
            const unsigned span = 64u - unsigned(__builtin_clzll(differ[cell])) - low;
            const unsigned count = (span + MostDigitBits - 1) / MostDigitBits;
            const unsigned bits = (span + count - 1) / count;
            for (unsigned k = 0; k < count; ++k) passes.push_back({cell, low + k * bits, bits});
        }
    }
    if (passes.empty()) return;
    // The most significant digit first, over all rows: it splits them into buckets of a few
    // thousand rows, each of which then takes the other passes, least significant digit first,
    // inside the cache (over all rows at once, every pass wrote to memory at random).
    InternalName* const other = spare.data();
    std::vector<InternalName> held(w);
    const Pass& top = passes.back();
    std::array<std::size_t, Digits> place{};
    std::array<std::size_t, Digits + 1> starts{};
    countDigits(rows, n, w, top, place);
    {
        std::size_t sum = 0;
        for (std::size_t d = 0; d < (std::size_t(1) << top.bits); ++d) {
            starts[d] = sum;
            sum += place[d];
            place[d] = starts[d];
        }
        starts[std::size_t(1) << top.bits] = sum;
    }
    scatterRows(rows, other, n, w, top, place);
    // Where the rows end: in `rows` after an odd number of passes within the buckets.
    const bool endInRows = (passes.size() - 1) % 2 == 1;
    for (std::size_t d = 0; d < (std::size_t(1) << top.bits); ++d) {
        const std::size_t begin = starts[d], count = starts[d + 1] - begin;
        InternalName* source = other + begin * w;
        InternalName* target = rows + begin * w;
        if (count < SmallBucket) {
            // Too few rows for the counts of a pass: sorted by comparing them.
            sortFew(source, count, w, held.data());
            if (endInRows && count > 0)
                std::memcpy(static_cast<void*>(target), source, count * w * sizeof(InternalName));
            continue;
        }
        for (std::size_t p = 0; p + 1 < passes.size(); ++p) {
            countDigits(source, count, w, passes[p], place);
            std::size_t sum = 0;
            for (std::size_t k = 0; k < (std::size_t(1) << passes[p].bits); ++k) {
                const std::size_t here = place[k];
                place[k] = sum;
                sum += here;
            }
            scatterRows(source, target, count, w, passes[p], place);
            std::swap(source, target);
        }
    }
    if (endInRows) return;
    // The whole array sorted in the spare one: the two change places.
    if (from == 0)
        std::swap(cells, spare);
    else
        std::memcpy(static_cast<void*>(rows), other, n * w * sizeof(InternalName));
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
    std::swap(cells, spare);
    rowCount = m;
}
