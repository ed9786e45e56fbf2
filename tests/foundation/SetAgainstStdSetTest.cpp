// Random runs of insertions, deletions, searches and walks through our set and std::set side by
// side, over many seeds: the same answers, and a sound shape after each stretch of steps.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "foundation/set.h"

namespace {

// Checks heap order of priorities, routers equal to the largest key of their left subtree, and
// leaves met in the order of the chain.
template <class T>
struct ShapeChecked : set<T> {
    using base = set<T>;
    using bin_tree::child;
    using bin_tree::is_leaf_link;
    using bin_tree::node_of;
    using bin_tree::prio_of;

    T check(bin_tree_node* l, const bin_tree_node* parent, bin_tree_node*& expected_leaf) {
        bin_tree_node* v = node_of(l);
        if (is_leaf_link(l)) {
            EXPECT_EQ(v, expected_leaf);
            expected_leaf = this->next_item(v);
            return this->key(v);
        }
        if (parent != nullptr) {
            EXPECT_LE(prio_of(parent), prio_of(v));
        }
        T left_max = check(child(v, 0), v, expected_leaf);
        EXPECT_EQ(clib_access<T>(v->key), left_max);
        T right_max = check(child(v, 1), v, expected_leaf);
        EXPECT_LT(left_max, right_max);
        return right_max;
    }
    void check_shape() {
        bin_tree_node* expected_leaf = this->first_item();
        if (this->root_link != nullptr) check(this->root_link, nullptr, expected_leaf);
        EXPECT_EQ(expected_leaf, nullptr);
    }
};

template <class T>
void expect_same(const set<T>& ours, const std::set<T>& model) {
    ASSERT_EQ(ours.size(), static_cast<std::int32_t>(model.size()));
    ASSERT_EQ(ours.empty(), model.empty());
    std::vector<T> forward;
    for (auto it = ours.first_item(); it != nullptr; it = ours.next_item(it))
        forward.push_back(ours.key(it));
    ASSERT_EQ(forward, std::vector<T>(model.begin(), model.end()));
    std::vector<T> backward;
    auto last = ours.first_item() == nullptr ? nullptr : ours.first_item()->left();
    for (auto it = last; it != nullptr; it = ours.prev_item(it)) backward.push_back(ours.key(it));
    ASSERT_EQ(backward, std::vector<T>(model.rbegin(), model.rend()));
    std::vector<T> iterated(ours.begin(), ours.end());
    ASSERT_EQ(iterated, forward);
    if (!model.empty()) {
        ASSERT_EQ(ours.choose(), *model.begin());
    }
}

// One run: `steps` random operations on keys made by `make` from numbers below `range`, the
// whole set compared every `every` steps.
template <class T, class Make>
void run(std::uint32_t seed, std::uint32_t range, int steps, Make make, int every = 997) {
    SCOPED_TRACE("seed " + std::to_string(seed) + ", range " + std::to_string(range));
    std::mt19937 rng(seed);
    ShapeChecked<T> ours;
    std::set<T> model;
    for (int step = 1; step <= steps; ++step) {
        T k = make(static_cast<std::uint32_t>(rng() % range));
        switch (rng() % 8) {
            case 0:
            case 1:
            case 2:
            case 3: {
                auto it = ours.insert(k);
                model.insert(k);
                ASSERT_NE(it, nullptr);
                ASSERT_EQ(ours.key(it), k);
                ASSERT_EQ(ours.lookup(k), it);
                break;
            }
            case 4:
            case 5:
                ours.del(k);
                model.erase(k);
                break;
            case 6: {
                // Deleting by item, when the key is present.
                auto it = ours.lookup(k);
                ASSERT_EQ(it != nullptr, model.count(k) == 1);
                ours.del_item(it);
                model.erase(k);
                break;
            }
            default:
                break;
        }
        ASSERT_EQ(ours.member(k), model.count(k) == 1);
        T other = make(static_cast<std::uint32_t>(rng() % range));
        ASSERT_EQ(ours.member(other), model.count(other) == 1);
        ASSERT_EQ(ours.lookup(other) != nullptr, model.count(other) == 1);
        if (step % every == 0 || step == steps) {
            expect_same<T>(ours, model);
            ours.check_shape();
            // A copy answers the same and keeps working as a set of its own.
            ShapeChecked<T> copy;
            static_cast<set<T>&>(copy) = ours;
            expect_same<T>(copy, model);
            copy.check_shape();
            copy.insert(k);
            copy.del(other);
            copy.check_shape();
        }
        if (::testing::Test::HasFatalFailure()) return;
    }
    // Emptying the set key by key leaves it as new.
    for (const T& k : model) ours.del(k);
    model.clear();
    expect_same<T>(ours, model);
    EXPECT_EQ(ours.root(), nullptr);
}

TEST(SetAgainstStdSet, IntsOverManySeeds) {
    for (std::uint32_t seed = 1; seed <= 40; ++seed) {
        // Narrow ranges repeat keys often; wide ones grow deep trees.
        std::uint32_t range = seed % 4 == 0   ? 40
                              : seed % 4 == 1 ? 2000
                              : seed % 4 == 2 ? 200000
                                              : 0x7fffffff;
        run<int>(seed, range, 6000,
                 [](std::uint32_t x) { return static_cast<int>(x) - (1 << 30); });
        if (HasFatalFailure()) return;
    }
}

TEST(SetAgainstStdSet, LargeIntSetKeepsItsShape) {
    // Enough keys that priorities often agree in their upper halves along a path.
    run<int>(
        99, 1u << 30, 150000, [](std::uint32_t x) { return static_cast<int>(x); }, 50000);
}

TEST(SetAgainstStdSet, StringsOverManySeeds) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        std::uint32_t range = seed % 2 == 0 ? 60 : 50000;
        run<std::string>(seed, range, 4000,
                         [](std::uint32_t x) { return "k" + std::to_string(x); });
        if (HasFatalFailure()) return;
    }
}

TEST(SetAgainstStdSet, DoublesOverManySeeds) {
    for (std::uint32_t seed = 1; seed <= 8; ++seed) {
        run<double>(seed, 3000, 4000, [](std::uint32_t x) { return x * 0.5 - 700.25; });
        if (HasFatalFailure()) return;
    }
}

}  // namespace
