// The one-step store of an imported element's class, link and parent, alone or for a run of
// siblings, agrees with the three plain inserts it stands for: the same classes, values and
// parents, the same dump in the same order, the same answers and the same recorded deltas, for
// fresh objects and for objects it must leave to the plain inserts.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "support/ChannelCapture.h"

namespace {

using namespace objectbase_test;

// Two managers fed the same facts: `plain` through insertIsa and insertMethodValue one fact at a
// time, `other` through insertFreshChild or insertFreshChildren.
class FreshChildTest : public TwoManagersTest {
  protected:
    // The instances (kind 1) and the children (kind 3) of each name, in the order the managers
    // give them, with the hosts of each name as a method of type 1 and 2.
    static std::vector<Rows> indexes(MainMemOM* om, const std::vector<InternalName>& names) {
        std::vector<Rows> found;
        for (const InternalName& name : names) {
            for (int kind : {1, 3}) {
                auto it = Ref<Iterator>::adopt(om->isaIterator(name, kind, nullptr));
                found.push_back(drain(it.get(), 1));
            }
            for (std::int16_t type : {1, 2}) {
                auto it = Ref<Iterator>::adopt(om->methodHostsIterator(name, type, 0, nullptr));
                found.push_back(drain(it.get(), 1));
            }
        }
        return found;
    }
    void expectAlike(const std::vector<InternalName>& names) {
        EXPECT_EQ(dumped(plain), dumped(other));
        EXPECT_EQ(indexes(plain, names), indexes(other, names));
    }

