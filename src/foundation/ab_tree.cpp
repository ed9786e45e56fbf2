// The container library's (a,b)-tree: a leaf-oriented balanced search tree with chained leaves.
#include "foundation/ab_tree.h"

#include <cstring>

#include "foundation/ClibErrorHandler.h"

namespace {

constexpr std::int32_t kLeafBytes = sizeof(ab_tree_node) + 2 * sizeof(ab_tree_elem);

std::int32_t interior_bytes(std::int32_t b) {
    return static_cast<std::int32_t>(sizeof(ab_tree_node) + (b + 1) * sizeof(ab_tree_elem));
}

}  // namespace

ab_tree::ab_tree(std::int32_t a_, std::int32_t b_)
    : a(a_), b(b_), height(-1), count(0), root(nullptr), first(nullptr), last(nullptr) {
    if (a < 2 || b < 2 * a - 1) {
        error_handler(1, "ab_tree: illegal arguments (a,b) in tree constructor");
        // Should the handler return, work with the nearest legal parameters.
        if (a < 2) a = 2;
        if (b < 2 * a - 1) b = 2 * a - 1;
    }
}

ab_tree::~ab_tree() {
    clear_with(*this);
}

ab_tree_node* ab_tree::new_leaf(clib_word k, clib_word i) {
    auto* v = static_cast<ab_tree_node*>(std_memory_mgr->allocate(kLeafBytes));
    v->height = 0;
    v->capacity = 2;
    v->parent = nullptr;
    v->last = v->pairs() + 1;
    v->key() = k;
    v->inf() = i;
    v->succ() = nullptr;
    v->pred() = nullptr;
    return v;
}

ab_tree_node* ab_tree::new_interior(std::int32_t h) {
    auto* v = static_cast<ab_tree_node*>(std_memory_mgr->allocate(interior_bytes(b)));
    v->height = h;
    v->capacity = b + 1;
    v->parent = nullptr;
    v->last = v->pairs();
    return v;
}

void ab_tree::free_node(ab_tree_node* v) {
    std::int32_t bytes = v->height == 0 ? kLeafBytes : interior_bytes(b);
    if (std_memory_mgr != nullptr) std_memory_mgr->deallocate(v, bytes);
}

template <class Order>
ab_tree_node* ab_tree::locate_with(const clib_word& k, bool& found, ab_tree_elem*& at,
                                   Order order) const {
    found = false;
    at = nullptr;
    if (root == nullptr) return nullptr;
    int c = order(k, last->key());
    if (c > 0) return nullptr;
    if (c == 0) {
        found = true;
        return last;
    }
    ab_tree_node* v = root;
    while (v->height > 0) {
        // The search key in the last pair stops the scan without a bound check.
        v->last->k = k;
        ab_tree_elem* p = v->pairs();
        while (order(k, p->k) > 0) ++p;
        at = p;
        v = p->c;
    }
    found = order(k, v->key()) == 0;
    return v;
}

ab_tree_node* ab_tree::locate(const clib_word& k, bool& found, ab_tree_elem*& at) const {
    switch (key_type_id()) {
        case CLIB_KEY_INT:
            return locate_with(k, found, at, clib_word_order<CLIB_KEY_INT>());
        case CLIB_KEY_FLOAT:
            return locate_with(k, found, at, clib_word_order<CLIB_KEY_FLOAT>());
        case CLIB_KEY_DOUBLE:
            return locate_with(k, found, at, clib_word_order<CLIB_KEY_DOUBLE>());
        default:
            return locate_with(
                k, found, at, [this](const clib_word& x, const clib_word& y) { return cmp(x, y); });
    }
}

ab_tree_item ab_tree::lookup(const clib_word& k) const {
    bool found;
    ab_tree_elem* at;
    ab_tree_node* v = locate(k, found, at);
    return found ? v : nullptr;
}

ab_tree_elem* ab_tree::pair_of(ab_tree_node* parent, ab_tree_node* child) {
    ab_tree_elem* p = parent->pairs();
    while (p->c != child) ++p;
    return p;
}

