// Tests of the shared open-addressing table and its entry index against the standard hash set.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <unordered_set>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "foundation/HashMix.h"

namespace {

// A slot that holds its key: keys are never 0, which marks a free slot.
struct KeySlot {
    std::uint64_t key = 0;
    bool isFree() const { return key == 0; }
};

// Keys from a small range, so that inserts meet present keys and erasures meet absent ones;
// the weak hash makes long runs of equal home slots, where erasure has to shift slots back.
std::uint64_t weakHash(const KeySlot& slot) {
    return slot.key % 7;
}
std::uint64_t goodHash(const KeySlot& slot) {
    return hashMix::word(slot.key);
}

template <class Hash>
void agreeWithStdSet(Hash hashOf, std::uint32_t seed) {
    std::mt19937 random(seed);
    FlatHashTable<KeySlot, 7, 8> table;
    std::unordered_set<std::uint64_t> twin;
    for (int step = 0; step < 20000; ++step) {
        const std::uint64_t key = 1 + random() % 600;
        const KeySlot wanted{key};
        auto same = [key](const KeySlot& slot) { return slot.key == key; };
        switch (random() % 3) {
            case 0: {
                table.reserve(1, hashOf);
                const std::size_t at = table.probe(hashOf(wanted), same);
                const bool fresh = table[at].isFree();
                if (fresh) table.fill(at, wanted);
                ASSERT_EQ(fresh, twin.insert(key).second) << "insert " << key;
                break;
            }
            case 1: {
                const KeySlot* found = table.find(hashOf(wanted), same);
                ASSERT_EQ(found != nullptr, twin.count(key) == 1) << "find " << key;
                break;
            }
            default: {
                if (table.empty()) break;
                const std::size_t at = table.probe(hashOf(wanted), same);
                const bool held = !table[at].isFree();
                if (held) table.erase(at, hashOf);
                ASSERT_EQ(held, twin.erase(key) == 1) << "erase " << key;
            }
        }
        ASSERT_EQ(table.size(), twin.size());
    }
    // Every key held once, and nothing else.
    std::unordered_set<std::uint64_t> held;
    for (const KeySlot& slot : table.allSlots()) {
        if (!slot.isFree()) {
            ASSERT_TRUE(held.insert(slot.key).second);
        }
    }
    EXPECT_EQ(held, twin);
}

TEST(FlatHashTableTest, AgreesWithStdSetUnderRandomInsertsFindsAndErasures) {
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        agreeWithStdSet(goodHash, seed);
        agreeWithStdSet(weakHash, seed);
    }
}

TEST(FlatHashTableTest, StaysWithinItsLoad) {
    FlatHashTable<KeySlot> table;
    for (std::uint64_t key = 1; key <= 1000; ++key) {
        table.reserve(1, goodHash);
        table.add(goodHash(KeySlot{key}), KeySlot{key});
        ASSERT_LE(table.size() * 2, table.capacity());
    }
}

// Rows of two cells numbered in insertion order: the index numbers each distinct row once, by
// its first insertion, as a set of the rows would accept them.
TEST(EntryIndexTest, NumbersDistinctRowsInInsertionOrder) {
    std::mt19937 random(7);
    EntryIndex index;
    std::vector<std::uint64_t> rows;  // two 32-bit cells a row
    std::unordered_set<std::uint64_t> twin;
    for (int step = 0; step < 50000; ++step) {
        const std::uint64_t row = std::uint64_t(random() % 300) << 32 | random() % 300;
        const std::uint64_t hash = hashMix::step(hashMix::word(row >> 32), row & 0xffffffffu);
        auto same = [&rows, row](std::uint32_t n) { return rows[n] == row; };
        if (random() % 2 == 0) {
            const std::int64_t found = index.find(hash, same);
            ASSERT_EQ(found >= 0, twin.count(row) == 1);
            if (found >= 0) {
                ASSERT_EQ(rows[std::size_t(found)], row);
            }
            continue;
        }
        const auto [number, fresh] = index.insert(hash, std::uint32_t(rows.size()), same);
        ASSERT_EQ(fresh, twin.insert(row).second);
        if (fresh) {
            ASSERT_EQ(number, rows.size());
            rows.push_back(row);
        } else {
            ASSERT_EQ(rows[number], row);
        }
    }
    EXPECT_EQ(index.size(), rows.size());
}

}  // namespace
