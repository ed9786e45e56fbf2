// TupleDictionaryTree: the body-result rows that one rule head has already turned into facts, so
// that each row is handled once.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "foundation/ManagedObject.h"
#include "objectbase/InternalName.h"

// The rows seen are kept one after another in one array, found by the hash of the whole row in
// one open-addressing index: a row costs one probe whatever its width. The rows used to be paths
// of a trie of edges (parent node, column value), one probe per column: a head of four columns
// that makes an object per row (the 4-cycles of a graph as f(A,B,C,D)) spent a fifth of its time
// walking and extending the paths of rows it had never seen.
class TupleDictionaryTree : public ManagedObject {
  public:
    TupleDictionaryTree() = default;
    TupleDictionaryTree(const TupleDictionaryTree&) = delete;
    TupleDictionaryTree& operator=(const TupleDictionaryTree&) = delete;

    // 1 when the row of `count` cells was seen before; otherwise it is noted and the answer is 0.
    int contains(const InternalName* cells, int count);
    // Cache hints for `n` rows of `count` cells each (one after another in `rows`) that
    // contains() will be asked for next, so that their waits on memory overlap.
    void prefetch(const InternalName* rows, int n, int count);

    // The number of rows seen.
    std::size_t rowCount() const { return starts.size(); }

  protected:
    ~TupleDictionaryTree() override = default;

  private:
    static std::uint64_t hashOf(const InternalName* cells, int count);
    bool same(std::uint32_t number, const InternalName* cells, int count) const;

    // Row n's cells from starts[n] up to starts[n + 1] (or the end of `cells`).
    std::vector<InternalName> cells;
    std::vector<std::uint32_t> starts;
    EntryIndex index;
};
