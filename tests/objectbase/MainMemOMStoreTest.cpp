// Scenario tests of storing and looking up facts in the main-memory object manager.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/ErrorHandler.h"
#include "foundation/clib_list.h"
#include "objectbase/FunctionTableHandle.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/SymTab.h"

namespace {

using namespace objectbase_test;

class MainMemOMStoreTest : public ObjectManagerTest {
  protected:
    // The members of the set an object-frame entry (or its argument row) points at.
    Rows members(const InternalName& setName) {
        auto it = Ref<Iterator>::adopt(om->setIterator(setName, nullptr));
        return drain(it.get(), 1);
    }
    int lastErrorNumber() { return centralErrorHandler().getError().getNumber(); }
};

TEST_F(MainMemOMStoreTest, FreshManagerAndClassObject) {
    EXPECT_TRUE(om->isOk());
    EXPECT_EQ(om->giveSymTab()->nextId(), 41);
    InternalName john = obj("john");
    EXPECT_EQ(john, InternalName(101, InternalName::Object, 0));
    // The built-in objects are bound from the start.
    InternalName nil;
    EXPECT_EQ(om->giveInternalName(builtinSymbol::Nil, nil), 1);
    EXPECT_EQ(nil, builtinObject::Nil);

    OMMeta meta;
    FLSysRef made = meta.methodCall("new", nullptr);
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isA("OM"));
    made.reset();
    clib_list<FLSysObject*> args;
    args.append(&meta);
    EXPECT_EQ(meta.methodCall("new", &args), nullptr);
    EXPECT_TRUE(centralErrorHandler().isError());
}

TEST_F(MainMemOMStoreTest, NamesSymbolsAndNumbers) {
    InternalName a = obj("a");
    InternalName again;
    EXPECT_EQ(om->getOrCreateName(function("a", 0), again), 0);
    EXPECT_EQ(again, a);
    std::string text;
    EXPECT_EQ(om->giveName(a, text), 1);
    EXPECT_EQ(text, "a");
    EXPECT_EQ(obj("\"hi\"").getType(), InternalName::String);
    InternalName out;
    EXPECT_EQ(om->lookupName("a", out, -1), 1);
    EXPECT_EQ(out, a);
    EXPECT_EQ(om->lookupName("p", out, 2), 1);
    EXPECT_EQ(out.getType(), InternalName::Predicate);
    EXPECT_EQ(out.getArity(), 2);
}

// However a number enters the object base, it is one identifier: the integer (or float) with
// flag 0, the same as arithmetic and the access layer build.
TEST_F(MainMemOMStoreTest, ANumberHasOneIdentifierWhateverItsPath) {
    const InternalName forty2(42, InternalName::Integer, 0);
    SymTab* table = om->giveSymTab();
    InternalName viaSymbol, viaCreate;
    EXPECT_EQ(om->giveInternalName(table->GetFSymbol("42", InternalName::Integer, 0), viaSymbol),
              1);
    EXPECT_EQ(viaSymbol, forty2);
    EXPECT_EQ(om->getOrCreateName(table->GetFSymbol("42", InternalName::Integer, 0), viaCreate),
              0);  // nothing is made for a number
    EXPECT_EQ(viaCreate, forty2);
    EXPECT_EQ(obj("42"), forty2);
    EXPECT_EQ(obj(lex(forty2)), forty2);  // the lexical form read back

    InternalName half;
    om->internName(half, "#2.5", InternalName::Float);
    EXPECT_EQ(half, InternalName(2.5f, InternalName::Float, 0));
    EXPECT_EQ(obj(lex(half)), half);

    // The frame iterator gives the argument count of an entry as a number.
    InternalName h = obj("h"), m = obj("m"), a = obj("a");
    ASSERT_EQ(om->insertMethodValue(h, m, &a, 1, 0, forty2), 1);
    auto it = Ref<Iterator>::adopt(om->methodIterator(h, 0, nullptr));
    ASSERT_TRUE(it != nullptr && it->first());
    EXPECT_EQ(it->atColumn(3), obj("1"));
    it.reset();

    // Stored through one path, found through another; equating them is no equality at all.
    InternalName k = obj("k");
    ASSERT_EQ(om->insertMethodValue(k, m, nullptr, 0, 0, obj("42")), 1);
    InternalName found;
    EXPECT_EQ(om->lookupMethodValue(k, m, nullptr, 0, 0, found), 1);
    EXPECT_EQ(found, viaSymbol);
    EXPECT_EQ(om->insertMethodValue(k, m, nullptr, 0, 0, viaSymbol), 0);
    EXPECT_EQ(om->equate(InternalName(42, InternalName::Integer, -1), forty2, 0), 0);
    EXPECT_FALSE(centralErrorHandler().isError());
    EXPECT_EQ(om->pendingEqualityCount(), 0);
}

