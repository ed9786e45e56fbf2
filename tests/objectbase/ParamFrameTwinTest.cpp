// Parameter frames against a plain model built from std::set and std::map: random inserts,
// lookups, renames and clears, frames that stay small and frames that grow large.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "objectbase/MainMemFrames.h"
#include "objectbase/ObjectBaseTestSupport.h"

using namespace objectbase_test;

namespace {

using Row = std::vector<InternalName>;

// The rows of a parameter frame and which row answers for each argument list, kept the plain
// way: the first row stored for an argument list answers; when the answering row goes, the
// lowest remaining row of its arguments answers.
class ParamModel {
  public:
    explicit ParamModel(int width) : width(width) {}

    static Row argsOf(const Row& row) { return Row(row.begin(), row.end() - 1); }

    bool insert(const Row& row) {
        if (!rows.insert(row).second) return false;
        answer.try_emplace(argsOf(row), row);
        return true;
    }

    bool lookup(const Row& args, InternalName& result) const {
        auto found = answer.find(args);
        if (found == answer.end()) return false;
        result = found->second.back();
        return true;
    }

    // Renames as a frame must: the rows holding `oldName`, in ascending order, are taken out,
    // renamed and put back unless their arguments are answered for already; a dropped row with
    // a different constant or set-name result is paired with the answering result.
    int replaceName(const InternalName& oldName, const InternalName& newName,
                    std::map<InternalName, InternalName>& pairs) {
        std::vector<Row> changed;
        for (const Row& row : rows)
            if (std::find(row.begin(), row.end(), oldName) != row.end()) changed.push_back(row);
        for (Row row : changed) {
            unstore(row);
            std::replace(row.begin(), row.end(), oldName, newName);
            auto found = answer.find(argsOf(row));
            if (found == answer.end()) {
                rows.insert(row);
                answer.emplace(argsOf(row), row);
                continue;
            }
            const InternalName kept = row.back();
            const InternalName stored = found->second.back();
            if (rows.count(row) == 0 && kept != stored &&
                (kept.isConstant() || kept.getType() == InternalName::SetName))
                pairs[kept] = stored;
        }
        return changed.empty() ? 0 : 2;
    }

    void clear() {
        rows.clear();
        answer.clear();
    }

    bool erase(const Row& row) {
        if (rows.count(row) == 0) return false;
        unstore(row);
        return true;
    }

    int width;
    std::set<Row> rows;
    std::map<Row, Row> answer;

  private:
    void unstore(const Row& row) {
        const Row args = argsOf(row);
        auto found = answer.find(args);
        if (found != answer.end() && found->second == row) {
            answer.erase(found);
            for (const Row& other : rows)
                if (other != row && argsOf(other) == args) {
                    answer.emplace(args, other);
                    break;
                }
        }
        rows.erase(row);
    }
};

// Names of several kinds; `spread` of them in all.
InternalName randomName(std::mt19937& random, int spread) {
    const int v = int(random() % unsigned(spread));
    switch (v % 4) {
        case 0:
            return obj(v + 1);
        case 1:
            return setName(v + 1);
        case 2:
            return num(v);
        default:
            return InternalName(v + 1, InternalName::String, 0);
    }
}

Row randomRow(std::mt19937& random, int width, int spread) {
    Row row;
    for (int i = 0; i < width; ++i) row.push_back(randomName(random, spread));
    return row;
}

std::map<InternalName, InternalName> pairsOf(const clib_dictionary<InternalName, InternalName>& d) {
    std::map<InternalName, InternalName> pairs;
    for (auto it = d.first_item(); it != nullptr; it = d.next_item(it))
        pairs[d.key(it)] = d.inf(it);
    return pairs;
}

void expectSame(MainMemParamFrame& frame, const ParamModel& model) {
    ASSERT_EQ(frame.size(), int(model.rows.size()));
    auto it = Ref<Iterator>::adopt(frame.getIterator(nullptr));
    const Rows rows = drain(it.get(), model.width);
    it.reset();
    ASSERT_EQ(rows, Rows(model.rows.begin(), model.rows.end()));
    for (const auto& [args, row] : model.answer) {
        InternalName result;
        ASSERT_EQ(frame.lookupResult(args.data(), int(args.size()), result), 1);
        ASSERT_EQ(result, row.back());
    }
}

// Runs `steps` random operations on a frame and its model, `erasing` in a hundred of them taking
// a row out; answers the most rows held at once.
std::size_t runAgainstModel(unsigned seed, int width, int spread, int steps, unsigned erasing = 0) {
    std::size_t most = 0;
    std::mt19937 random(seed);
    MainMemParamFrame frame(width);
    ParamModel model(width);
    for (int step = 0; step < steps; ++step) {
        if (random() % 100 < erasing) {
            // Mostly a stored row, sometimes one that is not.
            Row row = randomRow(random, width, spread);
            if (!model.rows.empty() && random() % 4 != 0) {
                auto at = model.rows.begin();
                std::advance(at, random() % model.rows.size());
                row = *at;
            }
            EXPECT_EQ(frame.eraseResult(row.data(), width - 1, row.back()),
                      model.erase(row) ? 1 : 0)
                << "seed " << seed << " step " << step;
            if (step % 13 == 0) expectSame(frame, model);
            if (testing::Test::HasFailure()) return most;
            continue;
        }
        // Room made ahead of rows, now and then (a small frame so turns large early, even
        // empty), changes no answer.
        if (step % 97 == 5) frame.reserveRows(std::size_t(step % 40));
        const unsigned op = random() % 100;
        if (op >= 45 && op < 55) {
            // A function term's object: the answering result, or the row stored when none is.
            const Row row = randomRow(random, width, spread);
            const Row args = ParamModel::argsOf(row);
            InternalName want;
            const bool found = model.lookup(args, want);
            InternalName got;
            int made = 0;
            const bool added = frame.findOrAddResult(args.data(), got, [&] {
                ++made;
                return row.back();
            });
            EXPECT_EQ(added, !found) << "seed " << seed << " step " << step;
            EXPECT_EQ(made, found ? 0 : 1) << "seed " << seed << " step " << step;
            EXPECT_EQ(got, found ? want : row.back()) << "seed " << seed << " step " << step;
            if (!found) model.insert(row);
            if (testing::Test::HasFailure()) return most;
        } else if (op < 55) {
            const Row row = randomRow(random, width, spread);
            const int stored = op < 30 ? frame.insertTuple(row.data(), width)
                                       : frame.insertResult(row.data(), width - 1, row.back());
            EXPECT_EQ(stored, model.insert(row) ? 1 : 0) << "seed " << seed << " step " << step;
            if (testing::Test::HasFailure()) return most;
        } else if (op < 80) {
            const Row args = randomRow(random, width - 1, spread);
            InternalName got;
            InternalName want;
            const bool found = model.lookup(args, want);
            EXPECT_EQ(frame.lookupResult(args.data(), width - 1, got), found ? 1 : 0);
            if (testing::Test::HasFailure()) return most;
            if (found) {
                EXPECT_EQ(got, want);
            }
        } else if (op < 99) {
            const InternalName oldName = randomName(random, spread);
            const InternalName newName = randomName(random, spread);
            if (oldName == newName) continue;
            clib_dictionary<InternalName, InternalName> pairs;
            std::map<InternalName, InternalName> wanted;
            EXPECT_EQ(frame.replaceName(oldName, newName, pairs),
                      model.replaceName(oldName, newName, wanted))
                << "seed " << seed << " step " << step;
            EXPECT_EQ(pairsOf(pairs), wanted) << "seed " << seed << " step " << step;
        } else {
            frame.clear();
            model.clear();
        }
        most = std::max(most, model.rows.size());
        if (step % 13 == 0) expectSame(frame, model);
        if (testing::Test::HasFatalFailure()) return most;
    }
    expectSame(frame, model);
    return most;
}

}  // namespace

