// The storage, uniqueness, ordering and grouping of the rows of an operand.
#include "compile/RowStore.h"

#include <algorithm>

#include "platform/ControlEvents.h"

namespace {

std::size_t tableSize(std::size_t entries) {
    std::size_t capacity = 16;
    while (capacity < entries * 2) capacity *= 2;
    return capacity;
}

}  // namespace

RowStore::RowStore(int width) : rowWidth(width < 0 ? 0 : width) {}

int RowStore::compareRows(const InternalName* a, const InternalName* b, int width) {
    for (int i = 0; i < width; ++i) {
        int c = a[i].compare(b[i]);
        if (c != 0) return c;
    }
    return 0;
}

std::uint64_t RowStore::hashRow(const InternalName* cells, int width) const {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (int i = 0; i < width; ++i) {
        std::uint64_t word = std::uint32_t(cells[i].getValue()) |
                             (std::uint64_t(std::uint8_t(cells[i].getType())) << 32) |
                             (std::uint64_t(std::uint8_t(cells[i].getArity())) << 40);
        h = (h ^ word) * 0xff51afd7ed558ccdULL;
        h ^= h >> 32;
    }
    return h;
}

void RowStore::buildIndex() const {
    slots.assign(tableSize(std::size_t(count)), Slot{});
    for (int i = 0; i < count; ++i) indexRow(i);
}

void RowStore::indexRow(int index) const {
    const std::size_t mask = slots.size() - 1;
    const InternalName* cells = row(index);
    std::size_t slot = hashRow(cells, rowWidth) & mask;
    while (slots[slot].index != 0) slot = (slot + 1) & mask;
    slots[slot] = {cells[0], std::uint32_t(index) + 1};
}

int RowStore::find(const InternalName* cells) const {
    if (count == 0) return -1;
    if (rowWidth == 0) return 0;
    if (slots.empty()) buildIndex();
    const std::size_t mask = slots.size() - 1;
    for (std::size_t slot = hashRow(cells, rowWidth) & mask; slots[slot].index != 0;
         slot = (slot + 1) & mask) {
        if (slots[slot].first != cells[0]) continue;
        int index = int(slots[slot].index) - 1;
        if (compareRows(row(index) + 1, cells + 1, rowWidth - 1) == 0) return index;
    }
    return -1;
}

bool RowStore::insert(const InternalName* cells) {
    // Once the rows are out of order the hash index decides alone: the comparison with the last
    // row would only repeat what the probe finds.
    bool after = count == 0;
    if (!after && inOrder) {
        const int last = compareRows(cells, row(count - 1), rowWidth);
        if (last == 0) return false;
        after = last > 0;
    }
    if (after && slots.empty()) {
        cellData.insert(cellData.end(), cells, cells + rowWidth);
        ++count;
        orderValid = false;
        groupsValid = false;
        return true;
    }
    if (rowWidth == 0) return false;
    // One hash and one probe: the free slot the probe ends on is where the new row goes.
    if (slots.empty() || std::size_t(count + 1) * 2 > slots.size()) {
        slots.assign(tableSize(std::size_t(count) + 1), Slot{});
        for (int i = 0; i < count; ++i) indexRow(i);
    }
    const std::size_t mask = slots.size() - 1;
    std::size_t slot = hashRow(cells, rowWidth) & mask;
    for (; slots[slot].index != 0; slot = (slot + 1) & mask) {
        if (slots[slot].first != cells[0]) continue;
        if (compareRows(row(int(slots[slot].index) - 1) + 1, cells + 1, rowWidth - 1) == 0)
            return false;
    }
    cellData.insert(cellData.end(), cells, cells + rowWidth);
    slots[slot] = {cells[0], std::uint32_t(count) + 1};
    ++count;
    if (!after) inOrder = false;
    orderValid = false;
    groupsValid = false;
    return true;
}

