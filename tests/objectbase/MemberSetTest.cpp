// Tests of a set frame's member store against a plain ordered set over random operations, read
// in order and as kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <span>
#include <vector>

#include "objectbase/MainMemFrames.h"
#include "objectbase/MemberSet.h"
#include "objectbase/SetIterator.h"

namespace {

// A name of one of three kinds, or a made object (flag -1), so that order and hashing see more
// than the value.
InternalName nameOf(int value, unsigned kind) {
    switch (kind % 4) {
        case 0:
            return InternalName(value, InternalName::Object, 0);
        case 1:
            return InternalName(value, InternalName::String, 0);
        case 2:
            return InternalName(value - 50, InternalName::Integer, 0);
        default:
            return InternalName(value, InternalName::Object, -1);
    }
}

void expectSame(const MemberSet& members, const std::set<InternalName>& twin) {
    const auto ascending = members.ascending();
    ASSERT_EQ(std::vector<InternalName>(ascending.begin(), ascending.end()),
              std::vector<InternalName>(twin.begin(), twin.end()));
    ASSERT_EQ(members.size(), twin.size());
}

// The members as kept, unsorted: each member once, and no other name.
void expectKept(const MemberSet& members, const std::set<InternalName>& twin) {
    std::span<const InternalName> front;
    std::vector<InternalName> added{InternalName(1, InternalName::Object, 0)};
    members.kept(front, added);
    std::vector<InternalName> all(front.begin(), front.end());
    all.insert(all.end(), added.begin(), added.end());
    std::sort(all.begin(), all.end());
    ASSERT_EQ(all, std::vector<InternalName>(twin.begin(), twin.end()));
}

}  // namespace

// Sizes that stay small, cross the hashing limit and grow large; inserts in rising runs and at
// random, erases (renames take a member out and put another in), membership probes and reads
// in between, and copies, all checked against std::set.
TEST(MemberSetTest, AgreesWithAnOrderedSetWhateverTheOrderOfInsertsAndErases) {
    for (int spread : {6, 20, 200, 5000}) {
        std::mt19937 random{unsigned(spread) * 7u + 1u};
        MemberSet members;
        std::set<InternalName> twin;
        for (int step = 0; step < 30000; ++step) {
            const int value = step % 2 == 0 ? int(random() % unsigned(spread)) : step % spread;
            const InternalName name = nameOf(value, random());
            const unsigned action = random() % 40;
            if (action < 3) {
                ASSERT_EQ(members.erase(name), twin.erase(name) != 0) << step;
            } else if (action < 8) {
                ASSERT_EQ(members.contains(name), twin.count(name) != 0) << step;
            } else if (action == 8) {
                // An equality renames one member into another.
                const InternalName other = nameOf(int(random() % unsigned(spread)), random());
                const bool had = members.erase(name);
                ASSERT_EQ(had, twin.erase(name) != 0);
                if (had) {
                    members.insert(other);
                    twin.insert(other);
                }
            } else {
                ASSERT_EQ(members.insert(name), twin.insert(name).second) << step;
            }
            if (step % 613 == 0) expectKept(members, twin);
            if (step % 1009 == 0) expectSame(members, twin);
            if (step % 7919 == 0) {
                MemberSet copy(members);
                expectSame(copy, twin);
                MemberSet assigned;
                assigned = members;
                expectSame(assigned, twin);
            }
            if (step == 20000 && spread == 200) {
                members.clear();
                twin.clear();
                ASSERT_TRUE(members.empty());
            }
        }
        expectSame(members, twin);
        for (int value = 0; value < spread; ++value)
            for (unsigned kind = 0; kind < 4; ++kind)
                ASSERT_EQ(members.contains(nameOf(value, kind)),
                          twin.count(nameOf(value, kind)) != 0);
    }
}

