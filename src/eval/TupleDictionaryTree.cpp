// The seen-row trie: one probe per column into a flat edge table.
#include "eval/TupleDictionaryTree.h"

#include <limits>

#include "foundation/HashMix.h"

std::uint64_t TupleDictionaryTree::pack(const InternalName& name) {
    return std::uint64_t(std::uint32_t(name.getValue())) << 16 |
           std::uint64_t(std::uint8_t(name.getType())) << 8 |
           std::uint64_t(std::uint8_t(name.getArity()));
}

std::uint64_t TupleDictionaryTree::hash(std::uint64_t name, std::uint32_t parent) {
    return hashMix::step(hashMix::word(name), parent);
}

std::size_t TupleDictionaryTree::find(std::uint64_t name, std::uint32_t parent) const {
    return slots.probe(hash(name, parent), [name, parent](const Slot& slot) {
        return slot.name == name && slot.parent == parent;
    });
}

int TupleDictionaryTree::contains(const InternalName* cells, int count) {
    if (count <= 0) {
        if (emptyRowSeen) return 1;
        emptyRowSeen = true;
        return 0;
    }
    if (slots.capacity() == 0) slots.reserve(1, hashOf);
    std::uint32_t node = 0;
    for (int c = 0; c < count; ++c) {
        const Slot& slot = slots[find(pack(cells[c]), node)];
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
        slots.reserve(1, hashOf);
        const std::uint64_t name = pack(cells[c]);
        const std::size_t at = find(name, node);
        if (slots[at].isFree()) slots.fill(at, {name, node, std::uint32_t(slots.size() + 1)});
        node = slots[at].child;
    }
}

void TupleDictionaryTree::prefetch(const InternalName* rows, int n, int count) {
    if (slots.capacity() == 0 || count <= 0 || n <= 0) return;
    constexpr std::uint32_t Missing = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> nodes(std::size_t(n), 0);
    const std::size_t width = std::size_t(count);
    for (int c = 0;; ++c) {
        for (std::size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i] != Missing)
                slots.prefetch(hash(pack(rows[i * width + std::size_t(c)]), nodes[i]));
        if (c + 1 == count) return;
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            if (nodes[i] == Missing) continue;
            const Slot& slot = slots[find(pack(rows[i * width + std::size_t(c)]), nodes[i])];
            nodes[i] = slot.child == 0 ? Missing : slot.child;
        }
    }
}
