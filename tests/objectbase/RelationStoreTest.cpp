// Tests of the flat relation store against a plain ordered set of rows over random operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "objectbase/RelationStore.h"
#include "platform/ControlEvents.h"

namespace {

using Row = std::vector<InternalName>;

// Names of several kinds with negative values too, so that the order's signed value, kind and
// flag all decide somewhere.
InternalName randomName(std::mt19937& random, int spread) {
    const int value = int(random() % unsigned(spread)) - spread / 3;
    switch (random() % 4) {
        case 0:
            return InternalName(value, InternalName::Object, 0);
        case 1:
            return InternalName(value, InternalName::Integer, 0);
        case 2:
            return InternalName(value, InternalName::String, 0);
        default:
            return InternalName(value, InternalName::Object, std::int8_t(value % 3));
    }
}

Row randomRow(std::mt19937& random, int width, int spread) {
    Row row;
    for (int i = 0; i < width; ++i) row.push_back(randomName(random, spread));
    return row;
}

// The rows of the store in the order its readers see them.
std::vector<Row> ascending(const RelationStore& store) {
    std::vector<Row> rows;
    for (int rank = 0; rank < store.size(); ++rank) {
        const InternalName* cells = store.row(store.rowAtRank(rank));
        rows.emplace_back(cells, cells + store.width());
    }
    return rows;
}

std::vector<Row> inOrder(const std::set<Row>& twin) {
    return std::vector<Row>(twin.begin(), twin.end());
}

// Every column index answers exactly the rows that hold the value there, in insertion order.
void expectIndexesAgree(const RelationStore& store, const std::vector<InternalName>& probes) {
    for (int column = 0; column < store.width(); ++column) {
        for (const InternalName& value : probes) {
            std::vector<std::uint32_t> expected;
            for (int i = 0; i < store.size(); ++i)
                if (store.row(i)[column] == value) expected.push_back(std::uint32_t(i));
            const RelationStore::RowList* found = store.rowsWithCell(column, value);
            if (expected.empty()) {
                EXPECT_EQ(found, nullptr) << "column " << column << " " << value.ToString();
            } else {
                ASSERT_NE(found, nullptr) << "column " << column << " " << value.ToString();
                EXPECT_EQ(*found, expected) << "column " << column << " " << value.ToString();
            }
        }
    }
}

}  // namespace

TEST(RelationStoreTest, InsertAnswersNewOnceAndRowsKeepTheirNumbers) {
    RelationStore store(2);
    const InternalName a(1, InternalName::Object, 0), b(2, InternalName::Object, 0);
    const InternalName ab[] = {a, b}, ba[] = {b, a};
    EXPECT_TRUE(store.insert(ba));
    EXPECT_TRUE(store.insert(ab));
    EXPECT_FALSE(store.insert(ba));
    EXPECT_EQ(store.size(), 2);
    EXPECT_EQ(store.find(ba), 0);
    EXPECT_EQ(store.find(ab), 1);
    // Ascending order puts the later row first; the numbers stay the insertion order.
    EXPECT_EQ(store.rowAtRank(0), 1);
    EXPECT_EQ(store.rowAtRank(1), 0);
}

TEST(RelationStoreTest, RowsAddedSinceAMarkAreTheRangeFromIt) {
    RelationStore store(1);
    std::mt19937 random(7);
    std::set<Row> twin;
    for (int round = 0; round < 20; ++round) {
        const int mark = store.size();
        std::set<Row> added;
        for (int i = 0; i < 50; ++i) {
            const Row row = randomRow(random, 1, 400);
            const bool isNew = twin.insert(row).second;
            EXPECT_EQ(store.insert(row.data()), isNew);
            if (isNew) added.insert(row);
        }
        std::set<Row> range;
        for (int i = mark; i < store.size(); ++i) range.insert(Row(store.row(i), store.row(i) + 1));
        EXPECT_EQ(range, added) << "round " << round;
    }
}

// The rows by number, as a store must hold them: a rename rewrites every row and keeps the first
// of rows that became equal, in their order.
void renameNumbered(std::vector<Row>& numbered, const InternalName& from, const InternalName& to) {
    std::vector<Row> renamed;
    std::set<Row> seen;
    for (Row row : numbered) {
        std::replace(row.begin(), row.end(), from, to);
        if (seen.insert(row).second) renamed.push_back(row);
    }
    numbered = renamed;
}

