// The container library's leaf-oriented binary search tree with a circular chain of leaves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>

#include "foundation/ClibElement.h"
#include "foundation/MemoryManager.h"

// Interior node: key is a router equal to the largest key of the left subtree, link[0] and
// link[1] are the left and right children. Leaf: key and information, and link[0] and link[1]
// are the predecessor and successor leaves of a circular chain.
//
// A child link that leads to a leaf carries a set low bit, so a search knows it has arrived
// without loading the leaf; leaf chain links are plain pointers. Nobody needs a parent: every
// operation that changes the shape finds what it needs on its way down from the root.
//
// An interior node's priority rides in the top 16 bits of its two child links (the high half in
// link[0]), which user-space addresses never use. The node thus fits 24 bytes instead of 32:
// a third more of the upper tree stays in the caches, where the descents that cross it find it.
// Interior links are therefore read through child() and written through set_link() only.
struct bin_tree_node {
    clib_word key;
    bin_tree_node* link[2];
    // Leaves only: the information.
    clib_word inf;

    // The raw links: a leaf's neighbours in the chain; an interior node's carry its priority.
    bin_tree_node*& left() { return link[0]; }
    bin_tree_node*& right() { return link[1]; }
    bin_tree_node* left() const { return link[0]; }
    bin_tree_node* right() const { return link[1]; }
};

static_assert(sizeof(bin_tree_node) == 32, "a leaf fills a 32-byte chunk");
static_assert(offsetof(bin_tree_node, inf) == 24, "an interior node fits a 24-byte chunk");
static_assert(sizeof(void*) == 8, "priorities ride in the unused top bits of 64-bit links");

using bin_tree_item = bin_tree_node*;

// A probe that says `static constexpr bool in_place = true` compares keys held in the node
// itself; the search then picks the next node by a data dependence, which costs nothing on random
// searches. Other probes fetch key data from elsewhere: their searches branch, so that on runs of
// neighbouring keys, where the branches are foreseen, the next node is already on its way while
// the comparison still waits for its data.
template <class Probe>
inline constexpr bool bin_tree_in_place = requires {
    requires Probe::in_place;
};

class bin_tree {
  public:
    bin_tree();
    bin_tree(const bin_tree& other);
    bin_tree& operator=(const bin_tree& other);
    virtual ~bin_tree();

    // The leaf holding k, or nil.
    bin_tree_item lookup(const clib_word& k) const;
    // True when k is in the tree.
    bool member(const clib_word& k) const;
    // Inserts k with information i, or gives an existing k the information i; answers its leaf.
    bin_tree_item insert(clib_word k, clib_word i);
    void del(const clib_word& k);
    // Deletes the leaf v of this tree (nil is ignored).
    void del_item(bin_tree_item v);
    void clear();

    // Inserts every key of other / deletes every key of other / keeps only keys of other.
    void join(const bin_tree& other);
    void diff(const bin_tree& other);
    void intersect(const bin_tree& other);
    // True when every key of other is in this tree.
    bool contains(const bin_tree& other) const;

    std::int32_t size() const { return count; }
    bool empty() const { return root_link == nullptr; }
    bin_tree_item root() const { return node_of(root_link); }
    bin_tree_item first_item() const { return first_leaf; }
    bin_tree_item next_item(bin_tree_item it) const {
        if (it == nullptr || it->link[1] == first_leaf) return nullptr;
        return it->link[1];
    }
    bin_tree_item prev_item(bin_tree_item it) const {
        if (it == nullptr || it == first_leaf) return nullptr;
        return it->link[0];
    }