TEST(MainMemOMLifeTest, TheSymbolTableOutlivesItsObjectManagerForItsHolders) {
    auto om = Ref<MainMemOM>::make();
    auto table = Ref<SymTab>::adopt(om->giveSymTab());
    incRef(table.get());  // a parser keeping the table
    FSymbol f = table->GetFSymbol("f", InternalName::Function, 1);
    om.reset();
    EXPECT_EQ(table->giveName(f), "f");
    EXPECT_EQ(table->GetFSymbol("f", InternalName::Function, 1), f);
}

TEST_F(MainMemOMStoreTest, IsaFactsOfEveryKindAndTheirIterators) {
    InternalName john = obj("john"), mary = obj("mary"), person = obj("person"),
                 being = obj("being");
    EXPECT_EQ(om->insertIsa(john, person, 1), 1);
    EXPECT_EQ(om->insertIsa(john, person, 1), 0);
    EXPECT_EQ(om->insertIsa(mary, person, 1), 1);
    EXPECT_EQ(om->insertIsa(person, being, 2), 1);
    EXPECT_EQ(om->insertIsa(john, mary, 3), 1);
    EXPECT_EQ(om->insertIsa(john, mary, 4), 0);

    // Each call takes the old iterator back; the handle is rebound to what it answers.
    Ref<Iterator> it;
    const auto isa = [&](const InternalName& name, int kind) {
        return it.renew([&](Iterator* old) { return om->isaIterator(name, kind, old); });
    };
    EXPECT_EQ(drain(isa(person, 1), 1), (Rows{{john}, {mary}}));
    EXPECT_EQ(drain(isa(being, 2), 1), (Rows{{person}}));
    EXPECT_EQ(drain(isa(mary, 3), 1), (Rows{{john}}));
    EXPECT_TRUE(drain(isa(person, 4), 1).empty());

    // The frame's own set of classes agrees with the inverse table.
    EXPECT_EQ(members(om->getObjFrame(john)->getSetName1()), (Rows{{person}}));
}

