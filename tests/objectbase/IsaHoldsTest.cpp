// The class-membership test: built-in classes, the subclass walk, cycles and strings.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <string>
#include <vector>

#include "objectbase/ObjectBaseTestSupport.h"
#include "platform/ControlEvents.h"

namespace {

using namespace objectbase_test;

class IsaHoldsTest : public ObjectManagerTest {
  protected:
    int holds(const InternalName& x, const InternalName& c, int kind = 1) {
        return om->isaHolds(x, c, kind);
    }
};

TEST_F(IsaHoldsTest, BuiltInClasses) {
    InternalName abc = obj("\"abc\""), three = obj("3"), half = obj("#1.5"), john = obj("john");
    struct Case {
        InternalName x;
        InternalName c;
        int expected;
    };
    const Case cases[] = {
        {abc, builtinObject::String, 1},    {abc, builtinObject::Literal, 1},
        {abc, builtinObject::Numeric, 0},   {abc, builtinObject::Object, 0},
        {three, builtinObject::Numeric, 1}, {three, builtinObject::Literal, 1},
        {half, builtinObject::Numeric, 1},  {three, builtinObject::String, 0},
        {three, builtinObject::Object, 0},  {john, builtinObject::Object, 1},
        {john, builtinObject::Literal, 0},  {john, builtinObject::String, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(holds(c.x, c.c), c.expected) << lex(c.x) << lex(c.c);

    // Without the Web access layer the symbols name ordinary objects; they mean the same.
    InternalName string, object;
    om->getOrCreateName(builtinSymbol::String, string);
    om->getOrCreateName(builtinSymbol::Object, object);
    EXPECT_EQ(holds(abc, string), 1);
    EXPECT_EQ(holds(three, string), 0);
    EXPECT_EQ(holds(john, object), 1);
}

TEST_F(IsaHoldsTest, SubclassWalkEndsInCycles) {
    InternalName a = obj("a"), b = obj("b"), c = obj("c"), d = obj("d"), e = obj("e");
    om->insertIsa(a, b, 1);
    om->insertIsa(b, c, 2);
    om->insertIsa(c, d, 2);
    EXPECT_EQ(holds(a, b), 1);
    EXPECT_EQ(holds(a, d), 1);  // through two subclass steps
    EXPECT_EQ(holds(b, d, 2), 1);
    EXPECT_EQ(holds(a, e), 0);
    EXPECT_EQ(holds(a, b, 2), 0);  // an instance is no subclass
    EXPECT_EQ(holds(d, b, 2), 0);
    // Every name is a subclass of itself, with or without a frame.
    EXPECT_EQ(holds(e, e, 2), 1);
    EXPECT_EQ(holds(b, b, 2), 1);

    // A cycle ends.
    om->insertIsa(d, c, 2);
    EXPECT_EQ(holds(b, e, 2), 0);
    EXPECT_EQ(holds(a, e), 0);
    EXPECT_EQ(holds(a, c), 1);
}

TEST_F(IsaHoldsTest, StringsAndNumbersBelowSuperclassesOfTheirBuiltInClass) {
    // "abc" and 7 have no frame of their own.
    InternalName text = obj("text"), quantity = obj("quantity"), string;
    om->getOrCreateName(builtinSymbol::String, string);
    om->insertIsa(string, text, 2);
    om->insertIsa(builtinObject::Numeric, quantity, 2);
    EXPECT_EQ(holds(obj("\"abc\""), text), 1);
    EXPECT_EQ(holds(obj("7"), quantity), 1);
    EXPECT_EQ(holds(obj("7"), text), 0);
    EXPECT_EQ(holds(obj("john"), text), 0);
}

// Memberships and subclasses asked while the hierarchy grows, each answer against the closure of
// the facts stored so far: a class that nobody lists as superclass is answered from the
// object's own set, and one that gains a subclass later is walked again.
TEST_F(IsaHoldsTest, AnswersFollowTheClosureWhileTheHierarchyGrows) {
    constexpr int names = 9;
    std::vector<InternalName> name;
    std::mt19937 random(72);
    for (int round = 0; round < 20; ++round) {
        om->clear();
        name.clear();
        for (int i = 0; i < names; ++i) name.push_back(obj("n" + std::to_string(i)));
        // direct[k][x]: the classes x is stored with for kind k (1 member, 2 subclass, 3 child).
        std::vector<std::vector<std::set<int>>> direct(4, std::vector<std::set<int>>(names));
        auto reaches = [&](int x, int c, int kind) {
            if (kind == 2 && x == c) return true;
            std::set<int> seen;
            std::vector<int> work(direct[kind][x].begin(), direct[kind][x].end());
            while (!work.empty()) {
                const int d = work.back();
                work.pop_back();
                if (d == c) return true;
                if (!seen.insert(d).second) continue;
                for (int up : direct[2][d]) work.push_back(up);
            }
            return false;
        };
        for (int step = 0; step < 14; ++step) {
            const int kind = 1 + int(random() % 3), x = int(random() % names),
                      c = int(random() % names);
            om->insertIsa(name[x], name[c], kind);
            direct[kind][x].insert(c);
            for (int k = 1; k <= 3; ++k)
                for (int a = 0; a < names; ++a)
                    for (int b = 0; b < names; ++b)
                        ASSERT_EQ(holds(name[a], name[b], k), reaches(a, b, k) ? 1 : 0)
                            << "round " << round << " step " << step << ": n" << a << " n" << b
                            << " kind " << k;
        }
    }
}

TEST_F(IsaHoldsTest, AFarewellCutsTheIndexingOfMembershipsShortAndTheNextWalkFindsThemAll) {
    controlEvents::takeFarewell();
    controlEvents::clearInterrupt();
    controlEvents::takeCutShort();
    const InternalName k = obj("k"), other = obj("other");
    const int count = 50000;
    for (int i = 0; i < count; ++i) om->insertIsa(obj("o" + std::to_string(i)), k, 1);
    om->insertIsa(obj("o0"), other, 1);
    auto members = [&](const InternalName& cls) {
        int met = 0;
        auto walk = Ref<Iterator>::adopt(om->isaIterator(cls, 1, nullptr));
        for (bool more = walk->first(); more; more = walk->next()) ++met;
        return met;
    };

    // The walk asked for while a farewell is pending meets nobody and says it was cut short.
    controlEvents::record(controlEvents::Shutdown);
    EXPECT_EQ(members(k), 0);
    EXPECT_TRUE(controlEvents::takeCutShort());

    // Once the stop has been dealt with, the indexing goes on where it stopped and misses none.
    controlEvents::takeFarewell();
    controlEvents::clearInterrupt();
    EXPECT_EQ(members(k), count);
    EXPECT_EQ(members(other), 1);
    EXPECT_EQ(holds(obj("o49999"), k), 1);
    EXPECT_FALSE(controlEvents::takeCutShort());
}

}  // namespace