    // Child links: whether one leads to a leaf, and the node it leads to.
    static bool is_leaf_link(const bin_tree_node* l) {
        return (reinterpret_cast<std::uintptr_t>(l) & 1u) != 0;
    }
    static bin_tree_node* node_of(const bin_tree_node* l) {
        return reinterpret_cast<bin_tree_node*>(reinterpret_cast<std::uintptr_t>(l) & kAddressBits &
                                                ~std::uintptr_t{1});
    }
    // The child link i of an interior node, without the priority bits (the leaf tag stays).
    static bin_tree_node* child(const bin_tree_node* n, int i) { return strip(n->link[i]); }
    // An interior node's priority.
    static std::int32_t prio_of(const bin_tree_node* n) {
        auto hi = reinterpret_cast<std::uintptr_t>(n->link[0]) >> kPrioShift;
        auto lo = reinterpret_cast<std::uintptr_t>(n->link[1]) >> kPrioShift;
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(hi << 16 | lo));
    }
    static bin_tree_node* leaf_link(const bin_tree_node* leaf) {
        return reinterpret_cast<bin_tree_node*>(reinterpret_cast<std::uintptr_t>(leaf) | 1u);
    }

  protected:
    static constexpr int kPrioShift = 48;
    static constexpr std::uintptr_t kAddressBits = (std::uintptr_t{1} << kPrioShift) - 1;
    static bin_tree_node* strip(const bin_tree_node* l) {
        return reinterpret_cast<bin_tree_node*>(reinterpret_cast<std::uintptr_t>(l) & kAddressBits);
    }
    // Writes the plain link l into a slot (the root link or an interior node's child link),
    // keeping the priority bits the slot holds.
    static void set_link(bin_tree_node** slot, bin_tree_node* l) {
        auto old = reinterpret_cast<std::uintptr_t>(*slot);
        *slot = reinterpret_cast<bin_tree_node*>((old & ~kAddressBits) |
                                                 reinterpret_cast<std::uintptr_t>(l));
    }
    // Gives a fresh interior node its priority and null children.
    static void init_interior(bin_tree_node* n, std::int32_t prio) {
        auto p = static_cast<std::uint32_t>(prio);
        n->link[0] = reinterpret_cast<bin_tree_node*>(std::uintptr_t{p >> 16} << kPrioShift);
        n->link[1] = reinterpret_cast<bin_tree_node*>(std::uintptr_t{p & 0xffffu} << kPrioShift);
    }

    virtual std::int32_t node_priority() { return 0; }
    virtual std::int32_t root_priority() { return 0; }
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

    // Interior nodes and leaves come from free lists of their own, and interior nodes from one of
    // four lists by priority band: the fewer nodes share a band, the higher they stand in the
    // tree and the more searches pass them. A search, which rarely needs a leaf, thus finds the
    // nodes it passes most often packed densely in a few pages and cache lines, instead of
    // scattered among nodes it hardly ever visits. The four sizes 21 to 24 share the chunk
    // stride of 24 bytes.
    static constexpr std::int32_t kInteriorBytes = 21;
    static constexpr std::int32_t kLeafBytes = sizeof(bin_tree_node);
    static std::int32_t interior_bytes(std::int32_t prio) {
        // Rank 0 is the smallest priority, the one nearest the root.
        std::uint32_t rank = static_cast<std::uint32_t>(prio) ^ 0x80000000u;
        if (rank < (1u << 26)) return kInteriorBytes;      // the first 1/64
        if (rank < (1u << 28)) return kInteriorBytes + 1;  // up to 1/16
        if (rank < (1u << 30)) return kInteriorBytes + 2;  // up to 1/4
        return kInteriorBytes + 3;
    }
    static bin_tree_node* new_interior(std::int32_t prio) {
        auto* n = static_cast<bin_tree_node*>(clib_node_alloc(interior_bytes(prio)));
        init_interior(n, prio);
        return n;
    }
    static bin_tree_node* new_leaf() {
        return static_cast<bin_tree_node*>(clib_node_alloc(kLeafBytes));
    }
    static void free_interior(bin_tree_node* v) { clib_node_free(v, interior_bytes(prio_of(v))); }
    static void free_leaf(bin_tree_node* v) { clib_node_free(v, kLeafBytes); }

    // The cores of the searching operations. A probe compares the key sought with a node's key
    // (negative, 0 or positive); typed containers pass probes that need no virtual call.
    template <class Probe>
    bool member_with(Probe probe) const;
    template <class Probe>
    bin_tree_item lookup_with(Probe probe) const;
    template <class Probe>
    bin_tree_item insert_with(clib_word k, clib_word i, Probe probe);
    template <class Probe>
    bool del_with(Probe probe);
    // Moves the new interior node u up into the link `top`, above every node of its path whose
    // priority is larger than its own; the probe compares u's key with theirs.
    template <class Probe>
    static void lift_with(bin_tree_node* u, bin_tree_node** top, Probe probe);

    // Empties the tree through the given clearing hooks.
    void clear_with(const bin_tree& hooks);
    // Copies other's shape into this empty tree through the given copying hooks.
    void copy_with(const bin_tree& other, const bin_tree& hooks);

    int order(const clib_word& a, const clib_word& b) const;

    // The link of n that a search goes on by, given the comparison c with n's key; its value is
    // read through strip().
    template <class Probe>
    static bin_tree_node** way(bin_tree_node* n, int c) {
        if constexpr (bin_tree_in_place<Probe>) {
            return &n->link[c > 0];
        } else {
            if (c > 0) return &n->link[1];
            return &n->link[0];
        }
    }

    // Tagged link to the root (nil when empty), the leaf of the smallest key, number of leaves.
    bin_tree_node* root_link;
    bin_tree_node* first_leaf;
    std::int32_t count;

  private:
    template <class F>
    decltype(auto) with_probe(const clib_word& k, F f) const;
    bin_tree_node* copy_subtree(const bin_tree_node* src, const bin_tree& hooks,
                                bin_tree_node*& prev_leaf);
    void first_key(clib_word k, clib_word i);
};

