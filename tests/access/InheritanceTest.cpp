// Tests of inheritance inside insertion phases, driven as the evaluator drives them: direct phases
// repeated until no fact is added, buffered phases that fire all triggers at once, and subclass
// cycles that become equalities.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "AccessTestSupport.h"
#include "foundation/OutputChannel.h"

using namespace access_test;

namespace {

class InheritanceTest : public AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        a = object("a");
        b = object("b");
        c = object("c");
        d = object("d");
        m = object("m");
    }

    // A query answered as the evaluator does: direct phases until one adds no fact. The rows of
    // the last phase, sorted; `phases` counts them.
    Rows query(int type, Row pattern) {
        Rows rows;
        phases = 0;
        do {
            EXPECT_EQ(access->beginPhase(0, 0), 1);
            auto it = Ref<Iterator>::adopt(access->lookup(
                MethodType(type), pattern.data(), static_cast<int>(pattern.size()), nullptr));
            rows = drain(it.get());
            it.reset();
            EXPECT_EQ(access->endPhase(), 1);
        } while (access->takeNewFacts() != 0 && ++phases < 100);
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // One buffered phase firing the pattern, as the all-triggers mode does; the facts it added.
    int fireBuffered(int type, Row pattern) {
        EXPECT_EQ(access->beginPhase(1, 0), 1);
        Ref<Iterator>::adopt(access->lookup(MethodType(type), pattern.data(),
                                            static_cast<int>(pattern.size()), nullptr))
            .reset();
        access->endPhase();
        return access->takeNewFacts();
    }
    // The stored values of host.method, outside any phase.
    Rows stored(int type, const InternalName& host) {
        const Row pattern{host, m, Free};
        auto it =
            Ref<Iterator>::adopt(access->makeRefIter(MethodType(type), pattern.data(), 3, nullptr));
        Rows rows = drain(it.get());
        it.reset();
        return rows;
    }
    std::vector<InternalName> members(const InternalName& setName) {
        std::vector<InternalName> names;
        auto it = Ref<Iterator>::adopt(access->setIterator(setName, nullptr));
        for (const Row& row : drain(it.get())) names.push_back(row[0]);
        it.reset();
        return names;
    }

    InternalName a, b, c, d, m;
    int phases = 0;
};

}  // namespace

TEST_F(InheritanceTest, InstancesInheritUnlessTheyHaveTheirOwnValue) {
    access->insertClassRelation(a, c, IsaRelation::Member);
    access->insertClassRelation(b, c, IsaRelation::Member);
    access->insertValue(c, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    access->insertValue(b, m, nullptr, 0, MethodType::Scalar, integer(2));

    EXPECT_EQ(query(0, {a, m, Free}), (Rows{{a, m, integer(1)}}));
    EXPECT_EQ(phases, 1);
    EXPECT_EQ(query(0, {b, m, Free}), (Rows{{b, m, integer(2)}}));
    EXPECT_EQ(phases, 0);
    EXPECT_EQ(stored(0, a), (Rows{{a, m, integer(1)}}));
    EXPECT_EQ(stored(0, b), (Rows{{b, m, integer(2)}}));
}

TEST_F(InheritanceTest, TheMostSpecificClassWinsAndClassesInheritFirst) {
    const InternalName top = object("top");
    access->insertClassRelation(a, c, IsaRelation::Member);
    access->insertClassRelation(c, d, IsaRelation::Subclass);
    access->insertClassRelation(d, top, IsaRelation::Subclass);
    access->insertValue(d, m, nullptr, 0, MethodType::InheritableScalar, integer(2));
    access->insertValue(top, m, nullptr, 0, MethodType::InheritableScalar, integer(3));
    // a finds nothing at c until c has taken d's value (not top's).
    EXPECT_EQ(query(0, {a, m, Free}), (Rows{{a, m, integer(2)}}));
    EXPECT_EQ(stored(3, c), (Rows{{c, m, integer(2)}}));

    // Every instance, with the host free: one inserted fact per direct phase.
    access->insertClassRelation(b, c, IsaRelation::Member);
    EXPECT_EQ(query(0, {Free, m, Free}), (Rows{{a, m, integer(2)}, {b, m, integer(2)}}));
}

TEST_F(InheritanceTest, SetValuesAreInheritedMemberByMember) {
    set<InternalName> values;
    values.insert(integer(1));
    values.insert(integer(2));
    access->insertSet(c, m, nullptr, 0, MethodType::InheritableSet, values);
    access->insertClassRelation(a, c, IsaRelation::Member);
    const Rows rows = query(1, {a, m, Free});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(members(rows[0][2]), (std::vector<InternalName>{integer(1), integer(2)}));
}

TEST_F(InheritanceTest, ABufferedPhaseInsertsOnlyWhenItEnds) {
    access->insertClassRelation(a, c, IsaRelation::Member);
    access->insertClassRelation(b, c, IsaRelation::Member);
    access->insertValue(c, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    const Row pattern{Free, m, Free};

    ASSERT_EQ(access->beginPhase(1, 0), 1);
    auto it = Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, pattern.data(), 3, nullptr));
    EXPECT_TRUE(drain(it.get()).empty());
    it.reset();
    EXPECT_EQ(access->newFacts(), 0);
    // A second phase is refused and keeps the open one's triggers.
    EXPECT_EQ(access->beginPhase(0, 0), 0);
    EXPECT_EQ(access->inheritance().pendingTriggers(), 2);
    EXPECT_TRUE(stored(0, a).empty());

    EXPECT_EQ(access->endPhase(), 1);
    EXPECT_EQ(access->inheritance().pendingTriggers(), 0);
    EXPECT_EQ(access->takeNewFacts(), 2);
    EXPECT_EQ(stored(0, a), (Rows{{a, m, integer(1)}}));
    EXPECT_EQ(stored(0, b), (Rows{{b, m, integer(1)}}));
    EXPECT_EQ(access->endPhase(), 0);

    // Firing again finds nothing left to inherit.
    ASSERT_EQ(access->beginPhase(1, 0), 1);
    it = Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, pattern.data(), 3, nullptr));
    it.reset();
    access->endPhase();
    EXPECT_EQ(access->takeNewFacts(), 0);
}

