// Tests of the usage index's name sets against a plain ordered set over random operations.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "objectbase/MainMemOM.h"

TEST(UsageSetTest, AgreesWithAnOrderedSetWhateverTheOrderOfInsertsAndErases) {
    for (int spread : {4, 60, 3000}) {
        std::mt19937 random{unsigned(spread)};
        MainMemOM::UsageSet names;
        std::set<InternalName> twin;
        for (int step = 0; step < 20000; ++step) {
            // Mostly rising names with repeats, as hosts arrive; now and then an erase or a read.
            const int value = step % 3 == 0 ? int(random() % unsigned(spread)) : step / 4;
            const InternalName name(value, InternalName::Object, 0);
            const unsigned action = random() % 50;
            if (action == 0) {
                EXPECT_EQ(names.erase(name), twin.erase(name) != 0);
            } else if (action == 1) {
                EXPECT_EQ(names.member(name), twin.count(name) != 0);
            } else {
                names.insert(name);
                twin.insert(name);
            }
            if (step % 997 == 0) {
                std::vector<InternalName> seen;
                names.forEach([&seen](const InternalName& n) {
                    seen.push_back(n);
                    return true;
                });
                ASSERT_EQ(seen, std::vector<InternalName>(twin.begin(), twin.end()));
                ASSERT_EQ(names.size(), twin.size());
            }
        }
    }
}

// Sets small enough to live inside the set and sets that outgrew it copy and move alike.
TEST(UsageSetTest, CopiesAndMovesKeepTheMembers) {
    auto members = [](const MainMemOM::UsageSet& names) {
        std::vector<int> values;
        names.forEach([&values](const InternalName& n) {
            values.push_back(n.getValue());
            return true;
        });
        return values;
    };
    for (int size : {0, 1, 2, 3, 40}) {
        MainMemOM::UsageSet names;
        std::vector<int> expected;
        for (int i = size; i-- > 0;) names.insert(InternalName(i, InternalName::Object, 0));
        for (int i = 0; i < size; ++i) expected.push_back(i);
        MainMemOM::UsageSet copy(names);
        MainMemOM::UsageSet assigned;
        assigned.insert(InternalName(99, InternalName::Object, 0));
        assigned = copy;
        MainMemOM::UsageSet moved(std::move(copy));
        EXPECT_EQ(members(names), expected);
        EXPECT_EQ(members(assigned), expected);
        EXPECT_EQ(members(moved), expected);
        EXPECT_EQ(copy.size(), 0u);
        moved.insert(InternalName(size, InternalName::Object, 0));
        EXPECT_EQ(members(names), expected);
        names = std::move(moved);
        expected.push_back(size);
        EXPECT_EQ(members(names), expected);
    }
}
