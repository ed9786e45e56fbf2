// Inserting, probing, ordering, indexing and renaming the rows of a RelationStore.
#include "objectbase/RelationStore.h"

#include <algorithm>
#include <atomic>

#include "objectbase/CellHash.h"
#include "platform/ControlEvents.h"

namespace {

// A word whose unsigned order is the identifier order: value (signed), kind, flag (signed).
std::uint64_t orderKey(const InternalName& name) {
    return (std::uint64_t(std::uint32_t(name.getValue()) ^ 0x80000000u) << 32) |
           (std::uint64_t(std::uint8_t(name.getType())) << 8) |
           std::uint64_t(std::uint8_t(std::int8_t(name.getArity())) ^ 0x80u);
}

}  // namespace

std::size_t RelationStore::NameHash::operator()(const InternalName& name) const {
    return std::size_t(hashCell(name));
}

namespace {

// The stamps of all stores from one counter: a store made where another was freed, or a store
// changed back to as many rows as before, still has a stamp of its own.
std::uint64_t freshStamp() {
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1, std::memory_order_relaxed);
}

}  // namespace

RelationStore::RelationStore(int width) : rowWidth(width < 0 ? 0 : width), stamp(freshStamp()) {}

void RelationStore::restamp() {
    stamp = freshStamp();
}

int RelationStore::compareRows(const InternalName* a, const InternalName* b, int width) {
    for (int i = 0; i < width; ++i) {
        const int c = a[i].compare(b[i]);
        if (c != 0) return c;
    }
    return 0;
}

std::uint64_t RelationStore::hashRow(const InternalName* row) const {
    return hashCells(row, std::size_t(rowWidth));
}

int RelationStore::find(const InternalName* row) const {
    hashAppended();
    return int(slots.find(hashRow(row), [&](std::uint32_t i) { return rowIs(i, row); }));
}

void RelationStore::prefetch(const InternalName* row) const {
    // Only a hint: rows appended since the hash set was last used may move slots later.
    slots.prefetch(hashRow(row));
}

// Inlined into insert, the hot path of every predicate head (measured: a call there costs the
// predicate form's closures about 0.7 % more instructions).
[[gnu::always_inline]] inline void RelationStore::appendRow(const InternalName* row) {
    const std::size_t end = cells.size();
    if (row >= cells.data() && row < cells.data() + end) {
        // A row of this store: copied before growing the cells can move it.
        const std::vector<InternalName> copy(row, row + rowWidth);
        cells.insert(cells.end(), copy.begin(), copy.end());
    } else {
        cells.insert(cells.end(), row, row + rowWidth);
    }
    ++rowCount;
    for (int c = 0; c < rowWidth && std::size_t(c) < columns.size(); ++c)
        if (columns[std::size_t(c)] != nullptr)
            (*columns[std::size_t(c)])[cells[end + std::size_t(c)]].push_back(
                std::uint32_t(rowCount - 1));
}

bool RelationStore::insert(const InternalName* row) {
    const int before = rowCount;
    return numberOf(row) == before;
}

int RelationStore::numberOf(const InternalName* row) {
    hashAppended();
    // The slot takes the number the row gets now.
    const auto [number, fresh] = slots.insert(hashRow(row), std::uint32_t(rowCount),
                                              [&](std::uint32_t i) { return rowIs(i, row); });
    if (fresh) {
        ++hashedRows;
        appendRow(row);
    }
    return int(number);
}

void RelationStore::appendNew(const InternalName* row) {
    appendRow(row);
}

void RelationStore::hashRows() const {
    // appendNew was promised rows not stored yet: they are numbered without a comparison.
    slots.reserve(std::size_t(rowCount - hashedRows), EntryIndex::hashOf);
    for (std::int32_t i = hashedRows; i < rowCount; ++i)
        slots.add(hashRow(row(i)), std::uint32_t(i));
    hashedRows = rowCount;
}

void RelationStore::sortOrder() const {
    if (order.size() > orderSorted) {
        // Left unsorted by a sort cut short: still unsorted while the stop is pending, so that
        // a reader finishing the given-up work does not sort again row by row.
        if (controlEvents::stopRequested()) {
            for (std::size_t i = order.size(); i < std::size_t(rowCount); ++i)
                order.push_back(std::uint32_t(i));
            return;
        }
        order.resize(orderSorted);
    }
    const bool sorted = extendOrder(order, 0);
    if (sorted) orderSorted = order.size();
}

