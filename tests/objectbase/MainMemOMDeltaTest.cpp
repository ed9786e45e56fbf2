// Scenario tests of delta recording, iterator reuse, clearing and string cleanup.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/FactWriter.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/RelationStore.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"

namespace {

using namespace objectbase_test;

// The rows with every `from` cell made `to`: what a store holds after the two were equated.
std::set<std::vector<InternalName>> renamed(const std::set<std::vector<InternalName>>& rows,
                                            const InternalName& from, const InternalName& to) {
    std::set<std::vector<InternalName>> out;
    for (std::vector<InternalName> row : rows) {
        for (InternalName& cell : row)
            if (cell == from) cell = to;
        out.insert(row);
    }
    return out;
}

class MainMemOMDeltaTest : public ObjectManagerTest {
  protected:
    using RowSet = std::set<std::vector<InternalName>>;

    Rows rowsOf(const InternalName& predicate) { return predicateRows(om, predicate); }

    // Runs the cleanup: what it wrote on standard output, and on the debug channel.
    std::pair<std::string, std::string> cleanupOutput() {
        ChannelCapture debug(debugChannel());
        testing::internal::CaptureStdout();
        om->cleanup();
        std::string out = testing::internal::GetCapturedStdout();
        return {out, debug.text()};
    }

    // Thirty passes recording into `table`, each storing eight random rows of two names through
    // `store` (the manager's answer), some making two names equal, some followed by a row stored
    // after recording ended. After each pass the delta `delta` holds exactly the rows new in it,
    // what `storedNow` reads follows every renaming, and `checkPass` sees the rows stored and
    // those added. `stored` ends with the rows stored at the end.
    void recordRandomPasses(DeltaTable& table, const InternalName& delta, unsigned seed,
                            const std::function<int(const std::vector<InternalName>&)>& store,
                            const std::function<Rows()>& storedNow,
                            const std::function<void(int, const RowSet&, const RowSet&)>& checkPass,
                            RowSet& stored) {
        std::vector<InternalName> names;
        for (int i = 0; i < 12; ++i) names.push_back(obj("n" + std::to_string(i)));
        std::mt19937 random(seed);
        auto anyName = [&]() { return names[random() % names.size()]; };
        int equalities = 0;
        for (int pass = 0; pass < 30; ++pass) {
            ASSERT_EQ(om->initDelta(&table), 1);
            RowSet added;
            for (int i = 0; i < 8; ++i) {
                const std::vector<InternalName> row = {anyName(), anyName()};
                const bool isNew = stored.insert(row).second;
                EXPECT_EQ(store(row), isNew ? 1 : 0);
                if (isNew) added.insert(row);
            }
            if (pass % 7 == 3) {
                // Two names made equal while recording: the rows and their delta are renamed
                // alike, whichever name survived.
                const InternalName a = anyName(), b = anyName();
                if (a != b && om->equate(a, b, 0) != 0) {
                    om->applyEqualities();
                    ++equalities;
                    const Rows now = storedNow();
                    const RowSet ifBKept = renamed(stored, a, b);
                    const bool bKept = now == Rows(ifBKept.begin(), ifBKept.end());
                    const InternalName from = bKept ? a : b, to = bKept ? b : a;
                    stored = renamed(stored, from, to);
                    ASSERT_EQ(now, Rows(stored.begin(), stored.end())) << "pass " << pass;
                    added = renamed(added, from, to);
                    std::erase(names, from);
                }
            }
            EXPECT_EQ(rowsOf(delta), Rows(added.begin(), added.end())) << "pass " << pass;
            checkPass(pass, stored, added);
            if (pass % 5 == 4) {
                // After recording ends the delta keeps its rows, whatever is stored later.
                om->clearDelta();
                const std::vector<InternalName> late = {names[0],
                                                        obj("late" + std::to_string(pass))};
                stored.insert(late);
                EXPECT_EQ(store(late), 1);
                EXPECT_EQ(rowsOf(delta), Rows(added.begin(), added.end())) << "pass " << pass;
            }
        }
        EXPECT_GT(equalities, 0);
    }
};

TEST_F(MainMemOMDeltaTest, RecordsEveryKindOfFactInItsRowShape) {
    DeltaTable table;
    FSymbol value0 = pred("delta_0^0", 3), value1 = pred("delta_1^1", 4),
            empty1 = pred("delta_emptyset_1^0", 2), p = pred("p", 1), deltaP = pred("delta_p", 1),
            isa = pred("delta_isa", 2), subcl = pred("delta_subcl", 2);
    table.setMethodDelta(0, 0, value0);
    table.setMethodDelta(1, 1, value1);
    table.setEmptySetDelta(1, 0, empty1);
    table.setPredicateDelta(p, deltaP);
    table.isaDelta = isa;
    table.subclDelta = subcl;
    table.isaFlag = 1;
    table.headSubclFlag = 1;
    table.bodySubclFlag = 1;

    InternalName h = obj("h"), m = obj("m"), a = obj("a"), v = obj("v"), c = obj("c");
    ASSERT_EQ(om->initDelta(&table), 1);
    for (const FSymbol& name : {value0, value1, empty1, deltaP, isa, subcl})
        EXPECT_TRUE(om->isEmptyPredicate(name));

    InternalName fresh;
    EXPECT_EQ(om->getOrCreateName(om->giveSymTab()->GetFSymbol("fresh", 1, 0), fresh), 1);
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 0, v), 1);
    EXPECT_EQ(om->insertMethodValue(h, m, &a, 1, 1, v), 1);
    set<InternalName> none;
    EXPECT_EQ(om->insertSetMember(h, m, nullptr, 0, 1, none), 1);
    set<InternalName> more;
    more.insert(c);
    EXPECT_EQ(om->insertSetMember(h, m, &a, 1, 1, more), 1);
    EXPECT_EQ(om->insertSetMember(h, m, &a, 1, 1, more), 0);
    InternalName term;
    EXPECT_EQ(om->getFunctionObject(om->giveSymTab()->GetFSymbol("f", 1, 1), &a, 1, term), 1);
    EXPECT_EQ(om->getFunctionObject(om->giveSymTab()->GetFSymbol("f", 1, 1), &a, 1, term), 0);
    EXPECT_EQ(om->insertIsa(h, c, 1), 1);
    EXPECT_EQ(om->insertIsa(c, h, 2), 1);
    EXPECT_EQ(om->addPredicate(p, &a, 1), 1);
    // Stored, but nothing records a signature or a "*->" value: no change for the evaluator.
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 6, v), 0);
    EXPECT_EQ(om->insertMethodValue(h, m, nullptr, 0, 3, v), 0);

    EXPECT_EQ(rowsOf(value0), (Rows{{m, h, v}}));
    EXPECT_EQ(rowsOf(value1), (Rows{{m, h, a, v}, {m, h, a, c}}));
    EXPECT_EQ(rowsOf(empty1), (Rows{{m, h}}));
    EXPECT_EQ(rowsOf(deltaP), (Rows{{a}}));
    EXPECT_EQ(rowsOf(isa), (Rows{{h, c}}));
    EXPECT_EQ(rowsOf(subcl), (Rows{{c, h}, {fresh, fresh}, {term, term}}));

    // A new pass starts with empty delta frames; clearDelta keeps them as ordinary predicates.
    ASSERT_EQ(om->initDelta(&table), 1);
    EXPECT_TRUE(rowsOf(value0).empty());
    EXPECT_EQ(om->insertMethodValue(h, m, &a, 1, 1, obj("w")), 1);
    om->clearDelta();
    EXPECT_EQ(rowsOf(value1).size(), 1u);  // only the second pass's row
    EXPECT_EQ(om->insertIsa(h, obj("d"), 1), 1);
    EXPECT_EQ(rowsOf(isa).size(), 0u);
}