    // The element's three facts in both managers; the answers agree.
    void child(const InternalName& element, const InternalName& cls, const InternalName& host,
               const InternalName& method, int type) {
        int expected = plain->insertIsa(element, cls, 1);
        if (plain->insertMethodValue(host, method, nullptr, 0, type, element) != 0) expected = 1;
        if (plain->insertIsa(element, host, 3) != 0) expected = 1;
        EXPECT_EQ(other->insertFreshChild(element, cls, host, method, type), expected);
    }
    // Each child's three facts in `plain`, the run through insertFreshChildren in `other`; the
    // answers agree.
    void run(const std::vector<FreshChild>& children, const InternalName& host,
             const InternalName& method, int type) {
        int expected = 0;
        for (const FreshChild& c : children) {
            if (plain->insertIsa(c.object, c.cls, 1) != 0) expected = 1;
            if (plain->insertMethodValue(host, method, nullptr, 0, type, c.object) != 0)
                expected = 1;
            if (plain->insertIsa(c.object, host, 3) != 0) expected = 1;
        }
        EXPECT_EQ(other->insertFreshChildren(host, method, type, children), expected);
    }
    // A plain value in both managers.
    void value(const InternalName& host, const InternalName& method, int type,
               const InternalName& member) {
        EXPECT_EQ(plain->insertMethodValue(host, method, nullptr, 0, type, member),
                  other->insertMethodValue(host, method, nullptr, 0, type, member));
    }
    void isa(const InternalName& object, const InternalName& cls, int kind) {
        EXPECT_EQ(plain->insertIsa(object, cls, kind), other->insertIsa(object, cls, kind));
    }
};

TEST_F(FreshChildTest, SiblingsOfTwoClassesUnderOneHostStoreAsThePlainInserts) {
    const InternalName root = object("root");
    const InternalName e = object("e");
    const InternalName f = object("f");
    isa(root, object("r"), 1);
    for (int i = 0; i < 300; ++i) {
        const InternalName element = object("x" + std::to_string(i));
        const InternalName& name = i % 3 == 0 ? f : e;
        child(element, name, root, name, 1);
    }
    expectAlike({root, e, f});
}

TEST_F(FreshChildTest, NestedElementsWithValuesOfTheirOwnStoreAsThePlainInserts) {
    // Children are linked before their element: its frame exists, with values but no classes.
    std::mt19937 random(7201);
    const InternalName names[] = {object("a"), object("b"), object("c")};
    const InternalName text = object("pcdata");
    std::vector<InternalName> open{object("doc")};
    int made = 0;
    for (int step = 0; step < 2000; ++step) {
        const int what = int(random() % 10);
        if (what < 4 || open.size() < 2) {
            open.push_back(object("n" + std::to_string(made++)));
        } else if (what < 6) {
            value(open.back(), text, 1, object("t" + std::to_string(random() % 5)));
        } else {
            const InternalName element = open.back();
            open.pop_back();
            const InternalName& name = names[random() % 3];
            child(element, name, open.back(), name, what == 9 ? 2 : 1);
        }
    }
    std::vector<InternalName> all(std::begin(names), std::end(names));
    for (int i = 0; i < made; ++i) all.push_back(object("n" + std::to_string(i)));
    all.push_back(object("doc"));
    expectAlike(all);
}

TEST_F(FreshChildTest, ObjectsWithClassesOrParentsOrScalarLinksTakeThePlainInserts) {
    const InternalName host = object("host");
    const InternalName stranger = object("other");
    const InternalName e = object("e");
    const InternalName classed = object("classed");
    const InternalName parented = object("parented");
    const InternalName scalar = object("scalar");
    isa(classed, object("c"), 1);
    isa(parented, stranger, 3);
    child(classed, e, host, e, 1);
    child(parented, e, host, e, 1);
    child(scalar, e, host, object("single"), 0);
    // A fact stored again is no new fact.
    child(classed, e, host, e, 1);
    // An object that is its own host.
    child(host, e, host, e, 1);
    expectAlike({host, stranger, e, classed, parented, scalar, object("single")});
}

TEST_F(FreshChildTest, RunsOfSiblingsStoreAsThePlainInserts) {
    // Runs long and short, of mixed classes, under hosts with and without values yet, some
    // holding objects that must take the plain inserts (classed, parented, the host itself),
    // after which the run goes on, some in descending order.
    std::mt19937 random(4093);
    const InternalName hosts[] = {object("h0"), object("h1"), object("h2")};
    const InternalName classes[] = {object("e"), object("f"), object("g")};
    const InternalName stranger = object("stranger");
    isa(hosts[1], object("r"), 1);
    value(hosts[2], classes[0], 1, object("earlier"));
    std::vector<InternalName> all(std::begin(hosts), std::end(hosts));
    all.insert(all.end(), std::begin(classes), std::end(classes));
    int made = 0;
    for (int round = 0; round < 40; ++round) {
        const InternalName& host = hosts[random() % 3];
        const InternalName& method = classes[random() % 3];
        const int type = round % 7 == 6 ? 2 : 1;
        std::vector<FreshChild> children;
        const int length = round % 5 == 0 ? 1 : int(random() % 150) + 2;
        for (int i = 0; i < length; ++i) {
            const InternalName element = object("x" + std::to_string(made++));
            all.push_back(element);
            const int what = int(random() % 40);
            if (what == 0) isa(element, object("c"), 1);
            if (what == 1) isa(element, stranger, 3);
            children.push_back(FreshChild{what == 2 ? host : element, classes[random() % 3]});
        }
        // Made in the order of their names mostly, but not always.
        if (round % 4 == 3) std::reverse(children.begin(), children.end());
        run(children, host, method, type);
    }
    // The same children stored again are no new facts.
    run({FreshChild{object("x0"), classes[0]}, FreshChild{object("x1"), classes[1]}}, hosts[0],
        classes[0], 1);
    all.push_back(stranger);
    expectAlike(all);
}

TEST_F(FreshChildTest, RunsOfScalarLinksTakeThePlainInserts) {
    const InternalName host = object("host");
    const InternalName e = object("e");
    run({FreshChild{object("a"), e}, FreshChild{object("b"), e}}, host, object("single"), 0);
    expectAlike({host, e, object("a"), object("b"), object("single")});
}

TEST_F(FreshChildTest, RecordedDeltasAgree) {
    DeltaTable plainTable;
    DeltaTable otherTable;
    const FSymbol plainDelta =
        plain->giveSymTab()->GetFSymbol("delta_1^0", InternalName::Predicate, 3);
    const FSymbol otherDelta =
        other->giveSymTab()->GetFSymbol("delta_1^0", InternalName::Predicate, 3);
    plainTable.setMethodDelta(1, 0, plainDelta);
    otherTable.setMethodDelta(1, 0, otherDelta);
    ASSERT_EQ(plain->initDelta(&plainTable), 1);
    ASSERT_EQ(other->initDelta(&otherTable), 1);
    const InternalName root = object("root");
    const InternalName e = object("e");
    for (int i = 0; i < 50; ++i) child(object("x" + std::to_string(i)), e, root, e, 1);
    std::vector<FreshChild> children;
    for (int i = 50; i < 100; ++i)
        children.push_back(FreshChild{object("x" + std::to_string(i)), e});
    run(children, root, e, 1);
    EXPECT_EQ(predicateRows(plain, plainDelta), predicateRows(other, otherDelta));
    expectAlike({root, e});
}

}  // namespace
