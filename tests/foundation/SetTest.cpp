// Tests of the randomized-search-tree set: ordering, algebra, comparisons and the random source.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "foundation/set.h"

namespace {

template <class T>
std::vector<T> keys(const set<T>& s) {
    std::vector<T> out;
    for (auto it = s.first_item(); it != nullptr; it = s.next_item(it)) out.push_back(s.key(it));
    return out;
}

set<int> of(std::initializer_list<int> xs) {
    set<int> s;
    for (int x : xs) s.insert(x);
    return s;
}

// Checks the shape of a set of ints: heap order of priorities, routers equal to the largest key
// of their left subtree, and leaves met in the order of the leaf chain, which ascends.
struct ShapeProbe : set<int> {
    using set<int>::set;
    // Walks the subtree under a link; answers its largest key.
    int check(bin_tree_node* l, const bin_tree_node* parent, bin_tree_node*& expected_leaf) {
        bin_tree_node* v = node_of(l);
        if (is_leaf_link(l)) {
            EXPECT_EQ(v, expected_leaf);
            expected_leaf = next_item(v);
            return key(v);
        }
        if (parent != nullptr) {
            EXPECT_LE(prio_of(parent), prio_of(v));
        }
        int left_max = check(child(v, 0), v, expected_leaf);
        EXPECT_EQ(clib_access<int>(v->key), left_max);
        int right_max = check(child(v, 1), v, expected_leaf);
        EXPECT_LT(left_max, right_max);
        return right_max;
    }
    void check_shape() {
        std::vector<int> chain = keys(*this);
        EXPECT_TRUE(std::is_sorted(chain.begin(), chain.end()));
        EXPECT_EQ(static_cast<int>(chain.size()), size());
        bin_tree_node* expected_leaf = first_item();
        if (root_link != nullptr) check(root_link, nullptr, expected_leaf);
        EXPECT_EQ(expected_leaf, nullptr);
    }
};

TEST(Set, ShapeStaysSoundUnderInsertionAndDeletion) {
    std::mt19937 rng(17);
    ShapeProbe s;
    for (int i = 0; i < 3000; ++i) s.insert(static_cast<int>(rng() % 5000));
    for (int i = 0; i < 1500; ++i) s.del(static_cast<int>(rng() % 5000));
    s.check_shape();
    // A copy's routers are rebuilt sound, so it keeps working at its ends.
    ShapeProbe copy;
    static_cast<set<int>&>(copy) = s;
    copy.check_shape();
    copy.insert(9000);
    copy.del(copy.key(copy.first_item()));
    copy.check_shape();
}

// Priorities share their words with the child links: each must survive the other's writes.
TEST(Set, PriorityAndChildrenShareLinksWithoutDisturbingEachOther) {
    struct LinkProbe : set<int> {
        void run() {
            bin_tree_node leaf{};
            bin_tree_node* a = &leaf;
            for (std::int32_t p : {INT32_MIN, -65536, -1, 0, 1, 65535, 65536, INT32_MAX}) {
                bin_tree_node n{};
                init_interior(&n, p);
                EXPECT_EQ(prio_of(&n), p);
                set_link(&n.link[0], leaf_link(a));
                set_link(&n.link[1], a);
                EXPECT_EQ(prio_of(&n), p);
                EXPECT_TRUE(is_leaf_link(child(&n, 0)));
                EXPECT_EQ(node_of(child(&n, 0)), a);
                EXPECT_EQ(child(&n, 1), a);
                set_link(&n.link[0], nullptr);
                EXPECT_EQ(child(&n, 0), nullptr);
                EXPECT_EQ(prio_of(&n), p);
            }
        }
    };
    LinkProbe().run();
}

TEST(Set, ItemsAreFoundWhereverTheSearchMeetsTheKey) {
    std::mt19937 rng(5);
    set<int> s;
    std::vector<set<int>::item> items(2000, nullptr);
    for (int i = 0; i < 2000; ++i) {
        int k = static_cast<int>(rng() % 2000);
        auto it = s.insert(k);
        if (items[k] != nullptr) {
            ASSERT_EQ(it, items[k]);  // a duplicate answers the leaf it already has
        }
        items[k] = it;
    }
    for (int k = -1; k <= 2000; ++k) {
        set<int>::item expected = k >= 0 && k < 2000 ? items[k] : nullptr;
        ASSERT_EQ(s.lookup(k), expected);
        ASSERT_EQ(s.member(k), expected != nullptr);
    }
    for (int k = 0; k < 2000; k += 2)
        if (items[k] != nullptr) s.del_item(items[k]);
    s.del_item(nullptr);
    for (int k = 0; k < 2000; ++k) ASSERT_EQ(s.member(k), k % 2 == 1 && items[k] != nullptr);
}

TEST(Set, EveryNodeGoesBackToTheMemoryManager) {
    // Whatever sizes the nodes have: every pooled chunk in use, over all sizes.
    auto used = [] {
        std::int64_t n = 0;
        for (int size = 1; size < 256; ++size)
            n += std_memory_mgr->carved_count(size) - std_memory_mgr->free_count(size);
        return n;
    };
    std::int64_t before = used();
    {
        std::mt19937 rng(23);
        set<std::string> s;
        for (int i = 0; i < 20000; ++i) s.insert(std::to_string(rng() % 30000));
        set<std::string> copy(s);
        for (int i = 0; i < 20000; ++i) s.del(std::to_string(rng() % 30000));
        EXPECT_GT(used(), before);
        copy.clear();
    }
    EXPECT_EQ(used(), before);
}

TEST(Set, SingleKeyIsItsOwnNeighbour) {
    set<int> s;
    auto it = s.insert(1);
    EXPECT_EQ(s.root(), it);
    EXPECT_EQ(it->left(), it);
    EXPECT_EQ(it->right(), it);
    EXPECT_EQ(s.next_item(it), nullptr);
    s.del(1);
    EXPECT_TRUE(s.empty());
    EXPECT_EQ(s.choose(), 0);
    EXPECT_EQ(s.root(), nullptr);
    EXPECT_EQ(s.first_item(), nullptr);
}

TEST(Set, RandomOperationsMatchModel) {
    std::mt19937 rng(11);
    set<std::string> s;
    std::set<std::string> model;
    for (int step = 0; step < 20000; ++step) {
        std::string k = std::to_string(rng() % 1500);
        k.insert(k.begin(), 'k');
        if (rng() % 3 != 0) {
            s.insert(k);
            model.insert(k);
        } else {
            s.del(k);
            model.erase(k);
        }
        ASSERT_EQ(s.member(k), model.count(k) == 1);
        ASSERT_EQ(s.size(), static_cast<int>(model.size()));
    }
    EXPECT_EQ(keys(s), std::vector<std::string>(model.begin(), model.end()));
    std::vector<std::string> backwards;
    auto last = s.first_item() == nullptr ? nullptr : s.first_item()->left();
    for (auto it = last; it != nullptr; it = s.prev_item(it)) backwards.push_back(s.key(it));
    EXPECT_EQ(backwards, std::vector<std::string>(model.rbegin(), model.rend()));
}

TEST(Set, Algebra) {
    set<int> a = of({1, 2, 3});
    set<int> b = of({2, 3, 4});
    EXPECT_EQ(keys(a + b), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(keys(a - b), (std::vector<int>{1}));
    EXPECT_EQ(keys(a & b), (std::vector<int>{2, 3}));
    EXPECT_EQ(keys(a % b), (std::vector<int>{1, 4}));
    set<int> c = a;
    c %= b;
    EXPECT_EQ(keys(c), (std::vector<int>{1, 4}));
    c = a;
    c &= c;
    EXPECT_EQ(keys(c), (std::vector<int>{1, 2, 3}));
    c -= c;
    EXPECT_TRUE(c.empty());
    EXPECT_EQ(keys(a), (std::vector<int>{1, 2, 3}));
}

}  // namespace
