// The seen-row trie: one edge lookup per column.
#include "eval/TupleDictionaryTree.h"

#include "objectbase/Iterator.h"

std::uint64_t TupleDictionaryTree::pack(const InternalName& name) {
    return std::uint64_t(std::uint32_t(name.getValue())) << 16 |
           std::uint64_t(std::uint8_t(name.getType())) << 8 |
           std::uint64_t(std::uint8_t(name.getArity()));
}

int TupleDictionaryTree::contains(Iterator* row, int column) {
    const int last = row->columns();
    std::uint32_t node = 0;
    for (int c = column; c <= last; ++c) {
        auto found = edges.find(Edge{pack(row->atColumn(c)), node});
        if (found == edges.end()) {
            extend(row, c, last, node);
            return 0;
        }
        node = found->second;
    }
    return 1;
}

void TupleDictionaryTree::insert(Iterator* row, int column) {
    extend(row, column, row->columns(), 0);
}

void TupleDictionaryTree::extend(Iterator* row, int column, int last, std::uint32_t node) {
    for (int c = column; c <= last; ++c) {
        const auto child = std::uint32_t(edges.size() + 1);
        node = edges.try_emplace(Edge{pack(row->atColumn(c)), node}, child).first->second;
    }
}
