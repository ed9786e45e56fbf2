// The string cleanup against a plain set difference over random strings, uses and answers of the
// base: it forgets exactly the strings made and found used nowhere, ascending and once each, and
// starts again empty.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "objectbase/StringCleanup.h"

namespace {

InternalName string(int n) {
    return InternalName(n, InternalName::String, 0);
}

TEST(StringCleanupTest, ForgetsWhatNothingUses) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        std::mt19937 random(seed);
        StringCleanup cleanup;
        EXPECT_FALSE(cleanup.pending());
        std::set<InternalName> made;
        std::set<InternalName> used;
        std::set<InternalName> indexed;
        for (int i = 0; i < 3000; ++i) {
            // Mostly ascending, with repeats and some out of order.
            const InternalName name = string(random() % 5 == 0 ? int(random() % 4000) : i);
            cleanup.noteMade(name);
            made.insert(name);
        }
        EXPECT_TRUE(cleanup.pending());
        for (int i = 0; i < 800; ++i) {
            const InternalName name = string(int(random() % 4000));
            cleanup.noteUse(name);
            used.insert(name);
            // Names of other kinds are no strings: noting them changes nothing.
            cleanup.noteUse(InternalName(int(random() % 4000), InternalName::Object, 0));
        }
        for (int i = 0; i < 800; ++i) indexed.insert(string(int(random() % 4000)));
        std::vector<InternalName> forgotten;
        std::set<InternalName> asked;
        cleanup.run(
            [&](const InternalName& name) {
                EXPECT_TRUE(asked.insert(name).second);
                return indexed.count(name) != 0;
            },
            [&](const InternalName& name) { forgotten.push_back(name); });
        std::vector<InternalName> expected;
        for (const InternalName& name : made)
            if (used.count(name) == 0 && indexed.count(name) == 0) expected.push_back(name);
        EXPECT_EQ(forgotten, expected);
        // Only the strings made and not noted as used are asked about.
        for (const InternalName& name : asked) {
            EXPECT_EQ(made.count(name), 1u);
            EXPECT_EQ(used.count(name), 0u);
        }
        EXPECT_FALSE(cleanup.pending());
        // The next cleanup starts empty: nothing made, no use kept.
        cleanup.noteMade(*used.begin());
        forgotten.clear();
        cleanup.run([](const InternalName&) { return false; },
                    [&](const InternalName& name) { forgotten.push_back(name); });
        EXPECT_EQ(forgotten, std::vector<InternalName>{*used.begin()});
    }
}

}  // namespace
