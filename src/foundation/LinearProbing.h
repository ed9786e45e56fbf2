// rehashLinearProbing, the growth step shared by the open-addressed tables that keep each
// entry's hash in its slot.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// Gives `table` `size` free slots (a power of two; `Slot{}` is a free slot) and puts every
// occupied slot it held back at the first free place from its hash on. `isFree(slot)` and
// `hashOf(slot)` read the caller's slot layout; the stored hashes spare rehashing the entries.
template <class Slot, class IsFree, class HashOf>
void rehashLinearProbing(std::vector<Slot>& table, std::size_t size, IsFree isFree, HashOf hashOf) {
    std::vector<Slot> old = std::move(table);
    table.assign(size, Slot{});
    const std::size_t mask = size - 1;
    for (const Slot& slot : old) {
        if (isFree(slot)) continue;
        std::size_t at = hashOf(slot) & mask;
        while (!isFree(table[at])) at = (at + 1) & mask;
        table[at] = slot;
    }
}