void expectNumbering(const RelationStore& store, const std::vector<Row>& numbered, int width) {
    ASSERT_EQ(store.size(), int(numbered.size())) << "width " << width;
    for (int i = 0; i < store.size(); ++i)
        ASSERT_EQ(Row(store.row(i), store.row(i) + width), numbered[std::size_t(i)])
            << "width " << width << " row " << i;
}

TEST(RelationStoreTest, RowsThatAscendAndThenRepeatOrFallBackAgreeWithASet) {
    // Ascending runs (taken without probing), then repeats, rows below the last and rows
    // appended as new, over several widths: membership, numbering and order stay those of a set.
    std::mt19937 random(11);
    for (int width : {1, 2, 4}) {
        RelationStore store(width);
        std::set<Row> twin;
        std::vector<Row> numbered;
        auto insert = [&](const Row& row) {
            const bool isNew = twin.insert(row).second;
            EXPECT_EQ(store.insert(row.data()), isNew) << "width " << width;
            if (isNew) numbered.push_back(row);
        };
        std::vector<Row> rising;
        for (int i = 0; i < 300; ++i) rising.push_back(randomRow(random, width, 1000));
        std::sort(rising.begin(), rising.end());
        for (const Row& row : rising) insert(row);
        // The last row again, then every row again from the front.
        insert(rising.back());
        for (const Row& row : rising) insert(row);
        for (int i = 0; i < 300; ++i) insert(randomRow(random, width, 1000));
        expectNumbering(store, numbered, width);
        for (const Row& row : twin) EXPECT_GE(store.find(row.data()), 0) << "width " << width;
        EXPECT_EQ(ascending(store), inOrder(twin)) << "width " << width;

        // A reset store ascends again; a row appended as new ends the ascending run.
        store.reset();
        twin.clear();
        numbered.clear();
        insert(rising[0]);
        insert(rising[2]);
        Row above = rising.back();
        above.back() = InternalName(above.back().getValue() + 5000, InternalName::Object, 0);
        if (twin.insert(above).second) {
            store.appendNew(above.data());
            numbered.push_back(above);
        }
        insert(rising[1]);
        insert(rising[2]);
        insert(above);
        expectNumbering(store, numbered, width);
        EXPECT_EQ(ascending(store), inOrder(twin)) << "width " << width;
    }
}

TEST(RelationStoreTest, RowsSharingTheirLeadingCellsReadInOrder) {
    // New rows that all share their first one or two cells (an operand's key cell), sorted
    // alone and merged behind rows read in order before them.
    std::mt19937 random(5);
    for (int shared : {1, 2}) {
        RelationStore store(5);
        std::set<Row> twin;
        auto insertSome = [&](int count, const Row& lead) {
            for (int i = 0; i < count; ++i) {
                Row row = randomRow(random, 5, 60);
                std::copy(lead.begin(), lead.end(), row.begin());
                EXPECT_EQ(store.insert(row.data()), twin.insert(row).second);
            }
        };
        insertSome(400, randomRow(random, shared, 60));
        EXPECT_EQ(ascending(store), inOrder(twin)) << "shared " << shared;
        insertSome(400, randomRow(random, shared, 60));
        EXPECT_EQ(ascending(store), inOrder(twin)) << "shared " << shared;
    }
}

TEST(RelationStoreTest, RowsAscendingBehindAFewValuedCellReadInOrder) {
    // Rows made group by group in the groups' order behind a cell of few values (a count before
    // the group it counts), the cells before it shared or not, in batches read in order between
    // them; with more values than are counted, or rows that stop ascending behind the cell, too.
    std::mt19937 random(11);
    for (int shared : {0, 1}) {
        for (int values : {1, 3, 40}) {
            for (bool ascend : {true, false}) {
                RelationStore store(4);
                std::set<Row> twin;
                const Row lead = randomRow(random, 1, 60);
                int group = -500;
                auto insertSome = [&](int count) {
                    for (int i = 0; i < count; ++i) {
                        group += 1 + int(random() % 3);
                        Row row = randomRow(random, 4, 60);
                        if (shared == 1) row[0] = lead[0];
                        row[std::size_t(shared)] = randomName(random, values);
                        row[std::size_t(shared) + 1] =
                            InternalName(group, InternalName::Integer, 0);
                        if (shared == 0) row[3] = InternalName(i % 2, InternalName::Object, 0);
                        if (!ascend && i % 50 == 49) row[std::size_t(shared) + 1] = row[0];
                        EXPECT_EQ(store.insert(row.data()), twin.insert(row).second);
                    }
                };
                for (int batch = 0; batch < 3; ++batch) {
                    insertSome(300);
                    EXPECT_EQ(ascending(store), inOrder(twin))
                        << "shared " << shared << " values " << values << " ascend " << ascend;
                }
            }
        }
    }
}

