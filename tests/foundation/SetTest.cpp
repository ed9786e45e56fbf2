// Tests of the randomized-search-tree set: ordering, algebra, comparisons and the random source.
#include <gtest/gtest.h>

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
// of their left subtree, and leaves routed by the node that carries their key.
struct ShapeProbe : set<int> {
    using set<int>::set;
    int max_key(bin_tree_node* v) {
        while (!v->is_leaf()) v = v->right;
        return key(v);
    }
    void check(bin_tree_node* v, bin_tree_node* parent, int& leaves) {
        ASSERT_EQ(v->parent, parent);
        if (v->is_leaf()) {
            ++leaves;
            if (v->routing != &sentinel) {
                ASSERT_EQ(clib_access<int>(v->routing->key), key(v));
            }
            return;
        }
        if (parent != &sentinel) {
            ASSERT_LE(parent->prio, v->prio);
        }
        ASSERT_EQ(clib_access<int>(v->key), max_key(v->left));
        check(v->left, v, leaves);
        check(v->right, v, leaves);
    }
    void check_shape() {
        int leaves = 0;
        if (root() != nullptr) check(root(), &sentinel, leaves);
        EXPECT_EQ(leaves, size());
    }
};

TEST(Set, ShapeStaysSoundUnderInsertionAndDeletion) {
    std::mt19937 rng(17);
    ShapeProbe s;
    for (int i = 0; i < 3000; ++i) s.insert(static_cast<int>(rng() % 5000));
    for (int i = 0; i < 1500; ++i) s.del(static_cast<int>(rng() % 5000));
    s.check_shape();
    ShapeProbe copy;
    static_cast<set<int>&>(copy) = s;
    copy.check_shape();
}

TEST(Set, DuplicateInsertKeepsOneLeaf) {
    set<int> s;
    auto a = s.insert(7);
    auto b = s.insert(7);
    EXPECT_EQ(a, b);
    EXPECT_EQ(s.size(), 1);
}

TEST(Set, SingleKeyIsItsOwnNeighbour) {
    set<int> s;
    auto it = s.insert(1);
    EXPECT_EQ(s.root(), it);
    EXPECT_EQ(it->left, it);
    EXPECT_EQ(it->right, it);
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
        std::string k = "k" + std::to_string(rng() % 1500);
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
    if (!model.empty()) {
        EXPECT_EQ(s.choose(), *model.begin());
    }
    set<std::string> copy(s);
    s.clear();
    EXPECT_EQ(keys(copy), std::vector<std::string>(model.begin(), model.end()));
    s = copy;
    copy.clear();
    EXPECT_EQ(keys(s), std::vector<std::string>(model.begin(), model.end()));
    std::vector<int> walked;
    for (const std::string& x : s) walked.push_back(static_cast<int>(x.size()));
    EXPECT_EQ(walked.size(), model.size());
}

TEST(Set, CopyKeepsOrderAndLookups) {
    set<int> s;
    for (int i = 0; i < 1000; ++i) s.insert((i * 7919) % 1000);
    set<int> c(s);
    for (int i = 0; i < 1000; ++i) ASSERT_TRUE(c.member(i));
    c.insert(5000);  // the copy's routing is intact at its end
    c.del(999);
    EXPECT_FALSE(c.member(999));
    EXPECT_TRUE(c.member(5000));
    EXPECT_EQ(keys(c).back(), 5000);
    EXPECT_EQ(s.size(), 1000);
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

TEST(Set, Comparisons) {
    set<int> a = of({3, 1, 2});
    set<int> b = of({2, 3, 1});
    set<int> small = of({1, 2});
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);
    EXPECT_FALSE(a < a);
    EXPECT_TRUE(a <= a);
    EXPECT_TRUE(small < a);
    EXPECT_TRUE(a > small);
    EXPECT_TRUE(a >= small);
    EXPECT_FALSE(small >= a);
    EXPECT_TRUE(small != a);
}

TEST(RandomSource, SameSeedSameSequence) {
    random_source x;
    random_source y;
    x.seed(12345);
    y.seed(12345);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(x.next31(), y.next31());
        ASSERT_EQ(x.next32(), y.next32());
    }
    for (int i = 0; i < 1000; ++i) ASSERT_GE(x.next31(), 0);
}

}  // namespace