// The inverse tables (class -> members per relation kind, method key -> hosts) hold small and
// large sets; random facts, read back at every step against ordered twins, also while a walk
// gains members under it.
TEST_F(MainMemOMStoreTest, InverseTablesAgreeWithOrderedSets) {
    std::mt19937 random(4949);
    std::vector<InternalName> names;
    for (int i = 0; i < 120; ++i) names.push_back(obj("n" + std::to_string(i)));
    const InternalName value = obj("value");
    std::map<std::tuple<int, InternalName>, std::set<InternalName>> relations;
    std::map<std::tuple<int, int, InternalName>, std::set<InternalName>> hosts;
    auto pick = [&](std::size_t spread) { return names[random() % spread]; };
    auto walkRelation = [&](int kind, const InternalName& cls) {
        Rows rows = drain(om->isaIterator(cls, kind, nullptr), 1);
        Rows expected;
        for (const InternalName& member : relations[{kind, cls}]) expected.push_back({member});
        EXPECT_EQ(rows, expected) << cls << " kind " << kind;
    };
    auto walkHosts = [&](int type, int argCount, const InternalName& method) {
        Rows rows = drain(
            om->methodHostsIterator(method, std::int16_t(type), std::int16_t(argCount), nullptr),
            1);
        Rows expected;
        for (const InternalName& host : hosts[{type, argCount, method}]) expected.push_back({host});
        EXPECT_EQ(rows, expected) << method << " type " << type;
    };
    for (int step = 0; step < 6000; ++step) {
        // A few keys get most facts, so some sets pass the small-set limit and others do not.
        const std::size_t keySpread = random() % 4 == 0 ? names.size() : 3;
        if (random() % 2 == 0) {
            const int kind = 1 + int(random() % 3);
            const InternalName object = pick(names.size()), cls = pick(keySpread);
            const bool fresh = relations[{kind, cls}].insert(object).second;
            EXPECT_EQ(om->insertIsa(object, cls, kind), fresh ? 1 : 0);
            if (step % 7 == 0) walkRelation(kind, cls);
        } else {
            const int type = int(random() % 3), argCount = type == 2 ? 1 : 0;
            const InternalName host = pick(names.size()), method = pick(keySpread);
            InternalName args[] = {value};
            om->insertMethodValue(host, method, args, argCount, type, value);
            hosts[{type, argCount, method}].insert(host);
            if (step % 7 == 0) walkHosts(type, argCount, method);
        }
    }
    for (const auto& [key, members] : relations) walkRelation(std::get<0>(key), std::get<1>(key));
    for (const auto& [key, members] : hosts)
        walkHosts(std::get<0>(key), std::get<1>(key), std::get<2>(key));

    // A walk of a host set that gains hosts under it goes on in ascending order after the host
    // it stands on: it meets every host it started with and each host at most once.
    const InternalName method = names[0];
    const std::set<InternalName> before = hosts[{1, 0, method}];
    ASSERT_GT(before.size(), 16u);
    auto it = Ref<Iterator>::adopt(om->methodHostsIterator(method, 1, 0, nullptr));
    std::vector<InternalName> seen;
    for (bool more = it->first(); more; more = it->next()) {
        seen.push_back(it->atColumn(1));
        // The late hosts are newer names than all others, so the walk meets them too.
        if (seen.size() <= 40)
            om->insertMethodValue(obj("late" + std::to_string(seen.size())), method, nullptr, 0, 1,
                                  value);
    }
    it.reset();
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(std::adjacent_find(seen.begin(), seen.end()), seen.end());
    for (const InternalName& host : before)
        EXPECT_TRUE(std::binary_search(seen.begin(), seen.end(), host)) << host;
    EXPECT_EQ(seen.size(), before.size() + 40);
}

TEST_F(MainMemOMStoreTest, MethodValuesOfEveryTypeWithAndWithoutArguments) {
    InternalName h = obj("h"), m = obj("m"), a = obj("a"), b = obj("b"), v = obj("v"), w = obj("w");
    InternalName args[] = {a, b};
    for (int type = 0; type <= 8; ++type) {
        EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, type, v), 1) << type;
        EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, type, v), 0) << type;
        EXPECT_EQ(om->insertMethodValue(h, m, args, 2, type, v), 1) << type;
        EXPECT_EQ(om->insertMethodValue(h, m, args, 2, type, v), 0) << type;
    }
    // Set-valued types collect further members; scalar ones keep their one value.
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 1, w), 1);
    EXPECT_EQ(om->insertMethodValue(h, m, args, 2, 4, w), 1);

    auto it = Ref<Iterator>::adopt(om->methodIterator(h, 1, nullptr));
    Rows entries = drain(it.get(), 2);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0][0], m);
    EXPECT_EQ(members(entries[0][1]), (Rows{{v}, {w}}));
    EXPECT_EQ(entries[1][1].getType(), InternalName::ParamFrame);
    EXPECT_EQ(entries[1][1].getArity(), 3);
    it.reset();

    InternalName value;
    EXPECT_EQ(om->lookupMethodValue(h, m, nullptr, 0, 0, value), 1);
    EXPECT_EQ(value, v);
    EXPECT_EQ(om->lookupMethodValue(h, m, args, 2, 3, value), 1);
    EXPECT_EQ(om->lookupMethodValue(obj("nobody"), m, nullptr, 0, 0, value), 0);

    // Every stored entry is indexed: hosts by method key, signatures by method, usage by value.
    it = Ref<Iterator>::adopt(om->methodHostsIterator(m, 7, 2, nullptr));
    EXPECT_EQ(drain(it.get(), 1), (Rows{{h}}));
    it.reset();
    EXPECT_EQ(om->signaturesOf(m)->size(), 18);
    EXPECT_TRUE(om->usageOf(a)->member(h));
    EXPECT_TRUE(om->usageOf(w)->member(h));

    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 9, v), 0);
    EXPECT_EQ(lastErrorNumber(), 14);
}

