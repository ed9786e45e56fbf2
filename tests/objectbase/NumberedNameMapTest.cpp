// NumberedNameMap against std::map over random inserts, lookups that insert, assignments and
// erasures of keys that share numbers, lie far apart or are negative.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>

#include "objectbase/FSymbol.h"
#include "objectbase/NumberedNameMap.h"

namespace {

// Every entry of the map, ordered, as the twin holds them.
std::map<InternalName, InternalName> entriesOf(
    const NumberedNameMap<InternalName, InternalName>& names) {
    std::map<InternalName, InternalName> entries;
    names.forEach([&entries](const InternalName& key, const InternalName& value) {
        EXPECT_TRUE(entries.emplace(key, value).second) << key;
    });
    return entries;
}

// The map holds what the twin holds, and every object key numbered up to `last` is found in
// both or in neither, bound alike.
void expectSameAsTwin(const NumberedNameMap<InternalName, InternalName>& names,
                      const std::map<InternalName, InternalName>& twin, std::int32_t last) {
    ASSERT_EQ(entriesOf(names), twin);
    for (std::int32_t number = 0; number <= last; ++number) {
        const InternalName probe(number, InternalName::Object, 0);
        const std::optional<InternalName> found = names.find(probe);
        auto expected = twin.find(probe);
        ASSERT_EQ(!found, expected == twin.end()) << probe;
        if (found) {
            EXPECT_EQ(*found, expected->second);
        }
    }
}

// A key of a few numbers under several kinds and flags, so that keys share a slot; now and then
// a negative number or one far beyond the pages.
InternalName randomKey(std::mt19937& random, unsigned spread) {
    const unsigned pick = random() % 20;
    std::int32_t number = std::int32_t(random() % spread);
    if (pick == 0) number = -number - 1;
    if (pick == 1) number = std::int32_t((1u << 30) + random() % spread);
    const auto kind = std::uint8_t(random() % 3 == 0 ? InternalName::String : InternalName::Object);
    const auto flag = std::int8_t(random() % 4 == 0 ? 1 : 0);
    return {number, kind, flag};
}

TEST(NumberedNameMapTest, AgreesWithAnOrderedMapWhateverTheOrderOfChanges) {
    for (unsigned spread : {8u, 300u, 5000u})
        for (bool fewShapes : {false, true}) {
            std::mt19937 random{spread};
            NumberedNameMap<InternalName, InternalName> names;
            std::map<InternalName, InternalName> twin;
            for (int step = 0; step < 40000; ++step) {
                const InternalName key = randomKey(random, spread);
                // Values of every kind and flag, so that a slot's packed fields cannot mix; or, as
                // the object base has them, of a few kinds, numbers mostly in range and a page
                // now and then seeing a fourth or fifth shape.
                const InternalName value =
                    fewShapes ? InternalName(random() % 50 == 0 ? -step : step,
                                             std::uint8_t(random() % 40 == 0
                                                              ? 1 + random() % 3
                                                              : unsigned(InternalName::Object)),
                                             std::int8_t(random() % 30 == 0 ? 2 : 0))
                              : InternalName(step - 20000, std::uint8_t(step % 11),
                                             std::int8_t(step % 7 - 3));
                const unsigned action = random() % 9;
                if (action < 3) {
                    EXPECT_EQ(names.erase(key), twin.erase(key));
                } else if (action == 8) {
                    bool inserted = false;
                    const InternalName held = names.findOrInsert(
                        key, [&value] { return value; }, inserted);
                    const auto [expected, added] = twin.emplace(key, value);
                    EXPECT_EQ(inserted, added) << key;
                    EXPECT_EQ(held, expected->second) << key;
                } else if (action == 3) {
                    names.insert_or_assign(key, value);
                    twin.insert_or_assign(key, value);
                } else {
                    EXPECT_EQ(names.emplace(key, value), twin.emplace(key, value).second) << key;
                }
                const std::optional<InternalName> found = names.find(key);
                auto expected = twin.find(key);
                ASSERT_EQ(!found, expected == twin.end()) << key;
                if (found) {
                    EXPECT_EQ(*found, expected->second);
                }
                ASSERT_EQ(names.size(), twin.size());
                if (step % 4999 == 0) {
                    ASSERT_EQ(entriesOf(names), twin);
                }
            }
            ASSERT_EQ(entriesOf(names), twin);
            for (const auto& [key, value] : twin) EXPECT_TRUE(names.contains(key)) << key;
            names.clear();
            EXPECT_TRUE(names.empty());
            EXPECT_FALSE(names.find(twin.begin()->first));
            EXPECT_TRUE(entriesOf(names).empty());
        }
}

// Entries made in the order of their keys with consecutive values, as a consult names its
// symbols, with now and then a key skipped, a value out of sequence, an earlier key, another
// shape, an assignment or an erasure: the map agrees with the ordered twin throughout.
TEST(NumberedNameMapTest, EntriesMadeInTheOrderOfTheirKeysAgreeWithAnOrderedMap) {
    for (unsigned breakEvery : {0u, 30u, 300u, 3000u}) {
        std::mt19937 random{breakEvery + 7};
        NumberedNameMap<InternalName, InternalName> names;
        std::map<InternalName, InternalName> twin;
        std::int32_t key = 40, value = 100;
        for (int step = 0; step < 30000; ++step) {
            key += random() % 4 == 0 ? 2 : 1;
            InternalName from(key, InternalName::Object, 0);
            InternalName to(++value, InternalName::Object, 0);
            const unsigned breaking = breakEvery == 0 ? 9 : random() % breakEvery;
            if (breaking == 0) to = InternalName(value += 3, InternalName::Object, 0);
            if (breaking == 1)
                from = InternalName(int(random() % unsigned(key)), InternalName::Object, 0);
            if (breaking == 2) to = InternalName(value, InternalName::String, 0);
            if (breaking == 3) {
                names.insert_or_assign(from, to);
                twin.insert_or_assign(from, to);
            } else {
                if (breaking == 4) {
                    const InternalName gone(int(random() % unsigned(key)), InternalName::Object, 0);
                    EXPECT_EQ(names.erase(gone), twin.erase(gone));
                }
                // As a consult names its symbols: one look that inserts when the key is new.
                if (step % 2 == 0) {
                    EXPECT_EQ(names.emplace(from, to), twin.emplace(from, to).second) << from;
                } else {
                    bool inserted = false;
                    const InternalName held = names.findOrInsert(
                        from, [&to] { return to; }, inserted);
                    const auto [expected, added] = twin.emplace(from, to);
                    EXPECT_EQ(inserted, added) << from;
                    EXPECT_EQ(held, expected->second) << from;
                }
            }
            const std::optional<InternalName> found = names.find(from);
            ASSERT_TRUE(found) << from;
            EXPECT_EQ(*found, twin.at(from));
            ASSERT_EQ(names.size(), twin.size());
        }
        expectSameAsTwin(names, twin, key);
    }
}

// Pairs from two counters, as a fresh object's symbol and name come: each joins its page's run
// when it can and otherwise changes nothing, so that emplace takes it; among them keys the
// counters pass by, keys bound ahead of the counters, other shapes and erasures. The map agrees
// with the ordered twin throughout.
TEST(NumberedNameMapTest, FreshPairsJoinTheRunOrChangeNothing) {
    for (unsigned breakEvery : {0u, 20u, 200u, 2000u}) {
        std::mt19937 random{breakEvery + 3};
        NumberedNameMap<InternalName, InternalName> names;
        std::map<InternalName, InternalName> twin;
        std::int32_t key = 30, value = 100;
        int joined = 0;
        for (int step = 0; step < 20000; ++step) {
            const unsigned breaking = breakEvery == 0 ? 9 : random() % breakEvery;
            if (breaking == 0) {
                // A key bound ahead of the counter, which a fresh pair then meets.
                const InternalName ahead(key + 1 + int(random() % 3), InternalName::Object, 0);
                names.insert_or_assign(ahead, InternalName(7, InternalName::String, 0));
                twin.insert_or_assign(ahead, InternalName(7, InternalName::String, 0));
            } else if (breaking == 1) {
                const InternalName gone(int(random() % unsigned(key + 1)), InternalName::Object, 0);
                EXPECT_EQ(names.erase(gone), twin.erase(gone));
            } else if (breaking == 2) {
                key += 1 + int(random() % 40);
            } else if (breaking == 3) {
                value += 1 + int(random() % 3);
            }
            const InternalName from(++key, InternalName::Object, 0);
            const InternalName to(++value,
                                  breaking == 4 ? InternalName::String : InternalName::Object, 0);
            const std::size_t before = names.size();
            if (names.appendFresh(from, to)) {
                ++joined;
                ASSERT_TRUE(twin.emplace(from, to).second) << from;
                ASSERT_EQ(names.size(), before + 1);
            } else {
                ASSERT_EQ(names.size(), before);
                EXPECT_EQ(names.emplace(from, to), twin.emplace(from, to).second) << from;
            }
            const std::optional<InternalName> found = names.find(from);
            ASSERT_TRUE(found) << from;
            EXPECT_EQ(*found, twin.at(from));
            ASSERT_EQ(names.size(), twin.size());
        }
        // Unbroken, every pair but the first of each page joins the run.
        if (breakEvery == 0) {
            EXPECT_GT(joined, 19900);
        }
        EXPECT_GT(joined, 100);
        expectSameAsTwin(names, twin, key);
    }
}

// A key that went beside the pages while another key held its slot is still found, and not
// entered twice, once that other key is gone.
TEST(NumberedNameMapTest, AKeyBesideThePagesStaysOneEntry) {
    NumberedNameMap<FSymbol, InternalName> bindings;
    const FSymbol first(5, InternalName::Function, 0), second(5, InternalName::Function, 2);
    EXPECT_TRUE(bindings.emplace(first, InternalName(1, InternalName::Object, 0)));
    EXPECT_TRUE(bindings.emplace(second, InternalName(2, InternalName::Object, 0)));
    EXPECT_EQ(bindings.erase(first), 1u);
    EXPECT_FALSE(bindings.emplace(second, InternalName(3, InternalName::Object, 0)));
    bindings.insert_or_assign(second, InternalName(4, InternalName::Object, 0));
    ASSERT_TRUE(bindings.find(second));
    EXPECT_EQ(bindings.find(second)->getValue(), 4);
    EXPECT_EQ(bindings.size(), 1u);
    EXPECT_FALSE(bindings.find(first));
    EXPECT_FALSE(bindings.find(FSymbol(5, InternalName::Predicate, 0)));
}

}  // namespace
