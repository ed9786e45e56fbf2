// JoinTable: grouping the right rows of a hash join, and the memo of the last table built.
#include "compile/JoinTable.h"

#include <algorithm>
#include <utility>

#include "objectbase/CellHash.h"
#include "objectbase/RelationStore.h"
#include "platform/ControlEvents.h"
#include "platform/GrowingArray.h"

namespace {

// Appends `n` values, doubling the room when it runs out: the arrays the rows of a table of
// millions of rows are read into grow by remapping their pages rather than copying them (see
// GrowingArray).
template <class T>
void appendGrowing(GrowingArray<T>& array, const T* from, std::size_t n) {
    if (array.capacity() - array.size() < n)
        array.reserve(std::max({2 * array.capacity(), array.size() + n, std::size_t(64)}));
    for (std::size_t k = 0; k < n; ++k) array.pushWithin(from[k]);
}

template <class T>
void pushGrowing(GrowingArray<T>& array, const T& value) {
    appendGrowing(array, &value, 1);
}

}  // namespace

JoinTable::JoinTable(const SetOperand& right, std::vector<int> positions, std::vector<int> kept,
                     std::size_t ordered)
    : joinColumns(std::move(positions)),
      keptColumnList(std::move(kept)),
      keyWidth(joinColumns.size()),
      orderWidth(std::min(ordered, keptColumnList.size())) {
    // Two passes over the right rows: the first numbers and counts the groups, the second
    // copies each row's kept cells to its group's place. Ctrl-C or a farewell ends a long
    // grouping; the join then meets no row, and the evaluator throws its result away.
    controlEvents::StopPoll stopPoll;
    GrowingArray<std::uint32_t> groupOfRow;
    // Rows a source computes (a join's) are read once: the first pass keeps their kept cells in
    // the order read, which costs less than storing the whole rows to read them again.
    const bool readOnce = right.holdsComputedSource() && right.holdsDistinctSource();
    const std::size_t width = keptColumnList.size();
    GrowingArray<InternalName> readCells;
    // Room for the rows once, for the groups up to a bound: a relation of many rows may have
    // few groups.
    const std::size_t rowsAtMost = right.rowsAtMost();
    const std::size_t groupsAtMost = std::min<std::size_t>(rowsAtMost, 4096);
    groupOfRow.reserve(rowsAtMost);
    starts.reserve(groupsAtMost + 1);
    groupKeys.reserve(groupsAtMost * keyWidth);
    table.reserve(groupsAtMost, EntryIndex::hashOf);
    bool stopped = false;
    // The join cells of a few rows wait with their hashes while the slots they probe load, then
    // are numbered in their order: a table of many groups is probed at random, and the waits
    // on memory overlap instead of following one another.
    constexpr std::size_t Batch = 16;
    std::uint64_t hashes[Batch];
    std::vector<InternalName> keys(Batch * keyWidth);
    std::size_t waiting = 0;
    auto numberWaiting = [&]() {
        for (std::size_t b = 0; b < waiting; ++b) {
            const InternalName* key = keys.data() + b * keyWidth;
            auto cellAt = [key](std::size_t k) { return key[k]; };
            const auto [g, fresh] =
                table.insert(hashes[b], std::uint32_t(starts.size()),
                             [&](std::uint32_t n) { return groupHas(n, cellAt); });
            if (fresh) {
                groupKeys.insert(groupKeys.end(), key, key + keyWidth);
                starts.push_back(0);
            }
            pushGrowing(groupOfRow, g);
            ++starts[g];
        }
        waiting = 0;
    };
    right.scan(RowOrder::Distinct, [&](const RowView& view) {
        const InternalName* row = view.cells;
        if (stopPoll.stop()) {
            stopped = true;
            return false;
        }
        InternalName* key = keys.data() + waiting * keyWidth;
        for (std::size_t k = 0; k < keyWidth; ++k) key[k] = row[joinColumns[k] - 1];
        hashes[waiting] = hashCells(key, keyWidth);
        table.prefetch(hashes[waiting]);
        if (readOnce)
            for (std::size_t k = 0; k < width; ++k)
                pushGrowing(readCells, row[keptColumnList[k] - 1]);
        if (++waiting == Batch) numberWaiting();
        return true;
    });
    // The rows of a scan cut short are left ungrouped: the table is unfinished anyway.
    if (!stopped) numberWaiting();
    std::uint32_t total = 0;
    for (std::uint32_t& s : starts) {
        const std::uint32_t n = s;
        s = total;
        total += n;
    }
    starts.push_back(total);
    // An unfinished table meets nothing: its filter holds no bit.
    std::size_t bits = 64;
    while (!stopped && bits < starts.size() * 16) bits *= 2;
    // A filter beyond the cache costs a wait on memory of its own for every left row, as the
    // table's slot would, and so is not made (measured: a join of 4 M groups spent a fifth of
    // its time loading the filter for left rows that nearly all met a group).
    if (bits > LargestFilterBits) bits = 0;
    filter.assign(bits / 64, 0);
    filterMask = bits == 0 ? 0 : bits - 1;
    if (stopped) return;
    const std::size_t groups = keyWidth == 0 ? 0 : groupKeys.size() / keyWidth;
    for (std::size_t g = 0; g < groups && bits > 0; ++g) {
        const InternalName* key = groupKeys.data() + g * keyWidth;
        const std::uint64_t bit = (hashCells(key, keyWidth) >> 32) & filterMask;
        filter[bit >> 6] |= std::uint64_t(1) << (bit & 63);
    }
    groupedCells.assign(std::size_t(total) * width, InternalName::UndefinedObject);
    std::vector<std::uint32_t> fill(starts.begin(), starts.end() - 1);
    std::size_t i = 0;
    if (readOnce) {
        for (; i < groupOfRow.size(); ++i)
            std::copy_n(readCells.data() + i * width, width,
                        groupedCells.data() + std::size_t(fill[groupOfRow[i]]++) * width);
        finished = true;
        orderGroups();
        return;
    }
    // The same rows again, in the same order: the source reads a store that did not change.
    right.scan(RowOrder::Distinct, [&](const RowView& view) {
        const InternalName* row = view.cells;
        if (i == groupOfRow.size()) return false;
        InternalName* to = groupedCells.data() + std::size_t(fill[groupOfRow[i++]]++) * width;
        for (std::size_t k = 0; k < width; ++k) to[k] = row[keptColumnList[k] - 1];
        return true;
    });
    finished = i == groupOfRow.size();
    if (finished) orderGroups();
}

