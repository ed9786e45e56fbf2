// FlatNameMap against std::map over random inserts, assignments and erasures.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "objectbase/FSymbol.h"
#include "objectbase/FlatNameMap.h"

namespace {

// Every entry of the map, ordered, as the twin holds them.
std::map<InternalName, int> entriesOf(const FlatNameMap<InternalName, int>& names) {
    std::map<InternalName, int> entries;
    for (const auto& [key, value] : names) EXPECT_TRUE(entries.emplace(key, value).second);
    return entries;
}

TEST(FlatNameMapTest, AgreesWithAnOrderedMapWhateverTheOrderOfChanges) {
    // Small spreads make long runs of neighbouring keys, so erasures shift many entries back.
    for (int spread : {8, 300, 50000}) {
        std::mt19937 random{unsigned(spread)};
        FlatNameMap<InternalName, int> names;
        std::map<InternalName, int> twin;
        for (int step = 0; step < 40000; ++step) {
            const auto kind =
                std::uint8_t(random() % 3 == 0 ? InternalName::String : InternalName::Object);
            const InternalName key(int(random() % unsigned(spread)), kind, 0);
            const unsigned action = random() % 8;
            if (action < 3) {
                EXPECT_EQ(names.erase(key), twin.erase(key));
            } else if (action == 3) {
                names.insert_or_assign(key, step);
                twin.insert_or_assign(key, step);
            } else if (action == 4) {
                auto found = names.find(key);
                if (found != names.end()) {
                    names.erase(found);
                    twin.erase(key);
                }
            } else {
                const bool inserted = names.emplace(key, step).second;
                EXPECT_EQ(inserted, twin.emplace(key, step).second);
            }
            auto found = names.find(key);
            auto expected = twin.find(key);
            ASSERT_EQ(found == names.end(), expected == twin.end());
            if (found != names.end()) {
                EXPECT_EQ(found->second, expected->second);
            }
            ASSERT_EQ(names.size(), twin.size());
            if (step % 4999 == 0) {
                ASSERT_EQ(entriesOf(names), twin);
            }
        }
        ASSERT_EQ(entriesOf(names), twin);
        names.clear();
        EXPECT_TRUE(names.empty());
        EXPECT_EQ(names.begin(), names.end());
        EXPECT_EQ(names.count(twin.begin()->first), 0u);
    }
}

TEST(FlatNameMapTest, SymbolKeysDifferInKindAndArity) {
    FlatNameMap<FSymbol, InternalName> bindings;
    bindings.emplace(FSymbol(5, InternalName::Function, 0),
                     InternalName(1, InternalName::Object, 0));
    bindings.emplace(FSymbol(5, InternalName::Function, 2),
                     InternalName(2, InternalName::Object, 0));
    bindings[FSymbol(5, InternalName::Predicate, 0)] = InternalName(3, InternalName::Object, 0);
    ASSERT_EQ(bindings.size(), 3u);
    EXPECT_EQ(bindings.find(FSymbol(5, InternalName::Function, 2))->second.getValue(), 2);
    EXPECT_EQ(bindings[FSymbol(5, InternalName::Predicate, 0)].getValue(), 3);
    EXPECT_EQ(bindings.count(FSymbol(5, InternalName::Variable, 0)), 0u);
}

}  // namespace