TEST_F(MainMemOMDeltaTest, UnrecordedFactsAnswerZeroButAreStored) {
    DeltaTable table;
    InternalName o = obj("o"), c = obj("c");
    ASSERT_EQ(om->initDelta(&table), 1);
    EXPECT_EQ(om->insertIsa(o, c, 1), 0);
    auto it = Ref<Iterator>::adopt(om->isaIterator(c, 1, nullptr));
    ASSERT_TRUE(it->first());
    EXPECT_EQ(it->atColumn(1), o);
    it.reset();
    InternalName made;
    EXPECT_EQ(om->getOrCreateName(om->giveSymTab()->GetFSymbol("x", 1, 0), made), 0);
    EXPECT_EQ(made.getValue(), 103);

    // A predicate wider than the largest method row is recorded whole.
    FSymbol wide = pred("wide", 5), deltaWide = pred("delta_wide", 5);
    table.setPredicateDelta(wide, deltaWide);
    ASSERT_EQ(om->initDelta(&table), 1);
    InternalName row[] = {o, c, o, c, o};
    EXPECT_EQ(om->addPredicate(wide, row, 5), 1);
    EXPECT_EQ(rowsOf(deltaWide), (Rows{{o, c, o, c, o}}));
}

TEST_F(MainMemOMDeltaTest, NewFactsThatAnswerZeroAreCounted) {
    // Outside recording every new fact answers 1: nothing is counted.
    FSymbol p = pred("p", 1), q = pred("q", 1), deltaQ = pred("delta_q", 1);
    InternalName o = obj("o"), c = obj("c"), m = obj("m");
    EXPECT_EQ(om->addPredicate(p, &o, 1), 1);
    EXPECT_EQ(om->unreportedNewFacts(), 0u);

    DeltaTable table;
    table.setPredicateDelta(q, deltaQ);
    ASSERT_EQ(om->initDelta(&table), 1);
    const std::uint64_t start = om->unreportedNewFacts();
    // New, stored, but not recorded: answered 0 and counted, once per fact.
    EXPECT_EQ(om->addPredicate(p, &c, 1), 0);
    EXPECT_EQ(om->insertIsa(o, c, 1), 0);
    EXPECT_EQ(om->insertMethodValue(o, m, nullptr, 0, 0, c), 0);
    EXPECT_EQ(om->unreportedNewFacts(), start + 3);
    // Stored already: answered 0, not counted.
    EXPECT_EQ(om->addPredicate(p, &c, 1), 0);
    EXPECT_EQ(om->insertIsa(o, c, 1), 0);
    EXPECT_EQ(om->insertMethodValue(o, m, nullptr, 0, 0, c), 0);
    // Recorded: answered 1, not counted.
    EXPECT_EQ(om->addPredicate(q, &o, 1), 1);
    EXPECT_EQ(om->unreportedNewFacts(), start + 3);
}

