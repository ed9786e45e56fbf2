// A frame walk meets the objects in the order of the names iterator, each with the frame a lookup
// of its name finds, over names of every kind made in random order; a walk by entry types meets
// exactly the hosts of such entries; visiting a walk that reads ahead changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "objectbase/FrameWalk.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"

namespace {

using namespace objectbase_test;

class FrameWalkTest : public ObjectManagerTest {
  protected:
    // The names iterator's names, each with the frame a lookup finds.
    std::vector<std::pair<InternalName, ObjectFrameView>> walkedByNames() {
        std::vector<std::pair<InternalName, ObjectFrameView>> walked;
        for (const auto& row : drain(om->objNamesIterator(nullptr), 1))
            walked.emplace_back(row[0], om->objectFrameOf(row[0]));
        return walked;
    }
    static std::vector<std::pair<InternalName, ObjectFrameView>> stepsOf(const FrameWalk& walk) {
        return {walk.begin(), walk.end()};
    }
    void expectSameWalk() {
        const auto walked = walkedByNames();
        EXPECT_EQ(stepsOf(om->walkFrames(FrameFilter::everyObject())), walked);
        EXPECT_EQ(stepsOf(om->walkFrames(FrameFilter::everyObject().readingAhead())), walked);
        // The hosts of entries of types 0 to 2, and of type 1 alone: those of the full walk
        // whose frames hold one.
        for (const auto& [lowest, highest] : {std::pair{0, 2}, std::pair{1, 1}}) {
            std::vector<std::pair<InternalName, ObjectFrameView>> hosts;
            for (const auto& each : walked) {
                bool holds = false;
                for (const MethodSlot& slot : each.second.entries())
                    holds = holds || (slot.type() >= lowest && slot.type() <= highest);
                if (holds) hosts.push_back(each);
            }
            EXPECT_EQ(stepsOf(om->walkFrames(FrameFilter::hostsOfEntryTypes(lowest, highest))),
                      hosts);
        }
        EXPECT_TRUE(std::none_of(walked.begin(), walked.end(),
                                 [](const auto& each) { return !each.second; }));
    }
};

TEST_F(FrameWalkTest, EmptyBase) {
    expectSameWalk();
}

// Objects, strings, integers, floats and function terms as hosts, made in random order so
// that frames are made out of the order of their names and some names share a number.
TEST_F(FrameWalkTest, NamesOfEveryKindMadeInRandomOrder) {
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

// Visits of a walk that reads ahead, over frames with sets, parameter rows and class sets, in
// order, out of order, past the end of the plan, after a truncation and for the walk after the
// base is emptied: the frames and their values stay as they were, and the sets and rows the
// walk finds in place are those the lookups find.
TEST_F(FrameWalkTest, VisitsChangeNothing) {
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
        InternalName text;
        om->insertMethodValue(hosts[at], obj("name"), nullptr, 0, 0,
                              om->internName(text, "\"text " + std::to_string(at) + "\"", 1));
    }
    const auto before = walkedByNames();
    {
        FrameWalk walk = om->walkFrames(FrameFilter::everyObject().readingAhead());
        ASSERT_TRUE(walk.readsInPlace());
        ASSERT_EQ(stepsOf(walk), before);
        for (std::size_t place = 0; place < walk.size(); ++place) {
            const auto& [name, frame] = walk.visit(place);
            EXPECT_EQ(name, before[place].first);
            const InternalName classes = frame.setNameOf(IsaRelation::Member);
            EXPECT_TRUE(walk.findSet(classes) == om->setFrameOf(classes));
            // What the object leads to, found ahead, is what lookups of the names find.
            FrameWalk::Leads leads;
            walk.findLeads(place, leads);
            EXPECT_TRUE(leads.classes == om->setFrameOf(classes));
            EXPECT_EQ(leads.entriesKnown, frame.entries().size() <= FrameWalk::Leads::Entries);
            std::size_t at = 0;
            for (const MethodSlot& slot : frame.entries()) {
                const InternalName value = slot.value();
                if (value.getType() == InternalName::SetName) {
                    EXPECT_TRUE(walk.findSet(value) == om->setFrameOf(value));
                    if (leads.entriesKnown) {
                        EXPECT_TRUE(leads.sets[at] == om->setFrameOf(value));
                    }
                }
                if (value.getType() == InternalName::ParamFrame) {
                    EXPECT_TRUE(walk.findRows(value) == om->paramFrameOf(value));
                    if (leads.entriesKnown) {
                        EXPECT_TRUE(leads.rows[at] == om->paramFrameOf(value));
                    }
                }
                ++at;
            }
        }
        // The plan was given back: further visits load nothing and change nothing.
        for (std::size_t place = walk.size(); place-- > 0;) walk.visit(place);
    }
    {
        FrameWalk walk = om->walkFrames(FrameFilter::everyObject().readingAhead());
        for (std::size_t place = walk.size(); place-- > 0;) walk.visit(place);
        walk.truncate(10);
        ASSERT_EQ(walk.size(), 10u);
        for (std::size_t place = 0; place < walk.size(); ++place) walk.visit(place);
        walk.clear();
        EXPECT_FALSE(walk.readsInPlace());
        EXPECT_TRUE(walk.empty());
    }
    EXPECT_EQ(walkedByNames(), before);
    for (std::size_t at = 0; at < hosts.size(); ++at) {
        InternalName value;
        const InternalName args[] = {hosts[at]};
        ASSERT_EQ(om->lookupMethodValue(hosts[at], rank, args, 1, 0, value), 1);
        EXPECT_EQ(value, num(int(at)));
    }
    om->clear();
    expectSameWalk();
}

// A walk built by hand is a plain list: it reads nothing in place and visits load nothing.
TEST_F(FrameWalkTest, WalkBuiltByHand) {
    const InternalName host = obj("o");
    om->insertMethodValue(host, obj("m"), nullptr, 0, 0, num(1));
    FrameWalk walk;
    walk.append(host, om->objectFrameOf(host));
    EXPECT_FALSE(walk.readsInPlace());
    ASSERT_EQ(walk.size(), 1u);
    EXPECT_EQ(walk.visit(0).first, host);
    EXPECT_TRUE(walk.visit(0).second == om->objectFrameOf(host));
}

}  // namespace