TEST(RelationStoreTest, AgreesWithAnOrderedSetAcrossInsertsRenamesAndDeletes) {
    for (int width : {0, 1, 2, 3, 5}) {
        std::mt19937 random(unsigned(width) * 31 + 1);
        RelationStore store(width);
        std::set<Row> twin;
        // The rows in the order they were numbered.
        std::vector<Row> numbered;
        std::vector<InternalName> probes;
        for (int i = 0; i < 12; ++i) probes.push_back(randomName(random, 30));
        for (int step = 0; step < 60; ++step) {
            // Reads between the inserts leave a sorted part and a tail to merge into it.
            // A third of the new rows come through appendNew, which leaves them out of the
            // hash set until the next probe, some of them in blocks through appendNewRows.
            for (int i = 0; i < 40; ++i) {
                const Row row = randomRow(random, width, 30);
                if (random() % 7 == 0) {
                    Row cells;
                    int count = 0;
                    for (int k = 0; k < 4; ++k) {
                        const Row fresh = randomRow(random, width, 30);
                        if (!twin.insert(fresh).second) continue;
                        cells.insert(cells.end(), fresh.begin(), fresh.end());
                        numbered.push_back(fresh);
                        ++count;
                    }
                    store.appendNewRows(cells.data(), count);
                } else if (random() % 3 == 0 && twin.count(row) == 0) {
                    store.appendNew(row.data());
                    twin.insert(row);
                    numbered.push_back(row);
                } else {
                    const bool isNew = twin.insert(row).second;
                    EXPECT_EQ(store.insert(row.data()), isNew);
                    if (isNew) numbered.push_back(row);
                }
            }
            if (step % 3 == 0) expectIndexesAgree(store, probes);
            const int action = int(random() % 6);
            if (action == 0 || action == 2) {
                // Renaming merges rows that become equal, as an ordered set would. Half the
                // renames take a name no row holds, which changes rows without merging any.
                const InternalName from = randomName(random, 30);
                const InternalName to = action == 0
                                            ? randomName(random, 30)
                                            : InternalName(1000 + step, InternalName::Object, 0);
                std::set<Row> renamed;
                bool held = false;
                for (Row row : twin) {
                    for (InternalName& cell : row)
                        if (cell == from) {
                            cell = to;
                            held = true;
                        }
                    renamed.insert(row);
                }
                EXPECT_EQ(store.rename(from, to), held);
                twin = renamed;
                renameNumbered(numbered, from, to);
                std::vector<InternalName> named = probes;
                named.insert(named.end(), {from, to});
                expectIndexesAgree(store, named);
            } else if (action == 1 && width > 0) {
                const InternalName dropped = randomName(random, 30);
                auto drops = [&dropped](const InternalName* cells) { return cells[0] == dropped; };
                int expected = 0;
                for (auto it = twin.begin(); it != twin.end();)
                    if ((*it)[0] == dropped) {
                        it = twin.erase(it);
                        ++expected;
                    } else {
                        ++it;
                    }
                EXPECT_EQ(
                    store.retain([&drops](const InternalName* cells) { return !drops(cells); }),
                    expected);
                std::erase_if(numbered, [&drops](const Row& row) { return drops(row.data()); });
                expectIndexesAgree(store, probes);
            }
            ASSERT_EQ(store.size(), int(twin.size())) << "width " << width;
            expectNumbering(store, numbered, width);
            if (step % 2 == 0) {
                ASSERT_EQ(ascending(store), inOrder(twin)) << "width " << width;
            }
            for (const Row& row : twin) ASSERT_TRUE(store.contains(row.data()));
            for (const InternalName& name : probes) {
                bool anywhere = false;
                for (const Row& row : twin)
                    anywhere = anywhere || std::find(row.begin(), row.end(), name) != row.end();
                EXPECT_EQ(store.holds(name), anywhere);
            }
        }
        EXPECT_EQ(ascending(store), inOrder(twin));
        store.clear();
        EXPECT_EQ(store.size(), 0);
        EXPECT_TRUE(ascending(store).empty());
    }
}