// Members that arrive above all others (the common case of a load) and members that arrive
// anywhere, in bursts of either; erases and probes of both, sizes and copies read between
// bursts, checked against std::set.
TEST(MemberSetTest, RisingRunsAndScatteredMembersAgreeWithAnOrderedSet) {
    std::mt19937 random{4949};
    MemberSet members;
    std::set<InternalName> twin;
    int top = 0;
    for (int burst = 0; burst < 400; ++burst) {
        const int length = int(random() % 60);
        const unsigned mode = random() % 4;
        for (int step = 0; step < length; ++step) {
            InternalName name;
            if (mode == 0) {
                top += 1 + int(random() % 3);
                name = InternalName(top, InternalName::Object, 0);
            } else {
                name = InternalName(int(random() % unsigned(top + 10)), InternalName::Object, 0);
            }
            if (mode == 3 && step % 2 == 1) {
                ASSERT_EQ(members.erase(name), twin.erase(name) != 0) << burst;
            } else {
                ASSERT_EQ(members.insert(name), twin.insert(name).second) << burst;
            }
            ASSERT_EQ(members.size(), twin.size()) << burst;
            const InternalName probe(int(random() % unsigned(top + 10)), InternalName::Object, 0);
            ASSERT_EQ(members.contains(probe), twin.count(probe) != 0) << burst;
        }
        if (burst % 5 == 0 && !twin.empty()) {
            // The largest member, which is in the rising run when there is one.
            const InternalName last = *twin.rbegin();
            ASSERT_TRUE(members.erase(last));
            twin.erase(last);
        }
        if (burst % 2 == 0) expectKept(members, twin);
        if (burst % 3 == 0) expectSame(members, twin);
        if (burst % 17 == 0) {
            MemberSet copy(members);
            expectSame(copy, twin);
            ASSERT_TRUE(copy.insert(InternalName(top + 1000, InternalName::Object, 0)));
            ASSERT_EQ(copy.size(), twin.size() + 1);
        }
    }
    expectSame(members, twin);
    for (int value = 0; value < top + 10; ++value) {
        const InternalName name(value, InternalName::Object, 0);
        ASSERT_EQ(members.contains(name), twin.count(name) != 0) << value;
    }
}

// Sets of every size up to past the hashing limit, filled in ascending order (the appends that
// skip the search), then given a repeat of the largest member, a member below it and more
// members above: each answer and the order agree with std::set, and an append after a member
// arrived out of order keeps the order too.
TEST(MemberSetTest, SetsFilledInAscendingOrderAgreeWithAnOrderedSetAtEverySize) {
    const std::size_t limit = MemberSet::SmallLimit;
    for (int size = 0; size <= int(3 * limit); ++size) {
        MemberSet members;
        std::set<InternalName> twin;
        for (int value = 0; value < size; ++value) {
            const InternalName name(10 * value + 5, InternalName::Object, 0);
            ASSERT_TRUE(members.insert(name)) << size;
            twin.insert(name);
            ASSERT_EQ(members.size(), twin.size());
        }
        if (size > 0) {
            const InternalName largest = *twin.rbegin();
            ASSERT_FALSE(members.insert(largest)) << size;
            // The same value under another kind sorts above it.
            const InternalName sameValue(largest.getValue(), InternalName::SetName, 1);
            ASSERT_TRUE(members.insert(sameValue)) << size;
            twin.insert(sameValue);
        }
        ASSERT_TRUE(members.insert(InternalName(1, InternalName::Object, 0))) << size;
        twin.insert(InternalName(1, InternalName::Object, 0));
        for (int value = size; value < size + 3; ++value) {
            const InternalName name(10 * value + 7, InternalName::Object, 0);
            ASSERT_TRUE(members.insert(name)) << size;
            twin.insert(name);
            ASSERT_FALSE(members.insert(name)) << size;
        }
        for (const InternalName& name : twin) ASSERT_TRUE(members.contains(name)) << size;
        ASSERT_FALSE(members.contains(InternalName(3, InternalName::Object, 0)));
        expectKept(members, twin);
        expectSame(members, twin);
    }
}

// A set frame walked through its iterator gives its members in ascending order, also right
// after members arrived out of order past the hashing limit.
// A large set erased down to two members, copied and assigned: the copies hold the two members,
// grow again like any set, and leave nothing behind (the leak checker watches this test).
TEST(MemberSetTest, CopiesOfALargeSetErasedToTwoMembersHoldThemAndGrowAgain) {
    MemberSet members;
    for (int value = 0; value < 40; ++value)
        members.insert(InternalName(value, InternalName::Object, 0));
    for (int value = 2; value < 40; ++value)
        members.erase(InternalName(value, InternalName::Object, 0));
    MemberSet copy(members);
    MemberSet assigned;
    assigned = members;
    const std::set<InternalName> two{InternalName(0, InternalName::Object, 0),
                                     InternalName(1, InternalName::Object, 0)};
    expectSame(copy, two);
    expectSame(assigned, two);
    std::set<InternalName> grown = two;
    for (int value = 50; value < 90; ++value) {
        copy.insert(InternalName(value, InternalName::Object, 0));
        grown.insert(InternalName(value, InternalName::Object, 0));
    }
    expectSame(copy, grown);
}

