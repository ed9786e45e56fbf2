// The writer of set-valued members, which keeps the hosts' set frames, agrees with the plain
// inserts and records as they do, whatever equalities and clears move the frames between its
// inserts; so does the predicate writer that stores a pass's fresh rows without a probe, and the
// membership writer that keeps the objects' class sets.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/FactWriter.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "support/ChannelCapture.h"

namespace {

using namespace objectbase_test;

// Two managers fed the same operations: `plain` through insertMethodValue, `other` through its
// writers of set members, one per method type kept for the whole test (longer than a rule
// head's pass keeps one).
class SetMemberWriterTest : public TwoManagersTest {
  protected:
    void TearDown() override {
        for (auto& writer : writers) writer.reset();
        TwoManagersTest::TearDown();
    }

    // The objects prefix0, prefix1, ... in both managers.
    std::vector<InternalName> objects(const std::string& prefix, int count) {
        std::vector<InternalName> made;
        for (int i = 0; i < count; ++i) made.push_back(object(prefix + std::to_string(i)));
        return made;
    }

    // A further delta both managers record in: the values of a method type with or without
    // arguments, and the delta predicate's symbol in each manager.
    struct MoreDelta {
        int type;
        int argCount;
        FSymbol plainName;
        FSymbol keptName;
    };
    // Both managers record the values of type 1 without arguments in a delta of their own, and
    // those of each further delta given.
    bool record(std::initializer_list<MoreDelta> more = {}) {
        plainTable = std::make_unique<DeltaTable>();
        keptTable = std::make_unique<DeltaTable>();
        plainDelta = plain->giveSymTab()->GetFSymbol("delta_1^0", InternalName::Predicate, 3);
        keptDelta = other->giveSymTab()->GetFSymbol("delta_1^0", InternalName::Predicate, 3);
        plainTable->setMethodDelta(1, 0, plainDelta);
        keptTable->setMethodDelta(1, 0, keptDelta);
        for (const MoreDelta& delta : more) {
            plainTable->setMethodDelta(delta.type, delta.argCount, delta.plainName);
            keptTable->setMethodDelta(delta.type, delta.argCount, delta.keptName);
        }
        return plain->initDelta(plainTable.get()) == 1 && other->initDelta(keptTable.get()) == 1;
    }

    // Both managers recorded and hold the same, and start again from nothing.
    void expectAlikeThenClear(int run) {
        EXPECT_EQ(predicateRows(plain, plainDelta), predicateRows(other, keptDelta))
            << "run " << run;
        EXPECT_EQ(dumped(plain), dumped(other)) << "run " << run;
        plain->clearDelta();
        other->clearDelta();
        // A cleared manager numbers its names anew: frames kept from before must not be met.
        plain->clear();
        other->clear();
    }

    // The writer of other's members of the method type (1 or 2).
    FactWriter& writer(int type) {
        std::unique_ptr<FactWriter>& made = writers[type];
        if (made == nullptr) made = other->openWriter(FactRelation::ofSetMembers(type));
        return *made;
    }
    int keptInsert(const InternalName& host, const InternalName& method, int type,
                   const InternalName& value) {
        const InternalName row[] = {host, method, value};
        return writer(type).insert(row);
    }
    void keptHint(const InternalName& host, const InternalName& method, int type,
                  const InternalName& value) {
        const InternalName row[] = {host, method, value};
        writer(type).prefetch(row);
    }

