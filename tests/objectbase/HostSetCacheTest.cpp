// The kept-set road of set-valued inserts agrees with the plain one, whatever equalities and
// clears move the frames between the inserts.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/HostSetCache.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/ObjectBaseTestSupport.h"
#include "support/ChannelCapture.h"

namespace {

using namespace objectbase_test;

// Two managers fed the same operations: `plain` through insertMethodValue, `kept` through
// insertSetValueKeepingSets with one cache for the whole run, as a rule head keeps it.
class HostSetCacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        centralErrorHandler().reset();
        centralErrorHandler().setKeepMostSerious(0);
        plain = new MainMemOM();
        kept = new MainMemOM();
    }
    void TearDown() override {
        for (MainMemOM* om : {plain, kept}) {
            om->clearDelta();
            decRef(om);
        }
        centralErrorHandler().setKeepMostSerious(1);
        centralErrorHandler().reset();
    }

    // The same object in both managers (names are made in the same order in both).
    InternalName object(const std::string& text) {
        InternalName a;
        InternalName b;
        plain->internName(a, text, 1);
        kept->internName(b, text, 1);
        EXPECT_EQ(a, b) << text;
        return a;
    }

    // The objects prefix0, prefix1, ... in both managers.
    std::vector<InternalName> objects(const std::string& prefix, int count) {
        std::vector<InternalName> made;
        for (int i = 0; i < count; ++i) made.push_back(object(prefix + std::to_string(i)));
        return made;
    }

    static std::string dumped(MainMemOM* om) {
        ChannelCapture debug(debugChannel());
        om->dump(0);
        return debug.text();
    }

    // Both managers record the values of type 1 without arguments in a delta of their own.
    bool record() {
        plainTable = std::make_unique<DeltaTable>();
        keptTable = std::make_unique<DeltaTable>();
        plainDelta = plain->giveSymTab()->GetFSymbol("delta_1^0", InternalName::Predicate, 3);
        keptDelta = kept->giveSymTab()->GetFSymbol("delta_1^0", InternalName::Predicate, 3);
        plainTable->setMethodDelta(1, 0, plainDelta);
        keptTable->setMethodDelta(1, 0, keptDelta);
        return plain->initDelta(plainTable.get()) == 1 && kept->initDelta(keptTable.get()) == 1;
    }

    // Both managers recorded and hold the same, and start again from nothing.
    void expectAlikeThenClear(int run) {
        EXPECT_EQ(predicateRows(plain, plainDelta), predicateRows(kept, keptDelta))
            << "run " << run;
        EXPECT_EQ(dumped(plain), dumped(kept)) << "run " << run;
        plain->clearDelta();
        kept->clearDelta();
        // A cleared manager numbers its names anew: frames kept from before must not be met.
        plain->clear();
        kept->clear();
    }

    MainMemOM* plain = nullptr;
    MainMemOM* kept = nullptr;
    HostSetCache sets;
    std::unique_ptr<DeltaTable> plainTable;
    std::unique_ptr<DeltaTable> keptTable;
    FSymbol plainDelta;
    FSymbol keptDelta;
};

TEST_F(HostSetCacheTest, AgreesWithPlainInsertsWhileEqualitiesAndClearsMoveFrames) {
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
                ASSERT_EQ(plain->equate(a, b, 0), kept->equate(a, b, 0));
                ASSERT_EQ(plain->applyEqualities(), kept->applyEqualities());
                continue;
            }
            const InternalName host = hosts[random() % hosts.size()];
            const InternalName method = methods[random() % 2];
            const int type = types[random() % 4];
            const InternalName value = values[random() % values.size()];
            if (what < 10) kept->prefetchMethodValue(host, method, type, value, sets);
            ASSERT_EQ(plain->insertMethodValue(host, method, nullptr, 0, type, value),
                      kept->insertSetValueKeepingSets(host, method, type, value, sets))
                << "run " << run << " step " << step;
        }
        expectAlikeThenClear(run);
    }
    EXPECT_GT(sets.capacity(), 0u);
}

// A head hints a whole batch of rows and then inserts them in the same order; here rows are
// also skipped, repeated and reordered between the hints and the inserts, and equalities move
// the frames in between, so that a frame noted by a hint may be out of date or for another row.
TEST_F(HostSetCacheTest, InsertsAfterABatchOfHintsAgreeWithPlainInserts) {
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
            for (const Row& row : rows)
                kept->prefetchMethodValue(row.host, row.method, row.type, row.value, sets);
            const int how = int(random() % 10);
            if (how == 0) {
                // Two hosts merge (their sets become one) or a host and a value do.
                const InternalName a = hosts[random() % hosts.size()];
                const InternalName b = random() % 2 == 0 ? hosts[random() % hosts.size()]
                                                         : values[random() % values.size()];
                ASSERT_EQ(plain->equate(a, b, 0), kept->equate(a, b, 0));
                ASSERT_EQ(plain->applyEqualities(), kept->applyEqualities());
            } else if (how == 1) {
                std::shuffle(rows.begin(), rows.end(), random);
            }
            for (std::size_t i = 0; i < rows.size(); ++i) {
                if (how == 2 && random() % 3 == 0) continue;
                const Row& row = rows[i];
                ASSERT_EQ(
                    plain->insertMethodValue(row.host, row.method, nullptr, 0, row.type, row.value),
                    kept->insertSetValueKeepingSets(row.host, row.method, row.type, row.value,
                                                    sets))
                    << "run " << run << " batch " << batch << " row " << i;
            }
        }
        expectAlikeThenClear(run);
    }
}

TEST_F(HostSetCacheTest, AManagerNeverFindsFramesKeptForAnother) {
    const InternalName host = object("h");
    const InternalName method = object("m");
    const InternalName first = object("a");
    const InternalName second = object("b");
    EXPECT_EQ(kept->insertSetValueKeepingSets(host, method, 1, first, sets), 1);
    EXPECT_EQ(kept->insertSetValueKeepingSets(host, method, 1, second, sets), 1);
    // The same names in another manager: its host has no set yet, whatever the cache holds.
    EXPECT_EQ(plain->insertSetValueKeepingSets(host, method, 1, second, sets), 1);
    EXPECT_EQ(plain->insertSetValueKeepingSets(host, method, 1, second, sets), 0);
    EXPECT_EQ(plain->insertSetValueKeepingSets(host, method, 1, first, sets), 1);
    EXPECT_EQ(dumped(plain), dumped(kept));
}

}  // namespace