TEST_F(MainMemOMDeltaTest, EveryPassEmptiesTheSubclassDeltaThatRecordsNewObjects) {
    DeltaTable table;
    FSymbol subcl = pred("delta_subcl", 2);
    table.subclDelta = subcl;
    table.bodySubclFlag = 1;  // new objects only; no head derives subclass facts
    ASSERT_EQ(om->initDelta(&table), 1);
    InternalName first = obj("first");
    EXPECT_EQ(rowsOf(subcl), (Rows{{first, first}}));
    EXPECT_EQ(om->insertIsa(first, first, 2), 0);

    ASSERT_EQ(om->initDelta(&table), 1);
    EXPECT_TRUE(rowsOf(subcl).empty());
    InternalName second = obj("second");
    EXPECT_EQ(rowsOf(subcl), (Rows{{second, second}}));
}

// What the rows look like is the formatter's business, tested with the formatters.
TEST_F(MainMemOMDeltaTest, ShowDeltaWritesOnlyWhileRecording) {
    ChannelCapture debug(debugChannel());
    om->showDelta();
    EXPECT_EQ(debug.text(), "");

    DeltaTable table;
    table.setPredicateDelta(pred("p", 2), pred("delta_p", 2));
    table.setPredicateDelta(pred("q", 0), pred("delta_q", 0));
    om->initDelta(&table);
    om->showDelta();
    EXPECT_EQ(debug.text(), "Delta predicate frames:\n\n\n");
}

