// TupleDictionaryTree: the trie of body-result rows that one rule head has already turned into
// facts, so that each row is handled once.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "foundation/ManagedObject.h"
#include "objectbase/InternalName.h"

class Iterator;

// A row spells a path of nodes, one per column. The whole trie is kept as one hash table of
// edges (parent node, column value) -> child node instead of a dictionary per node: the answers
// are the same, a row costs one lookup per column and a stored edge about 40 bytes.
class TupleDictionaryTree : public ManagedObject {
  public:
    TupleDictionaryTree() = default;
    TupleDictionaryTree(const TupleDictionaryTree&) = delete;
    TupleDictionaryTree& operator=(const TupleDictionaryTree&) = delete;

    // 1 when the row's values from `column` to the last column already form a path below the
    // root; otherwise the missing part is added and the answer is 0.
    int contains(Iterator* row, int column);
    // Adds the row's values from `column` on below the root.
    void insert(Iterator* row, int column);

    // The number of nodes below the root.
    std::size_t nodeCount() const { return edges.size(); }

  protected:
    ~TupleDictionaryTree() override = default;

  private:
    struct Edge {
        std::uint64_t name;
        std::uint32_t parent;
        bool operator==(const Edge&) const = default;
    };
    struct EdgeHash {
        std::size_t operator()(const Edge& e) const {
            return std::hash<std::uint64_t>()(e.name * 0x9E3779B97F4A7C15ULL ^ e.parent);
        }
    };
    static std::uint64_t pack(const InternalName& name);
    // Adds the path of the row's columns from `column` on below `node`.
    void extend(Iterator* row, int column, int last, std::uint32_t node);

    std::unordered_map<Edge, std::uint32_t, EdgeHash> edges;
};
