// A function table whose terms come with ascending arguments, left out of its index of
// arguments until a lookup needs it, against one that indexes every row as it comes: random runs
// of term lookups, stores, repeats, removals, renames and clears give the same answers, objects
// and walks on both.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "objectbase/ObjectBaseTestSupport.h"
#include "objectbase/ParamRows.h"
#include "support/RoadTwin.h"

using namespace objectbase_test;
using road_twin::Dice;
using road_twin::Road;

namespace {

// Two arguments and a result.
constexpr int Width = 3;

// One step of a run: a term looked up and made when missing, a row stored, a row taken out
// (the k-th of the walk), an object renamed, room reserved, or the table cleared.
struct Step {
    enum Kind { Term, Store, Erase, Rename, Reserve, Clear } kind;
    int a = 0;
    int b = 0;
    int c = 0;
};

struct Run {
    std::vector<Step> steps;
};

std::ostream& operator<<(std::ostream& out, const Run& run) {
    const char* names[] = {"term", "store", "erase", "rename", "reserve", "clear"};
    for (const Step& step : run.steps)
        out << names[step.kind] << " " << step.a << " " << step.b << " " << step.c << "\n";
    return out;
}

// Mostly terms above the last (a head reading ordered rows), some repeating the last or an
// earlier one, some below every other, and now and then the other steps. Runs go past the
// small array into the large table.
Run randomRun(Dice& dice) {
    Run run;
    int next = 1000;
    std::vector<std::pair<int, int>> made;
    const int steps = dice.oneIn(4) ? dice.between(5, 40) : dice.between(100, 600);
    // Half the runs ascend long: a head over ordered rows, the other steps rare.
    const bool calm = dice.oneIn(2);
    for (int k = 0; k < steps; ++k) {
        const int pick = calm && !dice.oneIn(40) ? dice.below(80) : dice.below(100);
        if (pick < 70 || made.empty()) {
            next += dice.between(1, 3);
            made.emplace_back(next / 7, next);
            run.steps.push_back({Step::Term, next / 7, next});
        } else if (pick < 80) {
            const auto& args = dice.oneIn(2) ? made.back() : dice.pick(made);
            run.steps.push_back({Step::Term, args.first, args.second});
        } else if (pick < 85) {
            const int low = dice.between(2, 50);
            run.steps.push_back({Step::Term, low, 2});
        } else if (pick < 90) {
            const auto& args = dice.pick(made);
            run.steps.push_back({Step::Store, args.first, args.second, dice.between(1, 999)});
        } else if (pick < 94) {
            run.steps.push_back({Step::Erase, dice.below(1000)});
        } else if (pick < 97) {
            run.steps.push_back({Step::Rename, dice.below(1000), dice.below(1000), dice.below(3)});
        } else if (pick < 99) {
            run.steps.push_back({Step::Reserve, dice.between(1, 5000)});
        } else {
            run.steps.push_back({Step::Clear});
        }
    }
    return run;
}

std::vector<std::vector<InternalName>> walk(const ParamRows& table) {
    std::vector<std::vector<InternalName>> rows;
    ParamRows::Cursor at;
    for (const InternalName* row = table.first(at); row != nullptr; row = table.next(at, row))
        rows.emplace_back(row, row + Width);
    return rows;
}

std::string text(const InternalName& name) {
    return std::to_string(name.getType()) + ":" + std::to_string(name.getValue());
}

// The steps after which a table on the chosen road was large and its rows still ascended.
int ascendingSteps = 0;

// What each step answered, and the table's rows, answers and defining rows at the end.
std::string transcript(const Run& run, Road road) {
    ParamRows table{Width};
    if (road == Road::General) table.useArgumentIndex(ParamRows::ArgumentIndex::Indexed);
    int objects = 100000;
    std::string out;
    for (const Step& step : run.steps) {
        switch (step.kind) {
            case Step::Term: {
                const InternalName args[2] = {obj(step.a), obj(step.b)};
                ParamRows::Vacancy vacancy;
                const InternalName* found = table.answer(args, vacancy);
                if (found != nullptr) {
                    out += "found " + text(*found) + "\n";
                } else {
                    const bool added = table.addAnswering(args, obj(++objects), vacancy);
                    out += "made " + std::to_string(objects) + (added ? "" : " refused") + "\n";
                }
                break;
            }
            case Step::Store: {
                const InternalName row[Width] = {obj(step.a), obj(step.b), obj(step.c)};
                out += table.insert(row) ? "stored\n" : "held\n";
                break;
            }
            case Step::Erase: {
                const auto rows = walk(table);
                if (rows.empty()) break;
                out += table.erase(rows[std::size_t(step.a) % rows.size()].data()) ? "erased\n"
                                                                                   : "kept\n";
                break;
            }
            case Step::Rename: {
                const auto rows = walk(table);
                if (rows.empty()) break;
                const InternalName from =
                    rows[std::size_t(step.a) % rows.size()][std::size_t(step.c)];
                const InternalName to = rows[std::size_t(step.b) % rows.size()][0];
                clib_dictionary<InternalName, InternalName> pairs;
                out += table.replaceName(from, to, pairs) ? "renamed " : "unchanged ";
                out += std::to_string(pairs.size()) + "\n";
                break;
            }
            case Step::Reserve:
                table.reserve(std::size_t(step.a));
                break;
            case Step::Clear:
                table.clear();
                out += "cleared\n";
                break;
        }
        if (table.ascending()) ++ascendingSteps;
    }
    out += "rows " + std::to_string(table.size()) + "\n";
    for (const auto& row : walk(table)) {
        for (const InternalName& cell : row) out += text(cell) + " ";
        const InternalName* answer = table.answer(row.data());
        const InternalName* defining = table.definingRow(row[Width - 1]);
        out += "-> " + (answer != nullptr ? text(*answer) : std::string("none"));
        out += defining != nullptr ? " defined\n" : " undefined\n";
    }
    return out;
}

TEST(AscendingTableTwin, RandomRunsAnswerAlikeWithTheRowsWaitingAndIndexedAsTheyCome) {
    EXPECT_EQ(road_twin::expectTwins(9205, 300, randomRun, transcript), 300);
    EXPECT_GT(ascendingSteps, 10000);
}

TEST(AscendingTableTwin, OnlyTheAscendingRoadLeavesRowsOutOfTheIndex) {
    for (const Road road : {Road::Chosen, Road::General}) {
        ParamRows table{Width};
        if (road == Road::General) table.useArgumentIndex(ParamRows::ArgumentIndex::Indexed);
        for (int k = 0; k < 4 * ParamRows::SmallLimit; ++k) {
            const InternalName args[2] = {obj(1000 + k), obj(1000 + k)};
            ParamRows::Vacancy vacancy;
            ASSERT_EQ(table.answer(args, vacancy), nullptr);
            ASSERT_TRUE(table.addAnswering(args, obj(5000 + k), vacancy));
        }
        EXPECT_EQ(table.ascending(), road == Road::Chosen);
        const InternalName lookedUp[2] = {obj(1003), obj(1003)};
        ASSERT_NE(table.answer(lookedUp), nullptr);
        EXPECT_EQ(*table.answer(lookedUp), obj(5003));
    }
}

}  // namespace
