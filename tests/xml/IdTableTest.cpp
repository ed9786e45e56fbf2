// Tests of the import's ID table against an ordered twin: first carriers, references in their
// order, texts of every length, and growth.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "xml/IdTable.h"

namespace {

InternalName object(int n) {
    return InternalName(n, InternalName::Object, 0);
}

TEST(IdTable, AgreesWithAnOrderedTwinOverRandomIdsAndReferences) {
    for (unsigned seed : {1u, 2u, 3u}) {
        std::mt19937 random(seed);
        IdTable table;
        std::map<std::string, InternalName> firstCarrier;
        struct Expected {
            InternalName object;
            InternalName method;
            int number;
            std::string id;
        };
        std::vector<Expected> references;
        // A small spread repeats IDs often; a large one makes the index grow many times.
        const int spread = seed == 1 ? 50 : 40000;
        auto randomId = [&] {
            const int n = static_cast<int>(random() % spread);
            // Empty texts, short ones and some longer than a block of text storage.
            if (n == 0) return std::string();
            if (n % 997 == 0) return std::string(70000, 'x') + std::to_string(n);
            return "i" + std::to_string(n);
        };
        for (int step = 0; step < 60000; ++step) {
            const std::string id = randomId();
            if (random() % 3 == 0) {
                const InternalName carrier = object(step + 1);
                table.addId(id, carrier);
                firstCarrier.emplace(id, carrier);
            } else {
                const Expected expected{object(step + 1), object(-(step % 7) - 1),
                                        static_cast<int>(random() % 5), id};
                table.addReference(expected.object, expected.method, expected.number, id);
                references.push_back(expected);
            }
        }
        ASSERT_EQ(table.referenceCount(), references.size());
        std::size_t at = 0;
        table.resolve([&](const IdTable::Reference& reference, const InternalName* target) {
            const std::string_view id = reference.id();
            const Expected& expected = references[at++];
            EXPECT_EQ(reference.object, expected.object);
            EXPECT_EQ(reference.method, expected.method);
            EXPECT_EQ(reference.number, expected.number);
            EXPECT_EQ(id, expected.id);
            const auto carrier = firstCarrier.find(expected.id);
            if (carrier == firstCarrier.end()) {
                EXPECT_EQ(target, nullptr) << expected.id;
            } else {
                EXPECT_TRUE(target != nullptr && *target == carrier->second) << expected.id;
            }
            return true;
        });
        EXPECT_EQ(at, references.size());
        for (int n = 0; n < spread; n += 7) {
            const std::string id = n == 0 ? std::string() : "i" + std::to_string(n);
            const auto carrier = firstCarrier.find(id);
            const InternalName* found = table.find(id);
            if (carrier == firstCarrier.end()) {
                EXPECT_EQ(found, nullptr) << id;
            } else {
                EXPECT_TRUE(found != nullptr && *found == carrier->second) << id;
            }
        }
        EXPECT_EQ(table.find("not an id"), nullptr);
    }
}

TEST(IdTable, ResolvingStopsWhenAsked) {
    IdTable table;
    table.addId("a", object(1));
    for (int i = 0; i < 10; ++i) table.addReference(object(2), object(3), 0, "a");
    int visited = 0;
    table.resolve([&](const IdTable::Reference&, const InternalName*) { return ++visited < 4; });
    EXPECT_EQ(visited, 4);
    // The references visited are forgotten; the others wait for the next pass.
    EXPECT_EQ(table.referenceCount(), 6u);
    table.resolve([&](const IdTable::Reference&, const InternalName* target) {
        EXPECT_TRUE(target != nullptr && *target == object(1));
        return ++visited > 0;
    });
    EXPECT_EQ(visited, 10);
    EXPECT_EQ(table.referenceCount(), 0u);
    table.clear();
    EXPECT_EQ(table.referenceCount(), 0u);
    EXPECT_EQ(table.find("a"), nullptr);
    // A cleared table records anew.
    table.addReference(object(2), object(3), 0, "b");
    table.addId("b", object(4));
    table.resolve([&](const IdTable::Reference&, const InternalName* target) {
        EXPECT_TRUE(target != nullptr && *target == object(4));
        return true;
    });
}

}  // namespace