void JoinTable::orderGroups() {
    if (orderWidth == 0) return;
    const std::size_t width = keptColumnList.size();
    const std::size_t groups = starts.empty() ? 0 : starts.size() - 1;
    auto less = [this](const InternalName* a, const InternalName* b) {
        return RelationStore::compareRows(a, b, int(orderWidth)) < 0;
    };
    std::vector<std::uint32_t> byCells;
    std::vector<InternalName> moved;
    std::vector<InternalName> held(width);
    for (std::size_t g = 0; g < groups; ++g) {
        const std::uint32_t begin = starts[g];
        const std::uint32_t count = starts[g + 1] - begin;
        if (count < 2) continue;
        InternalName* rows = groupedCells.data() + std::size_t(begin) * width;
        // Most groups of a large join hold a few rows: those are sorted in place; a large
        // group through the order of its row numbers, then copied once.
        if (count <= 16) {
            for (std::uint32_t k = 1; k < count; ++k) {
                InternalName* at = rows + std::size_t(k) * width;
                if (!less(at, at - width)) continue;
                std::copy_n(at, width, held.data());
                std::uint32_t j = k;
                for (; j > 0 && less(held.data(), rows + std::size_t(j - 1) * width); --j)
                    std::copy_n(rows + std::size_t(j - 1) * width, width,
                                rows + std::size_t(j) * width);
                std::copy_n(held.data(), width, rows + std::size_t(j) * width);
            }
            continue;
        }
        byCells.resize(count);
        for (std::uint32_t k = 0; k < count; ++k) byCells[k] = k;
        std::sort(byCells.begin(), byCells.end(), [&](std::uint32_t a, std::uint32_t b) {
            return less(rows + std::size_t(a) * width, rows + std::size_t(b) * width);
        });
        moved.resize(std::size_t(count) * width);
        for (std::uint32_t k = 0; k < count; ++k)
            std::copy_n(rows + std::size_t(byCells[k]) * width, width,
                        moved.data() + std::size_t(k) * width);
        std::copy(moved.begin(), moved.end(), rows);
    }
}

std::shared_ptr<const JoinTable> JoinTableShelf::find(const RowsKey& key,
                                                      const std::vector<int>& positions,
                                                      const std::vector<int>& kept,
                                                      std::size_t ordered) const {
    for (const Entry& entry : entries)
        if (entry.table != nullptr && entry.key == key && entry.positions == positions &&
            entry.kept == kept && entry.ordered == ordered)
            return entry.table;
    return nullptr;
}

void JoinTableShelf::offer(const RowsKey& key, const std::shared_ptr<const JoinTable>& table) {
    if (table == nullptr || !table->complete() || table->rows() > largestRows) return;
    for (Entry& entry : entries)
        if (entry.key == key && table->builtFor(entry.positions, entry.kept, entry.ordered)) {
            entry.table = table;
            return;
        }
    if (entries.size() == capacity) entries.erase(entries.begin());
    entries.push_back(
        Entry{key, nullptr, table->positions(), table->keptColumns(), table->orderedCells()});
}

std::shared_ptr<const JoinTable> JoinTableMemo::find(const RowsKey& key,
                                                     const std::vector<int>& positions,
                                                     const std::vector<int>& columns,
                                                     std::size_t ordered) const {
    if (kept != nullptr && key == rowsKey && kept->builtFor(positions, columns, ordered))
        return kept;
    return shelf != nullptr ? shelf->find(key, positions, columns, ordered) : nullptr;
}

void JoinTableMemo::offer(const RowsKey& key, std::shared_ptr<const JoinTable> table) {
    if (shelf != nullptr) shelf->offer(key, table);
    const bool again = offered && key == rowsKey;
    kept.reset();
    offered = table != nullptr && table->complete();
    if (!offered) return;
    if (again)
        kept = std::move(table);
    else
        rowsKey = key;
}