    std::unique_ptr<FactWriter> writers[3];
    std::unique_ptr<DeltaTable> plainTable;
    std::unique_ptr<DeltaTable> keptTable;
    FSymbol plainDelta;
    FSymbol keptDelta;
};

TEST_F(SetMemberWriterTest, AgreesWithPlainInsertsWhileEqualitiesAndClearsMoveFrames) {
    std::mt19937 random(5151);
    for (int run = 0; run < 6; ++run) {
        ASSERT_TRUE(record());

        const std::vector<InternalName> hosts = objects("h", 40);
        const std::vector<InternalName> values = objects("v", 60);
        const InternalName methods[] = {object("m"), object("n")};
        // Types 1 (->>) and 2, another set-valued kind, share hosts and methods.
        const int types[] = {1, 1, 1, 2};

        for (int step = 0; step < 3000; ++step) {
            const int what = int(random() % 100);
            if (what < 2) {
                // Hosts (and values, which are objects too) merge: frames are dropped.
                const InternalName a = hosts[random() % hosts.size()];
                const InternalName b = random() % 2 == 0 ? hosts[random() % hosts.size()]
                                                         : values[random() % values.size()];
                ASSERT_EQ(plain->equate(a, b, 0), other->equate(a, b, 0));
                ASSERT_EQ(plain->applyEqualities(), other->applyEqualities());
                continue;
            }
            const InternalName host = hosts[random() % hosts.size()];
            const InternalName method = methods[random() % 2];
            const int type = types[random() % 4];
            const InternalName value = values[random() % values.size()];
            if (what < 10) keptHint(host, method, type, value);
            ASSERT_EQ(plain->insertMethodValue(host, method, nullptr, 0, type, value),
                      keptInsert(host, method, type, value))
                << "run " << run << " step " << step;
        }
        expectAlikeThenClear(run);
    }
}

// The membership writer keeps the objects' class sets: what it answers as stored, before and
// after hints and inserts, is what a fresh writer finds the long way, while equalities merge
// objects and classes and clears start the base anew.
TEST_F(SetMemberWriterTest, MembershipsFoundInTheKeptClassSetsAgreeWithTheLongWay) {
    std::mt19937 random(7171);
    std::unique_ptr<FactWriter> members = other->openWriter(FactRelation::ofClassRelation(1));
    for (int run = 0; run < 4; ++run) {
        const std::vector<InternalName> things = objects("o", 40);
        const std::vector<InternalName> classes = objects("c", 25);
        EXPECT_TRUE(members->holdsNothing()) << "run " << run;
        for (int step = 0; step < 3000; ++step) {
            const int what = int(random() % 100);
            if (what < 2) {
                const InternalName a = things[random() % things.size()];
                const InternalName b = random() % 2 == 0 ? things[random() % things.size()]
                                                         : classes[random() % classes.size()];
                ASSERT_EQ(plain->equate(a, b, 0), other->equate(a, b, 0));
                ASSERT_EQ(plain->applyEqualities(), other->applyEqualities());
                continue;
            }
            // Classes are objects too, and an object may be a class of another.
            const InternalName row[] = {things[random() % things.size()],
                                        random() % 4 == 0 ? things[random() % things.size()]
                                                          : classes[random() % classes.size()]};
            if (what < 20) members->prefetch(row);
            const bool stored = other->openWriter(FactRelation::ofClassRelation(1))->holds(row);
            ASSERT_EQ(members->holds(row), stored) << "run " << run << " step " << step;
            const int answer =
                what < 60 ? members->insert(row) : other->insertIsa(row[0], row[1], 1);
            ASSERT_EQ(plain->insertIsa(row[0], row[1], 1), answer)
                << "run " << run << " step " << step;
            EXPECT_EQ(answer == 0, stored) << "run " << run << " step " << step;
            ASSERT_TRUE(members->holds(row)) << "run " << run << " step " << step;
            ASSERT_FALSE(members->holdsNothing());
        }
        EXPECT_EQ(dumped(plain), dumped(other)) << "run " << run;
        plain->clear();
        other->clear();
    }
}

// Rule heads open a membership writer for each pass, while the object manager keeps the class
// sets it found from pass to pass and the frame of the membership delta from row to row: the
// memberships stored and recorded agree with plain inserts while equalities between passes move
// the frames and new delta tables and clears start the recording and the base anew.
TEST_F(SetMemberWriterTest, MembershipsOfPassAfterPassAreStoredAndRecordedAsPlainInserts) {
    std::mt19937 random(9191);
    for (int run = 0; run < 4; ++run) {
        DeltaTable plainIsa;
        DeltaTable keptIsa;
        const FSymbol plainIsaDelta =
            plain->giveSymTab()->GetFSymbol("delta_isa", InternalName::Predicate, 2);
        const FSymbol keptIsaDelta =
            other->giveSymTab()->GetFSymbol("delta_isa", InternalName::Predicate, 2);
        plainIsa.isaFlag = 1;
        keptIsa.isaFlag = 1;
        plainIsa.isaDelta = plainIsaDelta;
        keptIsa.isaDelta = keptIsaDelta;
        const std::vector<InternalName> things = objects("o", 30);
        const std::vector<InternalName> classes = objects("c", 20);
        for (int pass = 0; pass < 30; ++pass) {
            if (pass % 10 == 0) {
                // A new round of recording: the delta frames are made empty again.
                ASSERT_EQ(plain->initDelta(&plainIsa), 1);
                ASSERT_EQ(other->initDelta(&keptIsa), 1);
            }
            if (random() % 3 == 0) {
                const InternalName a = things[random() % things.size()];
                const InternalName b = random() % 2 == 0 ? things[random() % things.size()]
                                                         : classes[random() % classes.size()];
                ASSERT_EQ(plain->equate(a, b, 0), other->equate(a, b, 0));
                ASSERT_EQ(plain->applyEqualities(), other->applyEqualities());
            }
            std::unique_ptr<FactWriter> members =
                other->openWriter(FactRelation::ofClassRelation(1));
            std::vector<InternalName> batch;
            for (int row = 0; row < 16; ++row) {
                batch.push_back(things[random() % things.size()]);
                batch.push_back(random() % 5 == 0 ? things[random() % things.size()]
                                                  : classes[random() % classes.size()]);
            }
            // The hints of the batch first, then its inserts, one of them skipped now and then.
            for (std::size_t at = 0; at < batch.size(); at += 2) members->prefetch(&batch[at]);
            for (std::size_t at = 0; at < batch.size(); at += 2) {
                if (random() % 7 == 0) continue;
                const InternalName* row = &batch[at];
                ASSERT_EQ(plain->insertIsa(row[0], row[1], 1), members->insert(row))
                    << "run " << run << " pass " << pass;
                ASSERT_TRUE(members->holds(row));
            }
            ASSERT_EQ(predicateRows(plain, plainIsaDelta), predicateRows(other, keptIsaDelta))
                << "run " << run << " pass " << pass;
        }
        EXPECT_EQ(dumped(plain), dumped(other)) << "run " << run;
        plain->clearDelta();
        other->clearDelta();
        plain->clear();
        other->clear();
    }
}

// A head hints a whole batch of rows and then inserts them in the same order; here rows are
// also skipped, repeated and reordered between the hints and the inserts, and equalities move
// the frames in between, so that a frame noted by a hint may be out of date or for another row.
TEST_F(SetMemberWriterTest, InsertsAfterABatchOfHintsAgreeWithPlainInserts) {
    std::mt19937 random(5353);
    for (int run = 0; run < 4; ++run) {
        ASSERT_TRUE(record());

        const std::vector<InternalName> hosts = objects("h", 30);
        const std::vector<InternalName> values = objects("v", 50);
        const InternalName methods[] = {object("m"), object("n")};
        struct Row {
            InternalName host;
            InternalName method;
            int type;
            InternalName value;
        };
        for (int batch = 0; batch < 300; ++batch) {
            std::vector<Row> rows(1 + random() % 40);
            for (Row& row : rows)
                row = {hosts[random() % hosts.size()], methods[random() % 2],
                       random() % 5 == 0 ? 2 : 1, values[random() % values.size()]};
            for (const Row& row : rows) keptHint(row.host, row.method, row.type, row.value);
            const int how = int(random() % 10);
            if (how == 0) {
                // Two hosts merge (their sets become one) or a host and a value do.
                const InternalName a = hosts[random() % hosts.size()];
                const InternalName b = random() % 2 == 0 ? hosts[random() % hosts.size()]
                                                         : values[random() % values.size()];
                ASSERT_EQ(plain->equate(a, b, 0), other->equate(a, b, 0));
                ASSERT_EQ(plain->applyEqualities(), other->applyEqualities());
            } else if (how == 1) {
                std::shuffle(rows.begin(), rows.end(), random);
            }
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (how == 2 && random() % 3 == 0) continue;
                const Row& row = rows[i];
                ASSERT_EQ(
                    plain->insertMethodValue(row.host, row.method, nullptr, 0, row.type, row.value),
                    keptInsert(row.host, row.method, row.type, row.value))
                    << "run " << run << " batch " << batch << " row " << i;
            }
        }
        expectAlikeThenClear(run);
    }
}