bool RelationStore::extendOrder(std::vector<std::uint32_t>& rangeOrder, int from) const {
    // Rows only ever get added between two reads, so only the new ones are sorted and merged in.
    const std::size_t before = rangeOrder.size();
    const std::int32_t sortedRows = from + std::int32_t(before);
    auto less = [this](std::uint32_t a, std::uint32_t b) {
        return compareRows(row(int(a)), row(int(b)), rowWidth) < 0;
    };
    // Rows that came in ascending order (numbered names stored as they were made) need no sort.
    bool ascending = true;
    for (std::int32_t i = sortedRows; i < rowCount && ascending; ++i) {
        if (i > sortedRows)
            ascending = less(std::uint32_t(i - 1), std::uint32_t(i));
        else if (before > 0)
            ascending = less(rangeOrder.back(), std::uint32_t(i));
    }
    if (ascending) {
        for (std::int32_t i = sortedRows; i < rowCount; ++i) rangeOrder.push_back(std::uint32_t(i));
        return true;
    }
    // The new rows are sorted by their first two cells packed into order-preserving words, which
    // keeps the sort inside one array instead of chasing every row; rows whose two first cells
    // agree are then ordered by their cells.
    struct Keyed {
        std::uint64_t first;
        std::uint64_t second;
        std::uint32_t row;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(std::size_t(rowCount - sortedRows));
    for (std::int32_t i = sortedRows; i < rowCount; ++i) {
        const InternalName* r = row(i);
        keyed.push_back({rowWidth > 0 ? orderKey(r[0]) : 0, rowWidth > 1 ? orderKey(r[1]) : 0,
                         std::uint32_t(i)});
    }
    auto byWords = [](const Keyed& a, const Keyed& b) {
        return a.first != b.first ? a.first < b.first : a.second < b.second;
    };
    // Runs of 64K rows (a few milliseconds each) are sorted and then merged pairwise, with a
    // look for a stop request between two steps; a cut leaves the new rows in their order.
    constexpr std::size_t Run = std::size_t(1) << 16;
    const std::size_t n = keyed.size();
    auto at = [&keyed](std::size_t i) { return keyed.begin() + std::ptrdiff_t(i); };
    bool cut = false;
    for (std::size_t begin = 0; begin < n && !cut; begin += Run) {
        std::sort(at(begin), at(std::min(n, begin + Run)), byWords);
        cut = controlEvents::stopRequested();
    }
    for (std::size_t width = Run; width < n && !cut; width *= 2) {
        for (std::size_t begin = 0; begin + width < n && !cut; begin += 2 * width) {
            std::inplace_merge(at(begin), at(begin + width), at(std::min(n, begin + 2 * width)),
                               byWords);
            cut = controlEvents::stopRequested();
        }
    }
    if (cut) {
        controlEvents::noteCutShort();
        for (std::int32_t i = sortedRows; i < rowCount; ++i) rangeOrder.push_back(std::uint32_t(i));
        return false;
    }
    if (rowWidth > 2) {
        controlEvents::StopPoll stopPoll;
        for (std::size_t from = 0; from < keyed.size() && !stopPoll.stop();) {
            std::size_t to = from + 1;
            while (to < keyed.size() && keyed[to].first == keyed[from].first &&
                   keyed[to].second == keyed[from].second)
                ++to;
            if (to - from > 1)
                std::sort(keyed.begin() + std::ptrdiff_t(from), keyed.begin() + std::ptrdiff_t(to),
                          [&less](const Keyed& a, const Keyed& b) { return less(a.row, b.row); });
            from = to;
        }
        // The rows are all there, in an order a walk can take; the stop was noted by the poll.
        if (stopPoll.stop()) {
            for (const Keyed& k : keyed) rangeOrder.push_back(k.row);
            return false;
        }
    }
    for (const Keyed& k : keyed) rangeOrder.push_back(k.row);
    if (before > 0 && less(rangeOrder[before], rangeOrder[before - 1])) {
        if (controlEvents::stopRequested()) {
            controlEvents::noteCutShort();
            return false;
        }
        std::inplace_merge(rangeOrder.begin(), rangeOrder.begin() + std::ptrdiff_t(before),
                           rangeOrder.end(), less);
    }
    return true;
}

void RelationStore::indexColumn(ColumnIndex& index, int column, std::uint32_t from) const {
    for (std::uint32_t i = from; i < std::uint32_t(rowCount); ++i)
        index[row(int(i))[column]].push_back(i);
}

const RelationStore::RowList* RelationStore::rowsWithCell(int column,
                                                          const InternalName& value) const {
    if (column < 0 || column >= rowWidth) return nullptr;
    if (columns.size() < std::size_t(rowWidth)) columns.resize(std::size_t(rowWidth));
    std::unique_ptr<ColumnIndex>& index = columns[std::size_t(column)];
    if (index == nullptr) {
        index = std::make_unique<ColumnIndex>();
        indexColumn(*index, column, 0);
    }
    auto found = index->find(value);
    return found == index->end() ? nullptr : &found->second;
}

bool RelationStore::holds(const InternalName& name) const {
    for (int c = 0; c < rowWidth; ++c)
        if (rowsWithCell(c, name) != nullptr) return true;
    return false;
}

void RelationStore::reindex() {
    restamp();
    slots.release();
    hashedRows = 0;
    hashRows();
    order.clear();
    orderSorted = 0;
    for (int c = 0; std::size_t(c) < columns.size(); ++c) {
        if (columns[std::size_t(c)] == nullptr) continue;
        columns[std::size_t(c)]->clear();
        indexColumn(*columns[std::size_t(c)], c, 0);
    }
}

bool RelationStore::rename(const InternalName& oldName, const InternalName& newName) {
    if (!holds(oldName)) return false;
    restamp();
    Cells old = std::move(cells);
    const std::int32_t count = rowCount;
    cells.clear();
    cells.reserve(old.size());
    rowCount = 0;
    hashedRows = 0;
    slots.release();
    order.clear();
    orderSorted = 0;
    for (auto& index : columns)
        if (index != nullptr) index->clear();
    for (std::int32_t i = 0; i < count; ++i) {
        InternalName* from = old.data() + std::size_t(i) * std::size_t(rowWidth);
        std::replace(from, from + rowWidth, oldName, newName);
        insert(from);
    }
    return true;
}

void RelationStore::clear() {
    restamp();
    rowCount = 0;
    hashedRows = 0;
    cells.clear();
    cells.shrink_to_fit();
    slots.release();
    order.clear();
    order.shrink_to_fit();
    orderSorted = 0;
    columns.clear();
}
