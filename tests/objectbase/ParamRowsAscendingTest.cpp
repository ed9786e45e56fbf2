// A frame whose rows come with ascending arguments leaves them out of its index of arguments
// until a lookup needs it: over random runs of stores, lookups, repeats, removals and renames it
// answers as a frame whose index is brought up to date after every step.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/ParamRows.h"

using namespace objectbase_test;

namespace {

// Rows of two arguments and a result; argument values from 1000 on, so that obj(1) lies below
// every argument list.
constexpr int Width = 3;

std::vector<InternalName> cellsOf(const InternalName* row, int count) {
    return std::vector<InternalName>(row, row + count);
}

// Every row of the frame in ascending order, as a walk gives them.
std::vector<std::vector<InternalName>> walk(const ParamRows& frame) {
    std::vector<std::vector<InternalName>> rows;
    ParamRows::Cursor at;
    for (const InternalName* row = frame.first(at); row != nullptr; row = frame.next(at, row))
        rows.push_back(cellsOf(row, Width));
    return rows;
}

std::string answerOf(const ParamRows& frame, const InternalName* args) {
    const InternalName* found = frame.answer(args);
    return found == nullptr ? "none" : std::to_string(found->getValue());
}

// Two frames fed the same steps: `waiting` as they come, `indexed` with a lookup of arguments
// below every row after each step, which puts every row into the index of arguments.
struct TwinFrames {
    TwinFrames() { indexed.useArgumentIndex(ParamRows::ArgumentIndex::Indexed); }
    ParamRows waiting{Width};
    ParamRows indexed{Width};
    const InternalName lowest[Width - 1] = {obj(1), obj(1)};

    void settle() { EXPECT_EQ(indexed.answer(lowest), nullptr); }

    // The function-term road: the object answering for the arguments, made when none does.
    void findOrAdd(const InternalName* args, const InternalName& made, const std::string& step) {
        // Read from the walk, which no index serves: an object is made exactly when no row
        // holds the arguments.
        bool held = false;
        for (const auto& row : walk(waiting))
            held = held || std::equal(args, args + Width - 1, row.begin());
        InternalName results[2];
        bool added[2];
        ParamRows* frames[2] = {&waiting, &indexed};
        for (int k = 0; k < 2; ++k) {
            ParamRows::Vacancy vacancy;
            const InternalName* found = frames[k]->answer(args, vacancy);
            added[k] = found == nullptr;
            if (found != nullptr) {
                results[k] = *found;
            } else {
                ASSERT_TRUE(frames[k]->addAnswering(args, made, vacancy)) << step;
                results[k] = made;
            }
        }
        EXPECT_EQ(added[0], !held) << step;
        EXPECT_EQ(added[1], !held) << step;
        EXPECT_EQ(results[0], results[1]) << step;
        settle();
    }

    void agree(const std::string& step) {
        ASSERT_EQ(waiting.size(), indexed.size()) << step;
        const auto rows = walk(waiting);
        ASSERT_EQ(rows, walk(indexed)) << step;
        // A small frame's cells read in place are the rows the walk gives.
        for (const ParamRows* frame : {&waiting, &indexed}) {
            const InternalName* cells = nullptr;
            int count = 0;
            if (!frame->smallCells(cells, count)) continue;
            std::vector<std::vector<InternalName>> inPlace;
            for (int row = 0; row < count; ++row)
                inPlace.push_back(cellsOf(cells + std::size_t(row) * Width, Width));
            EXPECT_EQ(inPlace, rows) << step;
        }
        for (const auto& row : rows) {
            EXPECT_EQ(answerOf(waiting, row.data()), answerOf(indexed, row.data())) << step;
            const InternalName* a = waiting.definingRow(row[Width - 1]);
            const InternalName* b = indexed.definingRow(row[Width - 1]);
            ASSERT_EQ(a == nullptr, b == nullptr) << step;
            if (a != nullptr) {
                EXPECT_EQ(cellsOf(a, Width), cellsOf(b, Width)) << step;
            }
        }
    }
};

}  // namespace

// The rows of a small frame are read in place in ascending order, whatever order they came in;
// a frame past the small limit is walked with a cursor only.
TEST(ParamRowsAscendingTest, SmallFramesGiveTheirRowsInPlace) {
    ParamRows frame{Width};
    for (const int arg : {1003, 1001, 1002}) {
        const InternalName row[Width] = {obj(arg), obj(arg + 1), obj(arg + 2)};
        ASSERT_TRUE(frame.insert(row));
    }
    const InternalName* cells = nullptr;
    int count = 0;
    ASSERT_TRUE(frame.smallCells(cells, count));
    ASSERT_EQ(count, 3);
    for (int row = 0; row < count; ++row)
        EXPECT_EQ(cellsOf(cells + std::size_t(row) * Width, Width),
                  std::vector<InternalName>({obj(1001 + row), obj(1002 + row), obj(1003 + row)}));
    for (int arg = 2000; arg < 2000 + ParamRows::SmallLimit; ++arg) {
        const InternalName row[Width] = {obj(arg), obj(arg), obj(arg)};
        ASSERT_TRUE(frame.insert(row));
    }
    EXPECT_FALSE(frame.smallCells(cells, count));
    EXPECT_EQ(walk(frame).size(), std::size_t(3 + ParamRows::SmallLimit));
}