// Pass after pass, the writer records each new member in the delta of its method type as the
// general recording does (`plain` stores each value as a set of one, recorded member by member),
// while values of another set-valued type with a delta of its own, values with arguments and
// equalities that move the frames come between its rows.
TEST_F(SetMemberWriterTest, MembersRecordedByTheWriterAreThoseTheGeneralRecordingWrites) {
    std::mt19937 random(5555);
    const std::vector<InternalName> hosts = objects("h", 30);
    const std::vector<InternalName> values = objects("v", 50);
    const InternalName methods[] = {object("m"), object("n")};
    const FSymbol plainSecond =
        plain->giveSymTab()->GetFSymbol("delta_2^0", InternalName::Predicate, 3);
    const FSymbol keptSecond =
        other->giveSymTab()->GetFSymbol("delta_2^0", InternalName::Predicate, 3);
    const FSymbol plainArgs =
        plain->giveSymTab()->GetFSymbol("delta_1^1", InternalName::Predicate, 4);
    const FSymbol keptArgs =
        other->giveSymTab()->GetFSymbol("delta_1^1", InternalName::Predicate, 4);
    for (int pass = 0; pass < 12; ++pass) {
        ASSERT_TRUE(record({{2, 0, plainSecond, keptSecond}, {1, 1, plainArgs, keptArgs}}));
        for (int step = 0; step < 400; ++step) {
            const InternalName host = hosts[random() % hosts.size()];
            const InternalName method = methods[random() % 2];
            const InternalName value = values[random() % values.size()];
            const int what = int(random() % 100);
            if (what < 2) {
                const InternalName b = values[random() % values.size()];
                ASSERT_EQ(plain->equate(host, b, 0), other->equate(host, b, 0));
                ASSERT_EQ(plain->applyEqualities(), other->applyEqualities());
            } else if (what < 12) {
                const InternalName argument = values[random() % values.size()];
                ASSERT_EQ(plain->insertMethodValue(host, method, &argument, 1, 1, value),
                          other->insertMethodValue(host, method, &argument, 1, 1, value))
                    << "pass " << pass << " step " << step;
            } else {
                const int type = what < 30 ? 2 : 1;
                set<InternalName> one;
                one.insert(value);
                ASSERT_EQ(plain->insertSetMember(host, method, nullptr, 0, type, one),
                          keptInsert(host, method, type, value))
                    << "pass " << pass << " step " << step;
            }
        }
        EXPECT_EQ(predicateRows(plain, plainDelta), predicateRows(other, keptDelta))
            << "pass " << pass;
        EXPECT_EQ(predicateRows(plain, plainSecond), predicateRows(other, keptSecond))
            << "pass " << pass;
        EXPECT_EQ(predicateRows(plain, plainArgs), predicateRows(other, keptArgs))
            << "pass " << pass;
        EXPECT_FALSE(predicateRows(other, keptDelta).empty()) << "pass " << pass;
        EXPECT_EQ(dumped(plain), dumped(other)) << "pass " << pass;
        plain->clearDelta();
        other->clearDelta();
    }
}

