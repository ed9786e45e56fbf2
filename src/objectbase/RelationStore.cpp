// Inserting, probing, ordering, indexing and renaming the rows of a RelationStore.
#include "objectbase/RelationStore.h"

#include <algorithm>
#include <atomic>
#include <numeric>

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

std::int64_t RelationStore::ColumnIndex::entryOf(const InternalName& value) const {
    const std::int64_t at =
        slots.find(hashCell(value), [&](std::uint32_t n) { return values[n] == value; });
    // A value whose rows were all renamed keeps its entry, with no rows.
    return at >= 0 && rows[std::size_t(at)].empty() ? -1 : at;
}

const RelationStore::RowList* RelationStore::ColumnIndex::find(const InternalName& value) const {
    const std::int64_t at = entryOf(value);
    return at < 0 ? nullptr : &rows[std::size_t(at)];
}

RelationStore::RowList& RelationStore::ColumnIndex::rowsOf(const InternalName& value) {
    const auto [at, isNew] = slots.insert(hashCell(value), std::uint32_t(values.size()),
                                          [&](std::uint32_t n) { return values[n] == value; });
    if (isNew) {
        values.push_back(value);
        rows.emplace_back();
    }
    return rows[at];
}

void RelationStore::ColumnIndex::moveRows(const InternalName& from, const InternalName& to) {
    const std::int64_t at = entryOf(from);
    if (at < 0) return;
    RowList moved = std::move(rows[std::size_t(at)]);
    rows[std::size_t(at)].clear();
    RowList& target = rowsOf(to);
    const std::size_t before = target.size();
    target.insert(target.end(), moved.begin(), moved.end());
    std::inplace_merge(target.begin(), target.begin() + std::ptrdiff_t(before), target.end());
}

void RelationStore::ColumnIndex::clear() {
    values.clear();
    rows.clear();
    slots.clear();
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
    // Rows rewritten or dropped: whether they still ascend is not known.
    ascending = false;
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
    // A hash set not made yet has no slot to load: the row is not even hashed then (a consult
    // of facts in order, appended without a probe, hinted each). A store whose rows have only
    // ascended so far but has a hash set is still hinted: the rows a writer hints are not known
    // to ascend (skipping them made the predicate closure of a random graph 1.5 times slower).
    if (slots.empty()) return;
    prefetchSlot(hashRow(row));
}

void RelationStore::prefetchSlot(std::uint64_t hash) const {
    // Only a hint: rows appended since the hash set was last used may move slots later.
    slots.prefetch(hash);
}

void RelationStore::prefetchRow(const InternalName* row) const {
    if (slots.empty()) return;
    prefetchRowOf(hashRow(row));
}

void RelationStore::prefetchRowOf(std::uint64_t hash) const {
    if (slots.empty()) return;
    const EntrySlot& home = slots[std::size_t(hash) & (slots.capacity() - 1)];
    // Rows appended since the hash set was last used may not be numbered in it yet.
    if (!home.isFree() && home.hash == std::uint32_t(hash) && int(home.number()) < rowCount)
        __builtin_prefetch(this->row(int(home.number())));
}

namespace {

// Makes room for at least one more row of `width` cells; answers where `row` lies afterwards (a
// row of the store itself is found again where growing the cells moved it). The first growth
// makes room for a few rows at once: most relations of a program are small, and growing cell by
// cell cost each of them a handful of allocations. Out of line: the growth is rare, and inlined
// it made every append save and restore the registers it needs.
template <class Cells>
[[gnu::noinline]] const InternalName* growCells(Cells& cells, std::size_t width,
                                                const InternalName* row) {
    const std::size_t end = cells.size();
    // Compared as addresses: the row's own pointer is not read again once the cells moved.
    const auto at = reinterpret_cast<std::uintptr_t>(row);
    const auto first = reinterpret_cast<std::uintptr_t>(cells.data());
    const bool own = at >= first && at < first + end * sizeof(InternalName);
    const std::size_t offset = own ? (at - first) / sizeof(InternalName) : 0;
    cells.reserve(std::max(cells.capacity() * 2, end + width * 4));
    return own ? cells.data() + offset : row;
}

}  // namespace