TEST(RelationStoreTest, BatchesInAscendingOrderAndOutOfItReadInOrder) {
    RelationStore store(2);
    std::set<Row> twin;
    auto add = [&](int first, int second) {
        const Row row = {InternalName(first, InternalName::Object, 0),
                         InternalName(second, InternalName::Integer, 0)};
        EXPECT_EQ(store.insert(row.data()), twin.insert(row).second);
    };
    for (int batch = 0; batch < 6; ++batch) {
        // Even batches continue the ascending run, odd ones reach back below it.
        const int base = batch % 2 == 0 ? batch * 100 : -batch * 100;
        for (int i = 0; i < 30; ++i) add(base + i / 3, i % 3);
        EXPECT_EQ(ascending(store), inOrder(twin)) << "batch " << batch;
    }
}

TEST(RelationStoreTest, ARowOfTheStoreItselfCanBeInsertedAgainAfterARename) {
    RelationStore store(2);
    const InternalName a(1, InternalName::Object, 0), b(2, InternalName::Object, 0);
    const InternalName ab[] = {a, b};
    store.insert(ab);
    for (int i = 0; i < 100; ++i) {
        const InternalName row[] = {InternalName(i + 10, InternalName::Object, 0), a};
        store.insert(row);
    }
    // Inserting a stored row (which the growth of the cells may move) finds it present.
    EXPECT_FALSE(store.insert(store.row(0)));
    EXPECT_TRUE(store.rename(b, a));
    const InternalName aa[] = {a, a};
    EXPECT_TRUE(store.contains(aa));
    EXPECT_FALSE(store.contains(ab));
}

TEST(RelationStoreTest, AStopRequestCutsALargeSortShortAndTheOrderIsRedoneAfterIt) {
    controlEvents::takeFarewell();
    controlEvents::clearInterrupt();
    controlEvents::takeCutShort();
    // 300,000 rows in descending order of three columns: several runs of the sort to merge.
    RelationStore store(3);
    const int count = 300000;
    for (int i = count - 1; i >= 0; --i) {
        const InternalName row[3] = {InternalName(i / 7, InternalName::Object, 0),
                                     InternalName(i % 7, InternalName::Integer, 0),
                                     InternalName(i, InternalName::Integer, 0)};
        store.insert(row);
    }
    controlEvents::record(controlEvents::Shutdown);
    // The order asked for while the farewell is pending: the sort gives up and says so, and a
    // walk over the ranks still meets every row once.
    std::vector<char> met(std::size_t(count), 0);
    for (int rank = 0; rank < count; ++rank) met[std::size_t(store.rowAtRank(rank))] += 1;
    EXPECT_TRUE(controlEvents::takeCutShort());
    EXPECT_EQ(std::count(met.begin(), met.end(), 1), count);
    std::vector<std::uint32_t> range;
    EXPECT_FALSE(store.extendOrder(range, 5));
    EXPECT_EQ(range.size(), std::size_t(count - 5));
    EXPECT_TRUE(controlEvents::takeCutShort());

    // Once the stop has been dealt with, the order is sorted anew.
    controlEvents::takeFarewell();
    controlEvents::clearInterrupt();
    for (int rank = 0; rank < count; ++rank)
        ASSERT_EQ(store.row(store.rowAtRank(rank))[2].getValue(), rank) << rank;
    EXPECT_FALSE(controlEvents::takeCutShort());
    range.clear();
    EXPECT_TRUE(store.extendOrder(range, 5));
    EXPECT_EQ(store.row(int(range.front()))[2].getValue(), 0);
}

TEST(RelationStoreTest, AStoreResetOrGivenRoomAheadAgreesWithAFreshOne) {
    std::mt19937 random(6969);
    RelationStore store(3);
    for (int round = 0; round < 6; ++round) {
        // Every other round makes room first; the rows after a reset keep nothing of before,
        // whatever the memory kept (its hash set, its order, a column index asked for).
        store.reset();
        EXPECT_TRUE(store.empty());
        if (round % 2 == 1) store.reserve(50 + round);
        std::set<Row> twin;
        std::vector<InternalName> probes;
        for (int i = 0; i < 40 + 30 * round; ++i) {
            const Row row = randomRow(random, 3, 25);
            probes.push_back(row[i % 3]);
            if (i % 3 == 0 && twin.count(row) == 0) {
                store.appendNew(row.data());
                twin.insert(row);
            } else {
                EXPECT_EQ(store.insert(row.data()), twin.insert(row).second) << "round " << round;
            }
        }
        EXPECT_EQ(store.size(), int(twin.size())) << "round " << round;
        EXPECT_EQ(ascending(store), inOrder(twin)) << "round " << round;
        for (const Row& row : twin) EXPECT_TRUE(store.contains(row.data())) << "round " << round;
        expectIndexesAgree(store, probes);
    }
}