// Every factory takes the caller's iterator over: it answers it re-targeted, or releases it (a
// null answer included). A second reference held here shows which.
TEST_F(MainMemOMDeltaTest, EveryIteratorFactoryTakesOverItsReuseIterator) {
    InternalName h = obj("h"), m = obj("m"), v = obj("v"), nothing = obj("nothing");
    om->insertMethodValue(h, m, nullptr, 0, 1, v);
    std::vector<std::function<Iterator*(Iterator*)>> factories = {
        [&](Iterator* r) { return om->isaIterator(nothing, 1, r); },
        [&](Iterator* r) { return om->methodHostsIterator(nothing, 1, 0, r); },
        [&](Iterator* r) { return om->setIterator(nothing, r); },
        [&](Iterator* r) { return om->methodIterator(nothing, 0, r); },
        [&](Iterator* r) { return om->methodIterator(h, 1, r); },
        [&](Iterator* r) { return om->objNamesIterator(r); },
        [&](Iterator* r) { return om->predNamesIterator(r); },
        [&](Iterator* r) { return om->paramNamesIterator(r); },
    };
    for (std::size_t i = 0; i < factories.size(); ++i) {
        for (Iterator* reuse : {om->objNamesIterator(nullptr), om->isaIterator(h, 1, nullptr)}) {
            incRef(reuse);
            const int before = reuse->refCount();
            Iterator* answer = factories[i](reuse);
            if (answer == reuse)
                EXPECT_EQ(reuse->refCount(), before) << i;
            else
                EXPECT_EQ(reuse->refCount(), before - 1) << i;
            if (answer != nullptr && answer != reuse) decRef(answer);
            decRef(reuse);
        }
    }
}

TEST_F(MainMemOMDeltaTest, ClearForgetsFactsAndPendingEqualitiesButKeepsSymbols) {
    InternalName a = obj("a"), b = obj("b");
    om->insertMethodValue(a, obj("m"), nullptr, 0, 0, b);
    om->insertMethodValue(a, obj("m"), nullptr, 0, 0, obj("c"));
    ASSERT_EQ(om->pendingEqualityCount(), 1);
    int nextSymbol = om->giveSymTab()->nextId();

    om->clear();
    EXPECT_EQ(om->pendingEqualityCount(), 0);
    EXPECT_EQ(om->getObjFrame(a), nullptr);
    EXPECT_EQ(om->giveSymTab()->nextId(), nextSymbol);
    EXPECT_EQ(obj("newcomer"), InternalName(101, InternalName::Object, 0));
    InternalName nil;
    EXPECT_EQ(om->giveInternalName(builtinSymbol::Nil, nil), 1);
}

TEST_F(MainMemOMDeltaTest, CleanupKeepsStringsUsedAnywhere) {
    InternalName h = obj("h"), m = obj("m");
    InternalName asValue = obj("\"value\""), asPredArg = obj("\"arg\""), asHost = obj("\"host\""),
                 asClass = obj("\"class\""), asMember = obj("\"member\""),
                 asLaterMember = obj("\"later\""), unused = obj("\"unused\"");
    om->insertMethodValue(h, m, nullptr, 0, 0, asValue);
    // Members of a set: the first makes the host's entry, a later one joins its set.
    om->insertMethodValue(h, obj("s"), nullptr, 0, 1, asMember);
    om->insertMethodValue(h, obj("s"), nullptr, 0, 1, asLaterMember);
    FSymbol p = pred("p", 1);
    om->addPredicate(p, &asPredArg, 1);
    om->insertMethodValue(asHost, m, nullptr, 0, 1, h);
    om->insertIsa(h, asClass, 1);

    const auto [out, debugText] = cleanupOutput();
    EXPECT_EQ(out, "\n cleanup\n\n delete");
    EXPECT_EQ(debugText, unused.ToString());

    FSymbol symbol;
    for (const InternalName& kept : {asValue, asPredArg, asHost, asClass, asMember, asLaterMember})
        EXPECT_EQ(om->giveSymbol(kept, symbol), 1);
    EXPECT_EQ(om->giveSymbol(unused, symbol), 0);
    std::string text;
    EXPECT_EQ(om->giveLexicalForm(unused, text), 1);
    EXPECT_EQ(text, "");
    // The forgotten string gets a new identifier when it is met again.
    EXPECT_NE(obj("\"unused\""), unused);
}

}  // namespace

