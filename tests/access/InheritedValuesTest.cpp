// Tests of defeasible inherited values: the record of what inheritance stored, own values that
// come later (facts, rule heads, merged frames) replacing inherited ones without any equality,
// and phases that leave some methods for later.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>

#include "AccessTestSupport.h"

using namespace access_test;

namespace {

class InheritedValuesTest : public AccessTest {
  protected:
    void SetUp() override {
        AccessTest::SetUp();
        makeNames();
    }
    // The names in a fixed order: a base emptied and filled again in the same order hands out
    // the same identifiers.
    void makeNames() {
        cls = object("cls");
        x = object("x");
        y = object("y");
        m = object("m");
        k = object("k");
        v1 = object("v1");
        v2 = object("v2");
        p = object("p");
        q = object("q");
        access->insertClassRelation(x, cls, IsaRelation::Member);
    }

    // Direct phases over the pattern until one adds no fact, as a query is answered.
    void inherit(int type, Row pattern) {
        int rounds = 0;
        do {
            access->beginPhase(0, 0);
            Ref<Iterator>::adopt(access->lookup(MethodType(type), pattern.data(),
                                                static_cast<int>(pattern.size()), nullptr))
                .reset();
            access->endPhase();
        } while (access->takeNewFacts() != 0 && ++rounds < 100);
    }
    // The stored values of host.method@(args), outside any phase, sorted.
    Row stored(int type, const InternalName& host, const InternalName& method, Row args = {}) {
        Row pattern{host, method};
        pattern.insert(pattern.end(), args.begin(), args.end());
        pattern.push_back(Free);
        auto it = Ref<Iterator>::adopt(access->makeRefIter(
            MethodType(type), pattern.data(), static_cast<int>(pattern.size()), nullptr));
        Row values;
        for (const Row& row : drain(it.get())) {
            if (row.back().getType() != InternalName::SetName) {
                values.push_back(row.back());
                continue;
            }
            // A set-valued entry read without a member answers its set.
            auto members = Ref<Iterator>::adopt(access->setIterator(row.back(), nullptr));
            for (const Row& member : drain(members.get())) values.push_back(member[0]);
        }
        it.reset();
        std::sort(values.begin(), values.end());
        return values;
    }
    InternalName cls, x, y, m, k, v1, v2, p, q;
};

}  // namespace

TEST_F(InheritedValuesTest, TheRecordRenamesHostsMethodsArgumentsAndValues) {
    InheritedValues record;
    record.add(x, {0, m, {k}}, v1);
    record.add(y, {0, m, {k}}, v2);
    record.add(y, {1, k, {}}, x);
    EXPECT_EQ(record.size(), 3u);
    record.rename(x, y);
    // x's slot joins y's: both values are y's now, and the member x is y.
    ASSERT_NE(record.find(y, {0, m, {k}}), nullptr);
    EXPECT_EQ(record.find(y, {0, m, {k}})->size(), 2u);
    EXPECT_EQ(*record.find(y, {1, k, {}}), Row{y});
    EXPECT_EQ(record.ofHost(x), nullptr);
    record.rename(k, m);
    EXPECT_NE(record.find(y, {0, m, {m}}), nullptr);
    EXPECT_NE(record.find(y, {1, m, {}}), nullptr);
    record.forget(y, {0, m, {m}}, v1);
    EXPECT_EQ(*record.find(y, {0, m, {m}}), Row{v2});
    record.forget(y, {0, m, {m}});
    EXPECT_EQ(record.find(y, {0, m, {m}}), nullptr);
}

TEST_F(InheritedValuesTest, AnOwnScalarValueThatComesLaterReplacesTheInheritedOne) {
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{v1});
    ASSERT_NE(access->inheritance().inherited().find(x, {0, m, {}}), nullptr);

    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, v2);
    EXPECT_EQ(stored(0, x, m), Row{v2});
    EXPECT_TRUE(access->inheritance().inherited().empty());
    EXPECT_EQ(access->inheritance().withdrawnValues(), 1);
    // Nothing was equated: v1 and v2 stay two objects.
    EXPECT_EQ(access->applyEqualities(), 0);
    EXPECT_EQ(om->equalityHistoryTable().size(), 0);
    // The own value stands: the next phase inherits nothing.
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{v2});
}

TEST_F(InheritedValuesTest, NumbersGiveWayWithoutAnInvalidEquality) {
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    inherit(0, {x, m, Free});
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, integer(2));
    EXPECT_EQ(stored(0, x, m), Row{integer(2)});
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(InheritedValuesTest, AnOwnValueEqualToTheInheritedOneMakesItOwn) {
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, v1);
    EXPECT_EQ(stored(0, x, m), Row{v1});
    EXPECT_TRUE(access->inheritance().inherited().empty());
    EXPECT_EQ(access->inheritance().withdrawnValues(), 0);
}