template <class Probe>
bool bin_tree::member_with(Probe probe) const {
    bin_tree_node* cur = root_link;
    if (cur == nullptr) return false;
    // Every key but the largest routes some interior node on its own search path, so a key
    // that is present is met before the leaves; after a turn to the left, the leaf reached
    // holds the router of that turn, which was already found unequal.
    bool turned_left = false;
    while (!is_leaf_link(cur)) {
        int c = probe(cur->key);
        if (c == 0) return true;
        turned_left |= c < 0;
        cur = strip(*way<Probe>(cur, c));
    }
    return !turned_left && probe(node_of(cur)->key) == 0;
}

template <class Probe>
bin_tree_item bin_tree::lookup_with(Probe probe) const {
    bin_tree_node* cur = root_link;
    if (cur == nullptr) return nullptr;
    bool found = false;
    bool turned_left = false;
    while (!is_leaf_link(cur)) {
        // Below the router equal to the key, the path runs down to the key's leaf on the right.
        int c = found ? 1 : probe(cur->key);
        found |= c == 0;
        turned_left |= c < 0;
        cur = strip(*way<Probe>(cur, c));
    }
    bin_tree_node* v = node_of(cur);
    if (found || (!turned_left && probe(v->key) == 0)) return v;
    return nullptr;
}

template <class Probe>
bin_tree_item bin_tree::insert_with(clib_word k, clib_word i, Probe probe) {
    if (root_link == nullptr) {
        first_key(k, i);
        return first_leaf;
    }
    // The new interior node's priority is drawn first, so that the descent can note where the
    // node will end up: above the first node of the path whose priority is larger. Only the
    // upper half of a priority rides in link[0]; the lower half decides only on a tie there.
    std::int32_t p = count == 1 ? root_priority() : node_priority();
    const std::int64_t p_hi = p >> 16;
    const std::uint64_t p_lo = static_cast<std::uint32_t>(p) & 0xffffu;
    bin_tree_node** top = nullptr;
    bin_tree_node* parent = nullptr;
    bin_tree_node* cur = root_link;
    // The deepest node where the path turned left: the leaf reached holds its router.
    bin_tree_node* last_left = nullptr;
    bool found = false;
    // The link that holds cur: the parent turned left exactly when it is the last left turn.
    auto slot_of_cur = [&] {
        return parent == nullptr ? &root_link : &parent->link[last_left != parent];
    };
    // One step down: left when k is not greater than the router. A probe that fetches its key
    // data from elsewhere stops comparing below the router equal to k, whose leaf lies at the
    // end of a run of right turns.
    auto step = [&] {
        int c;
        if constexpr (bin_tree_in_place<Probe>) {
            c = probe(cur->key);
        } else {
            c = found ? 1 : probe(cur->key);
            found |= c == 0;
        }
        if (c <= 0) last_left = cur;
        parent = cur;
        cur = strip(*way<Probe>(cur, c));
    };
    // Above u's place, each node's priority is checked as well; below, only keys.
    while (!is_leaf_link(cur)) {
        std::int64_t hi =
            static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(cur->link[0])) >> kPrioShift;
        if (hi >= p_hi) [[unlikely]] {
            if (hi > p_hi ||
                (reinterpret_cast<std::uintptr_t>(cur->link[1]) >> kPrioShift) > p_lo) {
                top = slot_of_cur();
                break;
            }
        }
        step();
    }
    while (!is_leaf_link(cur)) step();
    bin_tree_node** slot = slot_of_cur();
    bin_tree_node* v = node_of(cur);
    copy_inf(i);
    // After a turn to the left, v holds that turn's router, which is not smaller than k and
    // still in the cache; otherwise k is larger than every router and v is the last leaf.
    int c;
    if (found)
        c = 0;
    else if (last_left != nullptr)
        c = bin_tree_in_place<Probe> ? probe(last_left->key) : -1;
    else
        c = probe(v->key);
    if (c == 0) {
        clear_inf(v->inf);
        v->inf = i;
        return v;
    }
    copy_key(k);
    bin_tree_node* u = new_interior(p);
    bin_tree_node* w = new_leaf();
    ++count;
    w->key = k;
    w->inf = i;
    if (c < 0) {
        // A right child whose sibling is a leaf follows that sibling in the chain: then v need
        // not be loaded at all, as its links are only written.
        bin_tree_node* pred =
            parent != nullptr && slot == &parent->link[1] && is_leaf_link(parent->link[0])
                ? node_of(parent->link[0])
                : v->link[0];
        u->key = k;
        set_link(&u->link[0], leaf_link(w));
        set_link(&u->link[1], cur);
        w->link[0] = pred;
        w->link[1] = v;
        pred->link[1] = w;
        v->link[0] = w;
        if (first_leaf == v) first_leaf = w;
    } else {
        // k is larger than every key and v is the last leaf.
        bin_tree_node* succ = v->link[1];
        u->key = v->key;
        set_link(&u->link[0], cur);
        set_link(&u->link[1], leaf_link(w));
        w->link[0] = v;
        w->link[1] = succ;
        succ->link[0] = w;
        v->link[1] = w;
    }
    set_link(slot, u);
    propagate_modification(1, u, v);
    propagate_modification(2, u, w);
    if (top != nullptr) lift_with(u, top, probe);
    return w;
}