// Inlined into insert, the hot path of every predicate head (measured: a call there costs the
// predicate form's closures about 0.7 % more instructions).
[[gnu::always_inline]] inline void RelationStore::appendRow(const InternalName* row) {
    const std::size_t end = cells.size();
    const std::size_t w = std::size_t(rowWidth);
    if (cells.capacity() - end < w) [[unlikely]]
        row = growCells(cells, w, row);
    // Cell by cell: the room is there, and a copy call cost more than the few cells it moved.
    for (std::size_t k = 0; k < w; ++k) cells.pushWithin(row[k]);
    ++rowCount;
    if (columns.empty()) return;
    for (int c = 0; c < rowWidth && std::size_t(c) < columns.size(); ++c)
        if (columns[std::size_t(c)] != nullptr)
            columns[std::size_t(c)]
                ->rowsOf(cells[end + std::size_t(c)])
                .push_back(std::uint32_t(rowCount - 1));
}

bool RelationStore::insert(const InternalName* row) {
    const int before = rowCount;
    return numberOf(row) == before;
}

int RelationStore::insertRows(const InternalName* rows, int count) {
    const int before = rowCount;
    const std::size_t w = std::size_t(rowWidth);
    int i = 0;
    // While the rows ascend, each is compared with the last stored only: a consulted run of
    // numbered facts is copied in without a probe. The rows that each stand above the one before
    // them (the first above the last stored) go in as one block: the room is made once and the
    // cells copied at once, rather than checked and written a row at a time.
    if (ascending && count > 0 &&
        (rowCount == 0 || compareRows(rows, row(rowCount - 1), rowWidth) > 0)) {
        int run = 1;
        while (run < count && compareRows(rows + std::size_t(run) * w,
                                          rows + std::size_t(run - 1) * w, rowWidth) > 0)
            ++run;
        appendAscendingBlock(rows, run);
        i = run;
    }
    // A row equal to the one before it or below it ends the block: the rows from there on are
    // taken one at a time.
    for (; i < count && ascending; ++i)
        if (appendAscending(rows + std::size_t(i) * w) == NotAppended) break;
    // The rest are probed; the slot of the row some rows ahead starts loading meanwhile.
    constexpr int Ahead = 8;
    for (int k = i; k < count && k < i + Ahead; ++k) prefetch(rows + std::size_t(k) * w);
    for (; i < count; ++i) {
        if (i + Ahead < count) prefetch(rows + std::size_t(i + Ahead) * w);
        const InternalName* row = rows + std::size_t(i) * w;
        lookUp(row, hashRow(row));
    }
    return rowCount - before;
}

void RelationStore::appendAscendingBlock(const InternalName* rows, int count) {
    const std::size_t end = cells.size();
    const std::size_t added = std::size_t(count) * std::size_t(rowWidth);
    // Grown as appendRow grows it, so that blocks coming one after another take the same few
    // growths single rows would.
    if (cells.capacity() - end < added)
        cells.reserve(
            std::max(cells.capacity() * 2, end + std::max(added, std::size_t(rowWidth) * 4)));
    cells.append(rows, added);
    const std::int32_t first = rowCount;
    rowCount += count;
    indexRowsFrom(first);
}

int RelationStore::numberOf(const InternalName* row) {
    if (const int appended = appendAscending(row); appended != NotAppended) return appended;
    return lookUp(row, hashRow(row));
}

int RelationStore::numberOf(const InternalName* row, std::uint64_t hash) {
    if (const int appended = appendAscending(row); appended != NotAppended) return appended;
    return lookUp(row, hash);
}

