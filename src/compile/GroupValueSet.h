// GroupValueSet, the distinct (group number, value) pairs a grouping has folded.
#pragma once

#include <cstdint>

#include "foundation/FlatHashTable.h"
#include "objectbase/CellHash.h"
#include "objectbase/InternalName.h"

// An aggregate folds each distinct value of a group once. Over rows that may repeat a pair, each
// pair is looked up here as it comes: the group's number and the value's cell word lie in the
// slot itself, so a probe reads one slot and no row.
class GroupValueSet {
  public:
    // True when the pair was not there yet; it is then.
    bool insert(std::uint32_t group, const InternalName& value) {
        const std::uint64_t word = cellWord(value);
        const std::uint64_t hash = hashOfPair(group, word);
        table.reserve(1, hashOf);
        const std::size_t at = table.probe(
            hash, [&](const Slot& slot) { return slot.word == word && slot.group == group + 1; });
        if (!table[at].isFree()) return false;
        table.fill(at, Slot{word, group + 1});
        return true;
    }
    // Starts loading the slot where the pair is or would go; a reader of many rows issues it
    // some rows ahead, so that the probes overlap their waits on memory.
    void prefetch(std::uint32_t group, const InternalName& value) const {
        table.prefetch(hashOfPair(group, cellWord(value)));
    }
    // Makes room for `more` pairs, so that hints issued before they are inserted stay good.
    void reserve(std::size_t more) { table.reserve(more, hashOf); }
    void clear() { table.release(); }

  private:
    struct Slot {
        std::uint64_t word = 0;
        // The group's number + 1; 0 marks a free slot.
        std::uint32_t group = 0;
        bool isFree() const { return group == 0; }
    };
    static std::uint64_t hashOfPair(std::uint32_t group, std::uint64_t word) {
        return hashMix::step(hashMix::step(hashMix::Seed, group), word);
    }
    static std::uint64_t hashOf(const Slot& slot) { return hashOfPair(slot.group - 1, slot.word); }
    FlatHashTable<Slot> table;
};
