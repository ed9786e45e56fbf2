// The container library's leaf-oriented binary search tree with a circular chain of leaves.
#include "foundation/bin_tree.h"

namespace {

// Compares the key sought with a node's int or double key in place.
template <int Kind>
struct word_probe {
    static constexpr bool in_place = true;
    const clib_word& sought;
    int operator()(const clib_word& w) const { return clib_word_order<Kind>::cmp(sought, w); }
};

}  // namespace

// Runs f with the probe that suits the tree's kind of key: ints and doubles are compared in
// place, everything else through the virtual order.
template <class F>
decltype(auto) bin_tree::with_probe(const clib_word& k, F f) const {
    switch (key_type_id()) {
        case CLIB_KEY_INT:
            return f(word_probe<CLIB_KEY_INT>{k});
        case CLIB_KEY_DOUBLE:
            return f(word_probe<CLIB_KEY_DOUBLE>{k});
        default:
            return f([this, &k](const clib_word& w) { return cmp(k, w); });
    }
}

bin_tree::bin_tree() : root_link(nullptr), first_leaf(nullptr), count(0) {}

bin_tree::bin_tree(const bin_tree& other) : bin_tree() {
    // This tree's own hooks are not in place yet: the source's do the copying.
    copy_with(other, other);
}

bin_tree& bin_tree::operator=(const bin_tree& other) {
    if (this == &other) return *this;
    clear_with(*this);
    copy_with(other, *this);
    return *this;
}

bin_tree::~bin_tree() {
    clear_with(*this);
}

int bin_tree::order(const clib_word& a, const clib_word& b) const {
    switch (key_type_id()) {
        case CLIB_KEY_INT:
            return clib_word_order<CLIB_KEY_INT>::cmp(a, b);
        case CLIB_KEY_DOUBLE:
            return clib_word_order<CLIB_KEY_DOUBLE>::cmp(a, b);
        default:
            return cmp(a, b);
    }
}

bool bin_tree::member(const clib_word& k) const {
    return with_probe(k, [this](auto probe) { return member_with(probe); });
}

bin_tree_item bin_tree::lookup(const clib_word& k) const {
    return with_probe(k, [this](auto probe) { return lookup_with(probe); });
}

bin_tree_item bin_tree::insert(clib_word k, clib_word i) {
    return with_probe(k, [this, k, i](auto probe) { return insert_with(k, i, probe); });
}

void bin_tree::del(const clib_word& k) {
    with_probe(k, [this](auto probe) { return del_with(probe); });
}

void bin_tree::del_item(bin_tree_item v) {
    if (v == nullptr || count == 0) return;
    // Keys are unique: the search for v's key leads to v.
    with_probe(v->key, [this](auto probe) { return del_with(probe); });
}

void bin_tree::first_key(clib_word k, clib_word i) {
    copy_key(k);
    copy_inf(i);
    bin_tree_node* leaf = new_leaf();
    leaf->key = k;
    leaf->inf = i;
    leaf->link[0] = leaf->link[1] = leaf;
    root_link = leaf_link(leaf);
    first_leaf = leaf;
    count = 1;
}

void bin_tree::clear() {
    clear_with(*this);
}

void bin_tree::clear_with(const bin_tree& hooks) {
    // Takes the tree apart without a stack: while the node on top has an interior left child,
    // that child is rotated above it; otherwise the left leaf and the node itself go, and the
    // right subtree is next.
    bin_tree_node* cur = root_link;
    while (cur != nullptr) {
        if (is_leaf_link(cur)) {
            bin_tree_node* leaf = node_of(cur);
            hooks.clear_key(leaf->key);
            hooks.clear_inf(leaf->inf);
            free_leaf(leaf);
            break;
        }
        bin_tree_node* left = child(cur, 0);
        if (!is_leaf_link(left)) {
            set_link(&cur->link[0], child(left, 1));
            set_link(&left->link[1], cur);
            cur = left;
            continue;
        }
        bin_tree_node* leaf = node_of(left);
        hooks.clear_key(leaf->key);
        hooks.clear_inf(leaf->inf);
        hooks.clear_iinf(cur);
        free_leaf(leaf);
        bin_tree_node* next = child(cur, 1);
        free_interior(cur);
        cur = next;
    }
    root_link = first_leaf = nullptr;
    count = 0;
}

bin_tree_node* bin_tree::copy_subtree(const bin_tree_node* src, const bin_tree& hooks,
                                      bin_tree_node*& prev_leaf) {
    if (is_leaf_link(src)) {
        const bin_tree_node* from = node_of(src);
        bin_tree_node* n = new_leaf();
        n->key = from->key;
        hooks.copy_key(n->key);
        n->inf = from->inf;
        hooks.copy_inf(n->inf);
        n->link[0] = prev_leaf;
        if (prev_leaf != nullptr)
            prev_leaf->link[1] = n;
        else
            first_leaf = n;
        prev_leaf = n;
        return leaf_link(n);
    }
    bin_tree_node* n = new_interior(prio_of(src));
    set_link(&n->link[0], copy_subtree(child(src, 0), hooks, prev_leaf));
    // The router is the largest key of the left subtree: the leaf copied last.
    n->key = prev_leaf->key;
    set_link(&n->link[1], copy_subtree(child(src, 1), hooks, prev_leaf));
    return n;
}

void bin_tree::copy_with(const bin_tree& other, const bin_tree& hooks) {
    if (other.root_link == nullptr) return;
    bin_tree_node* prev_leaf = nullptr;
    root_link = copy_subtree(other.root_link, hooks, prev_leaf);
    first_leaf->link[0] = prev_leaf;
    prev_leaf->link[1] = first_leaf;
    count = other.count;
}

void bin_tree::join(const bin_tree& other) {
    if (&other == this) return;
    bin_tree_node* start = other.first_leaf;
    if (start == nullptr) return;
    bin_tree_node* v = start;
    do {
        insert(v->key, v->inf);
        v = v->link[1];
    } while (v != start);
}

void bin_tree::diff(const bin_tree& other) {
    if (&other == this) {
        clear();
        return;
    }
    bin_tree_node* start = other.first_leaf;
    if (start == nullptr) return;
    bin_tree_node* v = start;
    do {
        del(v->key);
        v = v->link[1];
    } while (v != start);
}

void bin_tree::intersect(const bin_tree& other) {
    if (&other == this) return;
    std::int32_t n = count;
    bin_tree_node* v = first_leaf;
    for (std::int32_t i = 0; i < n; ++i) {
        bin_tree_node* next = v->link[1];
        if (!other.member(v->key)) del_item(v);
        v = next;
    }
}

bool bin_tree::contains(const bin_tree& other) const {
    bin_tree_node* start = other.first_leaf;
    if (start == nullptr) return true;
    bin_tree_node* v = start;
    do {
        if (!member(v->key)) return false;
        v = v->link[1];
    } while (v != start);
    return true;
}