TEST(RelationStoreTest, RoomPromisedToAscendingRowsHoldsWhenTheyStopAscending) {
    std::mt19937 random(4242);
    auto integer = [](int value) { return InternalName(value, InternalName::Integer, 0); };
    for (int breakAt : {0, 1, 7, 300, 1000}) {
        // Room is promised for rows that first ascend (facts in order), then come at random:
        // the hash set made late must still answer for every row, the ascending ones included.
        RelationStore store(2);
        store.reserveLookedUp(1200);
        std::set<Row> twin;
        for (int i = 0; i < breakAt; ++i) {
            const Row row{integer(i), integer(i % 5)};
            store.prefetch(row.data());
            EXPECT_TRUE(store.insert(row.data()));
            twin.insert(row);
        }
        // A look-up while the rows still ascend hashes them; the rows after it go on ascending.
        if (breakAt == 300) {
            EXPECT_TRUE(store.contains(Row{integer(3), integer(3)}.data()));
        }
        for (int i = breakAt; i < breakAt + 50; ++i) {
            const Row row{integer(i), integer(0)};
            EXPECT_EQ(store.insert(row.data()), twin.insert(row).second);
        }
        for (int i = 0; i < 800; ++i) {
            const Row row = randomRow(random, 2, 1500);
            store.prefetch(row.data());
            store.prefetchRow(row.data());
            EXPECT_EQ(store.insert(row.data()), twin.insert(row).second) << "break " << breakAt;
        }
        EXPECT_EQ(store.size(), int(twin.size())) << "break " << breakAt;
        for (const Row& row : twin) EXPECT_TRUE(store.contains(row.data())) << "break " << breakAt;
        EXPECT_EQ(ascending(store), inOrder(twin)) << "break " << breakAt;
    }
}

TEST(RelationStoreTest, ALookupByAHashTakenBeforeNumbersRowsAsAPlainOneDoes) {
    std::mt19937 random(5151);
    RelationStore hashed(2);
    RelationStore plain(2);
    for (int i = 0; i < 3000; ++i) {
        // Hints and lookups by a hash taken once, interleaved with plain lookups of the same
        // store: both number the rows in the order they first came.
        const Row row = randomRow(random, 2, 120);
        const std::uint64_t hash = hashed.hashOf(row.data());
        hashed.prefetchSlot(hash);
        hashed.prefetchRowOf(hash);
        const int number =
            i % 4 == 0 ? hashed.numberOf(row.data()) : hashed.numberOf(row.data(), hash);
        EXPECT_EQ(number, plain.numberOf(row.data())) << "row " << i;
        EXPECT_EQ(hashed.find(row.data()), number) << "row " << i;
    }
    EXPECT_EQ(hashed.size(), plain.size());
}

// Rows handed over in their array and rows copied in (appendNewRows, the general road): the
// same numbering, order, lookups, column indexes and later inserts, over random rows.
TEST(RelationStoreTest, RowsHandedOverInTheirArrayActAsRowsCopiedIn) {
    std::mt19937 random(20261211);
    for (int round = 0; round < 60; ++round) {
        const int width = 1 + int(random() % 3);
        std::set<Row> distinct;
        const int wanted = 1 + int(random() % 300);
        for (int i = 0; i < wanted; ++i) distinct.insert(randomRow(random, width, 200));
        std::vector<Row> rows(distinct.begin(), distinct.end());
        std::shuffle(rows.begin(), rows.end(), random);
        RelationStore copied(width), handed(width);
        // Sometimes a column is indexed while the stores are empty, and sometimes the first
        // row made the store (a writer's first insert).
        std::vector<InternalName> probes;
        for (const Row& row : rows) probes.push_back(row[0]);
        if (random() % 2 == 0) {
            copied.rowsWithCell(0, probes.front());
            handed.rowsWithCell(0, probes.front());
        }
        const bool firstStored = random() % 2 == 0;
        if (firstStored) {
            copied.insert(rows.front().data());
            handed.insert(rows.front().data());
        }
        RelationStore::Cells cells;
        for (const Row& row : rows) cells.append(row.data(), row.size());
        const InternalName* array = cells.data();
        const int from = firstStored ? 1 : 0;
        copied.appendNewRows(cells.data() + std::size_t(from * width), int(rows.size()) - from);
        ASSERT_TRUE(handed.adoptRows(cells, int(rows.size())));
        // Taken as it was: no copy, and the caller's array is left empty.
        EXPECT_EQ(handed.row(0), array);
        EXPECT_TRUE(cells.empty());
        expectNumbering(handed, rows, width);
        EXPECT_EQ(ascending(handed), ascending(copied));
        expectIndexesAgree(handed, probes);
        // Later inserts and lookups agree, new rows and rows held alike.
        for (int i = 0; i < 100; ++i) {
            const Row row =
                random() % 2 == 0 ? rows[random() % rows.size()] : randomRow(random, width, 200);
            EXPECT_EQ(handed.find(row.data()), copied.find(row.data()));
            EXPECT_EQ(handed.insert(row.data()), copied.insert(row.data()));
        }
        EXPECT_EQ(ascending(handed), ascending(copied));
    }
}