int RelationStore::appendAscending(const InternalName* row) {
    // Rows that come in ascending order (a head storing the objects it has just made, whose
    // names ascend) are new when above the last: appended without a probe, they join the hash
    // set when it is next used. Probing a large set at random was most of the time of storing
    // 6 M such rows.
    if (!ascending) return NotAppended;
    const int last = rowCount == 0 ? 1 : compareRows(row, this->row(rowCount - 1), rowWidth);
    if (last > 0) {
        appendRow(row);
        return rowCount - 1;
    }
    if (last == 0) return rowCount - 1;
    ascending = false;
    return NotAppended;
}

int RelationStore::lookUp(const InternalName* row, std::uint64_t hash) {
    hashAppended();
    // The slot takes the number the row gets now.
    const auto [number, fresh] =
        slots.insert(hash, std::uint32_t(rowCount), [&](std::uint32_t i) { return rowIs(i, row); });
    if (fresh) {
        ++hashedRows;
        appendRow(row);
    }
    return int(number);
}

void RelationStore::appendNew(const InternalName* row) {
    ascending = false;
    appendRow(row);
}

void RelationStore::appendNewRows(const InternalName* rows, int count) {
    if (count <= 0) return;
    ascending = false;
    const std::size_t end = cells.size();
    const std::size_t w = std::size_t(rowWidth);
    const std::size_t added = std::size_t(count) * w;
    if (cells.capacity() - end < added)
        cells.reserve(std::max(cells.capacity() * 2, end + std::max(added, w * 4)));
    cells.append(rows, added);
    const std::int32_t first = rowCount;
    rowCount += count;
    indexRowsFrom(first);
}

void RelationStore::indexRowsFrom(std::int32_t first) {
    const std::size_t w = std::size_t(rowWidth);
    if (columns.empty()) return;
    for (std::int32_t i = first; i < rowCount; ++i)
        for (int c = 0; c < rowWidth && std::size_t(c) < columns.size(); ++c)
            if (columns[std::size_t(c)] != nullptr)
                columns[std::size_t(c)]
                    ->rowsOf(cells[std::size_t(i) * w + std::size_t(c)])
                    .push_back(std::uint32_t(i));
}

bool RelationStore::adoptRows(Cells& rows, int count) {
    const std::size_t w = std::size_t(rowWidth);
    if (count <= rowCount || rows.size() != std::size_t(count) * w) return false;
    for (std::int32_t i = 0; i < rowCount; ++i)
        if (compareRows(row(i), rows.data() + std::size_t(i) * w, rowWidth) != 0) return false;
    // The rows held are the same at the same numbers: their hash slots, order and stamp hold.
    ascending = false;
    const std::int32_t first = rowCount;
    cells = std::move(rows);
    rowCount = count;
    indexRowsFrom(first);
    return true;
}

