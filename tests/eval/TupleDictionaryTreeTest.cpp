// The seen-row trie agrees with a plain set of rows over many random rows of several widths.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "eval/TupleDictionaryTree.h"
#include "objectbase/Iterator.h"

namespace {

// One row at a time.
class RowIterator : public Iterator {
  public:
    std::vector<InternalName> row;
    bool first() override { return true; }
    bool next() override { return false; }
    InternalName atColumn(int col) override { return row[std::size_t(col - 1)]; }
    int columns() override { return int(row.size()); }
    bool isA(const std::string& className) const override { return className == "RowIterator"; }
};

TEST(TupleDictionaryTree, AgreesWithASetOfRows) {
    std::mt19937 random(26);
    for (int width : {0, 1, 2, 3}) {
        auto* trie = new TupleDictionaryTree;
        auto* row = new RowIterator;
        std::set<std::vector<InternalName>> seen;
        std::uniform_int_distribution<int> value(0, 40);
        std::uniform_int_distribution<int> kind(2, 8);
        for (int i = 0; i < 20000; ++i) {
            row->row.clear();
            // Equal values of other kinds are other names.
            for (int c = 0; c < width; ++c)
                row->row.emplace_back(value(random), std::uint8_t(kind(random) == 8 ? 8 : 3), 0);
            const bool isNew = seen.insert(row->row).second;
            ASSERT_EQ(trie->contains(row, 1), isNew ? 0 : 1) << width << " " << i;
        }
        decRef(row);
        decRef(trie);
    }
}

}  // namespace
