// The container library's (a,b)-tree: a leaf-oriented balanced search tree with chained leaves.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "foundation/ClibElement.h"
#include "foundation/MemoryManager.h"

struct ab_tree_node;

// A pair of an interior node: the largest key below the child, and the child.
struct ab_tree_elem {
    clib_word k;
    ab_tree_node* c;
};

// One record for both kinds of node. An interior node is followed by up to b + 1 pairs; a leaf
// by its key, successor, information and predecessor, laid out as two pairs.
struct ab_tree_node {
    std::int32_t height;  // 0 for a leaf
    std::int32_t capacity;
    ab_tree_node* parent;
    ab_tree_elem* last;  // last pair in use

    ab_tree_elem* pairs() { return reinterpret_cast<ab_tree_elem*>(this + 1); }
    std::int32_t children() { return static_cast<std::int32_t>(last - pairs()) + 1; }

    clib_word& key() { return pairs()[0].k; }
    ab_tree_node*& succ() { return pairs()[0].c; }
    clib_word& inf() { return pairs()[1].k; }
    ab_tree_node*& pred() { return pairs()[1].c; }
};

using ab_tree_item = ab_tree_node*;

class ab_tree {
  public:
    ab_tree(std::int32_t a, std::int32_t b);
    ab_tree(const ab_tree&) = delete;
    ab_tree& operator=(const ab_tree&) = delete;
    virtual ~ab_tree();

    // The leaf holding k, or nil.
    ab_tree_item lookup(const clib_word& k) const;
    // Inserts (k, i), or gives an existing k the information i; answers k's item.
    ab_tree_item insert(clib_word k, clib_word i);
    // Deletes k's item when there is one.
    void del(const clib_word& k);
    void del_item(ab_tree_item it);
    void change_inf(ab_tree_item it, clib_word i);
    void clear();

    std::int32_t size() const { return count; }
    bool empty() const { return count == 0; }
    std::int32_t tree_height() const { return height; }
    ab_tree_item first_item() const { return first; }
    ab_tree_item last_item() const { return last; }
    ab_tree_item next_item(ab_tree_item it) const { return it != nullptr ? it->succ() : nullptr; }
    ab_tree_item pred_item(ab_tree_item it) const { return it != nullptr ? it->pred() : nullptr; }

  protected:
    virtual int key_type_id() const { return 0; }
    virtual int cmp(const clib_word&, const clib_word&) const { return 0; }
    virtual void clear_key(clib_word&) const {}
    virtual void clear_inf(clib_word&) const {}
    virtual void copy_key(clib_word&) const {}
    virtual void copy_inf(clib_word&) const {}
    virtual void print_key(const clib_word&, std::ostream&) const {}
    virtual void print_inf(const clib_word&, std::ostream&) const {}

    // Empties the tree through the given clearing hooks.
    void clear_with(const ab_tree& hooks);

  private:
    template <class Order>
    ab_tree_node* locate_with(const clib_word& k, bool& found, ab_tree_elem*& at,
                              Order order) const;
    ab_tree_node* locate(const clib_word& k, bool& found, ab_tree_elem*& at) const;

    ab_tree_node* new_leaf(clib_word k, clib_word i);
    ab_tree_node* new_interior(std::int32_t h);
    void free_node(ab_tree_node* v);
    void free_subtree(ab_tree_node* v, const ab_tree& hooks);
    static ab_tree_elem* pair_of(ab_tree_node* parent, ab_tree_node* child);
    void split(ab_tree_node* x);
    void remove_leaf(ab_tree_node* v);
    void rebalance(ab_tree_node* x);
    void fuse(ab_tree_node* l, ab_tree_node* r, ab_tree_elem* pl);

  protected:
    std::int32_t a;
    std::int32_t b;
    std::int32_t height;
    std::int32_t count;
    ab_tree_node* root;
    ab_tree_node* first;
    ab_tree_node* last;
};
