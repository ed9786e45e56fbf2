// The staged facts of an import reach the access layer in the order staged, a fresh child as one
// fact, whether alone or in a run of siblings, and a stop at a poll stores exactly the facts
// staged before it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "foundation/Ref.h"
#include "xml/StagedFacts.h"

namespace {

InternalName named(int number) {
    return InternalName(number, InternalName::Object, 0);
}

// An access layer that stores nothing and writes every fact it is given as one line, a run of
// fresh children as a line for each child.
class LineAccess : public OMAccess {
  public:
    int insertValue(const InternalName& host, const InternalName& method, const InternalName*, int,
                    MethodType type, const InternalName& value) override {
        lines.push_back("value " + text(host) + " " + text(method) + " " +
                        std::to_string(int(type)) + " " + text(value));
        return 1;
    }
    int insertClassRelation(const InternalName& object, const InternalName& cls,
                            IsaRelation kind) override {
        lines.push_back("isa " + text(object) + " " + text(cls) + " " + std::to_string(int(kind)));
        return 1;
    }
    int insertFreshChild(const InternalName& object, const InternalName& cls,
                         const InternalName& host, const InternalName& method,
                         MethodType type) override {
        lines.push_back(childLine(object, cls, host, method, type));
        return 1;
    }
    int insertFreshChildren(const InternalName& host, const InternalName& method, MethodType type,
                            std::span<const FreshChild> children) override {
        ++runs;
        for (const FreshChild& child : children)
            lines.push_back(childLine(child.object, child.cls, host, method, type));
        return 1;
    }

    // Each fact of the element through this layer's own inserts, and a line of its own.
    int insertFreshElement(const FreshElement& element) override {
        lines.push_back("element " + text(element.object) + " " +
                        std::to_string(element.values.size()));
        return insertFreshElementApart(element);
    }

    static std::string text(const InternalName& name) { return std::to_string(name.getValue()); }
    static std::string childLine(const InternalName& object, const InternalName& cls,
                                 const InternalName& host, const InternalName& method,
                                 MethodType type) {
        return "child " + text(object) + " " + text(cls) + " " + text(host) + " " + text(method) +
               " " + std::to_string(int(type));
    }

    std::vector<std::string> lines;
    int runs = 0;
};

class StagedFactsTest : public ::testing::Test {
  protected:
    StagedFactsTest() : access(Ref<LineAccess>::adopt(new LineAccess())) {}

    // Stages a fresh child and the line the commit should give for it.
    void child(int object, int cls, int host, int method, int type) {
        staged.freshChild(named(object), named(cls), named(host), named(method), type);
        expected.push_back(LineAccess::childLine(named(object), named(cls), named(host),
                                                 named(method), MethodType(type)));
    }
    void value(int host, int method, int type, int member) {
        staged.value(named(host), named(method), nullptr, 0, type, named(member));
        expected.push_back("value " + std::to_string(host) + " " + std::to_string(method) + " " +
                           std::to_string(type) + " " + std::to_string(member));
    }
    void isa(int object, int cls, int kind) {
        staged.classRelation(named(object), named(cls), kind);
        expected.push_back("isa " + std::to_string(object) + " " + std::to_string(cls) + " " +
                           std::to_string(kind));
    }

