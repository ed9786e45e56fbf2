// The container library's leaf-oriented binary search tree with a circular chain of leaves.
#include "foundation/bin_tree.h"

namespace {

constexpr std::int32_t kNodeBytes = sizeof(bin_tree_node);

bin_tree_node* new_node() {
    auto* v = static_cast<bin_tree_node*>(clib_node_alloc(kNodeBytes));
    v->key = clib_null_word();
    v->inf = clib_null_word();
    v->left = v->right = v->parent = v->routing = nullptr;
    return v;
}

void free_node(bin_tree_node* v) {
    clib_node_free(v, kNodeBytes);
}

inline void prefetch(const bin_tree_node* v) {
#if defined(__GNUC__)
    __builtin_prefetch(v);
#else
    (void)v;
#endif
}

}  // namespace

bin_tree::bin_tree() : count(0) {
    sentinel.key = clib_null_word();
    sentinel.left = sentinel.right = sentinel.parent = sentinel.routing = nullptr;
    sentinel.prio = 0;
}

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

template <class Order>
bin_tree_node* bin_tree::locate_with(const clib_word& k, Order o) const {
    bin_tree_node* v = sentinel.left;
    if (v == nullptr) return nullptr;
    while (v->routing == nullptr) v = o(k, v->key) <= 0 ? v->left : v->right;
    return v;
}

bin_tree_node* bin_tree::locate(const clib_word& k) const {
    switch (key_type_id()) {
        case CLIB_KEY_INT:
            return locate_with(k, clib_word_order<CLIB_KEY_INT>());
        case CLIB_KEY_DOUBLE:
            return locate_with(k, clib_word_order<CLIB_KEY_DOUBLE>());
        default:
            return locate_with(
                k, [this](const clib_word& a, const clib_word& b) { return cmp(a, b); });
    }
}

// Every router is the key of a leaf that is present, so meeting k as a router settles the
// question two levels above the leaf on average, where misses of the cache are likeliest.
template <class Order>
bool bin_tree::member_with(const clib_word& k, Order o) const {
    bin_tree_node* v = sentinel.left;
    if (v == nullptr) return false;
    while (v->routing == nullptr) {
        int c = o(k, v->key);
        if (c == 0) return true;
        v = c < 0 ? v->left : v->right;
    }
    return o(k, v->key) == 0;
}

bool bin_tree::member(const clib_word& k) const {
    switch (key_type_id()) {
        case CLIB_KEY_INT:
            return member_with(k, clib_word_order<CLIB_KEY_INT>());
        case CLIB_KEY_DOUBLE:
            return member_with(k, clib_word_order<CLIB_KEY_DOUBLE>());
        default:
            return member_with(
                k, [this](const clib_word& a, const clib_word& b) { return cmp(a, b); });
    }
}

bin_tree_item bin_tree::lookup(const clib_word& k) const {
    bin_tree_node* v = locate(k);
    return v != nullptr && order(k, v->key) == 0 ? v : nullptr;
}

bin_tree_item bin_tree::insert(clib_word k, clib_word i) {
    if (sentinel.left == nullptr) {
        copy_key(k);
        copy_inf(i);
        bin_tree_node* leaf = new_node();
        leaf->key = k;
        leaf->inf = i;
        leaf->routing = &sentinel;
        leaf->parent = &sentinel;
        leaf->left = leaf->right = leaf;
        sentinel.left = sentinel.right = leaf;
        count = 1;
        return leaf;
    }
    bin_tree_node* v = locate(k);
    // The neighbouring leaf is linked to soon and is rarely near in memory: start loading it.
    prefetch(v->left);
    copy_inf(i);
    int c = order(k, v->key);
    if (c == 0) {
        clear_inf(v->inf);
        v->inf = i;
        return v;
    }
    copy_key(k);
    bin_tree_node* u = new_node();
    bin_tree_node* w = new_node();
    // Only interior nodes take part in the heap order; leaves carry no priority.
    u->prio = count == 1 ? root_priority() : node_priority();
    ++count;

    bin_tree_node* p = v->parent;
    if (p == &sentinel)
        sentinel.left = u;
    else if (p->left == v)
        p->left = u;
    else
        p->right = u;
    u->parent = p;
    w->key = k;
    w->inf = i;

    if (c < 0) {
        u->key = k;
        u->left = w;
        u->right = v;
        w->routing = u;
        w->right = v;
        w->left = v->left;
        v->left->right = w;
        v->left = w;
        if (sentinel.right == v) sentinel.right = w;
    } else {
        u->key = v->key;
        u->left = v;
        u->right = w;
        w->routing = v->routing;
        v->routing = u;
        w->left = v;
        w->right = v->right;
        v->right->left = w;
        v->right = w;
    }
    v->parent = w->parent = u;
    propagate_modification(1, u, v);
    propagate_modification(2, u, w);
    if (u != sentinel.left) insert_rebal(u);
    return w;
}