TEST(MemberSetTest, SetFrameIteratorWalksTheMembersInAscendingOrder) {
    MainMemSetFrame frame;
    std::set<InternalName> twin;
    Ref<Iterator> it;  // handed back to each call, which re-targets it
    for (int round = 0; round < 4; ++round) {
        for (int i = 0; i < 30; ++i) {
            const InternalName name((i * 37 + round * 11) % 101, InternalName::Object, 0);
            EXPECT_EQ(frame.insert(name), twin.insert(name).second ? 1 : 0);
        }
        it.renew([&](Iterator* old) { return frame.getIterator(old); });
        std::vector<InternalName> seen;
        for (bool more = it->first(); more; more = it->next()) seen.push_back(it->atColumn(1));
        EXPECT_EQ(seen, std::vector<InternalName>(twin.begin(), twin.end()));
        EXPECT_EQ(frame.size(), int(twin.size()));
    }
    const InternalName gone = *twin.begin(), fresh(500, InternalName::Object, 0);
    EXPECT_EQ(frame.replace(gone, fresh), 1);
    EXPECT_EQ(frame.replace(gone, fresh), 0);
    EXPECT_FALSE(frame.contains(gone));
    EXPECT_TRUE(frame.contains(fresh));
}

// Members added while a set frame is walked (inheritance does that) are met when they come
// after the member the walk stands on and not otherwise; none is met twice.
TEST(MemberSetTest, AWalkGoesOnAfterItsMemberWhenMembersAreAdded) {
    for (int size : {4, 40}) {
        MainMemSetFrame frame;
        for (int i = 0; i < size; ++i) frame.insert(InternalName(10 * i, InternalName::Object, 0));
        auto it = Ref<Iterator>::adopt(frame.getIterator(nullptr));
        std::vector<int> seen;
        for (bool more = it->first(); more; more = it->next()) {
            const int value = it->atColumn(1).getValue();
            seen.push_back(value);
            if (value == 20) {
                frame.insert(InternalName(5, InternalName::Object, 0));
                frame.insert(InternalName(25, InternalName::Object, 0));
            }
        }
        std::vector<int> expected;
        for (int i = 0; i < size; ++i) {
            expected.push_back(10 * i);
            if (i == 2) expected.push_back(25);
        }
        EXPECT_EQ(seen, expected) << size;
    }
}

// Blocks of ascending names appended in one step, between scattered inserts and erases, at every
// size from empty to hashed: a block above every member either goes in whole or changes
// nothing (and then goes in one by one), a block reaching below the largest member changes
// nothing, and the members, probes and reads agree with std::set throughout.
TEST(MemberSetTest, BlocksAppendedAboveEveryMemberAgreeWithAnOrderedSet) {
    std::mt19937 random{6007};
    for (int round = 0; round < 20; ++round) {
        MemberSet members;
        std::set<InternalName> twin;
        int top = 0;
        for (int burst = 0; burst < 120; ++burst) {
            const unsigned mode = random() % 5;
            if (mode <= 1) {
                std::vector<InternalName> block;
                const int length = 1 + int(random() % (mode == 0 ? 6 : 40));
                // Mostly above every member; now and then from below the largest.
                int at = random() % 7 == 0 ? std::max(0, top - 5) : top;
                for (int i = 0; i < length; ++i) {
                    at += 1 + int(random() % 3);
                    block.emplace_back(at, InternalName::Object, 0);
                }
                const bool above = twin.empty() || *twin.rbegin() < block.front();
                const std::size_t before = members.size();
                if (members.appendAscending(block)) {
                    ASSERT_TRUE(above) << burst;
                    ASSERT_EQ(members.size(), before + block.size()) << burst;
                    for (const InternalName& name : block) twin.insert(name);
                } else {
                    ASSERT_EQ(members.size(), before) << burst;
                    expectSame(members, twin);
                    for (const InternalName& name : block)
                        ASSERT_EQ(members.insert(name), twin.insert(name).second) << burst;
                }
                top = std::max(top, at);
            } else {
                const InternalName name(int(random() % unsigned(top + 10)), InternalName::Object,
                                        0);
                if (mode == 2)
                    ASSERT_EQ(members.erase(name), twin.erase(name) != 0) << burst;
                else
                    ASSERT_EQ(members.insert(name), twin.insert(name).second) << burst;
            }
            ASSERT_EQ(members.size(), twin.size()) << burst;
            const InternalName probe(int(random() % unsigned(top + 10)), InternalName::Object, 0);
            ASSERT_EQ(members.contains(probe), twin.count(probe) != 0) << burst;
            if (burst % 3 == 0) expectKept(members, twin);
            if (burst % 4 == 0) expectSame(members, twin);
        }
        expectSame(members, twin);
    }
}
