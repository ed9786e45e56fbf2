// The equality log over random runs of pairs entered, drained and applied: the pending map stays
// flat (every name's representative is one lookup away and is no replaced name), a drained pair
// enters the history, an applied one the applied pairs, and clearing empties it all.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "objectbase/EqualityLog.h"

namespace {

InternalName name(int n) {
    return InternalName(n, InternalName::Object, 0);
}

// The representative of a name by following the pairs one by one: what a flat map answers at
// once.
InternalName followed(const EqualityLog& log, InternalName at) {
    for (int steps = 0; steps < 1000; ++steps) {
        const InternalName next = log.representativeOf(at);
        if (next == at) return at;
        at = next;
    }
    return at;
}

TEST(EqualityLogTest, StaysFlatThroughRandomRuns) {
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        EqualityLog log;
        // A name applied may be met again here (a base would have merged it away): the applied
        // pairs are keyed by name.
        std::set<InternalName> applied;
        for (int step = 0; step < 3000; ++step) {
            if (random() % 10 == 0) {
                // Drain one pair and apply it.
                InternalName replaced;
                InternalName representative;
                if (log.nextPending(replaced, representative)) {
                    EXPECT_NE(replaced, representative);
                    InternalName stored;
                    EXPECT_TRUE(log.isPending(replaced, stored));
                    EXPECT_EQ(stored, representative);
                    log.applied(replaced, representative);
                    EXPECT_FALSE(log.isPending(replaced, stored));
                    EXPECT_EQ(log.appliedRepresentativeOf(replaced), representative);
                    applied.insert(replaced);
                }
                continue;
            }
            const InternalName first = name(int(random() % 200));
            const InternalName second = name(int(random() % 200));
            const InternalName a = log.representativeOf(first);
            const InternalName b = log.representativeOf(second);
            if (a == b) continue;
            const InternalName kept = a.getValue() < b.getValue() ? a : b;
            const InternalName replaced = kept == a ? b : a;
            log.enter(first, second, replaced, kept);
            // Flat: a pending name's representative is itself no pending name.
            for (int n = 0; n < 200; ++n) {
                const InternalName rep = log.representativeOf(name(n));
                EXPECT_EQ(log.representativeOf(rep), rep) << step << " " << n;
                EXPECT_EQ(followed(log, name(n)), rep);
            }
            EXPECT_TRUE(log.mentions(replaced));
            EXPECT_TRUE(log.mentions(kept));
        }
        EXPECT_EQ(std::size_t(log.appliedPairs().size()), applied.size());
        EXPECT_GE(std::size_t(log.history().size()), applied.size());
        log.clear();
        EXPECT_TRUE(log.nonePending());
        EXPECT_EQ(log.pendingCount(), 0);
        EXPECT_EQ(log.appliedPairs().size(), 0);
        EXPECT_EQ(log.history().size(), 0);
        EXPECT_EQ(log.representativeOf(name(1)), name(1));
    }
}

// Applied pairs follow a rename of their representative.
TEST(EqualityLogTest, AppliedPairsFollowRenames) {
    EqualityLog log;
    log.noteApplied(name(5), name(3));
    log.noteApplied(name(6), name(3));
    log.noteApplied(name(7), name(4));
    log.renameApplied(name(3), name(1));
    EXPECT_EQ(log.appliedRepresentativeOf(name(5)), name(1));
    EXPECT_EQ(log.appliedRepresentativeOf(name(6)), name(1));
    EXPECT_EQ(log.appliedRepresentativeOf(name(7)), name(4));
    EXPECT_EQ(log.appliedRepresentativeOf(name(9)), name(9));
}

}  // namespace
