// The object frames taken at once come in the order of the names iterator, each with the frame
// a lookup of its name finds, over names of every kind made in random order; the cache hints a
// walk over them gives change nothing, whatever walk they are given.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "objectbase/MainMemFrames.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"

namespace {

using namespace objectbase_test;

class ObjFramesInOrderTest : public ObjectManagerTest {
  protected:
    // The names iterator's names, each with the frame a lookup finds.
    std::vector<std::pair<InternalName, const MainMemObjFrame*>> walkedByNames() {
        std::vector<std::pair<InternalName, const MainMemObjFrame*>> walked;
        for (const auto& row : drain(om->objNamesIterator(nullptr), 1))
            walked.emplace_back(row[0], om->getObjFrame(row[0]));
        return walked;
    }
    void expectSameWalk() {
        std::vector<std::pair<InternalName, const MainMemObjFrame*>> taken;
        om->objFramesInOrder(taken);
        const auto walked = walkedByNames();
        EXPECT_EQ(taken, walked);
        EXPECT_TRUE(std::none_of(walked.begin(), walked.end(),
                                 [](const auto& each) { return each.second == nullptr; }));
    }
};

TEST_F(ObjFramesInOrderTest, EmptyBase) {
    expectSameWalk();
}

// Objects, strings, integers, floats and function terms as hosts, made in random order so
// that frames are made out of the order of their names and some names share a number.
TEST_F(ObjFramesInOrderTest, NamesOfEveryKindMadeInRandomOrder) {
    std::mt19937 random(7);
    const InternalName cls = obj("cls");
    const InternalName method = obj("m");
    std::vector<InternalName> hosts;
    for (int i = 0; i < 300; ++i) hosts.push_back(obj("o" + std::to_string(i)));
    for (int i = 0; i < 300; i += 7) {
        InternalName text;
        hosts.push_back(om->internName(text, "text " + std::to_string(i), 0));
    }
    for (int i = -20; i < 2000; i += 13) hosts.push_back(num(i));
    for (int i = 0; i < 40; ++i) hosts.push_back(InternalName(i * 3, InternalName::Float, 0));
    for (int i = 0; i < 60; ++i) hosts.push_back(InternalName(i, InternalName::Function, 1));
    std::shuffle(hosts.begin(), hosts.end(), random);
    for (std::size_t at = 0; at < hosts.size(); ++at) {
        if (at % 3 == 0)
            om->insertIsa(hosts[at], cls, 1);
        else
            om->insertMethodValue(hosts[at], method, nullptr, 0, 0, num(int(at)));
        if (at % 100 == 0) expectSameWalk();
    }
    expectSameWalk();
}

// Hints for a walk over frames with sets, parameter rows and class sets, in order, out of
// order, for names the walk lacks, for another list and for the walk after the base is
// emptied: the frames and their values stay as they were.
TEST_F(ObjFramesInOrderTest, HintsForAWalkChangeNothing) {
    const InternalName cls = obj("cls");
    const InternalName kids = obj("kids");
    const InternalName rank = obj("rank");
    std::vector<InternalName> hosts;
    for (int i = 0; i < 200; ++i) hosts.push_back(obj("o" + std::to_string(i)));
    for (std::size_t at = 0; at < hosts.size(); ++at) {
        om->insertIsa(hosts[at], at % 2 == 0 ? cls : obj("c" + std::to_string(at)), 1);
        set<InternalName> values;
        values.insert(hosts[(at * 7 + 1) % hosts.size()]);
        values.insert(hosts[(at * 13 + 2) % hosts.size()]);
        om->insertSetMember(hosts[at], kids, nullptr, 0, 1, values);
        const InternalName args[] = {hosts[at]};
        om->insertMethodValue(hosts[at], rank, args, 1, 0, num(int(at)));
    }
    std::vector<std::pair<InternalName, const MainMemObjFrame*>> taken;
    om->objFramesInOrder(taken);
    const auto before = walkedByNames();
    ASSERT_EQ(taken, before);
    for (const auto& [name, frame] : taken) om->prefetchFramesOf(taken, name);
    // A walk that told the last object gave the plan back: the walk is taken again.
    om->objFramesInOrder(taken);
    for (auto each = taken.rbegin(); each != taken.rend(); ++each)
        om->prefetchFramesOf(taken, each->first);
    om->prefetchFramesOf(taken, obj("none"));
    std::vector<std::pair<InternalName, const MainMemObjFrame*>> other(taken.begin(),
                                                                       taken.begin() + 10);
    for (const auto& [name, frame] : other) om->prefetchFramesOf(other, name);
    EXPECT_EQ(walkedByNames(), before);
    for (std::size_t at = 0; at < hosts.size(); ++at) {
        InternalName value;
        const InternalName args[] = {hosts[at]};
        ASSERT_EQ(om->lookupMethodValue(hosts[at], rank, args, 1, 0, value), 1);
        EXPECT_EQ(value, num(int(at)));
    }
    om->clear();
    for (const auto& [name, frame] : taken) om->prefetchFramesOf(taken, name);
    expectSameWalk();
}

}  // namespace
