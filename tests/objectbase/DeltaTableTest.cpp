// DeltaTable: its lookups and its walks in key order, against ordered twins over random entries.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

#include "objectbase/DeltaTable.h"

namespace {

FSymbol predicate(int id, int arity) {
    return FSymbol(id, InternalName::Predicate, static_cast<std::int8_t>(arity));
}

}  // namespace

TEST(DeltaTable, LookupsAndKeyOrderedWalksAgreeWithOrderedMapsOverRandomEntries) {
    for (unsigned seed : {1u, 2u, 3u, 4u}) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        DeltaTable table;
        std::map<int, FSymbol> methods[DeltaTable::MethodTypes];
        std::map<int, FSymbol> empties[DeltaTable::MethodTypes];
        std::map<FSymbol, FSymbol> predicates;
        int next = 1000;
        for (int step = 0; step < 600; ++step) {
            const int type = int(random() % DeltaTable::MethodTypes);
            const int count = int(random() % 12);
            switch (random() % 3) {
                case 0:
                    methods[type][count] = predicate(next, count + 3);
                    table.setMethodDelta(type, count, predicate(next++, count + 3));
                    break;
                case 1:
                    empties[type][count] = predicate(next, count + 2);
                    table.setEmptySetDelta(type, count, predicate(next++, count + 2));
                    break;
                default: {
                    // Predicates of one name with other arities, entered in any order and
                    // some again.
                    const FSymbol key = predicate(int(random() % 200) - 100, int(random() % 3));
                    predicates[key] = predicate(next, key.getArity());
                    table.setPredicateDelta(key, predicate(next++, key.getArity()));
                }
            }
        }
        for (int type = -1; type <= DeltaTable::MethodTypes; ++type)
            for (int count = -1; count < 14; ++count) {
                const bool inRange = type >= 0 && type < DeltaTable::MethodTypes;
                const FSymbol* method = table.methodDelta(type, count);
                const FSymbol* empty = table.emptySetDelta(type, count);
                const bool hasMethod = inRange && methods[type].count(count) != 0;
                const bool hasEmpty = inRange && empties[type].count(count) != 0;
                ASSERT_EQ(method != nullptr, hasMethod) << type << " " << count;
                ASSERT_EQ(empty != nullptr, hasEmpty) << type << " " << count;
                if (hasMethod) {
                    EXPECT_EQ(*method, methods[type][count]);
                }
                if (hasEmpty) {
                    EXPECT_EQ(*empty, empties[type][count]);
                }
            }
        for (int type = 0; type < DeltaTable::MethodTypes; ++type) {
            std::vector<std::pair<int, FSymbol>> walked;
            table.forEachMethodDelta(type, [&](int count, const FSymbol& delta) {
                walked.emplace_back(count, delta);
                return true;
            });
            EXPECT_EQ(walked, (std::vector<std::pair<int, FSymbol>>(methods[type].begin(),
                                                                    methods[type].end())));
            walked.clear();
            table.forEachEmptySetDelta(type, [&](int count, const FSymbol& delta) {
                walked.emplace_back(count, delta);
                return true;
            });
            EXPECT_EQ(walked, (std::vector<std::pair<int, FSymbol>>(empties[type].begin(),
                                                                    empties[type].end())));
        }
        std::vector<std::pair<FSymbol, FSymbol>> walked;
        EXPECT_TRUE(table.forEachPredicateDelta([&](const FSymbol& key, const FSymbol& delta) {
            walked.emplace_back(key, delta);
            return true;
        }));
        EXPECT_EQ(walked,
                  (std::vector<std::pair<FSymbol, FSymbol>>(predicates.begin(), predicates.end())));
        for (int id = -101; id <= 101; ++id)
            for (int arity = 0; arity < 3; ++arity) {
                const auto found = predicates.find(predicate(id, arity));
                const FSymbol* delta = table.predicateDelta(predicate(id, arity));
                ASSERT_EQ(delta != nullptr, found != predicates.end());
                if (delta != nullptr) {
                    EXPECT_EQ(*delta, found->second);
                }
            }
        // A visitor answering false ends the walk after it.
        int visits = 0;
        EXPECT_FALSE(table.forEachPredicateDelta(
            [&](const FSymbol&, const FSymbol&) { return ++visits < 2; }));
        EXPECT_EQ(visits, 2);
    }
}
