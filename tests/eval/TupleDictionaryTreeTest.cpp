// The seen-row trie agrees with a plain set of rows over many random rows of several widths.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "eval/TupleDictionaryTree.h"
#include "foundation/Ref.h"
#include "objectbase/InternalName.h"

namespace {

TEST(TupleDictionaryTree, AgreesWithASetOfRows) {
    std::mt19937 random(26);
    for (int width : {0, 1, 2, 3}) {
        auto trie = Ref<TupleDictionaryTree>::make();
        std::vector<InternalName> row;
        std::set<std::vector<InternalName>> seen;
        std::uniform_int_distribution<int> value(0, 40);
        std::uniform_int_distribution<int> kind(2, 8);
        for (int i = 0; i < 20000; ++i) {
            row.clear();
            // Equal values of other kinds are other names.
            for (int c = 0; c < width; ++c)
                row.emplace_back(value(random), std::uint8_t(kind(random) == 8 ? 8 : 3), 0);
            const bool isNew = seen.insert(row).second;
            ASSERT_EQ(trie->contains(row.data(), int(row.size())), isNew ? 0 : 1)
                << width << " " << i;
        }
    }
}

TEST(TupleDictionaryTree, CacheHintsForABatchChangeNoAnswer) {
    // Rows asked for in batches, each batch hinted first: rows repeat within a batch and across
    // batches, and paths share their beginnings.
    std::mt19937 random(46);
    for (int width : {0, 1, 2, 3}) {
        auto trie = Ref<TupleDictionaryTree>::make();
        std::set<std::vector<InternalName>> seen;
        std::uniform_int_distribution<int> value(0, 12);
        for (int batch = 0; batch < 400; ++batch) {
            std::vector<InternalName> rows;
            for (int i = 0; i < 16 * width; ++i)
                rows.emplace_back(value(random), std::uint8_t(3), 0);
            trie->prefetch(rows.data(), 16, width);
            for (int i = 0; i < 16; ++i) {
                const InternalName* row = rows.data() + i * width;
                const bool isNew = seen.insert(std::vector<InternalName>(row, row + width)).second;
                ASSERT_EQ(trie->contains(row, width), isNew ? 0 : 1) << width << " " << batch;
            }
        }
    }
}

}  // namespace
