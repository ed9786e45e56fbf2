// Tests of the (a,b)-tree dictionary: ordering, replacement, deletion and misuse.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "foundation/clib_dictionary.h"

namespace {

template <class K, class I>
std::vector<std::pair<K, I>> contents(const clib_dictionary<K, I>& d) {
    std::vector<std::pair<K, I>> out;
    for (auto it = d.first_item(); it != nullptr; it = d.next_item(it))
        out.emplace_back(d.key(it), d.inf(it));
    return out;
}

TEST(ClibDictionary, ExistingKeyKeepsItemAndReplacesInformation) {
    clib_dictionary<std::string, std::string> d;
    auto first = d.insert("k", "old");
    auto again = d.insert("k", "new");
    EXPECT_EQ(first, again);
    EXPECT_EQ(d.size(), 1);
    EXPECT_EQ(d.inf(d.lookup("k")), "new");
    d.change_inf(first, d.inf(first));  // information replaced by itself stays intact
    EXPECT_EQ(d.inf(first), "new");
}

TEST(ClibDictionary, SeventeenLeavesSplitTheRoot) {
    clib_dictionary<int, int> d;
    for (int i = 0; i < 17; ++i) d.insert(i, i);
    EXPECT_EQ(d.tree_height(), 2);  // 17 leaves cannot sit under one node of at most 16
}

TEST(ClibDictionary, DeletingLargestKeysKeepsLookupsWorking) {
    clib_dictionary<int, int> d;
    for (int i = 0; i < 300; ++i) d.insert(i, i);
    for (int i = 299; i >= 0; --i) {
        d.del(i);
        if (i > 0) {
            ASSERT_NE(d.lookup(i - 1), nullptr) << i;
            ASSERT_EQ(d.key(d.last_item()), i - 1);
        }
        ASSERT_EQ(d.lookup(i), nullptr);
    }
    EXPECT_EQ(d.size(), 0);
    EXPECT_EQ(d.tree_height(), -1);
    EXPECT_EQ(d.first_item(), nullptr);
}

// Checks the shape of an int dictionary: a to b children below the root, routers equal to the
// largest key below them (the last pair's is not kept), parents and heights consistent.
struct ShapeProbe : clib_dictionary<int, int> {
    int max_key(ab_tree_node* v) {
        while (v->height > 0) v = v->last->c;
        return key(v);
    }
    void check(ab_tree_node* v, ab_tree_node* parent, int h) {
        ASSERT_EQ(v->parent, parent);
        ASSERT_EQ(v->height, h);
        if (h == 0) return;
        if (parent != nullptr) {
            ASSERT_GE(v->children(), a);
        } else {
            ASSERT_GE(v->children(), 2);
        }
        ASSERT_LE(v->children(), b);
        for (ab_tree_elem* p = v->pairs(); p <= v->last; ++p) {
            if (p != v->last) {
                ASSERT_EQ(clib_access<int>(p->k), max_key(p->c));
            }
            check(p->c, v, h - 1);
        }
    }
    void check_shape() {
        if (root != nullptr) check(root, nullptr, height);
    }
};

TEST(ClibDictionary, ShapeStaysSoundUnderInsertionAndDeletion) {
    std::mt19937 rng(23);
    ShapeProbe d;
    for (int i = 0; i < 6000; ++i) d.insert(static_cast<int>(rng() % 8000), i);
    d.check_shape();
    for (int i = 0; i < 7000; ++i) {
        d.del(static_cast<int>(rng() % 8000));
        if (i % 500 == 0) d.check_shape();
    }
    d.check_shape();
}

// Random operations on int and on heap-copied string keys, checked against std::map.
template <class K, class Make>
void random_against_model(Make make, unsigned seed) {
    std::mt19937 rng(seed);
    clib_dictionary<K, int> d;
    std::map<K, int> model;
    for (int step = 0; step < 20000; ++step) {
        K k = make(static_cast<int>(rng() % 2000));
        switch (rng() % 4) {
            case 0:
            case 1:
                d.insert(k, step);
                model[k] = step;
                break;
            case 2:
                d.del(k);
                model.erase(k);
                break;
            default: {
                auto it = d.lookup(k);
                ASSERT_EQ(it != nullptr, model.count(k) == 1);
                if (it != nullptr) {
                    ASSERT_EQ(d.inf(it), model[k]);
                }
            }
        }
        ASSERT_EQ(d.size(), static_cast<int>(model.size()));
    }
    std::vector<std::pair<K, int>> expected(model.begin(), model.end());
    EXPECT_EQ(contents(d), expected);
    while (!d.empty()) d.del_item(d.first_item());
    EXPECT_EQ(d.tree_height(), -1);
}

TEST(ClibDictionary, RandomOperationsMatchModel) {
    random_against_model<int>([](int x) { return x; }, 1);
    random_against_model<int>([](int x) { return -x * 7919; }, 2);
    random_against_model<std::string>([](int x) { return "key" + std::to_string(x); }, 3);
    random_against_model<double>([](int x) { return x / 3.0; }, 4);
}

TEST(ClibDictionary, CopyIsIndependent) {
    clib_dictionary<std::string, int> d;
    for (int i = 0; i < 100; ++i) d.insert(std::to_string(i), i);
    clib_dictionary<std::string, int> c(d);
    d.clear();
    EXPECT_EQ(c.inf(c.lookup("42")), 42);
    // A copy keeps the node sizes of its original.
    clib_dictionary<int, int> narrow(2, 3);
    for (int i = 0; i < 50; ++i) narrow.insert(i, i);
    clib_dictionary<int, int> narrow_copy(narrow);
    EXPECT_EQ(narrow_copy.tree_height(), narrow.tree_height());
}

TEST(ClibDictionary, AccessGivesInformationOfItsKey) {
    clib_dictionary<int, std::string> d;
    d.insert(3, "three");
    EXPECT_EQ(d.access(3), "three");
    EXPECT_EQ(d.access(4), "");  // an absent key gets default information, never a wild read
    EXPECT_TRUE(d.defined(4));
}

using IntDictionary = clib_dictionary<int, int>;

TEST(ClibDictionaryDeathTest, MisuseEndsTheProgram) {
    EXPECT_DEATH({ IntDictionary bad(2, 2); },
                 "CLIB ERROR HANDLER\n\tab_tree: illegal arguments \\(a,b\\) in tree constructor");
    EXPECT_DEATH(
        {
            IntDictionary d;
            d.del_item(nullptr);
        },
        "ab_tree: nil item in del_item");
}

}  // namespace
