// Tests of the is-a closures: a chain with its row orders, misuse, and random hierarchies (cycles
// and names reached twice included) against a plain breadth-first model.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "AccessTestSupport.h"
#include "access/EnhIsaIter.h"

using namespace access_test;

namespace {

class EnhIsaIterTest : public AccessTest {
  protected:
    Rows closure(const InternalName& object, const InternalName& cls, int kind) {
        auto it =
            Ref<Iterator>::adopt(access->makeEnhIsaIter(object, cls, IsaRelation(kind), nullptr));
        Rows rows = drain(it.get());
        it.reset();
        return rows;
    }
};

}  // namespace

TEST_F(EnhIsaIterTest, AChainInAscendingOrder) {
    const InternalName a = object("a"), b = object("b"), c = object("c"), d = object("d");
    access->insertClassRelation(a, b, IsaRelation::Member);
    access->insertClassRelation(b, c, IsaRelation::Subclass);
    access->insertClassRelation(c, d, IsaRelation::Subclass);

    // Reflexive for subclasses only, even without a stored fact; the model below covers the rest.
    EXPECT_EQ(closure(a, Free, 2), (Rows{{a, a}}));
    EXPECT_EQ(closure(Free, d, 2), (Rows{{b, d}, {c, d}, {d, d}}));
    EXPECT_TRUE(closure(a, a, 1).empty());

    // Both free: object-name order, within an object its classes.
    EXPECT_EQ(closure(Free, Free, 1), (Rows{{a, b}, {a, c}, {a, d}}));
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(EnhIsaIterTest, MisuseIsReported) {
    const InternalName a = object("a"), b = object("b");
    access->insertClassRelation(a, b, IsaRelation::Member);
    auto it = Ref<Iterator>::adopt(access->makeEnhIsaIter(a, Free, IsaRelation::Member, nullptr));
    static_cast<EnhIsaIter*>(it.get())->reinitialize(a, b, IsaRelation::Member,
                                                     access);  // the class stays: a left one
    EXPECT_FALSE(it->first());
    EXPECT_EQ(lastError(), "6/110");
    static_cast<EnhIsaIter*>(it.get())->reinitialize(a, Free, IsaRelation::Member, access);
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(3), Free);
    EXPECT_EQ(lastError(), "6/109");
    EXPECT_EQ(it->columns(), 2);
    EXPECT_FALSE(it->isA("Iterator"));
    it.reset();

    // No is-a facts at all: nothing, and no report.
    access->clear();
    centralErrorHandler().reset();
    EXPECT_TRUE(closure(Free, Free, 1).empty());
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(EnhIsaIterTest, RandomHierarchiesAgreeWithABreadthFirstModel) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        access->clear();
        std::mt19937 random(seed);
        std::vector<InternalName> names;
        for (char letter = 'a'; letter < 'a' + 12; ++letter)
            names.push_back(object(std::string(1, letter) + "n"));
        std::map<int, std::map<InternalName, std::set<InternalName>>> up;
        for (int n = 0; n < 30; ++n) {
            const int kind = 1 + static_cast<int>(random() % 3);
            const InternalName x = names[random() % names.size()];
            const InternalName y = names[random() % names.size()];
            om->insertIsa(x, y, kind);  // cycles included
            up[kind][x].insert(y);
        }
        // The model: the names reachable from x's stored classes of the kind by further steps.
        auto reach = [&](const InternalName& x, int kind) {
            std::set<InternalName> found;
            std::vector<InternalName> work;
            for (const InternalName& c : up[kind][x])
                if (found.insert(c).second) work.push_back(c);
            const int step = kind == 3 ? 3 : 2;
            for (std::size_t i = 0; i < work.size(); ++i)
                for (const InternalName& c : up[step][work[i]])
                    if (found.insert(c).second) work.push_back(c);
            if (kind == 2) found.insert(x);
            return found;
        };
        for (int kind = 1; kind <= 3; ++kind) {
            for (const InternalName& x : names) {
                Rows expected;
                for (const InternalName& c : reach(x, kind)) expected.push_back({x, c});
                EXPECT_EQ(closure(x, Free, kind), expected) << "kind " << kind;
                Rows below;
                for (const InternalName& y : names)
                    if (reach(y, kind).count(x) != 0) below.push_back({y, x});
                std::sort(below.begin(), below.end());
                EXPECT_EQ(closure(Free, x, kind), below) << "kind " << kind;
                for (const InternalName& y : names)
                    EXPECT_EQ(closure(x, y, kind).size(), reach(x, kind).count(y))
                        << "kind " << kind;
            }
        }
    }
}