ab_tree_item ab_tree::insert(clib_word k, clib_word i) {
    if (root == nullptr) {
        copy_key(k);
        copy_inf(i);
        ab_tree_node* leaf = new_leaf(k, i);
        root = first = last = leaf;
        count = 1;
        height = 0;
        return leaf;
    }
    bool found;
    ab_tree_elem* at;
    ab_tree_node* v = locate(k, found, at);
    if (found) {
        copy_inf(i);
        clear_inf(v->inf());
        v->inf() = i;
        return v;
    }
    copy_key(k);
    copy_inf(i);
    ab_tree_node* u = new_leaf(k, i);
    ++count;
    bool after = v == nullptr;
    if (after) v = last;

    // Chain u into the leaves, before v or after the last leaf.
    if (after) {
        u->pred() = v;
        v->succ() = u;
        last = u;
    } else {
        u->succ() = v;
        u->pred() = v->pred();
        if (v->pred() != nullptr)
            v->pred()->succ() = u;
        else
            first = u;
        v->pred() = u;
    }

    if (height == 0) {
        ab_tree_node* r = new_interior(1);
        ab_tree_node* small = after ? v : u;
        ab_tree_node* large = after ? u : v;
        r->pairs()[0].k = small->key();
        r->pairs()[0].c = small;
        r->pairs()[1].k = large->key();
        r->pairs()[1].c = large;
        r->last = r->pairs() + 1;
        small->parent = large->parent = r;
        root = r;
        height = 1;
        return u;
    }

    ab_tree_node* parent = v->parent;
    if (after) {
        ab_tree_elem* pv = parent->last;
        pv->k = v->key();
        ++parent->last;
        parent->last->k = u->key();
        parent->last->c = u;
    } else {
        ab_tree_elem* pv = at;
        std::memmove(static_cast<void*>(pv + 1), pv,
                     (parent->last - pv + 1) * sizeof(ab_tree_elem));
        pv->k = u->key();
        pv->c = u;
        ++parent->last;
    }
    u->parent = parent;
    if (parent->children() == b + 1) split(parent);
    return u;
}

void ab_tree::split(ab_tree_node* x) {
    while (x->children() == b + 1) {
        ab_tree_node* parent = x->parent;
        if (parent == nullptr) {
            parent = new_interior(x->height + 1);
            parent->pairs()[0].k = x->last->k;
            parent->pairs()[0].c = x;
            parent->last = parent->pairs();
            x->parent = parent;
            root = parent;
            ++height;
        }
        ab_tree_elem* px = pair_of(parent, x);
        ab_tree_node* y = new_interior(x->height);
        std::int32_t keep = (b + 1) / 2;
        std::int32_t moved = b + 1 - keep;
        std::memcpy(static_cast<void*>(y->pairs()), x->pairs() + keep,
                    moved * sizeof(ab_tree_elem));
        y->last = y->pairs() + moved - 1;
        for (ab_tree_elem* p = y->pairs(); p <= y->last; ++p) p->c->parent = y;
        x->last = x->pairs() + keep - 1;

        std::memmove(static_cast<void*>(px + 2), px + 1,
                     (parent->last - px) * sizeof(ab_tree_elem));
        (px + 1)->c = y;
        (px + 1)->k = px->k;
        px->k = x->last->k;
        ++parent->last;
        y->parent = parent;
        x = parent;
    }
}

void ab_tree::del(const clib_word& k) {
    if (root == nullptr) return;
    ab_tree_item it = lookup(k);
    if (it != nullptr) del_item(it);
}

void ab_tree::del_item(ab_tree_item v) {
    if (v == nullptr) {
        error_handler(1, "ab_tree: nil item in del_item");
        return;
    }
    clib_word k = v->key();
    clib_word i = v->inf();
    remove_leaf(v);
    clear_key(k);
    clear_inf(i);
    free_node(v);
}

