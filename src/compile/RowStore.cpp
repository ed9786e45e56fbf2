// The storage, uniqueness and ordering of the rows of one operand group.
#include "compile/RowStore.h"

#include <algorithm>

RowStore::RowStore(int width) : rowWidth(width < 0 ? 0 : width) {}

int RowStore::compareRows(const InternalName* a, const InternalName* b, int width) {
    for (int i = 0; i < width; ++i) {
        int c = a[i].compare(b[i]);
        if (c != 0) return c;
    }
    return 0;
}

std::uint64_t RowStore::hashRow(const InternalName* cells) const {
    std::uint64_t h = 0x9e3779b97f4a7c15ULL;
    for (int i = 0; i < rowWidth; ++i) {
        std::uint64_t word = std::uint32_t(cells[i].getValue()) |
                             (std::uint64_t(std::uint8_t(cells[i].getType())) << 32) |
                             (std::uint64_t(std::uint8_t(cells[i].getArity())) << 40);
        h = (h ^ word) * 0xff51afd7ed558ccdULL;
        h ^= h >> 32;
    }
    return h;
}

void RowStore::buildIndex(int rows) const {
    std::size_t capacity = 16;
    while (capacity < std::size_t(rows) * 2) capacity *= 2;
    slots.assign(capacity, 0);
    for (int i = 0; i < count; ++i) indexRow(i);
}

void RowStore::indexRow(int index) const {
    std::size_t mask = slots.size() - 1;
    std::size_t slot = hashRow(row(index)) & mask;
    while (slots[slot] != 0) slot = (slot + 1) & mask;
    slots[slot] = std::uint32_t(index) + 1;
}

int RowStore::find(const InternalName* cells) const {
    if (count == 0) return -1;
    if (rowWidth == 0) return 0;
    if (slots.empty()) buildIndex(count);
    std::size_t mask = slots.size() - 1;
    for (std::size_t slot = hashRow(cells) & mask; slots[slot] != 0; slot = (slot + 1) & mask) {
        int index = int(slots[slot]) - 1;
        if (compareRows(row(index), cells, rowWidth) == 0) return index;
    }
    return -1;
}

bool RowStore::insert(const InternalName* cells, int* index) {
    bool after = count == 0;
    if (!after) {
        int last = compareRows(cells, row(count - 1), rowWidth);
        if (last == 0) {
            if (index != nullptr) *index = count - 1;
            return false;
        }
        after = last > 0;
        // An earlier row may equal a row that does not come after the last one.
        if (!after || !slots.empty()) {
            int found = find(cells);
            if (found >= 0) {
                if (index != nullptr) *index = found;
                return false;
            }
        }
    }
    cellData.insert(cellData.end(), cells, cells + rowWidth);
    if (index != nullptr) *index = count;
    ++count;
    if (!after) inOrder = false;
    orderValid = false;
    if (!slots.empty()) {
        if (std::size_t(count) * 2 > slots.size())
            buildIndex(count);
        else
            indexRow(count - 1);
    }
    return true;
}

void RowStore::sortOrder() const {
    order.resize(std::size_t(count));
    for (int i = 0; i < count; ++i) order[std::size_t(i)] = std::uint32_t(i);
    const int w = rowWidth;
    const InternalName* base = cellData.data();
    if (w == 1) {
        std::sort(order.begin(), order.end(),
                  [base](std::uint32_t a, std::uint32_t b) { return base[a] < base[b]; });
    } else {
        std::sort(order.begin(), order.end(), [base, w](std::uint32_t a, std::uint32_t b) {
            return compareRows(base + std::size_t(a) * w, base + std::size_t(b) * w, w) < 0;
        });
    }
    orderValid = true;
}