TEST_F(MainMemOMStoreTest, UsageOfAValueSharedByManyHostsArrivingOutOfOrder) {
    InternalName m = obj("m"), v = obj("v");
    for (int i = 700; i > 0; --i)
        om->insertMethodValue(InternalName(1000 + i, InternalName::Object, 0), m, nullptr, 0, 0, v);
    om->insertMethodValue(InternalName(1350, InternalName::Object, 0), m, nullptr, 0, 0, v);
    const MainMemOM::UsageSet* users = om->usageOf(v);
    ASSERT_NE(users, nullptr);
    EXPECT_EQ(users->size(), 700u);
    EXPECT_TRUE(users->member(InternalName(1001, InternalName::Object, 0)));
    EXPECT_FALSE(users->member(InternalName(1701, InternalName::Object, 0)));
    int previous = 0;
    bool ascending = true;
    users->forEach([&](const InternalName& host) {
        ascending = ascending && host.getValue() > previous;
        previous = host.getValue();
        return true;
    });
    EXPECT_TRUE(ascending);
}

// The usage index is read for the first time only after many stored values (its pairs wait in a
// log that drops repeats now and then), then kept up to date; either way every value and
// argument lists exactly the hosts that stored it, also after the base is cleared.
TEST_F(MainMemOMStoreTest, UsageIndexListsTheHostsOfEveryStoredValueWhenFirstReadLate) {
    std::mt19937 random{46u};
    auto name = [](int number) { return InternalName(number, InternalName::Object, 0); };
    for (int round = 0; round < 2; ++round) {
        const InternalName m = obj("m"), n = obj("n");
        std::map<InternalName, std::set<InternalName>> twin;
        auto store = [&](int count) {
            for (int step = 0; step < count; ++step) {
                const InternalName host = name(5000 + int(random() % 300));
                const InternalName value = name(9000 + int(random() % 200));
                const InternalName arg = name(7000 + int(random() % 50));
                const bool withArg = random() % 3 == 0;
                // A host often stores the same value again, as rule heads do.
                for (int again = int(random() % 3); again >= 0; --again)
                    om->insertMethodValue(host, withArg ? n : m, &arg, withArg ? 1 : 0, 1, value);
                twin[value].insert(host);
                if (withArg) twin[arg].insert(host);
            }
        };
        auto expectTwin = [&]() {
            for (const auto& [used, hosts] : twin) {
                const MainMemOM::UsageSet* users = om->usageOf(used);
                ASSERT_NE(users, nullptr) << used;
                std::vector<InternalName> seen;
                users->forEach([&seen](const InternalName& host) {
                    seen.push_back(host);
                    return true;
                });
                EXPECT_EQ(seen, std::vector<InternalName>(hosts.begin(), hosts.end())) << used;
            }
            EXPECT_EQ(om->usageOf(name(8999)), nullptr);
        };
        store(12000);
        expectTwin();
        store(3000);  // from the first read on, straight into the index
        expectTwin();
        om->clear();
    }
}

TEST_F(MainMemOMStoreTest, SetMembersAndEmptySets) {
    InternalName h = obj("h"), m = obj("m"), a = obj("a"), x = obj("x"), y = obj("y");
    set<InternalName> values;
    values.insert(x);
    values.insert(y);
    EXPECT_EQ(om->insertSetMember(h, m, nullptr, 0, 1, values), 1);
    EXPECT_EQ(om->insertSetMember(h, m, nullptr, 0, 1, values), 0);
    EXPECT_EQ(om->insertSetMember(h, m, &a, 1, 7, values), 1);
    set<InternalName> none;
    // host[e ->> {}] is a new fact of its own.
    EXPECT_EQ(om->insertSetMember(h, obj("e"), nullptr, 0, 1, none), 1);
    EXPECT_EQ(om->insertSetMember(h, obj("e"), nullptr, 0, 1, none), 0);
    EXPECT_EQ(om->insertSetMember(h, m, nullptr, 0, 0, values), 0);
    EXPECT_EQ(lastErrorNumber(), 14);
    EXPECT_TRUE(om->usageOf(y)->member(h));
}