void RowStore::append(const InternalName* cells) {
    if (!slots.empty()) {
        insert(cells);
        return;
    }
    if (inOrder && count > 0 && compareRows(cells, row(count - 1), rowWidth) <= 0) inOrder = false;
    cellData.insert(cellData.end(), cells, cells + rowWidth);
    ++count;
    orderValid = false;
    groupsValid = false;
}

void RowStore::sortOrder() const {
    order.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) order[std::size_t(i)] = std::uint32_t(i);
    const int w = rowWidth;
    const InternalName* base = cellData.data();
    auto less = [base, w](std::uint32_t a, std::uint32_t b) {
        return compareRows(base + std::size_t(a) * w, base + std::size_t(b) * w, w) < 0;
    };
    // Sorting a few million rows takes seconds: runs of 64K rows are sorted and then merged,
    // and Ctrl-C or a farewell is looked at between two steps. A cut leaves the order unsorted
    // but still a permutation of the rows, which every use can walk, and notes that the work was
    // cut short: the evaluator throws the unfinished result away.
    constexpr std::size_t run = std::size_t(1) << 16;
    const std::size_t n = order.size();
    auto at = [this](std::size_t i) { return order.begin() + std::ptrdiff_t(i); };
    bool cut = false;
    for (std::size_t begin = 0; begin < n && !cut; begin += run) {
        std::sort(at(begin), at(std::min(n, begin + run)), less);
        cut = n > run && controlEvents::stopRequested();
    }
    for (std::size_t width = run; width < n && !cut; width *= 2) {
        for (std::size_t begin = 0; begin + width < n && !cut; begin += 2 * width) {
            std::inplace_merge(at(begin), at(begin + width), at(std::min(n, begin + 2 * width)),
                               less);
            cut = controlEvents::stopRequested();
        }
    }
    if (cut) controlEvents::noteCutShort();
    orderValid = true;
}

InternalName RowStore::firstCellOfGroup(std::size_t g) const {
    // One group holds every row: any row's first cell is its key, and no sort is needed.
    return groupStarts.size() == 2 ? row(0)[0] : rowAtRank(int(groupStarts[g]))[0];
}

void RowStore::buildGroups() const {
    if (groupsValid) return;
    groupStarts.clear();
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
    groupSlots.assign(tableSize(groups), GroupSlot{});
    const std::size_t mask = groupSlots.size() - 1;
    for (std::size_t g = 0; g < groups; ++g) {
        InternalName key = firstCellOfGroup(g);
        std::size_t slot = hashRow(&key, 1) & mask;
        while (groupSlots[slot].end != 0) slot = (slot + 1) & mask;
        groupSlots[slot] = {key, groupStarts[g], groupStarts[g + 1]};
    }
    groupsValid = true;
}

int RowStore::groupCount() const {
    if (rowWidth == 0) return count;
    buildGroups();
    return int(groupStarts.size()) - 1;
}

InternalName RowStore::groupKey(int g) const {
    buildGroups();
    return firstCellOfGroup(std::size_t(g));
}

bool RowStore::findGroup(const InternalName& key, int& begin, int& end) const {
    if (count == 0 || rowWidth == 0) return false;
    buildGroups();
    const std::size_t mask = groupSlots.size() - 1;
    for (std::size_t slot = hashRow(&key, 1) & mask; groupSlots[slot].end != 0;
         slot = (slot + 1) & mask) {
        if (groupSlots[slot].key != key) continue;
        begin = int(groupSlots[slot].begin);
        end = int(groupSlots[slot].end);
        return true;
    }
    return false;
}

void RowStore::prefetchGroup(const InternalName& key) const {
    if (count == 0 || rowWidth == 0) return;
    buildGroups();
    __builtin_prefetch(&groupSlots[hashRow(&key, 1) & (groupSlots.size() - 1)]);
}

void RowStore::prefetchGroupRows(const InternalName& key) const {
    int begin = 0, end = 0;
    if (findGroup(key, begin, end)) __builtin_prefetch(rowAtRank(begin));
}
