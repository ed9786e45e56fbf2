// The container library's leaf-oriented binary search tree with a circular chain of leaves.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "foundation/ClibElement.h"
#include "foundation/MemoryManager.h"

// Interior node: left and right children, key a router equal to the largest key of the left
// subtree, routing link nil, and a priority. Leaf: left and right are the predecessor and successor
// leaves of a circular chain, and the routing link (never nil) names the interior node that routes
// by this leaf's key (the tree's sentinel for the last leaf).
struct bin_tree_node {
    // The fields a search reads come first, so that a visit mostly touches one cache line.
    clib_word key;
    bin_tree_node* left;
    bin_tree_node* right;
    bin_tree_node* routing;
    bin_tree_node* parent;
    // A leaf carries information, an interior node a priority; neither needs the other's word.
    union {
        clib_word inf;
        std::int32_t prio;
    };

    bool is_leaf() const { return routing != nullptr; }
};

using bin_tree_item = bin_tree_node*;

class bin_tree {
  public:
    bin_tree();
    bin_tree(const bin_tree& other);
    bin_tree& operator=(const bin_tree& other);
    virtual ~bin_tree();

    // The leaf holding k, or nil.
    bin_tree_item lookup(const clib_word& k) const;
    // True when k is in the tree (lookup != nil, found without always descending to the leaf).
    bool member(const clib_word& k) const;
    // Inserts k with information i, or gives an existing k the information i; answers its leaf.
    bin_tree_item insert(clib_word k, clib_word i);
    void del(const clib_word& k);
    void del_item(bin_tree_item v);
    void clear();

    // Inserts every key of other / deletes every key of other / keeps only keys of other.
    void join(const bin_tree& other);
    void diff(const bin_tree& other);
    void intersect(const bin_tree& other);
    // True when every key of other is in this tree.
    bool contains(const bin_tree& other) const;

    std::int32_t size() const { return count; }
    bool empty() const { return sentinel.left == nullptr; }
    bin_tree_item root() const { return sentinel.left; }
    bin_tree_item first_item() const { return sentinel.right; }
    bin_tree_item next_item(bin_tree_item it) const {
        if (it == nullptr || it->right == sentinel.right) return nullptr;
        return it->right;
    }

  protected:
    virtual std::int32_t node_priority() { return 0; }
    virtual std::int32_t root_priority() { return 0; }
    virtual void insert_rebal(bin_tree_node*) {}
    virtual void del_rebal(bin_tree_node*, bin_tree_node*) {}
    virtual int cmp(const clib_word& a, const clib_word& b) const {
        return compare(clib_word_value<int>(a), clib_word_value<int>(b));
    }
    virtual int key_type_id() const { return 0; }
    virtual void clear_key(clib_word&) const {}
    virtual void clear_inf(clib_word&) const {}
    // Clears the second word of a routing node; empty in every tree of the system.
    virtual void clear_iinf(bin_tree_node*) const {}
    virtual void copy_key(clib_word&) const {}
    virtual void copy_inf(clib_word&) const {}
    virtual void print_key(const clib_word&, std::ostream&) const {}
    virtual void print_inf(const clib_word&, std::ostream&) const {}
    virtual int tree_type_id() const { return 0; }
    virtual const char* tree_name() const { return "Binary Tree"; }
    // Called after every structural change with a case number and the two nodes involved.
    virtual void propagate_modification(int, bin_tree_node*, bin_tree_node*) {}

    // Empties the tree through the given clearing hooks.
    void clear_with(const bin_tree& hooks);
    // Copies other's shape into this empty tree through the given copying hooks.
    void copy_with(const bin_tree& other, const bin_tree& hooks);

    int order(const clib_word& a, const clib_word& b) const;

    bin_tree_node sentinel;
    std::int32_t count;

  private:
    template <class Order>
    bin_tree_node* locate_with(const clib_word& k, Order o) const;
    template <class Order>
    bool member_with(const clib_word& k, Order o) const;
    bin_tree_node* locate(const clib_word& k) const;
    bin_tree_node* copy_subtree(const bin_tree_node* src, bin_tree_node* parent,
                                const bin_tree& hooks, bin_tree_node*& prev_leaf,
                                bin_tree_node*& first_leaf);
    void free_subtree(bin_tree_node* v, const bin_tree& hooks);
};
