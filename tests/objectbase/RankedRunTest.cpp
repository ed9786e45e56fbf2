// Tests of RankedRun: the places a run takes, their values, and the search for the next taken
// place.
#include <gtest/gtest.h>

#include <cstddef>
#include <random>
#include <set>

#include "objectbase/RankedRun.h"

// Places taken at random gaps (none, within a word, across words, to the last place): each
// value follows the one before, and the next taken place from every place on is the one a plain
// scan finds, Places when none is left.
TEST(RankedRunTest, TakenPlacesKeepTheirValuesAndAreFoundFromAnyPlace) {
    std::mt19937 random{5};
    for (int round = 0; round < 50; ++round) {
        RankedRun<512> run;
        std::set<std::size_t> taken;
        const std::uint32_t first = random() % 1000;
        std::size_t at = random() % 3 == 0 ? 0 : random() % 100;
        while (at < 512) {
            ASSERT_TRUE(run.append(at, first + std::uint32_t(taken.size())));
            taken.insert(at);
            const unsigned gap = random() % 4;
            at += gap == 0 ? 1 : gap == 1 ? 1 + random() % 10 : gap == 2 ? 64 : 1 + random() % 200;
        }
        // Out of order, or a value out of sequence, the run refuses.
        EXPECT_FALSE(run.append(*taken.rbegin(), first + std::uint32_t(taken.size())));
        std::size_t rank = 0;
        for (std::size_t place = 0; place < 512; ++place) {
            std::size_t scanned = place;
            while (scanned < 512 && taken.count(scanned) == 0) ++scanned;
            ASSERT_EQ(run.takenFrom(place), scanned) << place;
            ASSERT_EQ(run.taken(place), taken.count(place) == 1);
            if (run.taken(place)) {
                EXPECT_EQ(run.valueAt(place), first + rank++);
            }
        }
        EXPECT_EQ(run.takenFrom(512), 512u);
    }
    RankedRun<512> empty;
    EXPECT_EQ(empty.takenFrom(0), 512u);
}

// Ranges of places taken at once, of every length from one place to several words, at random
// gaps: the run is the one that takes the same places one at a time.
TEST(RankedRunTest, ARangeTakenAtOnceIsTheRunOfItsPlacesTakenOneByOne) {
    std::mt19937 random{17};
    for (int round = 0; round < 200; ++round) {
        RankedRun<1024> ranged;
        RankedRun<1024> single;
        const std::uint32_t first = random() % 1000;
        std::uint32_t value = first;
        std::size_t at = random() % 3 == 0 ? 0 : random() % 130;
        while (at < 1024) {
            const std::size_t most = 1024 - at;
            std::size_t count = random() % 3 == 0 ? 1 + random() % 200 : 1 + random() % 70;
            if (count > most) count = most;
            ASSERT_TRUE(ranged.continuedBy(at, value));
            ranged.appendRange(at, value, count);
            for (std::size_t i = 0; i < count; ++i)
                ASSERT_TRUE(single.append(at + i, value + std::uint32_t(i)));
            value += std::uint32_t(count);
            at += count + (random() % 2 == 0 ? 0 : random() % 90);
        }
        EXPECT_EQ(ranged.lastTaken(), single.lastTaken());
        EXPECT_FALSE(ranged.continuedBy(ranged.lastTaken(), value));
        for (std::size_t place = 0; place < 1024; ++place) {
            ASSERT_EQ(ranged.taken(place), single.taken(place)) << place;
            if (single.taken(place)) {
                ASSERT_EQ(ranged.valueAt(place), single.valueAt(place)) << place;
            }
            ASSERT_EQ(ranged.takenFrom(place), single.takenFrom(place)) << place;
        }
    }
}
