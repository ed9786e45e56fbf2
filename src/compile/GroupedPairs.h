// GroupedPairs, the (group number, value) pairs of a grouping, gathered row by row by ranges of
// group numbers and then visited once each, a range at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "foundation/HashMix.h"
#include "objectbase/CellHash.h"
#include "objectbase/InternalName.h"

// An aggregate folds each distinct value of a group once. Looking each pair up in one hash set
// as its row came made every row a miss on a set of millions of pairs (a count over a million
// rows in 100,000 groups waited on those misses for most of its time). The pairs are gathered
// as they come instead, each range of 256 group numbers into a chain of blocks of its own (an
// append writes to one of a few hundred places), and the pairs of each range are told apart in
// a hash set of their own that stays in the cache. The blocks are small and come back to the
// heap, so that the next grouping reuses them: every fresh megabyte the system hands out is
// zeroed first, and a gathering array that doubled as it grew cost more in that than its
// lookups.
class GroupedPairs {
  public:
    void add(std::uint32_t group, const InternalName& value) {
        const std::size_t range = group >> RangeShift;
        if (range >= ranges.size()) ranges.resize(range + 1);
        Range& into = ranges[range];
        if (into.used == BlockPairs) startBlock(into);
        Block& block = *blocks[into.last];
        block.values[into.used] = value;
        block.low[into.used] = std::uint8_t(group);
        ++into.used;
        ++into.count;
        ++pairs;
    }
    std::size_t size() const { return pairs; }

    // Calls take(group, value) once for each distinct pair, the values of each group in the
    // order they were added (of repeats, the first); the ranges of groups in ascending order.
    // The pairs are forgotten.
    template <class Take>
    void forEachDistinct(Take take) {
        for (std::size_t r = 0; r < ranges.size(); ++r) {
            const Range& range = ranges[r];
            if (range.count == 0) continue;
            std::size_t size = 16;
            while (size < 2 * range.count) size *= 2;
            seen.assign(size, Slot{});
            const std::size_t mask = size - 1;
            const std::uint32_t base = std::uint32_t(r) << RangeShift;
            std::size_t left = range.count;
            for (std::uint32_t at = range.first; left > 0; at = blocks[at]->next) {
                const Block& block = *blocks[at];
                const std::size_t n = left < BlockPairs ? left : BlockPairs;
                for (std::size_t i = 0; i < n; ++i) {
                    const std::uint64_t word = cellWord(block.values[i]);
                    const std::uint32_t tag = std::uint32_t(block.low[i]) + 1;
                    std::size_t slot =
                        hashMix::step(hashMix::step(hashMix::Seed, tag), word) & mask;
                    while (seen[slot].tag != 0 &&
                           !(seen[slot].word == word && seen[slot].tag == tag))
                        slot = (slot + 1) & mask;
                    if (seen[slot].tag != 0) continue;
                    seen[slot] = Slot{word, tag};
                    take(base + tag - 1, block.values[i]);
                }
                left -= n;
            }
        }
        ranges.clear();
        blocks.clear();
        pairs = 0;
    }

  private:
    // Ranges of 256 groups; a block holds a range's pairs of about a kilobyte.
    static constexpr unsigned RangeShift = 8;
    static constexpr std::size_t BlockPairs = 112;

    struct Block {
        InternalName values[BlockPairs];
        // The low bits of the groups' numbers; the range gives the others.
        std::uint8_t low[BlockPairs];
        // The number of the range's next block.
        std::uint32_t next = 0;
    };
    struct Range {
        // The numbers of the first and the last block, the pairs in the last and in all.
        std::uint32_t first = 0;
        std::uint32_t last = 0;
        std::size_t used = BlockPairs;
        std::size_t count = 0;
    };
    struct Slot {
        std::uint64_t word = 0;
        // The group's low bits + 1; 0 marks a free slot.
        std::uint32_t tag = 0;
    };

    void startBlock(Range& range) {
        const std::uint32_t number = std::uint32_t(blocks.size());
        blocks.push_back(std::make_unique<Block>());
        if (range.count == 0)
            range.first = number;
        else
            blocks[range.last]->next = number;
        range.last = number;
        range.used = 0;
    }

    std::vector<std::unique_ptr<Block>> blocks;
    std::vector<Range> ranges;
    std::size_t pairs = 0;
    std::vector<Slot> seen;
};