// A string that is a class only, of a membership the instance index has taken already (it was
// read in between) or of one stored after that read, is kept; its object too; an unused string
// among them is forgotten.
TEST_F(MainMemOMDeltaTest, CleanupKeepsClassStringsWhetherTheInstanceIndexHoldsThemOrNot) {
    const InternalName a = obj("a"), b = obj("b");
    const InternalName indexed = obj("\"indexed\""), later = obj("\"later class\""),
                       unused = obj("\"nobody\"");
    om->insertIsa(a, indexed, 1);
    auto instances = Ref<Iterator>::adopt(om->isaIterator(indexed, 1, nullptr));
    ASSERT_NE(instances.get(), nullptr);
    ASSERT_TRUE(instances->first());
    EXPECT_EQ(instances->atColumn(1), a);
    instances.reset();
    om->insertIsa(b, later, 1);

    const auto [out, debugText] = cleanupOutput();
    EXPECT_EQ(out, "\n cleanup\n\n delete");
    EXPECT_EQ(debugText, unused.ToString());
    FSymbol symbol;
    EXPECT_EQ(om->giveSymbol(indexed, symbol), 1);
    EXPECT_EQ(om->giveSymbol(later, symbol), 1);
    EXPECT_EQ(om->giveSymbol(unused, symbol), 0);
    // The membership stored after the read is found through the index afterwards.
    instances = Ref<Iterator>::adopt(om->isaIterator(later, 1, nullptr));
    ASSERT_NE(instances.get(), nullptr);
    ASSERT_TRUE(instances->first());
    EXPECT_EQ(instances->atColumn(1), b);
    EXPECT_FALSE(instances->next());
    instances.reset();
}

// The delta of a predicate is the set of its tuples that were new since the pass began, through
// passes, equalities applied while recording and the end of recording, checked against a plain
// set of what each pass added.
TEST_F(MainMemOMDeltaTest, PredicateDeltasHoldExactlyTheTuplesNewInThePass) {
    DeltaTable table;
    const FSymbol p = pred("p", 2), deltaP = pred("delta_p", 2);
    table.setPredicateDelta(p, deltaP);
    RowSet stored;
    ASSERT_NO_FATAL_FAILURE(recordRandomPasses(
        table, deltaP, 11,
        [&](const std::vector<InternalName>& row) { return om->addPredicate(p, row.data(), 2); },
        [&] { return rowsOf(p); },
        [&](int, const RowSet& stored, const RowSet& added) {
            for (const std::vector<InternalName>& row : stored) {
                MainMemPredFrame* frame = om->getPredFrame(deltaP);
                ASSERT_NE(frame, nullptr);
                EXPECT_EQ(frame->containsTuple(row.data(), 2), added.count(row) != 0);
            }
        },
        stored));
    EXPECT_EQ(rowsOf(p), Rows(stored.begin(), stored.end()));
}

// The delta of memberships shows the memberships stored in the pass, read from the flat rows of
// every membership, through equalities and after recording ends, as a predicate's delta does.
TEST_F(MainMemOMDeltaTest, MembershipDeltasHoldExactlyTheMembershipsNewInThePass) {
    DeltaTable table;
    const FSymbol isa = pred("delta_isa", 2);
    table.isaDelta = isa;
    table.isaFlag = 1;
    auto storedRows = [this]() {
        RowSet rows;
        const RelationStore& store = *om->storedMemberships();
        for (int i = 0; i < store.size(); ++i)
            EXPECT_TRUE(rows.insert({store.row(i)[0], store.row(i)[1]}).second);
        return rows;
    };
    RowSet stored;
    ASSERT_NO_FATAL_FAILURE(recordRandomPasses(
        table, isa, 17,
        [&](const std::vector<InternalName>& row) { return om->insertIsa(row[0], row[1], 1); },
        [&] {
            const RowSet rows = storedRows();
            return Rows(rows.begin(), rows.end());
        },
        [&](int pass, const RowSet& stored, const RowSet&) {
            EXPECT_EQ(storedRows(), stored) << "pass " << pass;
        },
        stored));
    for (const std::vector<InternalName>& row : stored) {
        const auto objects = drain(om->isaIterator(row[1], 1, nullptr), 1);
        EXPECT_NE(std::find(objects.begin(), objects.end(), std::vector<InternalName>{row[0]}),
                  objects.end());
    }
}