void ab_tree::remove_leaf(ab_tree_node* v) {
    if (--count == 0) {
        root = first = last = nullptr;
        height = -1;
        return;
    }
    ab_tree_node* pred = v->pred();
    ab_tree_node* succ = v->succ();
    if (pred != nullptr)
        pred->succ() = succ;
    else
        first = succ;
    if (succ != nullptr)
        succ->pred() = pred;
    else
        last = pred;

    ab_tree_node* parent = v->parent;
    if (parent->last->c == v) {
        --parent->last;
        if (succ != nullptr) {
            // v's key routes in the lowest ancestor where the path to v turns right.
            ab_tree_node* z = parent;
            while (z->parent != nullptr && z->parent->last->c == z) z = z->parent;
            if (z->parent != nullptr) pair_of(z->parent, z)->k = pred->key();
        }
    } else {
        ab_tree_elem* pv = pair_of(parent, v);
        std::memmove(static_cast<void*>(pv), pv + 1, (parent->last - pv) * sizeof(ab_tree_elem));
        --parent->last;
    }
    rebalance(parent);
}

void ab_tree::rebalance(ab_tree_node* x) {
    while (x->children() < a) {
        if (x == root) {
            if (x->children() == 1) {
                ab_tree_node* child = x->pairs()[0].c;
                child->parent = nullptr;
                root = child;
                free_node(x);
                --height;
            }
            return;
        }
        ab_tree_node* parent = x->parent;
        ab_tree_elem* px = pair_of(parent, x);
        ab_tree_node* right = px != parent->last ? (px + 1)->c : nullptr;
        ab_tree_node* left = px != parent->pairs() ? (px - 1)->c : nullptr;
        if (right != nullptr && right->children() >= a + 1) {
            x->last->k = px->k;
            ++x->last;
            *x->last = right->pairs()[0];
            x->last->c->parent = x;
            px->k = right->pairs()[0].k;
            std::memmove(static_cast<void*>(right->pairs()), right->pairs() + 1,
                         (right->last - right->pairs()) * sizeof(ab_tree_elem));
            --right->last;
            return;
        }
        if (left != nullptr && left->children() >= a + 1) {
            std::memmove(static_cast<void*>(x->pairs() + 1), x->pairs(),
                         (x->last - x->pairs() + 1) * sizeof(ab_tree_elem));
            ++x->last;
            x->pairs()[0].c = left->last->c;
            x->pairs()[0].k = (px - 1)->k;
            x->pairs()[0].c->parent = x;
            --left->last;
            (px - 1)->k = left->last->k;
            return;
        }
        if (left != nullptr)
            fuse(left, x, px - 1);
        else
            fuse(x, right, px);
        x = parent;
    }
}

void ab_tree::fuse(ab_tree_node* l, ab_tree_node* r, ab_tree_elem* pl) {
    ab_tree_node* parent = l->parent;
    l->last->k = pl->k;
    for (ab_tree_elem* p = r->pairs(); p <= r->last; ++p) {
        ++l->last;
        *l->last = *p;
        p->c->parent = l;
    }
    pl->k = (pl + 1)->k;
    std::memmove(static_cast<void*>(pl + 1), pl + 2,
                 (parent->last - pl - 1) * sizeof(ab_tree_elem));
    --parent->last;
    free_node(r);
}

void ab_tree::change_inf(ab_tree_item it, clib_word i) {
    if (it == nullptr) return;
    // Copy first: the new information may be the old one itself.
    copy_inf(i);
    clear_inf(it->inf());
    it->inf() = i;
}

void ab_tree::clear() {
    clear_with(*this);
}

void ab_tree::free_subtree(ab_tree_node* v, const ab_tree& hooks) {
    if (v->height == 0) {
        hooks.clear_key(v->key());
        hooks.clear_inf(v->inf());
    } else {
        for (ab_tree_elem* p = v->pairs(); p <= v->last; ++p) free_subtree(p->c, hooks);
    }
    free_node(v);
}

void ab_tree::clear_with(const ab_tree& hooks) {
    if (root != nullptr) free_subtree(root, hooks);
    root = first = last = nullptr;
    count = 0;
    height = -1;
}
