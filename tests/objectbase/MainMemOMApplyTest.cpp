// Tests of applying equalities: merged frames, rewritten tables, collisions and the drain itself.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "objectbase/BaseConsistency.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/NameRemapListener.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "support/ChannelCapture.h"

namespace {

using namespace objectbase_test;
using Names = std::vector<InternalName>;

class MainMemOMApplyTest : public ObjectManagerTest {
  protected:
    // h[m -> v] and h[m ->> {v}], or with one argument h[m@(arg) ...].
    void scalar(const InternalName& h, const InternalName& m, const InternalName& v,
                const InternalName* arg = nullptr) {
        om->insertMethodValue(h, m, arg, arg ? 1 : 0, 0, v);
    }
    void member(const InternalName& h, const InternalName& m, const InternalName& v,
                const InternalName* arg = nullptr) {
        om->insertMethodValue(h, m, arg, arg ? 1 : 0, 1, v);
    }
    // The scalar value of h.m (or h.m@(arg)); the undefined object when there is none.
    InternalName valueOf(const InternalName& h, const InternalName& m,
                         const InternalName* arg = nullptr) {
        InternalName v = InternalName::UndefinedObject;
        om->lookupMethodValue(h, m, arg, arg ? 1 : 0, 0, v);
        return v;
    }
    // The one-column rows of an iterator.
    static Names column(Iterator* it) {
        Names found;
        for (const auto& row : drain(it, 1)) found.push_back(row[0]);
        return found;
    }
    // The members of h[m ->> ...] (or h[m@(arg) ->> ...]).
    Names membersOf(const InternalName& h, const InternalName& m,
                    const InternalName* arg = nullptr) {
        MainMemObjFrame* frame = om->getObjFrame(h);
        InternalName stored;
        if (frame == nullptr || frame->lookupMethod(m, 1, arg ? 1 : 0, stored) == 0) return {};
        if (arg != nullptr) {
            MainMemParamFrame* rows = om->getParamFrame(stored);
            if (rows == nullptr || rows->lookupResult(arg, 1, stored) == 0) return {};
        }
        return column(om->setIterator(stored, nullptr));
    }
    Names related(const InternalName& cls, int kind) {
        return column(om->isaIterator(cls, kind, nullptr));
    }
    Names classesOf(const InternalName& o, int kind) {
        MainMemObjFrame* frame = om->getObjFrame(o);
        if (frame == nullptr) return {};
        return column(
            om->setIterator(kind == 1 ? frame->getSetName1() : frame->getSetName2(), nullptr));
    }
    Names hostsOf(const InternalName& m, int type, int argCount) {
        return column(om->methodHostsIterator(m, type, argCount, nullptr));
    }
    // The identifier a source symbol finds now.
    InternalName current(const std::string& text) {
        InternalName name;
        om->giveInternalName(om->giveSymTab()->GetFSymbol(text, InternalName::Function, 0), name);
        return name;
    }
    std::string lastError() { return centralErrorHandler().getError().getName(); }
};

TEST_F(MainMemOMApplyTest, EquatedMethodNamesKeepOneMethodWhoseValueIsTheRepresentative) {
    InternalName h = obj("h"), m1 = obj("m1"), m2 = obj("m2"), a = obj("a"), b = obj("b");
    scalar(h, m1, a);
    scalar(h, m2, b);
    ASSERT_EQ(om->equate(m1, m2, 0), 1);
    EXPECT_EQ(om->applyEqualities(), 1);

    // The values' equality arose during the drain and was applied in it.
    EXPECT_EQ(valueOf(h, m1), a);
    EXPECT_EQ(valueOf(h, m2), InternalName::UndefinedObject);
    EXPECT_EQ(om->getObjFrame(h)->size(), 1);
    EXPECT_EQ(current("m2"), m1);
    EXPECT_EQ(current("b"), a);
    EXPECT_EQ(hostsOf(m1, 0, 0), Names{h});
    EXPECT_EQ(lex(b), "b");  // the replaced name still prints under its own symbol
    expectConsistent(om, {m2, b});
}

// A method name that was replaced and is stored under again gets hosts of its own: the index
// of the name's hosts that the renaming moved into the representative's is not used again.
TEST_F(MainMemOMApplyTest, AReplacedMethodNameStoredUnderAgainIndexesItsNewHostsApart) {
    InternalName h = obj("h"), g = obj("g"), k = obj("k"), m1 = obj("m1"), m2 = obj("m2");
    InternalName a = obj("a"), b = obj("b"), c = obj("c");
    scalar(h, m1, a);
    scalar(k, m2, b);
    ASSERT_EQ(om->equate(m1, m2, 0), 1);
    EXPECT_EQ(om->applyEqualities(), 1);
    ASSERT_EQ(current("m2"), m1);
    EXPECT_EQ(hostsOf(m1, 0, 0), (Names{h, k}));
    scalar(g, m2, c);
    scalar(k, m2, c);
    EXPECT_EQ(hostsOf(m2, 0, 0), (Names{g, k}));
    EXPECT_EQ(hostsOf(m1, 0, 0), (Names{h, k}));
}

TEST_F(MainMemOMApplyTest, MergedClassesHaveTheUnionOfInstancesAndTheirLinks) {
    InternalName c1 = obj("c1"), c2 = obj("c2"), x = obj("x"), y = obj("y"), z = obj("z");
    InternalName sub = obj("sub"), super = obj("super");
    om->insertIsa(x, c1, 1);
    om->insertIsa(z, c1, 1);
    om->insertIsa(y, c2, 1);
    om->insertIsa(z, c2, 1);
    om->insertIsa(sub, c2, 2);
    om->insertIsa(c2, super, 2);
    ASSERT_EQ(om->equate(c2, c1, 0), 1);
    EXPECT_EQ(om->applyEqualities(), 1);

    EXPECT_EQ(related(c1, 1), (Names{x, y, z}));
    EXPECT_TRUE(related(c2, 1).empty());
    EXPECT_EQ(classesOf(z, 1), Names{c1});
    EXPECT_EQ(classesOf(sub, 2), Names{c1});
    EXPECT_EQ(classesOf(c1, 2), Names{super});
    EXPECT_EQ(related(super, 2), Names{c1});
    EXPECT_EQ(related(c1, 2), Names{sub});
    expectConsistent(om, {c2});
}

// The memberships are flat rows too: a merge of two objects renames their rows, and the two
// rows that become one stay one.
TEST_F(MainMemOMApplyTest, MergedObjectsLeaveOneMembershipRowPerClass) {
    InternalName c = obj("c"), d = obj("d"), x = obj("x"), y = obj("y");
    om->insertIsa(x, c, 1);
    om->insertIsa(y, c, 1);
    om->insertIsa(y, d, 1);
    ASSERT_EQ(om->storedMemberships()->size(), 3);
    ASSERT_EQ(om->equate(y, x, 0), 1);
    EXPECT_EQ(om->applyEqualities(), 1);

    EXPECT_EQ(om->storedMemberships()->size(), 2);
    EXPECT_EQ(related(c, 1), Names{x});
    EXPECT_EQ(related(d, 1), Names{x});
    EXPECT_EQ(classesOf(x, 1), (Names{c, d}));
    // A membership stored after the merge is a row of its own, and the objects of its class
    // are read from the rows once more.
    om->insertIsa(obj("z"), c, 1);
    EXPECT_EQ(om->storedMemberships()->size(), 3);
    EXPECT_EQ(related(c, 1), (Names{x, obj("z")}));
    expectConsistent(om, {y});
}

TEST_F(MainMemOMApplyTest, SetValuesUnderEquatedArgumentsOrHostsKeepTheirMembers) {
    InternalName h = obj("h"), m = obj("m"), a = obj("a"), b = obj("b"), x = obj("x"), y = obj("y");
    member(h, m, x, &a);
    member(h, m, y, &b);
    InternalName h1 = obj("h1"), h2 = obj("h2"), s = obj("s"), p = obj("p"), q = obj("q");
    member(h1, s, p);
    member(h2, s, q);
    member(h2, s, q, &a);
    om->equate(a, b, 0);
    om->equate(h1, h2, 0);
    EXPECT_EQ(om->applyEqualities(), 1);

    EXPECT_EQ(membersOf(h, m, &a), (Names{x, y}));
    MainMemObjFrame* frame = om->getObjFrame(h);
    InternalName rows;
    ASSERT_EQ(frame->lookupMethod(m, 1, 1, rows), 1);
    EXPECT_EQ(om->getParamFrame(rows)->size(), 1);
    EXPECT_EQ(membersOf(h1, s), (Names{p, q}));
    EXPECT_EQ(membersOf(h1, s, &a), Names{q});
    EXPECT_EQ(om->getObjFrame(h2), nullptr);
    // The sets merged away are no longer registered: h's set for a, h1's two sets.
    EXPECT_EQ(drain(om->setNamesIterator(nullptr), 1).size(), 3u);
    EXPECT_EQ(drain(om->paramNamesIterator(nullptr), 1).size(), 2u);
    expectConsistent(om, {b, h2});
}

TEST_F(MainMemOMApplyTest, ClosingASubclassCycleCollapsesItInTheSameDrain) {
    InternalName c1 = obj("c1"), c2 = obj("c2"), c3 = obj("c3");
    om->insertIsa(c1, c2, 2);
    om->insertIsa(c2, c3, 2);
    ASSERT_EQ(om->equate(c3, c1, 0), 1);
    EXPECT_EQ(om->applyEqualities(), 1);

    EXPECT_EQ(current("c2"), c1);
    EXPECT_EQ(current("c3"), c1);
    // What is left is c1 :: c1; no cycle through two or more classes.
    set<InternalName> above;
    om->collectSuperclasses(c1, above);
    EXPECT_EQ(above.size(), 1);
    EXPECT_TRUE(above.member(c1));
    expectConsistent(om, {c2, c3});
}

TEST_F(MainMemOMApplyTest, EqualArgumentsMakeOneFunctionObjectThatPrintsAsATerm) {
    InternalName a = obj("a"), b = obj("b");
    InternalName fa, fb, ga, gb;
    om->getFunctionObject(function("f", 1), &a, 1, fa);
    om->getFunctionObject(function("f", 1), &b, 1, fb);
    om->getFunctionObject(function("g", 1), &a, 1, ga);
    om->getFunctionObject(function("g", 1), &b, 1, gb);
    om->equate(a, b, 0);
    EXPECT_EQ(om->applyEqualities(), 1);

    InternalName found;
    om->getFunctionObject(function("f", 1), &a, 1, found);
    EXPECT_EQ(found, fa);
    EXPECT_EQ(lex(fa), "f(a)");
    EXPECT_EQ(lex(fb), "f(a)");  // printed through its representative
    expectConsistent(om, {b, fb, gb});

    // Two terms of different functions equated directly: the older survives and prints.
    ASSERT_EQ(om->equate(fa, ga, 0), 1);
    EXPECT_EQ(om->applyEqualities(), 1);
    EXPECT_EQ(lex(fa), "f(a)");
    om->getFunctionObject(function("g", 1), &a, 1, found);
    EXPECT_EQ(found, fa);
    expectConsistent(om, {b, fb, gb, ga});
}

// Two hosts holding the given values for one scalar method are equated; the value the surviving
// (first) host holds afterwards.
TEST_F(MainMemOMApplyTest, ScalarValuesOfMergedHostsAreEquatedSoTheRepresentativesValueStays) {
    InternalName m = obj("m");
    int hosts = 0;
    std::set<InternalName> replaced;
    auto merge = [&](const InternalName& kept, const InternalName& gone) {
        InternalName first = obj("host" + std::to_string(hosts++));
        InternalName second = obj("host" + std::to_string(hosts++));
        replaced.insert(second);
        scalar(first, m, kept);
        scalar(second, m, gone);
        om->equate(first, second, 0);
        EXPECT_EQ(om->applyEqualities(), 1);
        return valueOf(first, m);
    };
    ErrorCapture errors;
    InternalName x = obj("x"), y = obj("y"), z = obj("z"), u = obj("u"), five = obj("5");
    EXPECT_EQ(merge(x, y), x);
    EXPECT_EQ(current("y"), x);
    // A number survives a forced equality whichever host holds it.
    EXPECT_EQ(merge(z, five), five);
    EXPECT_EQ(merge(five, u), five);
    EXPECT_EQ(current("z"), five);
    EXPECT_EQ(current("u"), five);
    EXPECT_EQ(errors.text(), "");
    // Applied pairs run from the replaced name to its representative.
    const auto& applied = om->appliedEqualityTable();
    for (auto it = applied.first_item(); it != nullptr; it = applied.next_item(it))
        EXPECT_NE(applied.key(it), five);

    // Two numbers are refused; the representative keeps its value and no pair is entered.
    EXPECT_EQ(merge(obj("3"), obj("4")), obj("3"));
    EXPECT_EQ(lastError(), "Invalid Equality");
    EXPECT_EQ(applied.lookup(obj("4")), nullptr);
    replaced.insert({y, z, u});
    expectConsistent(om, replaced);
}

TEST_F(MainMemOMApplyTest, ARepresentativeWithoutFrameTakesOverTheIndexesToo) {
    InternalName a = obj("a"), b = obj("b"), m = obj("m"), x = obj("x"), y = obj("y");
    InternalName n = obj("n"), arg = obj("arg");
    scalar(b, m, x);
    scalar(b, n, x, &arg);
    om->equate(a, b, 0);
    EXPECT_EQ(om->applyEqualities(), 1);
    EXPECT_EQ(hostsOf(m, 0, 0), Names{a});
    expectConsistent(om, {b});

    // A later equality of the value reaches the entries now held by a.
    om->equate(x, y, 1);
    EXPECT_EQ(om->applyEqualities(), 1);
    EXPECT_EQ(valueOf(a, m), y);
    EXPECT_EQ(valueOf(a, n, &arg), y);
    expectConsistent(om, {b, x});
}

TEST_F(MainMemOMApplyTest, ResultsOfMovedArgumentEntriesFollowLaterEqualities) {
    InternalName a = obj("a"), b = obj("b"), m = obj("m"), arg = obj("arg"), r = obj("r"),
                 s = obj("s"), t = obj("t"), x = obj("x");
    scalar(a, t, x);  // a has a frame but no entry m
    scalar(b, m, r, &arg);
    om->equate(a, b, 0);
    EXPECT_EQ(om->applyEqualities(), 1);
    expectConsistent(om, {b});

    om->equate(r, s, 1);
    EXPECT_EQ(om->applyEqualities(), 1);
    EXPECT_EQ(valueOf(a, m, &arg), s);
    EXPECT_EQ(current("r"), s);
    expectConsistent(om, {b, r});
}

TEST_F(MainMemOMApplyTest, OneResultMeetingTwoOthersUnderRenamedArgumentsJoinsBoth) {
    InternalName a = obj("a"), b = obj("b"), h = obj("h"), m = obj("m"), one = obj("one"),
                 two = obj("two"), r = obj("r"), s1 = obj("s1"), s2 = obj("s2");
    InternalName b1[] = {b, one}, b2[] = {b, two}, a1[] = {a, one}, a2[] = {a, two};
    om->insertMethodValue(h, m, b1, 2, 0, r);
    om->insertMethodValue(h, m, b2, 2, 0, r);
    om->insertMethodValue(h, m, a1, 2, 0, s1);
    om->insertMethodValue(h, m, a2, 2, 0, s2);
    om->equate(a, b, 0);
    EXPECT_EQ(om->applyEqualities(), 1);
    EXPECT_EQ(current("r"), s2);
    EXPECT_EQ(current("s1"), s2);
    expectConsistent(om, {b, r, s1});
}

TEST_F(MainMemOMApplyTest, PathObjectsAndTheirHostsFollowTheRepresentatives) {
    InternalName h = obj("h"), k = obj("k"), m = obj("m"), n = obj("n");
    InternalName path, longer, other;
    om->getOrCreateScalarValue(h, m, nullptr, 0, 0, path);
    om->getOrCreateScalarValue(path, n, nullptr, 0, 0, longer);
    om->getOrCreateScalarValue(k, m, nullptr, 0, 0, other);
    om->equate(h, k, 0);
    EXPECT_EQ(om->applyEqualities(), 1);

    // h.m and k.m are one object now, so the path hosted by the replaced one moves over.
    InternalName host;
    InternalName survivor = valueOf(h, m);
    InternalName gone = survivor == path ? other : path;
    EXPECT_TRUE(survivor == path || survivor == other);
    EXPECT_FALSE(om->pathHostOf(gone, host));
    ASSERT_TRUE(om->pathHostOf(longer, host));
    EXPECT_EQ(host, survivor);
    EXPECT_EQ(lex(longer), "h.m.n");
    expectConsistent(om, {k, gone});
}

TEST_F(MainMemOMApplyTest, RowsRecordedAsDeltasAreRenamedLikeStoredOnes) {
    InternalName a = obj("a"), b = obj("b"), c = obj("c"), h = obj("h"), m = obj("m");
    FSymbol p = pred("p", 2), deltaP = pred("delta_p", 2), deltaValue = pred("delta_0^0", 3);
    DeltaTable table;
    table.setPredicateDelta(p, deltaP);
    table.setMethodDelta(0, 0, deltaValue);
    ASSERT_EQ(om->initDelta(&table), 1);
    InternalName row[] = {b, c};
    om->addPredicate(p, row, 2);
    scalar(h, m, b);
    om->equate(a, b, 0);
    EXPECT_EQ(om->applyEqualities(), 1);
    EXPECT_EQ(drain(om->getPredFrame(deltaP)->getIterator(nullptr), 2), (Rows{{a, c}}));
    EXPECT_EQ(drain(om->getPredFrame(deltaValue)->getIterator(nullptr), 3), (Rows{{m, h, a}}));
    om->clearDelta();
    expectConsistent(om, {b});
}

class RecordingListener : public NameRemapListener {
  public:
    void remapName(InternalName oldName, InternalName rep) override {
        calls.emplace_back(oldName, rep);
    }
    std::vector<std::pair<InternalName, InternalName>> calls;
};

TEST_F(MainMemOMApplyTest, TheRegisteredAccessLayerHearsOfEveryReplacedName) {
    RecordingListener listener;
    om->setOMAccess(&listener);
    InternalName a = obj("a"), b = obj("b"), c = obj("c");
    om->equate(a, b, 0);
    om->equate(c, a, 0);
    EXPECT_EQ(om->applyEqualities(), 1);
    EXPECT_EQ(listener.calls, (std::vector<std::pair<InternalName, InternalName>>{{b, a}, {c, a}}));
    om->setOMAccess(nullptr);
}

TEST_F(MainMemOMApplyTest, TheTraceWritesOneLinePerAppliedPairWhileOn) {
    InternalName a = obj("a"), b = obj("b"), c = obj("c");
    ChannelCapture debug(debugChannel());
    om->eqTraceOn();
    om->equate(a, b, 0);
    om->applyEqualities();
    EXPECT_EQ(debug.text(), "%%% EQUATING: b = a  (" + b.ToString() + " = " + a.ToString() + ")\n");
    debug.clear();
    om->eqTraceOff();
    om->equate(a, c, 0);
    om->applyEqualities();
    EXPECT_EQ(debug.text(), "");
}

TEST_F(MainMemOMApplyTest, ApplyEqualityAppliesOnlyTheFirstPair) {
    InternalName a = obj("a"), b = obj("b"), c = obj("c"), d = obj("d");
    om->equate(c, d, 0);
    om->equate(a, b, 0);
    InternalName rep;
    EXPECT_EQ(om->applyEquality(rep), 1);
    EXPECT_EQ(rep, a);  // b -> a sorts first
    EXPECT_EQ(current("b"), a);
    EXPECT_EQ(current("d"), d);
    EXPECT_EQ(om->pendingEqualityCount(), 1);
    EXPECT_EQ(om->applyEquality(rep), 1);
    EXPECT_EQ(rep, c);
    EXPECT_EQ(om->equalityHistoryTable().size(), 2);
    // Nothing pending: nothing applied, the out-parameter untouched.
    EXPECT_EQ(om->applyEqualities(), 0);
    EXPECT_EQ(om->applyEquality(rep), 0);
    EXPECT_EQ(rep, c);
    expectConsistent(om, {b, d});
}

}  // namespace