void bin_tree::del(const clib_word& k) {
    bin_tree_item v = lookup(k);
    if (v != nullptr) del_item(v);
}

void bin_tree::del_item(bin_tree_item v) {
    if (v == nullptr || !v->is_leaf()) return;
    // Both neighbouring leaves are relinked below; load them side by side rather than in turn.
    prefetch(v->left);
    prefetch(v->right);
    bin_tree_node* p = v->parent;
    clear_key(v->key);
    clear_inf(v->inf);
    if (p != &sentinel && p->right == v) {
        // p routed by the predecessor's key; v's routing node now routes by it instead.
        bin_tree_node* pred = v->left;
        bin_tree_node* r = v->routing;
        r->key = pred->key;
        clear_iinf(pred->routing);
        pred->routing = r;
    } else {
        clear_iinf(v->routing);
    }
    if (--count == 0) {
        sentinel.left = sentinel.right = nullptr;
        free_node(v);
        return;
    }
    v->left->right = v->right;
    v->right->left = v->left;
    if (sentinel.right == v) sentinel.right = v->right;

    bin_tree_node* s = p->left == v ? p->right : p->left;
    bin_tree_node* gp = p->parent;
    if (gp == &sentinel)
        sentinel.left = s;
    else if (gp->left == p)
        gp->left = s;
    else
        gp->right = s;
    s->parent = gp;
    propagate_modification(3, gp, s);
    if (s != sentinel.left) del_rebal(s, p);
    free_node(v);
    free_node(p);
}

void bin_tree::clear() {
    clear_with(*this);
}

void bin_tree::free_subtree(bin_tree_node* v, const bin_tree& hooks) {
    if (v->is_leaf()) {
        hooks.clear_key(v->key);
        hooks.clear_inf(v->inf);
        hooks.clear_iinf(v->routing);
    } else {
        free_subtree(v->left, hooks);
        free_subtree(v->right, hooks);
    }
    free_node(v);
}

void bin_tree::clear_with(const bin_tree& hooks) {
    if (sentinel.left != nullptr) free_subtree(sentinel.left, hooks);
    sentinel.left = sentinel.right = nullptr;
    count = 0;
}

bin_tree_node* bin_tree::copy_subtree(const bin_tree_node* src, bin_tree_node* parent,
                                      const bin_tree& hooks, bin_tree_node*& prev_leaf,
                                      bin_tree_node*& first_leaf) {
    bin_tree_node* n = new_node();
    n->parent = parent;
    if (src->is_leaf()) {
        n->key = src->key;
        hooks.copy_key(n->key);
        n->inf = src->inf;
        hooks.copy_inf(n->inf);
        // Provisional: the leaf's router, when it has one, is copied later and takes over.
        n->routing = &sentinel;
        n->left = prev_leaf;
        if (prev_leaf != nullptr)
            prev_leaf->right = n;
        else
            first_leaf = n;
        prev_leaf = n;
        return n;
    }
    n->prio = src->prio;
    n->left = copy_subtree(src->left, n, hooks, prev_leaf, first_leaf);
    n->key = prev_leaf->key;
    prev_leaf->routing = n;
    n->right = copy_subtree(src->right, n, hooks, prev_leaf, first_leaf);
    return n;
}

void bin_tree::copy_with(const bin_tree& other, const bin_tree& hooks) {
    if (other.sentinel.left == nullptr) return;
    bin_tree_node* prev_leaf = nullptr;
    bin_tree_node* first_leaf = nullptr;
    sentinel.left = copy_subtree(other.sentinel.left, &sentinel, hooks, prev_leaf, first_leaf);
    first_leaf->left = prev_leaf;
    prev_leaf->right = first_leaf;
    prev_leaf->routing = &sentinel;
    sentinel.right = first_leaf;
    count = other.count;
}

void bin_tree::join(const bin_tree& other) {
    if (&other == this) return;
    bin_tree_node* start = other.sentinel.right;
    if (start == nullptr) return;
    bin_tree_node* v = start;
    do {
        insert(v->key, v->inf);
        v = v->right;
    } while (v != start);
}

void bin_tree::diff(const bin_tree& other) {
    if (&other == this) {
        clear();
        return;
    }
    bin_tree_node* start = other.sentinel.right;
    if (start == nullptr) return;
    bin_tree_node* v = start;
    do {
        del(v->key);
        v = v->right;
    } while (v != start);
}

void bin_tree::intersect(const bin_tree& other) {
    if (&other == this) return;
    std::int32_t n = count;
    bin_tree_node* v = sentinel.right;
    for (std::int32_t i = 0; i < n; ++i) {
        bin_tree_node* next = v->right;
        if (!other.member(v->key)) del_item(v);
        v = next;
    }
}

bool bin_tree::contains(const bin_tree& other) const {
    bin_tree_node* start = other.sentinel.right;
    if (start == nullptr) return true;
    bin_tree_node* v = start;
    do {
        if (!member(v->key)) return false;
        v = v->right;
    } while (v != start);
    return true;
}
