// The seen-row trie: one probe per column into a flat edge table.
#include "eval/TupleDictionaryTree.h"

#include <limits>

std::uint64_t TupleDictionaryTree::pack(const InternalName& name) {
    return std::uint64_t(std::uint32_t(name.getValue())) << 16 |
           std::uint64_t(std::uint8_t(name.getType())) << 8 |
           std::uint64_t(std::uint8_t(name.getArity()));
}

std::size_t TupleDictionaryTree::hash(std::uint64_t name, std::uint32_t parent) {
    std::uint64_t x = name ^ (std::uint64_t(parent) << 48 | std::uint64_t(parent) >> 16);
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ULL;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBULL;
    x ^= x >> 31;
    return std::size_t(x);
}

TupleDictionaryTree::Slot& TupleDictionaryTree::find(std::uint64_t name, std::uint32_t parent) {
    const std::size_t mask = slots.size() - 1;
    for (std::size_t at = hash(name, parent) & mask;; at = (at + 1) & mask) {
        Slot& slot = slots[at];
        if (slot.child == 0 || (slot.name == name && slot.parent == parent)) return slot;
    }
}

void TupleDictionaryTree::grow() {
    std::vector<Slot> old(slots.empty() ? 16 : slots.size() * 2);
    old.swap(slots);
    for (const Slot& slot : old)
        if (slot.child != 0) find(slot.name, slot.parent) = slot;
}

int TupleDictionaryTree::contains(const InternalName* cells, int count) {
    if (count <= 0) {
        if (emptyRowSeen) return 1;
        emptyRowSeen = true;
        return 0;
    }
    if (slots.empty()) grow();
    std::uint32_t node = 0;
    for (int c = 0; c < count; ++c) {
        const Slot& slot = find(pack(cells[c]), node);
        if (slot.child == 0) {
            extend(cells, count, c, node);
            return 0;
        }
        node = slot.child;
    }
    return 1;
}

void TupleDictionaryTree::extend(const InternalName* cells, int count, int from,
                                 std::uint32_t node) {
    for (int c = from; c < count; ++c) {
        if ((used + 1) * 2 > slots.size()) grow();
        const std::uint64_t name = pack(cells[c]);
        Slot& slot = find(name, node);
        if (slot.child == 0) {
            slot.name = name;
            slot.parent = node;
            slot.child = std::uint32_t(++used);
        }
        node = slot.child;
    }
}

void TupleDictionaryTree::prefetch(const InternalName* rows, int n, int count) {
    if (slots.empty() || count <= 0 || n <= 0) return;
    constexpr std::uint32_t Missing = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> nodes(std::size_t(n), 0);
    const std::size_t mask = slots.size() - 1;
    const std::size_t width = std::size_t(count);
    for (int c = 0;; ++c) {
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i] != Missing)
                __builtin_prefetch(
                    &slots[hash(pack(rows[i * width + std::size_t(c)]), nodes[i]) & mask]);
        if (c + 1 == count) return;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i] == Missing) continue;
            const Slot& slot = find(pack(rows[i * width + std::size_t(c)]), nodes[i]);
            nodes[i] = slot.child == 0 ? Missing : slot.child;
        }
    }
}