TEST(ParamRowsAscendingTest, RowsWaitingForTheIndexAnswerAsIndexedRows) {
    for (unsigned seed = 1; seed <= 12; ++seed) {
        std::mt19937 random(seed);
        TwinFrames twins;
        // Most argument lists come above the last (a head reading ordered rows); some repeat the
        // last one or an earlier one, some lie below, some rows share arguments or go again.
        int next = 1000;
        int made = 100000;
        std::vector<std::vector<InternalName>> stored;
        const int steps = seed <= 4 ? 60 : 3000;
        for (int step = 0; step < steps; ++step) {
            const std::string at = "seed " + std::to_string(seed) + " step " + std::to_string(step);
            const unsigned pick = random() % 100;
            if (pick < 70 || stored.empty()) {
                next += 1 + int(random() % 3);
                const InternalName args[2] = {obj(next / 7), obj(next)};
                twins.findOrAdd(args, obj(++made), at);
                stored.push_back({args[0], args[1]});
            } else if (pick < 78) {
                const auto& args = stored.back();
                twins.findOrAdd(args.data(), obj(++made), at);
            } else if (pick < 86) {
                const auto& args = stored[random() % stored.size()];
                twins.findOrAdd(args.data(), obj(++made), at);
            } else if (pick < 90) {
                // Below the others: the rows ascend no more in `waiting` either.
                const InternalName args[2] = {obj(2 + int(random() % 50)), obj(2)};
                twins.findOrAdd(args, obj(++made), at);
                stored.push_back({args[0], args[1]});
            } else if (pick < 94) {
                // A second row of stored arguments, or of new ones above the rest.
                const bool fresh = random() % 2 == 0;
                if (fresh) next += 2;
                const std::vector<InternalName> args =
                    fresh ? std::vector<InternalName>{obj(next / 7), obj(next)}
                          : stored[random() % stored.size()];
                const InternalName row[Width] = {args[0], args[1], obj(++made)};
                EXPECT_EQ(twins.waiting.insert(row), twins.indexed.insert(row)) << at;
                twins.settle();
                if (fresh) stored.push_back(args);
            } else if (pick < 97 && twins.waiting.size() > 0) {
                const auto rows = walk(twins.waiting);
                const auto& row = rows[random() % rows.size()];
                EXPECT_EQ(twins.waiting.erase(row.data()), twins.indexed.erase(row.data())) << at;
                twins.settle();
            } else if (pick < 99 && twins.waiting.size() > 0) {
                // An object renamed to another, as an equality does.
                const auto rows = walk(twins.waiting);
                const InternalName from = rows[random() % rows.size()][random() % Width];
                const InternalName to = rows[random() % rows.size()][random() % Width];
                clib_dictionary<InternalName, InternalName> pairs[2];
                EXPECT_EQ(twins.waiting.replaceName(from, to, pairs[0]),
                          twins.indexed.replaceName(from, to, pairs[1]))
                    << at;
                twins.settle();
                ASSERT_EQ(pairs[0].size(), pairs[1].size()) << at;
            } else {
                const std::size_t more = 1 + random() % 5000;
                twins.waiting.reserve(more);
                twins.indexed.reserve(more);
                twins.settle();
            }
            if (step % 97 == 0 || steps <= 60) twins.agree(at);
        }
        twins.agree("seed " + std::to_string(seed) + " end");
        twins.waiting.clear();
        twins.indexed.clear();
        EXPECT_EQ(twins.waiting.size(), 0);
        const InternalName args[2] = {obj(5), obj(6)};
        twins.findOrAdd(args, obj(7), "after clear");
        twins.agree("after clear");
    }
}

// Millions of objects made with ascending arguments, the frame told how many come or not: each
// argument list keeps its one object, found again once the lookups no longer ascend.
TEST(ParamRowsAscendingTest, AscendingObjectsReservedOrGrownAreFoundAgain) {
    constexpr int Rows = 200000;
    for (const bool reserved : {true, false}) {
        ParamRows frame(Width);
        if (reserved) frame.reserve(Rows);
        for (int i = 0; i < Rows; ++i) {
            const InternalName args[2] = {obj(1000 + i / 3), obj(1000 + i % 3)};
            ParamRows::Vacancy vacancy;
            ASSERT_EQ(frame.answer(args, vacancy), nullptr) << i;
            ASSERT_TRUE(frame.addAnswering(args, obj(5000000 + i), vacancy)) << i;
            // Asked again at once, the term just made is found.
            const InternalName* again = frame.answer(args, vacancy);
            ASSERT_NE(again, nullptr) << i;
            EXPECT_EQ(*again, obj(5000000 + i));
        }
        ASSERT_EQ(frame.size(), Rows);
        for (int i = Rows - 1; i >= 0; i -= 13) {
            const InternalName args[2] = {obj(1000 + i / 3), obj(1000 + i % 3)};
            const InternalName* found = frame.answer(args);
            ASSERT_NE(found, nullptr) << i;
            EXPECT_EQ(*found, obj(5000000 + i));
        }
        // A list below the others is new, and so is one above them afterwards.
        const InternalName below[2] = {obj(999), obj(7)};
        const InternalName above[2] = {obj(1000 + Rows), obj(0)};
        EXPECT_EQ(frame.answer(below), nullptr);
        EXPECT_TRUE(frame.insert(std::vector<InternalName>{below[0], below[1], obj(1)}.data()));
        EXPECT_EQ(frame.answer(above), nullptr);
        EXPECT_TRUE(frame.insert(std::vector<InternalName>{above[0], above[1], obj(2)}.data()));
        EXPECT_EQ(*frame.answer(below), obj(1));
        EXPECT_EQ(*frame.answer(above), obj(2));
        EXPECT_EQ(frame.size(), Rows + 2);
    }
}
