// GroupedPairs, the (group number, value) pairs of a grouping, gathered row by row and then
// visited once each, a small range of groups at a time.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/HashMix.h"
#include "objectbase/CellHash.h"
#include "objectbase/InternalName.h"

// An aggregate folds each distinct value of a group once. Looking each pair up in one hash set
// as its row came made every row a miss on a set of millions of pairs (a count over a million
// rows in 100,000 groups waited on those misses for most of its time). The pairs are gathered
// as they come instead, laid out by ranges of group numbers (a pass that writes to a few hundred
// places only), and the pairs of each range are told apart in a hash set of their own that stays
// in the cache. The folds of one range's groups lie side by side as well.
class GroupedPairs {
  public:
    void add(std::uint32_t group, const InternalName& value) {
        groups.push_back(group);
        values.push_back(value);
    }
    std::size_t size() const { return groups.size(); }

    // Calls take(group, value) once for each distinct pair, the values of each group in the
    // order they were added (of repeats, the first); a range of groups comes after the ranges
    // below it. Every group number is below `groupCount`. The pairs are forgotten.
    template <class Take>
    void forEachDistinct(std::size_t groupCount, Take take) {
        const std::size_t n = groups.size();
        if (n == 0) return;
        groupCount = std::max<std::size_t>(groupCount, 1);
        // Ranges of 2^shift groups, holding about RangePairs pairs each on average.
        unsigned shift = 0;
        while (shift < 31 && (std::size_t(2) << shift) * n <= RangePairs * groupCount) ++shift;
        const std::size_t ranges = ((groupCount - 1) >> shift) + 1;
        if (ranges == 1) {
            distinctIn(groups.data(), values.data(), n, take);
        } else {
            // A counting sort by range, stable: each range keeps its pairs' order.
            std::vector<std::size_t> start(ranges + 1, 0);
            for (std::uint32_t group : groups) ++start[(group >> shift) + 1];
            for (std::size_t r = 0; r < ranges; ++r) start[r + 1] += start[r];
            std::vector<std::uint32_t> byGroup(n);
            std::vector<InternalName> byValue(n);
            std::vector<std::size_t> next(start.begin(), start.end() - 1);
            for (std::size_t i = 0; i < n; ++i) {
                const std::size_t at = next[groups[i] >> shift]++;
                byGroup[at] = groups[i];
                byValue[at] = values[i];
            }
            release();
            for (std::size_t r = 0; r < ranges; ++r)
                distinctIn(byGroup.data() + start[r], byValue.data() + start[r],
                           start[r + 1] - start[r], take);
        }
        release();
    }

  private:
    // About the pairs whose set (16 bytes a slot, at most half full) and rows stay in a core's
    // own cache.
    static constexpr std::size_t RangePairs = 4096;

    struct Slot {
        std::uint64_t word = 0;
        // The group's number + 1; 0 marks a free slot.
        std::uint32_t group = 0;
    };

    // The distinct pairs of one range of groups, in the order they come.
    template <class Take>
    void distinctIn(const std::uint32_t* group, const InternalName* value, std::size_t n,
                    Take& take) {
        if (n == 0) return;
        std::size_t size = 16;
        while (size < 2 * n) size *= 2;
        seen.assign(size, Slot{});
        const std::size_t mask = size - 1;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t word = cellWord(value[i]);
            const std::uint32_t tag = group[i] + 1;
            std::size_t at = hashMix::step(hashMix::step(hashMix::Seed, tag), word) & mask;
            while (seen[at].group != 0 && !(seen[at].word == word && seen[at].group == tag))
                at = (at + 1) & mask;
            if (seen[at].group != 0) continue;
            seen[at] = Slot{word, tag};
            take(group[i], value[i]);
        }
    }

    void release() {
        std::vector<std::uint32_t>().swap(groups);
        std::vector<InternalName>().swap(values);
    }

    std::vector<std::uint32_t> groups;
    std::vector<InternalName> values;
    std::vector<Slot> seen;
};