TEST_F(InheritedValuesTest, AnOwnMemberTakesThePlaceOfEveryInheritedMember) {
    access->insertSet(cls, m, nullptr, 0, MethodType::InheritableSet, [&] {
        set<InternalName> members;
        members.insert(p);
        members.insert(v1);
        return members;
    }());
    inherit(1, {x, m, Free});
    Row inherited{p, v1};
    std::sort(inherited.begin(), inherited.end());
    EXPECT_EQ(stored(1, x, m), inherited);

    // A rule head's member: v1 was inherited too and stays, now as own; p goes.
    const std::unique_ptr<HeadWriter> head =
        access->openHeadWriter(HeadRelation::ofMethod(MethodType::Set, 0, 1));
    const InternalName first[] = {x, m, v1};
    const InternalName second[] = {x, m, q};
    EXPECT_FALSE(head->holds(first));
    head->insert(first);
    head->insert(second);
    Row expected{v1, q};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(stored(1, x, m), expected);
    EXPECT_TRUE(access->inheritance().inherited().empty());
}

TEST_F(InheritedValuesTest, ValuesWithArgumentsGiveWayPerArgumentList) {
    access->insertValue(cls, m, &k, 1, MethodType::InheritableScalar, v1);
    access->insertValue(cls, m, &p, 1, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, k, Free});
    inherit(0, {x, m, p, Free});
    EXPECT_EQ(stored(0, x, m, {k}), Row{v1});
    access->insertValue(x, m, &k, 1, MethodType::Scalar, v2);
    EXPECT_EQ(stored(0, x, m, {k}), Row{v2});
    EXPECT_EQ(stored(0, x, m, {p}), Row{v1});
    EXPECT_EQ(access->applyEqualities(), 0);

    set<InternalName> members;
    members.insert(q);
    access->insertSet(cls, k, &m, 1, MethodType::InheritableSet, members);
    inherit(1, {x, k, m, Free});
    EXPECT_EQ(stored(1, x, k, {m}), Row{q});
    set<InternalName> own;
    own.insert(p);
    access->insertSet(x, k, &m, 1, MethodType::Set, own);
    EXPECT_EQ(stored(1, x, k, {m}), Row{p});
}

TEST_F(InheritedValuesTest, MergingAnInheritedValueWithAnOwnOneKeepsTheOwnOne) {
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    access->insertValue(y, m, nullptr, 0, MethodType::Scalar, v2);
    access->insertValue(v1, k, nullptr, 0, MethodType::Scalar, p);
    access->insertValue(v2, k, nullptr, 0, MethodType::Scalar, q);
    inherit(0, {x, m, Free});
    int recorded = 0;
    access->equate(x, y, recorded);
    ASSERT_EQ(recorded, 1);
    EXPECT_EQ(access->applyEqualities(), 1);
    // Only x and y are one object; v1 and v2 (and their values) stay apart.
    EXPECT_EQ(om->equalityHistoryTable().size(), 1);
    const InternalName rep = x < y ? x : y;
    EXPECT_EQ(stored(0, rep, m), Row{v2});
    EXPECT_EQ(stored(0, v1, k), Row{p});
    EXPECT_EQ(stored(0, v2, k), Row{q});
    EXPECT_TRUE(access->inheritance().inherited().empty());
}

TEST_F(InheritedValuesTest, AMergedObjectKeepsWhatItInheritedWhereTheOtherHasNothing) {
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    int recorded = 0;
    access->equate(y, x, recorded);
    access->applyEqualities();
    const InternalName rep = x < y ? x : y;
    EXPECT_EQ(stored(0, rep, m), Row{v1});
    // Still inherited, under the name that stands for both.
    EXPECT_NE(access->inheritance().inherited().find(rep, {0, m, {}}), nullptr);
    access->insertValue(rep, m, nullptr, 0, MethodType::Scalar, v2);
    EXPECT_EQ(stored(0, rep, m), Row{v2});
}

TEST_F(InheritedValuesTest, APhaseLeavesDeferredMethodsAlone) {
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    access->insertValue(cls, k, nullptr, 0, MethodType::InheritableScalar, v2);
    const std::set<InternalName> later{m};
    access->beginPhase(0, 0);
    access->inheritance().deferMethods(&later);
    Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, Row{x, m, Free}.data(), 3, nullptr))
        .reset();
    Ref<Iterator>::adopt(access->lookup(MethodType::Scalar, Row{x, k, Free}.data(), 3, nullptr))
        .reset();
    access->endPhase();
    EXPECT_EQ(access->takeNewFacts(), 1);
    EXPECT_EQ(stored(0, x, m), Row{});
    EXPECT_EQ(stored(0, x, k), Row{v2});
    // Ending the phase ends the deferral.
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{v1});
}