TEST(RelationStoreTest, RowsAreHandedOverOnlyToAStoreHoldingTheirFirstRowsAtMost) {
    const InternalName a(1, InternalName::Object, 0), b(2, InternalName::Object, 0);
    RelationStore store(1);
    store.insert(&b);
    RelationStore::Cells cells;
    cells.append(&a, 1);
    cells.append(&b, 1);
    // The store holds a row that is not the array's first: nothing taken.
    EXPECT_FALSE(store.adoptRows(cells, 2));
    EXPECT_EQ(cells.size(), 2u);
    EXPECT_EQ(store.size(), 1);
    // As many rows as the store holds already: nothing new to take.
    RelationStore one(1);
    one.insert(&a);
    RelationStore::Cells single;
    single.append(&a, 1);
    EXPECT_FALSE(one.adoptRows(single, 1));
}

TEST(RelationStoreTest, BlocksOfRowsStoreAsRowsInsertedOneAtATime) {
    // Blocks that ascend for a while, then repeat a row, fall back or jump ahead, with column
    // indexes made before or between them: insertRows takes the ascending part of a block at
    // once, and must leave what inserting each row leaves (rows, their numbers, the count of new
    // ones, the indexes).
    std::mt19937 random(94);
    for (int round = 0; round < 200; ++round) {
        const int width = 1 + int(random() % 3);
        RelationStore blocks(width);
        RelationStore single(width);
        if (random() % 3 == 0) {
            blocks.rowsWithCell(0, InternalName(0, InternalName::Integer, 0));
            single.rowsWithCell(0, InternalName(0, InternalName::Integer, 0));
        }
        Row at = randomRow(random, width, 50);
        std::vector<InternalName> probes;
        for (int block = int(random() % 6); block >= 0; --block) {
            std::vector<InternalName> cells;
            const int count = 1 + int(random() % 40);
            for (int i = 0; i < count; ++i) {
                switch (random() % 10) {
                    case 0:
                        // The row before again.
                        break;
                    case 1:
                        at = randomRow(random, width, 50);
                        break;
                    default:
                        // The last cell steps up, at times the first.
                        at.back() = InternalName(at.back().getValue() + 1 + int(random() % 3),
                                                 at.back().getType(), at.back().getArity());
                        if (random() % 5 == 0)
                            at.front() = InternalName(at.front().getValue() + 1,
                                                      at.front().getType(), at.front().getArity());
                        break;
                }
                cells.insert(cells.end(), at.begin(), at.end());
                probes.push_back(at.front());
            }
            int fresh = 0;
            for (int i = 0; i < count; ++i)
                if (single.insert(cells.data() + std::size_t(i) * std::size_t(width))) ++fresh;
            EXPECT_EQ(blocks.insertRows(cells.data(), count), fresh) << "round " << round;
            if (random() % 4 == 0) {
                blocks.rowsWithCell(width - 1, at.back());
                single.rowsWithCell(width - 1, at.back());
            }
        }
        ASSERT_EQ(blocks.size(), single.size()) << "round " << round;
        for (int i = 0; i < single.size(); ++i)
            EXPECT_EQ(Row(blocks.row(i), blocks.row(i) + width),
                      Row(single.row(i), single.row(i) + width))
                << "round " << round << " row " << i;
        EXPECT_EQ(ascending(blocks), ascending(single)) << "round " << round;
        expectIndexesAgree(blocks, probes);
        for (int i = 0; i < single.size(); ++i)
            EXPECT_EQ(blocks.find(single.row(i)), i) << "round " << round;
    }
}