TEST_F(MainMemOMStoreTest, ConflictingScalarValuesBecomePendingEqualities) {
    InternalName h = obj("h"), m = obj("m"), v = obj("v"), w = obj("w");
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 0, w), 1);
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 0, v), 1);
    InternalName rep;
    ASSERT_TRUE(om->isPendingEquality(w, rep));  // the older, smaller object survives
    EXPECT_EQ(rep, v);
    // The same conflict again is no news, so a fixpoint loop can end.
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 0, v), 0);
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 0, w), 0);

    // Two different numbers cannot be equated: refused, reported, and not a change.
    InternalName n = obj("n");
    EXPECT_EQ(om->insertMethodValue(h, n, nullptr, 0, 0, obj("3")), 1);
    EXPECT_EQ(om->insertMethodValue(h, n, nullptr, 0, 0, obj("4")), 0);
    EXPECT_EQ(lastErrorNumber(), 10);
    EXPECT_EQ(om->pendingEqualityCount(), 1);
}

TEST_F(MainMemOMStoreTest, ScalarPathObjects) {
    InternalName h = obj("h"), m = obj("m"), a = obj("a");
    InternalName first, second;
    EXPECT_EQ(om->getOrCreateScalarValue(h, m, nullptr, 0, 0, first), 1);
    EXPECT_EQ(first.getArity(), -1);
    EXPECT_EQ(om->getOrCreateScalarValue(h, m, nullptr, 0, 0, second), 0);
    EXPECT_EQ(second, first);
    EXPECT_EQ(lex(first), "h.m");

    InternalName withArg, inherited;
    EXPECT_EQ(om->getOrCreateScalarValue(h, m, &a, 1, 3, withArg), 1);
    EXPECT_EQ(lex(withArg), "h!m@(a)");
    EXPECT_EQ(om->getOrCreateScalarValue(withArg, m, nullptr, 0, 0, inherited), 1);
    std::string nested;
    om->giveLexicalForm(inherited, nested, 0, 1);
    EXPECT_EQ(nested, "(h!m@(a).m)");
    InternalName host;
    EXPECT_TRUE(om->pathHostOf(inherited, host));
    EXPECT_EQ(host, withArg);

    EXPECT_EQ(om->getOrCreateScalarValue(h, m, nullptr, 0, 1, first), 0);
    EXPECT_EQ(lastErrorNumber(), 14);
}

TEST_F(MainMemOMStoreTest, FunctionObjectsAndLists) {
    InternalName a = obj("a"), b = obj("b");
    InternalName ab[] = {a, b};
    InternalName fab, again, fa;
    EXPECT_EQ(om->getFunctionObject(function("f", 2), ab, 2, fab), 1);
    EXPECT_EQ(fab.getArity(), 3);
    // Asked again, the term is old: a rule with f(X) in its head must not count it as a change.
    EXPECT_EQ(om->getFunctionObject(function("f", 2), ab, 2, again), 0);
    EXPECT_EQ(again, fab);
    EXPECT_EQ(om->getFunctionObject(function("f", 1), &a, 1, fa), 1);
    EXPECT_NE(fa, fab);
    EXPECT_EQ(lex(fab), "f(a,b)");

    // A symbol bound to a frame that is gone gets a new frame instead of failing.
    FSymbol g = function("g", 1);
    om->registerName(g, InternalName(77, InternalName::ParamFrame, 2));
    InternalName ga;
    EXPECT_EQ(om->getFunctionObject(g, &a, 1, ga), 1);
    EXPECT_EQ(lex(ga), "g(a)");

    // [a, b] and [a | b].
    InternalName tail, list, improper;
    InternalName cell2[] = {b, builtinObject::Nil};
    om->getFunctionObject(builtinSymbol::Cons, cell2, 2, tail);
    InternalName cell1[] = {a, tail};
    om->getFunctionObject(builtinSymbol::Cons, cell1, 2, list);
    EXPECT_EQ(lex(list), "[a,b]");
    om->getFunctionObject(builtinSymbol::Cons, ab, 2, improper);
    EXPECT_EQ(lex(improper), "[a|b]");
    // Any other tail, a term or a quoted string included, stands between "|" and "]".
    InternalName fb, termTail, stringTail;
    om->getFunctionObject(function("f", 1), &b, 1, fb);
    InternalName cell3[] = {a, fb};
    om->getFunctionObject(builtinSymbol::Cons, cell3, 2, termTail);
    EXPECT_EQ(lex(termTail), "[a|f(b)]");
    InternalName cell4[] = {a, obj("\"s\"")};
    om->getFunctionObject(builtinSymbol::Cons, cell4, 2, stringTail);
    std::string quoted;
    om->giveLexicalForm(stringTail, quoted, 1, 0);
    EXPECT_EQ(quoted, "[a|\"s\"]");
}