TEST_F(InheritedValuesTest, OnlyTheEarliestRoundsConflictsAreTaken) {
    InheritedValues record;
    record.noteConflict(y, {0, m, {}}, 7);
    record.noteConflict(x, {0, m, {}}, 5);
    record.noteConflict(x, {1, k, {p}}, 5);
    ASSERT_TRUE(record.conflictsPending());
    // A later round may have built on a value that had to go: only round 5 counts.
    const auto taken = record.takeEarliestConflicts();
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].host, x);
    EXPECT_EQ(taken[1].slot.args, Row{p});
    EXPECT_EQ(taken[0].from, Free);
    EXPECT_FALSE(record.conflictsPending());
    record.noteConflict(x, {0, m, {}}, 9);
    record.clear();
    EXPECT_FALSE(record.conflictsPending());
}

TEST_F(InheritedValuesTest, AnOwnValueReplacingAnInheritedOneIsAConflictAndTheSlotStaysBlocked) {
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    access->insertValue(cls, k, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    inherit(0, {x, k, Free});
    EXPECT_FALSE(access->inheritance().conflictsPending());
    // An own value equal to the inherited one takes nothing away.
    access->insertValue(x, k, nullptr, 0, MethodType::Scalar, v1);
    EXPECT_FALSE(access->inheritance().conflictsPending());
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, v2);
    ASSERT_TRUE(access->inheritance().conflictsPending());
    EXPECT_EQ(access->inheritance().blockEarliestConflicts(), 1u);
    EXPECT_TRUE(access->inheritance().isBlocked(x, 0, m, nullptr, 0));
    EXPECT_FALSE(access->inheritance().isBlocked(x, 0, k, nullptr, 0));
    EXPECT_FALSE(access->inheritance().isBlocked(y, 0, m, nullptr, 0));
    // Emptied to evaluate again: the facts come again, x inherits nothing for m, even where
    // the names are numbered otherwise.
    access->inheritance().clearKeepingBlockings();
    object("first");
    makeNames();
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{});
    // A plain clear forgets the blocking.
    access->clear();
    makeNames();
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{v1});
}

TEST_F(InheritedValuesTest, AMoreSpecificClassThatComesLaterReplacesTheInheritedValue) {
    const InternalName sub = object("sub");
    const InternalName same = object("same");
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    access->insertValue(cls, k, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    inherit(0, {x, k, Free});
    ASSERT_EQ(stored(0, x, m), Row{v1});
    // A class below with the same value changes nothing that was read.
    access->insertClassRelation(same, cls, IsaRelation::Subclass);
    access->insertValue(same, m, nullptr, 0, MethodType::InheritableScalar, v1);
    access->insertClassRelation(x, same, IsaRelation::Member);
    inherit(0, {x, m, Free});
    EXPECT_FALSE(access->inheritance().conflictsPending());
    // One with another value: the value goes, a conflict that blocks the class it came from
    // (the one recorded: the class with the same value changed nothing that was read).
    access->insertClassRelation(sub, same, IsaRelation::Subclass);
    access->insertValue(sub, m, nullptr, 0, MethodType::InheritableScalar, v2);
    access->insertClassRelation(x, sub, IsaRelation::Member);
    inherit(0, {x, m, Free});
    inherit(0, {x, k, Free});
    EXPECT_EQ(stored(0, x, m), Row{v2});
    EXPECT_EQ(stored(0, x, k), Row{v1});
    ASSERT_TRUE(access->inheritance().conflictsPending());
    EXPECT_EQ(access->inheritance().blockEarliestConflicts(), 1u);
    EXPECT_TRUE(access->inheritance().isBlocked(x, 0, m, nullptr, 0, cls));
    EXPECT_FALSE(access->inheritance().isBlocked(x, 0, m, nullptr, 0, sub));
    EXPECT_FALSE(access->inheritance().isBlocked(x, 0, m, nullptr, 0));
    EXPECT_EQ(lastError(), "0/0");
}

TEST_F(InheritedValuesTest, ABlockingWhoseCauseDoesNotComeGoesOnce) {
    auto refill = [&] {
        access->inheritance().clearKeepingBlockings();
        makeNames();
        access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    };
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, v2);
    ASSERT_EQ(access->inheritance().blockEarliestConflicts(), 1u);
    // The run again without the own value: the blocking is met, and it has no cause.
    refill();
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{});
    EXPECT_EQ(access->inheritance().releaseUnfoundedBlockings(), 1u);
    refill();
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{v1});
    // Where the own value comes again, the blocking comes again, and stays from then on.
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, v2);
    ASSERT_EQ(access->inheritance().blockEarliestConflicts(), 1u);
    refill();
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{});
    EXPECT_EQ(access->inheritance().releaseUnfoundedBlockings(), 0u);
    // A blocking with its own value there stays.
    access->insertValue(y, m, nullptr, 0, MethodType::Scalar, v2);
    EXPECT_EQ(access->inheritance().releaseUnfoundedBlockings(), 0u);
}