TEST_F(InheritanceTest, APhaseSetsTracingToItsFlag) {
    ChannelCapture debug(debugChannel());
    StringArgs all{"all"};
    access->methodCall("debugOn", &all);
    ASSERT_EQ(access->beginPhase(0, 0), 1);
    EXPECT_EQ(access->tracing(), 0);
    access->endPhase();

    access->insertClassRelation(a, c, IsaRelation::Member);
    access->insertValue(c, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    debug.clear();
    ASSERT_EQ(access->beginPhase(1, 1), 1);
    EXPECT_EQ(access->tracing(), 1);
    EXPECT_EQ(access->tracingAll(), 0);
    const Row pattern{a, m, Free};
    Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, pattern.data(), 3, nullptr)).reset();
    EXPECT_EQ(debug.text(), "");
    access->endPhase();
    EXPECT_EQ(debug.text(), "\ninsert :   a[m->1]\n");
    EXPECT_EQ(access->tracing(), 0);
}

TEST_F(InheritanceTest, InheritanceDownSubclassChainsAndCyclesEnds) {
    access->insertClassRelation(d, c, IsaRelation::Subclass);
    access->insertClassRelation(c, b, IsaRelation::Subclass);
    access->insertValue(b, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    EXPECT_EQ(query(3, {d, m, Free}), (Rows{{d, m, integer(1)}}));
    EXPECT_EQ(query(3, {Free, m, Free}),
              (Rows{{b, m, integer(1)}, {c, m, integer(1)}, {d, m, integer(1)}}));

    // A cycle that no equality has resolved yet.
    const InternalName x = object("x"), y = object("y");
    om->insertIsa(x, y, 2);
    om->insertIsa(y, x, 2);
    access->insertValue(x, object("n"), nullptr, 0, MethodType::InheritableScalar, integer(5));
    EXPECT_EQ(query(3, {y, object("n"), Free}).size(), 1u);
    EXPECT_LT(phases, 100);
}

TEST_F(InheritanceTest, ClosingASubclassCycleRecordsEqualities) {
    access->insertClassRelation(b, c, IsaRelation::Subclass);
    access->insertClassRelation(c, a, IsaRelation::Subclass);
    EXPECT_EQ(access->insertClassRelation(a, b, IsaRelation::Subclass), 1);
    auto it = Ref<Iterator>::adopt(access->makeIsaIter(a, b, IsaRelation::Subclass, nullptr));
    EXPECT_FALSE(it->first());  // not stored
    it.reset();
    // The equalities are recorded once; applied, the three classes are one.
    EXPECT_EQ(access->insertClassRelation(a, b, IsaRelation::Subclass), 0);
    EXPECT_NE(access->applyEqualities(), 0);
    auto names = Ref<Iterator>::adopt(access->objNamesIterator(nullptr));
    const Rows objects = drain(names.get());
    names.reset();
    int left = 0;
    for (const InternalName& x : {a, b, c})
        left += static_cast<int>(std::count(objects.begin(), objects.end(), Row{x}));
    EXPECT_EQ(left, 1);
    // A subclass fact that closes no cycle is stored.
    EXPECT_EQ(access->insertClassRelation(d, object("e"), IsaRelation::Subclass), 1);
}

TEST_F(InheritanceTest, HostsOfOneFiringKeepTheirOwnMostSpecificClasses) {
    // One buffered phase over hosts whose class sets differ and overlap.
    const InternalName special = object("special");
    access->insertClassRelation(special, c, IsaRelation::Subclass);
    access->insertValue(c, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    access->insertValue(special, m, nullptr, 0, MethodType::InheritableScalar, integer(2));
    access->insertClassRelation(a, c, IsaRelation::Member);
    access->insertClassRelation(b, c, IsaRelation::Member);
    access->insertClassRelation(b, special, IsaRelation::Member);
    access->insertClassRelation(d, special, IsaRelation::Member);
    const Row pattern{Free, m, Free};
    ASSERT_EQ(access->beginPhase(1, 0), 1);
    Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, pattern.data(), 3, nullptr)).reset();
    access->endPhase();
    EXPECT_EQ(access->takeNewFacts(), 3);
    EXPECT_EQ(stored(0, a), (Rows{{a, m, integer(1)}}));
    EXPECT_EQ(stored(0, b), (Rows{{b, m, integer(2)}}));
    EXPECT_EQ(stored(0, d), (Rows{{d, m, integer(2)}}));
}

