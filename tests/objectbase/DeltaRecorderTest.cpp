// The delta recorder on a frame registry of its own: what it records and where, reading the rows
// back, stopping, and the marks its views and its kept frames hold to.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

#include "objectbase/DeltaRecorder.h"
#include "objectbase/DeltaTable.h"
#include "objectbase/FrameManager.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"

namespace {

using Row = std::vector<InternalName>;
using Rows = std::vector<Row>;

InternalName obj(int v) {
    return InternalName(v, InternalName::Object, 0);
}
FSymbol pred(int v, int arity) {
    return FSymbol(v, InternalName::Predicate, static_cast<std::int8_t>(arity));
}

// A recorder over a registry of its own; the registry's owner and symbol table are never read.
class DeltaRecorderTest : public ::testing::Test {
  protected:
    DeltaRecorderTest()
        : frames(Ref<FrameManager>::make(*reinterpret_cast<OM*>(&dummy),
                                         *reinterpret_cast<SymTab*>(&dummy))),
          recorder(*frames, memberships, layout) {}
    ~DeltaRecorderTest() override {
        recorder.stop();
        frames->clear();
    }

    MainMemPredFrame* frameOf(const InternalName& name) {
        MainMemPredFrame* frame = nullptr;
        frames->getPredFrame(name, frame);
        return frame;
    }
    // The rows a frame shows, in ascending order; empty when there is no frame.
    Rows rowsOf(const InternalName& name) {
        Rows rows;
        MainMemPredFrame* frame = frameOf(name);
        if (frame == nullptr) return rows;
        const int width = frame->getArity();
        auto it = Ref<Iterator>::adopt(frame->getIterator(nullptr));
        for (bool more = it->first(); more; more = it->next()) {
            Row row;
            for (int col = 1; col <= width; ++col) row.push_back(it->atColumn(col));
            rows.push_back(row);
        }
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    static Rows sorted(Rows rows) {
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    // A predicate frame with these rows, as the base stores facts.
    MainMemPredFrame* source(const InternalName& name, int arity, const Rows& rows) {
        MainMemPredFrame* frame = frames->makePredFrame(name, arity);
        for (const Row& row : rows) frame->insertTuple(row.data(), arity);
        return frame;
    }

    long dummy = 0;
    Ref<FrameManager> frames;
    MainMemPredFrame memberships{2};
    std::uint64_t layout = 1;
    DeltaRecorder recorder;
};

TEST_F(DeltaRecorderTest, RecordsEachKindOfFactAsARowOfItsDelta) {
    DeltaTable table;
    const FSymbol value0 = pred(10, 3), value1 = pred(11, 4), empty0 = pred(12, 2),
                  isa = pred(13, 2), subcl = pred(14, 2), p = pred(15, 2), deltaP = pred(16, 2);
    table.setMethodDelta(0, 0, value0);
    table.setMethodDelta(1, 1, value1);
    table.setEmptySetDelta(1, 0, empty0);
    table.setPredicateDelta(p, deltaP);
    table.isaDelta = isa;
    table.subclDelta = subcl;
    table.isaFlag = 1;
    table.headSubclFlag = 1;
    table.bodySubclFlag = 1;
    table.maxArgCount = 1;

    EXPECT_FALSE(recorder.on());
    ASSERT_EQ(recorder.start(&table), 1);
    EXPECT_TRUE(recorder.on());
    EXPECT_EQ(recorder.table(), &table);
    // Every delta frame is there, empty.
    for (const FSymbol& name : {value0, value1, empty0, isa, subcl, deltaP}) {
        ASSERT_NE(frameOf(name), nullptr);
        EXPECT_TRUE(rowsOf(name).empty());
    }

    const InternalName h = obj(1), m = obj(2), a = obj(3), v = obj(4), c = obj(5), o = obj(6);
    EXPECT_EQ(recorder.recordValue(0, m, h, nullptr, 0, v), 1);
    EXPECT_EQ(recorder.recordValue(0, m, h, nullptr, 0, v), 0);  // there already
    EXPECT_EQ(recorder.recordValue(1, m, h, &a, 1, v), 1);
    EXPECT_EQ(recorder.recordNewMember(1, m, h, &a, 1, c), 1);
    EXPECT_EQ(recorder.recordEntry(1, m, h, nullptr, 0), 1);
    EXPECT_EQ(recorder.recordEntry(1, m, h, nullptr, 0), 0);
    EXPECT_EQ(recorder.recordObject(o), 1);
    EXPECT_EQ(recorder.recordIsa(o, c, 2), 1);
    const Row tuple = {a, v};
    MainMemPredFrame* pFrame = source(p, 2, {});
    EXPECT_EQ(recorder.recordPredicate(p, pFrame, tuple.data(), 2), 1);

    EXPECT_EQ(rowsOf(value0), (Rows{{m, h, v}}));
    EXPECT_EQ(rowsOf(value1), sorted({{m, h, a, v}, {m, h, a, c}}));
    EXPECT_EQ(rowsOf(empty0), (Rows{{m, h}}));
    EXPECT_EQ(rowsOf(subcl), sorted({{o, o}, {o, c}}));
    EXPECT_EQ(rowsOf(deltaP), (Rows{{a, v}}));

    // Facts without a delta are not recorded: 0.
    EXPECT_EQ(recorder.recordValue(3, m, h, nullptr, 0, v), 0);
    EXPECT_EQ(recorder.recordValue(0, m, h, &a, 1, v), 0);
    EXPECT_EQ(recorder.recordEntry(4, m, h, nullptr, 0), 0);
    EXPECT_EQ(recorder.recordPredicate(deltaP, frameOf(deltaP), tuple.data(), 2), 0);
    EXPECT_EQ(recorder.recordPredicateRows(pred(40, 2), nullptr, tuple.data(), 1, 2), 0);
}

TEST_F(DeltaRecorderTest, StoppingKeepsTheRowsAndRecordsNothingMore) {
    DeltaTable table;
    const FSymbol value0 = pred(10, 3), isa = pred(13, 2);
    table.setMethodDelta(0, 0, value0);
    table.isaDelta = isa;
    table.isaFlag = 1;
    ASSERT_EQ(recorder.start(&table), 1);
    const InternalName h = obj(1), m = obj(2), v = obj(3), c = obj(4);
    EXPECT_EQ(recorder.recordValue(0, m, h, nullptr, 0, v), 1);
    const Row membership = {h, c};
    memberships.insertTuple(membership.data(), 2);
    EXPECT_EQ(recorder.recordIsa(h, c, 1), 1);
    EXPECT_EQ(rowsOf(isa), (Rows{{h, c}}));

    recorder.stop();
    EXPECT_FALSE(recorder.on());
    EXPECT_EQ(recorder.table(), nullptr);
    EXPECT_EQ(recorder.recordValue(0, m, h, nullptr, 0, c), 0);
    EXPECT_EQ(recorder.recordObject(h), 0);
    EXPECT_EQ(recorder.recordIsa(h, v, 1), 0);
    // The view of the memberships was frozen: later memberships are not in it.
    const Row later = {v, c};
    memberships.insertTuple(later.data(), 2);
    EXPECT_FALSE(frameOf(isa)->isView());
    EXPECT_EQ(rowsOf(isa), (Rows{{h, c}}));
    EXPECT_EQ(rowsOf(value0), (Rows{{m, h, v}}));

    // Starting again empties the deltas.
    ASSERT_EQ(recorder.start(&table), 1);
    EXPECT_TRUE(rowsOf(value0).empty());
    EXPECT_TRUE(rowsOf(isa).empty());
}

TEST_F(DeltaRecorderTest, AViewShowsTheRowsItsSourceGainedSinceTheMark) {
    DeltaTable table;
    const FSymbol p = pred(20, 1), deltaP = pred(21, 1), q = pred(22, 1), deltaQ = pred(23, 1);
    table.setPredicateDelta(p, deltaP);
    table.setPredicateDelta(q, deltaQ);
    MainMemPredFrame* pFrame = source(p, 1, {{obj(1)}, {obj(2)}});
    ASSERT_EQ(recorder.start(&table), 1);
    // p had a frame at the mark: its delta views it, and shows only the rows added since.
    EXPECT_TRUE(frameOf(deltaP)->viewsRowsOf(pFrame));
    const Row three = {obj(3)};
    pFrame->insertTuple(three.data(), 1);
    EXPECT_EQ(recorder.recordPredicate(p, pFrame, three.data(), 1), 1);
    EXPECT_EQ(rowsOf(deltaP), (Rows{{obj(3)}}));
    // q's frame was made while recording: its empty delta becomes a view from then on.
    MainMemPredFrame* qFrame = source(q, 1, {});
    recorder.viewInDelta(q, qFrame);
    EXPECT_TRUE(frameOf(deltaQ)->viewsRowsOf(qFrame));
    const Row four = {obj(4)}, five = {obj(5)};
    qFrame->insertTuple(four.data(), 1);
    qFrame->insertTuple(five.data(), 1);
    EXPECT_EQ(rowsOf(deltaQ), sorted({{obj(4)}, {obj(5)}}));

    // A new round: the views start again at a new mark.
    ASSERT_EQ(recorder.start(&table), 1);
    EXPECT_TRUE(rowsOf(deltaP).empty());
    const Row six = {obj(6)};
    pFrame->insertTuple(six.data(), 1);
    EXPECT_EQ(rowsOf(deltaP), (Rows{{obj(6)}}));
    recorder.stop();
    pFrame->insertTuple(four.data(), 1);
    EXPECT_EQ(rowsOf(deltaP), (Rows{{obj(6)}}));
}

TEST_F(DeltaRecorderTest, AFrameMadeAgainUnderANewLayoutIsFoundAgain) {
    DeltaTable table;
    const FSymbol value1 = pred(30, 3);
    table.setMethodDelta(1, 0, value1);
    ASSERT_EQ(recorder.start(&table), 1);
    const InternalName h = obj(1), m = obj(2);
    EXPECT_EQ(recorder.recordNewMember(1, m, h, nullptr, 0, obj(3)), 1);
    EXPECT_EQ(recorder.recordNewMember(1, m, h, nullptr, 0, obj(4)), 1);
    // The frames are dropped and the layout moves on: the kept frame is not written to, the
    // delta frame is made again.
    recorder.framesDropped();
    frames->clear();
    ++layout;
    EXPECT_EQ(frameOf(value1), nullptr);
    EXPECT_EQ(recorder.recordNewMember(1, m, h, nullptr, 0, obj(5)), 1);
    EXPECT_EQ(rowsOf(value1), (Rows{{m, h, obj(5)}}));
}

// Random facts recorded in rounds: each round's delta holds exactly the rows new in it, whichever
// road (probed, known new, kept frame) wrote them.
TEST_F(DeltaRecorderTest, RandomRoundsHoldExactlyTheirNewRows) {
    DeltaTable table;
    const FSymbol value1 = pred(50, 3), value2 = pred(51, 4);
    table.setMethodDelta(1, 0, value1);
    table.setMethodDelta(1, 1, value2);
    table.maxArgCount = 1;
    std::mt19937 random(7);
    std::set<Row> stored;
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(recorder.start(&table), 1);
        Rows added1, added2;
        for (int i = 0; i < 200; ++i) {
            const InternalName m = obj(1 + int(random() % 3)), h = obj(10 + int(random() % 20)),
                               a = obj(40 + int(random() % 4)), v = obj(60 + int(random() % 20));
            const bool withArgument = random() % 2 == 0;
            const Row row = withArgument ? Row{m, h, a, v} : Row{m, h, v};
            const bool isNew = stored.insert(row).second;
            const int road = int(random() % 3);
            // The base asks only about new facts; a fact recorded this round may be asked about
            // again on the probing road, which finds it there.
            const Rows& added = withArgument ? added2 : added1;
            if (!isNew && (road != 0 || std::find(added.begin(), added.end(), row) == added.end()))
                continue;
            int answer = 0;
            const InternalName* args = withArgument ? &a : nullptr;
            const int argCount = withArgument ? 1 : 0;
            if (road == 0)
                answer = recorder.recordValue(1, m, h, args, argCount, v);
            else if (road == 1)
                answer = recorder.recordValue(1, m, h, args, argCount, v, true);
            else
                answer = recorder.recordNewMember(1, m, h, args, argCount, v);
            EXPECT_EQ(answer, isNew ? 1 : 0) << "round " << round << " fact " << i;
            if (isNew) (withArgument ? added2 : added1).push_back(row);
        }
        EXPECT_EQ(rowsOf(value1), sorted(added1)) << "round " << round;
        EXPECT_EQ(rowsOf(value2), sorted(added2)) << "round " << round;
        if (round % 4 == 3) stored.clear();  // a new program: the facts are new again
    }
}

}  // namespace
