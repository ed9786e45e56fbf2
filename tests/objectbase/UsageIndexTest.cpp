// The usage index against a plain map of sets over random pairs: kept as a log (compacted as it
// grows), asked whether names are used, built with the pairs the store left out of the log, kept
// live after, and emptied.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <vector>

#include "objectbase/UsageIndex.h"

namespace {

InternalName name(int n) {
    return InternalName(n, InternalName::Object, 0);
}

std::map<InternalName, std::set<InternalName>> contents(UsageIndex::Map& index) {
    std::map<InternalName, std::set<InternalName>> out;
    for (auto& [key, holders] : index)
        holders.forEach([&](const InternalName& host) {
            out[key].insert(host);
            return true;
        });
    return out;
}

TEST(UsageIndexTest, AgreesWithAPlainMapOfSets) {
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        UsageIndex index;
        std::map<InternalName, std::set<InternalName>> expected;
        // Runs of one host, repeats and enough pairs for several compactions.
        for (int step = 0; step < 30000; ++step) {
            const InternalName key = name(int(random() % 2000));
            const InternalName host = name(int(random() % 300));
            const int repeats = int(random() % 3) + 1;
            for (int i = 0; i < repeats; ++i) index.add(key, host);
            expected[key].insert(host);
            if (step % 1000 == 0) {
                const InternalName asked = name(int(random() % 2500));
                EXPECT_EQ(index.usedAnywhere(asked), expected.count(asked) != 0) << step;
            }
        }
        EXPECT_FALSE(index.live());
        // Values the store did not log: the walk gives them when the index is built.
        std::vector<std::pair<InternalName, InternalName>> unlogged;
        for (int i = 0; i < 500; ++i)
            unlogged.emplace_back(name(3000 + int(random() % 100)), name(int(random() % 300)));
        index.noteUnloggedValue();
        index.noteUnloggedRows(name(9000));
        index.noteUnloggedRows(name(9000));
        index.noteUnloggedRows(name(9001));
        EXPECT_TRUE(index.hasUnloggedValues());
        EXPECT_EQ(index.unloggedRowFrames().size(), 2u);
        for (const auto& [key, host] : unlogged) expected[key].insert(host);
        int walks = 0;
        const auto walk = [&](const UsageIndex::Visit& visit) {
            ++walks;
            for (const auto& [key, host] : unlogged) visit(key, host);
        };
        EXPECT_EQ(contents(index.built(walk)), expected);
        EXPECT_TRUE(index.live());
        EXPECT_FALSE(index.hasUnloggedValues());
        EXPECT_TRUE(index.unloggedRowFrames().empty());
        // Live: pairs go to the index at once; a later read walks nothing again.
        for (int step = 0; step < 2000; ++step) {
            const InternalName key = name(int(random() % 4000));
            const InternalName host = name(int(random() % 300));
            index.add(key, host);
            expected[key].insert(host);
        }
        EXPECT_EQ(contents(index.built(walk)), expected);
        EXPECT_EQ(walks, 1);
        for (int n = 0; n < 4000; n += 7)
            EXPECT_EQ(index.usedAnywhere(name(n)), expected.count(name(n)) != 0) << n;
        index.clear();
        EXPECT_FALSE(index.live());
        EXPECT_FALSE(index.usedAnywhere(name(1)));
        EXPECT_TRUE(contents(index.built(walk)).empty());
    }
}

}  // namespace
