// Tests of the linked lists: ends, deletion, search, copying, moving and the misuse messages.
#include <gtest/gtest.h>

#include <list>
#include <random>
#include <string>
#include <vector>

#include "foundation/clib_list.h"

namespace {

template <class T>
std::vector<T> elements(const clib_list<T>& l) {
    std::vector<T> out;
    for (auto it = l.first_item(); it != nullptr; it = l.next_item(it)) out.push_back(l.inf(it));
    return out;
}

// Exposes the count so that a list can be put into the "count unknown" state.
template <class T>
struct CountedList : clib_list<T> {
    void forget_count() { this->count = -1; }
    std::int32_t raw_count() const { return this->count; }
};

TEST(ClibList, DelItemOfMiddleAndEnds) {
    clib_list<std::string> l;
    auto a = l.append("a");
    auto b = l.append("b");
    auto c = l.append("c");
    EXPECT_EQ(l.del_item(b), "b");
    EXPECT_EQ(l.first_item(), a);
    EXPECT_EQ(l.last_item(), c);
    EXPECT_EQ(l.del_item(c), "c");
    EXPECT_EQ(l.last_item(), a);
    EXPECT_EQ(l.del_item(a), "a");
    EXPECT_TRUE(l.empty());
}

int by_length(const std::string& x, const std::string& y) {
    return static_cast<int>(x.size()) - static_cast<int>(y.size());
}

TEST(ClibList, SearchAndRank) {
    clib_list<std::string> l;
    l.append("one");
    l.append("three");
    l.append("two");
    EXPECT_EQ(l.rank("one"), 1);
    EXPECT_EQ(l.rank("two"), 3);
    EXPECT_EQ(l.rank("four"), 0);
    EXPECT_EQ(l.search("four"), nullptr);
    // A caller's criterion is in force for that one search only.
    EXPECT_EQ(l.rank("xxxxx", by_length), 2);
    EXPECT_EQ(l.inf(l.search("abc", by_length)), "one");
    EXPECT_EQ(l.rank("xxxxx"), 0);
}

TEST(ClibList, CopyRecountsUnknownCount) {
    CountedList<int> l;
    for (int i = 0; i < 5; ++i) l.append(i);
    l.forget_count();
    l.append(5);  // an unknown count stays unknown
    EXPECT_EQ(l.raw_count(), -1);
    l.append(6);
    EXPECT_EQ(l.Pop(), 6);  // removals lower it, and it stays negative
    EXPECT_LT(l.raw_count(), 0);
    clib_list<int> copy(l);
    EXPECT_EQ(l.raw_count(), 6);
    EXPECT_EQ(copy.length(), 6);
    EXPECT_EQ(elements(copy), (std::vector<int>{0, 1, 2, 3, 4, 5}));
}

TEST(ClibList, CopiesOwnTheirElements) {
    clib_list<std::string> l;
    l.append("x");
    l.append("y");
    clib_list<std::string> copy(l);
    l.inf(l.first_item()) = "changed";
    EXPECT_EQ(elements(copy), (std::vector<std::string>{"x", "y"}));
    copy = copy;
    EXPECT_EQ(elements(copy), (std::vector<std::string>{"x", "y"}));
    copy = l;
    EXPECT_EQ(elements(copy), (std::vector<std::string>{"changed", "y"}));
}

TEST(ClibList, MovesHandTheirElementsOver) {
    CountedList<std::string> l;
    l.append("x");
    l.append("y");
    l.forget_count();
    clib_list<std::string> moved(std::move(l));
    EXPECT_TRUE(l.empty());
    EXPECT_EQ(l.length(), 0);
    EXPECT_EQ(moved.length(), 2);
    EXPECT_EQ(elements(moved), (std::vector<std::string>{"x", "y"}));
    // Assigned over a list with elements: those go, the moved ones stay owned once.
    clib_list<std::string> target;
    target.append("old");
    target = std::move(moved);
    EXPECT_TRUE(moved.empty());
    EXPECT_EQ(elements(target), (std::vector<std::string>{"x", "y"}));
    moved.append("again");
    EXPECT_EQ(elements(moved), (std::vector<std::string>{"again"}));
}

TEST(ClibList, ClearReturnsLinksToTheirFreeList) {
    clib_list<int> l;
    for (int i = 0; i < 10; ++i) l.append(i);
    std::int32_t before = std_memory_mgr->free_count(sizeof(dlink));
    l.clear();
    EXPECT_EQ(std_memory_mgr->free_count(sizeof(dlink)), before + 10);
    EXPECT_TRUE(l.empty());
}

TEST(ClibList, RandomOperationsMatchModel) {
    std::mt19937 rng(5);
    clib_list<std::string> l;
    std::list<std::string> model;
    for (int step = 0; step < 5000; ++step) {
        switch (rng() % 4) {
            case 0:
            case 1: {
                std::string x = std::to_string(rng() % 100);
                l.append(x);
                model.push_back(x);
                break;
            }
            case 2:
                if (!model.empty()) {
                    ASSERT_EQ(l.pop(), model.front());
                    model.pop_front();
                }
                break;
            default:
                if (!model.empty()) {
                    ASSERT_EQ(l.Pop(), model.back());
                    model.pop_back();
                }
        }
        ASSERT_EQ(l.length(), static_cast<int>(model.size()));
        if (model.empty()) {
            // Popping the last element at either end leaves both ends empty.
            ASSERT_EQ(l.first_item(), nullptr);
            ASSERT_EQ(l.last_item(), nullptr);
        }
    }
    EXPECT_EQ(elements(l), std::vector<std::string>(model.begin(), model.end()));
}

TEST(ClibListDeathTest, MisuseMessages) {
    EXPECT_DEATH(clib_list<int>().pop(), "CLIB ERROR HANDLER\n\tdlist: pop on empty list\\.");
    EXPECT_DEATH(clib_list<int>().Pop(), "dlist: Pop on empty list\\.");
    EXPECT_DEATH(clib_list<int>().head(), "dlist::head\\(\\): empty list");
    EXPECT_DEATH(clib_list<int>().tail(), "dlist::tail\\(\\): empty list");
    EXPECT_DEATH(clib_list<int>().del_item(nullptr), "dlist: delete nil-item");
}

}  // namespace