void RelationStore::hashRows() const {
    // appendNew was promised rows not stored yet: they are numbered without a comparison.
    // Room promised for rows still to come is made now, in the same growth.
    std::size_t more = std::size_t(rowCount - hashedRows);
    if (promisedRows > rowCount) more = std::size_t(promisedRows - hashedRows);
    promisedRows = 0;
    slots.reserve(more, EntryIndex::hashOf);
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
    // agree are then ordered by their cells. Leading cells that all new rows share order nothing
    // (the key cell of an operand's unkeyed rows): the words are the first two cells after them,
    // else 6 M rows of four cells, one shared, left runs of thousands of rows to the cell-by-cell
    // sort.
    int lead = 0;
    {
        const InternalName* firstRow = row(sortedRows);
        for (bool shared = true; shared && lead + 2 < rowWidth;) {
            for (std::int32_t i = sortedRows + 1; i < rowCount && shared; ++i)
                shared = row(i)[lead] == firstRow[lead];
            if (shared) ++lead;
        }
    }
    if (orderByFewLeadValues(rangeOrder, sortedRows, lead)) return mergeNew(rangeOrder, before);
    struct Keyed {
        std::uint64_t first;
        std::uint64_t second;
        std::uint32_t row;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(std::size_t(rowCount - sortedRows));
    for (std::int32_t i = sortedRows; i < rowCount; ++i) {
        const InternalName* r = row(i) + lead;
        keyed.push_back({rowWidth > lead ? orderKey(r[0]) : 0,
                         rowWidth > lead + 1 ? orderKey(r[1]) : 0, std::uint32_t(i)});
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
    return mergeNew(rangeOrder, before);
}

bool RelationStore::mergeNew(std::vector<std::uint32_t>& rangeOrder, std::size_t before) const {
    auto less = [this](std::uint32_t a, std::uint32_t b) {
        return compareRows(row(int(a)), row(int(b)), rowWidth) < 0;
    };
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

bool RelationStore::orderByFewLeadValues(std::vector<std::uint32_t>& rangeOrder, std::int32_t from,
                                         int lead) const {
    // Rows like a count's (count, group...) made group by group in the groups' order ascend in
    // the cells behind their first: their order is that of their first cell, and among equal
    // ones that in which they came. Counts take few values, so the rows are placed by counting
    // them, without comparing rows.
    constexpr std::size_t MostValues = 32;
    const int rest = rowWidth - lead - 1;
    if (rest < 1) return false;
    for (std::int32_t i = from + 1; i < rowCount; ++i)
        if (compareRows(row(i - 1) + lead + 1, row(i) + lead + 1, rest) >= 0) return false;
    struct Value {
        std::uint64_t key;
        std::uint32_t rows;
    };
    std::vector<Value> values;
    std::vector<std::uint8_t> valueOf(std::size_t(rowCount - from));
    std::size_t last = 0;
    for (std::int32_t i = from; i < rowCount; ++i) {
        const std::uint64_t key = orderKey(row(i)[lead]);
        if (values.empty() || values[last].key != key) {
            last = 0;
            while (last < values.size() && values[last].key != key) ++last;
            if (last == values.size()) {
                if (values.size() == MostValues) return false;
                values.push_back(Value{key, 0});
            }
        }
        ++values[last].rows;
        valueOf[std::size_t(i - from)] = std::uint8_t(last);
    }
    // Each value's first place among the new rows, by ascending key.
    std::vector<std::uint32_t> byKey(values.size());
    for (std::size_t v = 0; v < values.size(); ++v) byKey[v] = std::uint32_t(v);
    std::sort(byKey.begin(), byKey.end(), [&values](std::uint32_t a, std::uint32_t b) {
        return values[a].key < values[b].key;
    });
    std::vector<std::size_t> place(values.size());
    std::size_t next = rangeOrder.size();
    for (const std::uint32_t v : byKey) {
        place[v] = next;
        next += values[v].rows;
    }
    rangeOrder.resize(next);
    for (std::int32_t i = from; i < rowCount; ++i)
        rangeOrder[place[valueOf[std::size_t(i - from)]]++] = std::uint32_t(i);
    return true;
}

void RelationStore::indexColumn(ColumnIndex& index, int column, std::uint32_t from) const {
    for (std::uint32_t i = from; i < std::uint32_t(rowCount); ++i)
        index.rowsOf(row(int(i))[column]).push_back(i);
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
    return index->find(value);
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
    if (oldName == newName || renameInPlace(oldName, newName)) return true;
    // Rows become equal: the rows are stored anew and the later ones of equal rows go.
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

bool RelationStore::renameInPlace(const InternalName& oldName, const InternalName& newName) {
    // An equation renames one name in relations of any size: rebuilding every row each time
    // made a program of many equations over a large relation quadratic. The column indexes
    // (all built here) say which rows hold it.
    std::vector<std::uint32_t> held;
    for (int c = 0; c < rowWidth; ++c)
        if (const RowList* rows = rowsWithCell(c, oldName))
            held.insert(held.end(), rows->begin(), rows->end());
    std::sort(held.begin(), held.end());
    held.erase(std::unique(held.begin(), held.end()), held.end());

    const std::size_t w = std::size_t(rowWidth);
    std::vector<InternalName> renamed;
    renamed.reserve(held.size() * w);
    for (std::uint32_t number : held) {
        const InternalName* from = row(int(number));
        for (std::size_t k = 0; k < w; ++k)
            renamed.push_back(from[k] == oldName ? newName : from[k]);
    }
    auto renamedRow = [&renamed, w](std::size_t k) { return renamed.data() + k * w; };
    // A renamed row equal to a stored one or to another renamed row merges them. No stored
    // row it could equal is one being renamed: those hold the old name, a renamed row not.
    // Each renamed row is hashed once, for this probe and for its slot below.
    hashAppended();
    std::vector<std::uint64_t> hashes(held.size());
    for (std::size_t k = 0; k < held.size(); ++k) {
        hashes[k] = hashRow(renamedRow(k));
        if (slots.find(hashes[k], [&](std::uint32_t i) { return rowIs(i, renamedRow(k)); }) >= 0)
            return false;
    }
    std::vector<std::size_t> byCells(held.size());
    std::iota(byCells.begin(), byCells.end(), std::size_t(0));
    std::sort(byCells.begin(), byCells.end(), [&](std::size_t a, std::size_t b) {
        return compareRows(renamedRow(a), renamedRow(b), rowWidth) < 0;
    });
    for (std::size_t k = 1; k < byCells.size(); ++k)
        if (compareRows(renamedRow(byCells[k - 1]), renamedRow(byCells[k]), rowWidth) == 0)
            return false;

    restamp();
    for (std::size_t k = 0; k < held.size(); ++k) {
        const std::uint32_t number = held[k];
        const std::size_t at =
            slots.probe(hashRow(row(int(number))),
                        [number](const EntrySlot& slot) { return slot.number() == number; });
        slots.erase(at, EntryIndex::hashOf);
        std::copy(renamedRow(k), renamedRow(k) + w, cells.data() + std::size_t(number) * w);
        slots.add(hashes[k], number);
    }
    for (const auto& index : columns) index->moveRows(oldName, newName);  // all built above

    // The renamed rows leave their places in the order and are merged back at their new ones.
    if (orderSorted != order.size()) {
        order.clear();
        orderSorted = 0;
    } else if (!order.empty()) {
        auto isHeld = [&held](std::uint32_t number) {
            return std::binary_search(held.begin(), held.end(), number);
        };
        std::vector<std::uint32_t> moved;
        for (std::size_t k : byCells)
            if (held[k] < order.size()) moved.push_back(held[k]);
        std::vector<std::uint32_t> kept;
        kept.reserve(order.size());
        for (std::uint32_t number : order)
            if (!isHeld(number)) kept.push_back(number);
        order.clear();
        std::merge(kept.begin(), kept.end(), moved.begin(), moved.end(), std::back_inserter(order),
                   [this](std::uint32_t a, std::uint32_t b) {
                       return compareRows(row(int(a)), row(int(b)), rowWidth) < 0;
                   });
        orderSorted = order.size();
    }
    return true;
}

void RelationStore::reserve(int rows) {
    if (rows > 0) cells.reserveMapped(cells.size() + std::size_t(rows) * std::size_t(rowWidth));
}

void RelationStore::reserveLookedUp(int rows) {
    if (rows <= 0) return;
    reserve(rows);
    // Rows that ascend are appended without a probe: the hash set, which a consult of facts in
    // order may never use, makes its room for them only once something looks a row up.
    if (ascending) {
        promisedRows = std::max(promisedRows, rowCount + rows);
        return;
    }
    hashAppended();
    slots.reserve(std::size_t(rows), EntryIndex::hashOf);
}

void RelationStore::reset() {
    restamp();
    rowCount = 0;
    ascending = true;
    hashedRows = 0;
    promisedRows = 0;
    cells.clear();
    slots.clear();
    order.clear();
    orderSorted = 0;
    columns.clear();
}

void RelationStore::clear() {
    // The index goes first, so the reset has no slots left to wipe; then the rows' memory.
    slots.release();
    reset();
    cells.shrinkToFit();
    order.shrink_to_fit();
}