TEST(ParamFrameTwinTest, SmallFramesAgreeWithAModel) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        runAgainstModel(seed, 2, 6, 300);
        runAgainstModel(seed + 1000, 3, 5, 300);
        if (HasFailure()) return;
    }
}

TEST(ParamFrameTwinTest, LargeFramesAgreeWithAModel) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        // Frames well past the small form, renamed down and grown again.
        EXPECT_GT(runAgainstModel(seed, 2, 60, 3000), 48u);
        EXPECT_GT(runAgainstModel(seed + 2000, 3, 14, 3000), 48u);
        EXPECT_GT(runAgainstModel(seed + 3000, 1, 40, 400), 16u);
        if (HasFailure()) return;
    }
}

// Rows taken out of large frames, so many that most of a frame's rows are gone at times: the
// answering rows and the order stay those of the model.
TEST(ParamFrameTwinTest, FramesThatLoseRowsAgreeWithAModel) {
    for (unsigned seed = 1; seed <= 8; ++seed) {
        EXPECT_GT(runAgainstModel(seed + 4000, 2, 40, 4000, 45), 16u);
        EXPECT_GT(runAgainstModel(seed + 5000, 3, 12, 4000, 40), 16u);
        EXPECT_GT(runAgainstModel(seed + 6000, 2, 400, 6000, 30), 48u);
        if (HasFailure()) return;
    }
}

// A walk of a frame that gains rows under it goes on after the row it stands on: ascending, no
// row twice, every row it started with, also when the frame outgrows its small form.
TEST(ParamFrameTwinTest, AWalkGoesOnAfterItsRowWhenRowsAreAdded) {
    for (int start : {3, 15, 40}) {
        MainMemParamFrame frame(2);
        std::set<Row> before;
        for (int i = 0; i < start; ++i) {
            const Row row{obj(2 * i + 10), obj(1)};
            frame.insertTuple(row.data(), 2);
            before.insert(row);
        }
        auto it = Ref<Iterator>::adopt(frame.getIterator(nullptr));
        Rows seen;
        int added = 0;
        for (bool more = it->first(); more; more = it->next()) {
            seen.push_back({it->atColumn(1), it->atColumn(2)});
            if (added < 30) {
                // One row below the walk, one just above it.
                const Row low{obj(1 + added % 5), obj(added)};
                const Row high{
                    InternalName(it->atColumn(1).getValue() + 1, InternalName::Object, 0), obj(2)};
                frame.insertTuple(low.data(), 2);
                frame.insertTuple(high.data(), 2);
                ++added;
            }
        }
        it.reset();
        for (std::size_t i = 1; i < seen.size(); ++i) ASSERT_LT(seen[i - 1], seen[i]);
        for (const Row& row : before)
            EXPECT_TRUE(std::find(seen.begin(), seen.end(), row) != seen.end());
    }
}

// A frame wider than a row can be keeps its arity and takes no row.
TEST(ParamFrameTwinTest, AFrameTooWideForRowsTakesNone) {
    MainMemParamFrame wide(40000);
    EXPECT_EQ(wide.getArity(), 40000);
    std::vector<InternalName> row(40000, obj(1));
    EXPECT_EQ(wide.insertTuple(row.data(), 40000), 0);
    EXPECT_EQ(wide.insertResult(row.data(), 39999, obj(2)), 0);
    InternalName result;
    EXPECT_EQ(wide.lookupResult(row.data(), 39999, result), 0);
    EXPECT_EQ(wide.size(), 0);
    EXPECT_EQ(printed(wide), "{}\n");
}
