// The object frames taken at once come in the order of the names iterator, each with the frame
// a lookup of its name finds, over names of every kind made in random order.
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

}  // namespace