// A plan reads the rows of the last pass's value delta in place while the next pass records into
// the same delta: the rows it took stay where they are, unchanged, through that pass, and match
// a copy taken when the plan read them, also after equalities renamed the rows between passes.
TEST_F(MainMemOMDeltaTest, ValueDeltaRowsStayReadableInPlaceThroughTheNextPass) {
    DeltaTable table;
    const FSymbol values = pred("delta_1^0", 3);
    table.setMethodDelta(1, 0, values);
    const InternalName m = obj("m");
    std::vector<InternalName> names;
    for (int i = 0; i < 12; ++i) names.push_back(obj("n" + std::to_string(i)));
    std::mt19937 random(23);
    auto anyName = [&]() { return names[random() % names.size()]; };
    std::unique_ptr<FactWriter> writer = om->openWriter(FactRelation::ofSetMembers(1));

    // What a plan of the pass took: the store, its range and stamp, and a copy of the rows.
    struct Taken {
        const RelationStore* store = nullptr;
        int from = 0;
        int to = 0;
        std::uint64_t stamp = 0;
        std::vector<std::vector<InternalName>> copy;
    };
    auto take = [&]() {
        Taken taken;
        const MainMemPredFrame* frame = om->getPredFrame(values);
        if (frame == nullptr) return taken;
        taken.store = &frame->store();
        taken.to = taken.store->size();
        taken.from = taken.to - frame->size();
        taken.stamp = taken.store->changes();
        for (int i = taken.from; i < taken.to; ++i) {
            const InternalName* row = taken.store->row(i);
            taken.copy.push_back({row[0], row[1], row[2]});
        }
        return taken;
    };
    auto readInPlace = [](const Taken& taken) {
        std::vector<std::vector<InternalName>> rows;
        for (int i = taken.from; i < taken.to; ++i) {
            const InternalName* row = taken.store->row(i);
            rows.push_back({row[0], row[1], row[2]});
        }
        return rows;
    };

    std::set<std::vector<InternalName>> stored;
    int equalities = 0;
    int readRows = 0;
    for (int pass = 0; pass < 30; ++pass) {
        const Taken taken = take();
        ASSERT_EQ(om->initDelta(&table), 1);
        std::set<std::vector<InternalName>> added;
        for (int i = 0; i < 8; ++i) {
            const std::vector<InternalName> row = {anyName(), m, anyName()};
            const bool isNew = stored.insert(row).second;
            EXPECT_EQ(writer->insert(row.data()), isNew ? 1 : 0);
            if (isNew) added.insert({m, row[0], row[2]});
        }
        // The last pass's rows, read after this pass recorded its own.
        if (taken.store != nullptr) {
            EXPECT_EQ(taken.store->changes(), taken.stamp) << "pass " << pass;
            EXPECT_EQ(readInPlace(taken), taken.copy) << "pass " << pass;
            readRows += int(taken.copy.size());
        }
        if (pass % 7 == 3) {
            // Two names made equal at the end of the pass: the delta's rows are renamed.
            const InternalName a = anyName(), b = anyName();
            if (a != b && om->equate(a, b, 0) != 0) {
                om->applyEqualities();
                ++equalities;
                // Whichever name survived, the stored values hold it.
                bool bKept = true;
                for (const std::vector<InternalName>& row : renamed(stored, a, b))
                    bKept = bKept && writer->holds(row.data());
                const InternalName from = bKept ? a : b, to = bKept ? b : a;
                stored = renamed(stored, from, to);
                added = renamed(added, from, to);
                std::erase(names, from);
            }
        }
        EXPECT_EQ(rowsOf(values), Rows(added.begin(), added.end())) << "pass " << pass;
    }
    EXPECT_GT(equalities, 0);
    EXPECT_GT(readRows, 0);
}