    Ref<LineAccess> access;
    StagedFacts staged;
    std::vector<std::string> expected;
};

TEST_F(StagedFactsTest, FactsAndRunsOfFreshChildrenAreStoredInTheOrderStaged) {
    // Runs end at another fact, another host, method or type; a run of one is a run too.
    value(1, 2, 0, 3);
    for (int i = 0; i < 5; ++i) child(100 + i, 10, 1, 10, 1);
    isa(50, 51, 2);
    for (int i = 0; i < 3; ++i) child(200 + i, 11, 1, 10, 1);
    child(300, 10, 2, 10, 1);
    child(301, 10, 2, 11, 1);
    child(302, 10, 2, 11, 2);
    child(303, 12, 2, 11, 2);
    value(2, 11, 1, 303);
    child(304, 12, 2, 11, 2);
    EXPECT_EQ(staged.size(), expected.size());
    EXPECT_TRUE(staged.commit(*access));
    EXPECT_EQ(access->lines, expected);
    EXPECT_EQ(staged.size(), 0u);
    // Forgotten once stored.
    access->lines.clear();
    EXPECT_TRUE(staged.commit(*access));
    EXPECT_TRUE(access->lines.empty());
}

TEST_F(StagedFactsTest, AFreshElementTakesItsOwnValuesOfOneTypeStagedRightAfterIt) {
    // The element's link to its text, the text's child relation, its class, link and child
    // relation, then the values of the element without arguments of the type of the first,
    // as long as nothing else comes in between and there are at most maxOwnValues.
    auto element = [&](int object, int cls, int host, int text, std::size_t own) {
        staged.freshElement(named(object), named(cls), named(host), named(cls), 1, named(7), 1,
                            named(text));
        expected.push_back("element " + std::to_string(object) + " " + std::to_string(own));
        expected.push_back("value " + std::to_string(object) + " 7 1 " + std::to_string(text));
        expected.push_back("isa " + std::to_string(text) + " " + std::to_string(object) + " 3");
        expected.push_back(LineAccess::childLine(named(object), named(cls), named(host), named(cls),
                                                 MethodType(1)));
    };
    element(100, 10, 1, 500, 2);
    value(100, 20, 2, 600);
    value(100, 21, 2, 601);
    element(101, 10, 1, 501, 1);
    value(101, 20, 2, 602);
    value(101, 21, 1, 603);  // another type: a fact of its own
    value(101, 22, 2, 604);
    element(102, 10, 1, 502, 0);
    value(1, 20, 2, 605);  // another host
    element(103, 10, 1, 503, 0);
    isa(103, 11, 1);
    value(103, 20, 2, 606);
    element(104, 10, 1, 504, std::size_t(StagedFacts::maxOwnValues));
    for (int i = 0; i < StagedFacts::maxOwnValues + 2; ++i) value(104, 30 + i, 2, 700 + i);
    // Without a text: its class, link and child relation, and its own values.
    const InternalName none = InternalName::UndefinedObject;
    staged.freshElement(named(105), named(10), named(1), named(10), 1, none, 1, none);
    expected.push_back("element 105 1");
    expected.push_back(
        LineAccess::childLine(named(105), named(10), named(1), named(10), MethodType(1)));
    value(105, 20, 2, 800);
    for (int i = 0; i < 3; ++i) child(200 + i, 10, 1, 10, 1);
    // Three facts an element with a text, one without, their own values, the seven values and
    // relations apart, the run.
    EXPECT_EQ(staged.size(), std::size_t(5 * 3 + 1 + 3 + StagedFacts::maxOwnValues + 1 + 7 + 3));
    EXPECT_TRUE(staged.commit(*access));
    EXPECT_EQ(access->lines, expected);
    EXPECT_EQ(staged.size(), 0u);
}

TEST_F(StagedFactsTest, ALongRunGoesToTheAccessLayerInPiecesInOrder) {
    // Longer than a block of children and than a poll's worth of facts.
    for (int i = 0; i < 10000; ++i) child(1000 + i, 10 + i % 3, 1, 10, 1);
    int polls = 0;
    EXPECT_TRUE(staged.commit(*access, [&polls] {
        ++polls;
        return false;
    }));
    EXPECT_EQ(access->lines, expected);
    EXPECT_EQ(polls, int(10000 / StagedFacts::commitPollEvery));
    EXPECT_GT(access->runs, 0);
    EXPECT_LT(access->runs, 30);
}

TEST_F(StagedFactsTest, AStopStoresExactlyTheFactsBeforeItsPoll) {
    // The stop is asked before every commitPollEvery-th fact, inside a run or between facts;
    // the facts after it are forgotten.
    const std::size_t every = StagedFacts::commitPollEvery;
    for (int stopAt : {1, 2, 3}) {
        expected.clear();
        access->lines.clear();
        for (int i = 0; i < 500; ++i) value(1, 2, 1, 3000 + i);
        for (int i = 0; i < 2000; ++i) child(10000 + i, 10, 1, 10, 1);
        for (int i = 0; i < 200; ++i) value(1, 2, 1, 5000 + i);
        for (int i = 0; i < 1000; ++i) child(20000 + i, 10, 2, 10, 1);
        int polls = 0;
        EXPECT_FALSE(staged.commit(*access, [&] { return ++polls == stopAt; }));
        EXPECT_EQ(polls, stopAt);
        expected.resize(std::size_t(stopAt) * every - 1);
        EXPECT_EQ(access->lines, expected) << "stop at poll " << stopAt;
        EXPECT_EQ(staged.size(), 0u);
    }
}

}  // namespace
