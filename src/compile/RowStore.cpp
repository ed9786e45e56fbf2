// The ascending-order fast path and the grouping of the rows of an operand.
#include "compile/RowStore.h"

#include <algorithm>

#include "objectbase/CellHash.h"

bool RowStore::insert(const InternalName* cells) {
    // Once the rows are out of order the hash set decides alone: the comparison with the last
    // row would only repeat what the probe finds.
    if (inOrder) {
        const int last = empty() ? 1 : compareRows(cells, row(size() - 1), width());
        if (last == 0) return false;
        if (last > 0) {
            rows.appendNew(cells);
            changed();
            return true;
        }
    }
    if (!rows.insert(cells)) return false;
    inOrder = false;
    changed();
    return true;
}

void RowStore::insertRows(const InternalName* cells, int count) {
    const auto w = std::size_t(width());
    int i = 0;
    for (; i < count && inOrder; ++i) insert(cells + std::size_t(i) * w);
    if (i >= count) return;
    constexpr int Batch = 16;
    std::uint64_t hashes[Batch];
    for (; i < count; i += Batch) {
        const int n = std::min(Batch, count - i);
        const InternalName* first = cells + std::size_t(i) * w;
        for (int k = 0; k < n; ++k) {
            hashes[k] = rows.hashOf(first + std::size_t(k) * w);
            rows.prefetchSlot(hashes[k]);
        }
        for (int k = 0; k < n; ++k) rows.numberOf(first + std::size_t(k) * w, hashes[k]);
    }
    changed();
}

void RowStore::append(const InternalName* cells) {
    if (inOrder && !empty() && compareRows(cells, row(size() - 1), width()) <= 0) inOrder = false;
    rows.appendNew(cells);
    changed();
}

const InternalName* RowStore::rowsInOrder(int from, int count,
                                          std::vector<InternalName>& gathered) const {
    if (count <= 0) return nullptr;
    if (inOrder) return row(from);
    const auto w = std::size_t(width());
    gathered.resize(std::size_t(count) * w);
    for (int k = 0; k < count; ++k)
        std::copy_n(rowAtRank(from + k), w, gathered.begin() + std::ptrdiff_t(std::size_t(k) * w));
    return gathered.data();
}

InternalName RowStore::firstCellOfGroup(std::size_t g) const {
    // One group holds every row: any row's first cell is its key, and no sort is needed.
    return groupStarts.size() == 2 ? row(0)[0] : rowAtRank(int(groupStarts[g]))[0];
}

void RowStore::buildGroups() const {
    if (groupsValid) return;
    groupStarts.clear();
    const int count = size();
    // Rows that all share their first cell (an unkeyed operand) form one group, found without
    // sorting them: a reader that takes them in any order then never pays for a sort.
    bool one = count > 0;
    for (int i = 1; i < count && one; ++i) one = row(i)[0] == row(0)[0];
    if (one) groupStarts.push_back(0);
    for (int rank = 0; rank < count && !one; ++rank) {
        if (rank == 0 || rowAtRank(rank)[0] != rowAtRank(rank - 1)[0])
            groupStarts.push_back(std::uint32_t(rank));
    }
    const std::size_t groups = groupStarts.size();
    groupStarts.push_back(std::uint32_t(count));
    auto hashOf = [](const GroupSlot& slot) { return hashCell(slot.key); };
    groupSlots.release();
    groupSlots.reserve(groups, hashOf);
    for (std::size_t g = 0; g < groups; ++g) {
        const InternalName key = firstCellOfGroup(g);
        groupSlots.add(hashCell(key), {key, groupStarts[g], groupStarts[g + 1]});
    }
    groupsValid = true;
}

int RowStore::groupCount() const {
    if (width() == 0) return size();
    buildGroups();
    return int(groupStarts.size()) - 1;
}

InternalName RowStore::groupKey(int g) const {
    buildGroups();
    return firstCellOfGroup(std::size_t(g));
}

bool RowStore::findGroup(const InternalName& key, int& begin, int& end) const {
    if (empty() || width() == 0) return false;
    buildGroups();
    const GroupSlot* slot =
        groupSlots.find(hashCell(key), [&key](const GroupSlot& s) { return s.key == key; });
    if (slot == nullptr) return false;
    begin = int(slot->begin);
    end = int(slot->end);
    return true;
}

void RowStore::prefetchGroup(const InternalName& key) const {
    if (empty() || width() == 0) return;
    buildGroups();
    groupSlots.prefetch(hashCell(key));
}

void RowStore::prefetchGroupRows(const InternalName& key) const {
    int begin = 0, end = 0;
    if (findGroup(key, begin, end)) __builtin_prefetch(rowAtRank(begin));
}