TEST_F(InheritanceTest, ABufferedPhaseGivesAConflictingHostTheValueADirectPhaseGives) {
    // a is below c and d, which do not override each other: it takes c's value (c is first in
    // name order), never both.
    access->insertClassRelation(a, c, IsaRelation::Member);
    access->insertClassRelation(a, d, IsaRelation::Member);
    access->insertValue(c, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    access->insertValue(d, m, nullptr, 0, MethodType::InheritableScalar, integer(2));
    EXPECT_EQ(fireBuffered(0, {Free, m, Free}), 1);
    EXPECT_EQ(stored(0, a), (Rows{{a, m, integer(1)}}));
    EXPECT_EQ(access->applyEqualities(), 0);
}

TEST_F(InheritanceTest, ABufferedPhaseLetsAHostWaitForItsFirstClassToInherit) {
    // c (first) has its value only from top, d its own: a direct phase gives a c's value once c
    // holds it, and so does a run of buffered phases.
    const InternalName top = object("top");
    access->insertClassRelation(c, top, IsaRelation::Subclass);
    access->insertClassRelation(a, c, IsaRelation::Member);
    access->insertClassRelation(a, d, IsaRelation::Member);
    access->insertValue(top, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    access->insertValue(d, m, nullptr, 0, MethodType::InheritableScalar, integer(2));
    int phasesRun = 0;
    while (fireBuffered(0, {Free, m, Free}) != 0 && ++phasesRun < 10) {
    }
    EXPECT_EQ(stored(0, a), (Rows{{a, m, integer(1)}}));
    EXPECT_EQ(query(0, {a, m, Free}), (Rows{{a, m, integer(1)}}));
}

TEST_F(InheritanceTest, AFullPhaseStoresEverythingALookupInheritsAndAnswersIt) {
    const InternalName top = object("top");
    access->insertClassRelation(c, top, IsaRelation::Subclass);
    access->insertClassRelation(a, c, IsaRelation::Member);
    access->insertClassRelation(b, c, IsaRelation::Member);
    access->insertValue(top, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    const Row pattern{Free, m, Free};
    ASSERT_EQ(access->beginFullPhase(0), 1);
    auto it = Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, pattern.data(), 3, nullptr));
    Rows rows = drain(it.get());
    it.reset();
    access->endPhase();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (Rows{{a, m, integer(1)}, {b, m, integer(1)}}));
    // c's value on the way, and the two instances' values.
    EXPECT_EQ(access->takeNewFacts(), 3);
    EXPECT_EQ(stored(3, c), (Rows{{c, m, integer(1)}}));
}