TEST_F(InheritedValuesTest, ABlockingLiftedWhenAnEvaluationBeginsHoldsAgainForTheOnesBefore) {
    auto refill = [&] {
        access->inheritance().clearKeepingBlockings();
        makeNames();
        access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    };
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, v1);
    inherit(0, {x, m, Free});
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, v2);
    ASSERT_EQ(access->inheritance().blockEarliestConflicts(), 1u);
    refill();
    inherit(0, {x, m, Free});
    ASSERT_EQ(access->inheritance().releaseUnfoundedBlockings(), 1u);
    // The own value comes again whenever the value is inherited: the blocking comes back and
    // ends the evaluation.
    refill();
    inherit(0, {x, m, Free});
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, v2);
    ASSERT_EQ(access->inheritance().blockEarliestConflicts(), 1u);
    const InheritancePhases::Blockings lifted = access->inheritance().beginEvaluation();
    EXPECT_EQ(lifted.size(), 1u);
    EXPECT_TRUE(access->inheritance().beginEvaluation().empty());
    // The next evaluation decides the slot again.
    refill();
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{v1});
    // The one before it runs again as it ran: blocked.
    refill();
    access->inheritance().holdForReplay(lifted);
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{});
    access->inheritance().holdForReplay({});
    EXPECT_FALSE(access->inheritance().isBlocked(x, 0, m, nullptr, 0));
    refill();
    inherit(0, {x, m, Free});
    EXPECT_EQ(stored(0, x, m), Row{v1});
    // A blocking the running evaluation finds for the same slot stays once the holding ends.
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, v2);
    ASSERT_EQ(access->inheritance().blockEarliestConflicts(), 1u);
    access->inheritance().holdForReplay(lifted);
    access->inheritance().holdForReplay({});
    EXPECT_TRUE(access->inheritance().isBlocked(x, 0, m, nullptr, 0));
}

TEST_F(InheritedValuesTest, EquatedMethodNamesAndArgumentsEquateNoInheritedValue) {
    const InternalName f = object("f");
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, integer(1));
    access->insertValue(x, f, nullptr, 0, MethodType::Scalar, integer(2));
    access->insertValue(cls, k, &p, 1, MethodType::InheritableScalar, integer(3));
    access->insertValue(x, k, &q, 1, MethodType::Scalar, integer(4));
    inherit(0, {x, m, Free});
    inherit(0, {x, k, p, Free});
    ASSERT_EQ(stored(0, x, m), Row{integer(1)});
    ASSERT_EQ(stored(0, x, k, {p}), Row{integer(3)});
    int recorded = 0;
    access->equate(f, m, recorded);
    access->equate(q, p, recorded);
    access->applyEqualities();
    // The own values stand under the merged keys; no number was equated with another.
    const InternalName method = m < f ? m : f;
    const InternalName arg = p < q ? p : q;
    EXPECT_EQ(stored(0, x, method), Row{integer(2)});
    EXPECT_EQ(stored(0, x, k, {arg}), Row{integer(4)});
    EXPECT_EQ(lastError(), "0/0");
    EXPECT_EQ(om->equalityHistoryTable().size(), 2);
    EXPECT_TRUE(access->inheritance().conflictsPending());
}

TEST_F(InheritedValuesTest, ADifferentOwnValueAfterAnEqualOneIsAConflict) {
    access->insertValue(cls, m, nullptr, 0, MethodType::InheritableScalar, integer(3));
    inherit(0, {x, m, Free});
    // Made own by an equal value, which may have been derived from the inherited one.
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, integer(3));
    EXPECT_FALSE(access->inheritance().conflictsPending());
    EXPECT_TRUE(access->inheritance().inherited().empty());
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, integer(3));
    EXPECT_FALSE(access->inheritance().conflictsPending());
    access->insertValue(x, m, nullptr, 0, MethodType::Scalar, integer(4));
    ASSERT_TRUE(access->inheritance().conflictsPending());
    EXPECT_EQ(access->inheritance().blockEarliestConflicts(), 1u);
    EXPECT_TRUE(access->inheritance().isBlocked(x, 0, m, nullptr, 0));
}