TEST_F(SetMemberWriterTest, WritersOfTwoManagersOverTheSameNamesKeepTheirOwnFrames) {
    const InternalName host = object("h");
    const InternalName method = object("m");
    const InternalName first = object("a");
    const InternalName second = object("b");
    const InternalName firstRow[] = {host, method, first};
    const InternalName secondRow[] = {host, method, second};
    const std::unique_ptr<FactWriter> plainWriter =
        plain->openWriter(FactRelation::ofSetMembers(1));
    EXPECT_EQ(keptInsert(host, method, 1, first), 1);
    EXPECT_EQ(keptInsert(host, method, 1, second), 1);
    EXPECT_TRUE(writer(1).holds(secondRow));
    // The same names in the other manager: its host has no set yet.
    EXPECT_FALSE(plainWriter->holds(secondRow));
    EXPECT_EQ(plainWriter->insert(secondRow), 1);
    EXPECT_EQ(plainWriter->insert(secondRow), 0);
    EXPECT_EQ(plainWriter->insert(firstRow), 1);
    EXPECT_EQ(dumped(plain), dumped(other));
}

// The rows of a rule's first pass that the predicate's writer found not stored are stored
// without a probe (announced first, the relation maybe still without a frame): both managers
// hold and record the same as plain inserts of every row, repeats included, whether the relation
// was empty before or not, and whether the fresh rows come one by one or as one block.
TEST_F(SetMemberWriterTest, PredicateRowsFoundFreshAndStoredWithoutProbeAgreeWithInserts) {
    for (int run = 0; run < 4; ++run) {
        const std::vector<InternalName> n = objects("n", 6);
        const FSymbol p = plain->giveSymTab()->GetFSymbol("p", InternalName::Predicate, 2);
        ASSERT_EQ(p, other->giveSymTab()->GetFSymbol("p", InternalName::Predicate, 2));
        const bool stored = run % 2 == 1;
        const bool block = run >= 2;
        if (stored) {
            const InternalName first[] = {n[0], n[1]};
            plain->addPredicate(p, first, 2);
            other->addPredicate(p, first, 2);
        }
        plainTable = std::make_unique<DeltaTable>();
        keptTable = std::make_unique<DeltaTable>();
        plainDelta = plain->giveSymTab()->GetFSymbol("delta_p", InternalName::Predicate, 2);
        keptDelta = other->giveSymTab()->GetFSymbol("delta_p", InternalName::Predicate, 2);
        plainTable->setPredicateDelta(p, plainDelta);
        keptTable->setPredicateDelta(p, keptDelta);
        ASSERT_EQ(plain->initDelta(plainTable.get()), 1);
        ASSERT_EQ(other->initDelta(keptTable.get()), 1);

        const std::vector<std::vector<InternalName>> rows = {
            {n[0], n[1]}, {n[1], n[2]}, {n[2], n[3]}, {n[1], n[2]}, {n[4], n[5]}, {n[5], n[0]}};
        const std::unique_ptr<FactWriter> plainWriter =
            plain->openWriter(FactRelation::ofPredicate(p, 2));
        const std::unique_ptr<FactWriter> keptWriter =
            other->openWriter(FactRelation::ofPredicate(p, 2));
        EXPECT_EQ(keptWriter->holdsNothing(), !stored) << "run " << run;
        int plainNew = 0;
        for (const auto& row : rows) plainNew += plainWriter->insert(row.data());
        // As a pass does: every row asked about before any is stored, each fresh one once.
        std::vector<std::vector<InternalName>> fresh;
        for (const auto& row : rows)
            if (!keptWriter->holds(row.data()) &&
                std::find(fresh.begin(), fresh.end(), row) == fresh.end())
                fresh.push_back(row);
        keptWriter->expect(int(fresh.size()));
        int keptNew = 0;
        if (block) {
            // A block answers whether any of its rows was new.
            std::vector<InternalName> cells;
            for (const auto& row : fresh) cells.insert(cells.end(), row.begin(), row.end());
            keptNew = keptWriter->insertNewRows(cells.data(), int(fresh.size()), 2);
            EXPECT_NE(keptNew, 0) << "run " << run;
        } else {
            for (const auto& row : fresh) keptNew += keptWriter->insertNew(row.data());
            EXPECT_EQ(plainNew, keptNew) << "run " << run;
            EXPECT_EQ(keptNew, stored ? 4 : 5) << "run " << run;
        }
        EXPECT_FALSE(keptWriter->holdsNothing()) << "run " << run;
        for (const auto& row : rows) EXPECT_TRUE(keptWriter->holds(row.data())) << "run " << run;
        expectAlikeThenClear(run);
    }
}

}  // namespace