// Rotating u up past each node of the path from top down to it gives the same shape as splitting
// that stretch of the path by u's router: the nodes where the path turned right route by smaller
// keys and end up in u's left subtree, chained through their right links, the others in u's right
// subtree, chained through their left links. The stretch is short (under two nodes on average),
// and every node on it is still in the cache from the descent that found u's place. For each of
// them the probe's key, the one just inserted, lies on the same side as u's router: the two are
// equal, or u's router is the old largest key, which no interior node routes by.
template <class Probe>
void bin_tree::lift_with(bin_tree_node* u, bin_tree_node** top, Probe probe) {
    bin_tree_node* left_part = nullptr;
    bin_tree_node* right_part = nullptr;
    bin_tree_node** left_end = &left_part;
    bin_tree_node** right_end = &right_part;
    bin_tree_node* n = strip(*top);
    while (n != u) {
        bin_tree_node** next;
        if (probe(n->key) > 0) {
            set_link(left_end, n);
            left_end = next = &n->link[1];
        } else {
            set_link(right_end, n);
            right_end = next = &n->link[0];
        }
        n = strip(*next);
    }
    set_link(left_end, child(u, 0));
    set_link(right_end, child(u, 1));
    set_link(&u->link[0], left_part);
    set_link(&u->link[1], right_part);
    set_link(top, u);
}

template <class Probe>
bool bin_tree::del_with(Probe probe) {
    bin_tree_node* cur = root_link;
    if (cur == nullptr) return false;
    bin_tree_node** slot = &root_link;
    bin_tree_node** parent_slot = nullptr;
    bin_tree_node* parent = nullptr;
    bin_tree_node* grandparent = nullptr;
    // The last node where the path turned left: it routes by the key of the leaf reached.
    bin_tree_node* router = nullptr;
    bool found = false;
    while (!is_leaf_link(cur)) {
        int c = found ? 1 : probe(cur->key);
        found |= c == 0;
        if (c <= 0) router = cur;
        grandparent = parent;
        parent = cur;
        parent_slot = slot;
        slot = way<Probe>(cur, c);
        cur = strip(*slot);
    }
    bin_tree_node* v = node_of(cur);
    if (!found && (router != nullptr || probe(v->key) != 0)) return false;

    clear_key(v->key);
    clear_inf(v->inf);
    if (--count == 0) {
        root_link = first_leaf = nullptr;
        free_leaf(v);
        return true;
    }
    bool right_child = child(parent, 1) == cur;
    // The parent routes by v's key (v a left child) or by its predecessor's (v a right child);
    // in the second case the node that routed by v's key now routes by the predecessor's.
    if (right_child && router != nullptr) router->key = parent->key;
    clear_iinf(parent);
    bin_tree_node* pred = v->link[0];
    bin_tree_node* succ = v->link[1];
    pred->link[1] = succ;
    succ->link[0] = pred;
    if (first_leaf == v) first_leaf = succ;

    bin_tree_node* sibling = child(parent, right_child ? 0 : 1);
    set_link(parent_slot, sibling);
    propagate_modification(3, grandparent, node_of(sibling));
    if (parent_slot != &root_link) del_rebal(node_of(sibling), parent);
    free_leaf(v);
    free_interior(parent);
    return true;
}
