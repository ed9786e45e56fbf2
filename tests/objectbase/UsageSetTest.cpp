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