// A caller that keeps a function symbol's table across lookups gets what a lookup by the symbol
// gets, also once the base was cleared, objects were equated or the symbol was bound anew.
TEST_F(MainMemOMStoreTest, AKeptFunctionTableFollowsClearingEquatingAndRebinding) {
    const FSymbol f = function("f", 1);
    FunctionTableHandle table(f);
    // Through the handle first, then by the symbol: the same object, made once.
    auto agree = [&](const InternalName& arg, const std::string& form) {
        InternalName kept = InternalName::UndefinedObject;
        InternalName plain = InternalName::UndefinedObject;
        const int made = om->getFunctionObject(table, &arg, 1, kept);
        EXPECT_EQ(om->getFunctionObject(f, &arg, 1, plain), 0) << form;
        EXPECT_EQ(kept, plain) << form;
        EXPECT_EQ(lex(kept), form);
        return made;
    };

    InternalName a = obj("a"), b = obj("b");
    EXPECT_EQ(agree(a, "f(a)"), 1);
    EXPECT_EQ(agree(a, "f(a)"), 0);
    EXPECT_EQ(agree(b, "f(b)"), 1);

    // f(a) and f(b) become one object; the handle finds it by either argument.
    EXPECT_EQ(om->equate(b, a, 0), 1);
    om->applyEqualities();
    EXPECT_EQ(agree(a, "f(a)"), 0);
    InternalName kept = InternalName::UndefinedObject;
    om->prefetchFunctionObject(table, &a, 1);
    EXPECT_EQ(om->getFunctionObject(table, &a, 1, kept), 0);
    EXPECT_EQ(lex(kept), "f(a)");

    // The symbol's own object equated with another changes nothing of its terms.
    EXPECT_EQ(om->equate(obj("f"), obj("g"), 0), 1);
    om->applyEqualities();
    EXPECT_EQ(agree(a, "f(a)"), 0);

    // A symbol bound to a table that does not exist gets a new one, not the one kept.
    om->registerName(f, InternalName(77, InternalName::ParamFrame, 2));
    EXPECT_EQ(agree(a, "f(a)"), 1);

    // After a clear the kept table is gone with the rest.
    om->clear();
    InternalName c = obj("c");
    om->prefetchFunctionObject(table, &c, 1);
    EXPECT_EQ(agree(c, "f(c)"), 1);
    EXPECT_EQ(agree(c, "f(c)"), 0);
    a = obj("a");
    EXPECT_EQ(agree(a, "f(a)"), 1);
}

TEST_F(MainMemOMStoreTest, PredicatesDeclaredAndFilled) {
    InternalName p = om->giveSymTab()->GetFSymbol("p", InternalName::Predicate, 2);
    InternalName q = om->giveSymTab()->GetFSymbol("q", InternalName::Predicate, 0);
    InternalName row[] = {obj("a"), obj("b")};
    EXPECT_EQ(om->addPredicate(q, nullptr, 0), 1);
    EXPECT_TRUE(om->isPredicate(q));
    EXPECT_TRUE(om->isEmptyPredicate(q));
    EXPECT_EQ(om->addPredicate(p, row, 2), 1);
    EXPECT_EQ(om->addPredicate(p, row, 2), 0);
    EXPECT_EQ(om->addPredicate(p, nullptr, 2), 0);
    EXPECT_FALSE(om->isEmptyPredicate(p));
    auto it = Ref<Iterator>::adopt(om->getPredFrame(p)->getIterator(nullptr));
    EXPECT_EQ(drain(it.get(), 2), (Rows{{row[0], row[1]}}));
    it.reset();
    it = Ref<Iterator>::adopt(om->predNamesIterator(nullptr));
    EXPECT_EQ(drain(it.get(), 1).size(), 2u);
    it.reset();
}

}  // namespace
