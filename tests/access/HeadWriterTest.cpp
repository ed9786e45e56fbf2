// A head writer's pass stores the same facts, with the same answers, whatever the trace mode:
// the trace shows each new fact once (each attempt with every attempt traced).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "AccessTestSupport.h"
#include "objectbase/DeltaTable.h"

using namespace access_test;

namespace {

// One row of a pass: which writer (0 predicate p/2, 1 members of m, 2 memberships), the row,
// and how the pass takes it (0 insert, 1 ask holds and insert when not held, 2 hint, then insert).
struct PassRow {
    int relation;
    InternalName cells[3];
    int how;
};

// The trace line of a fact as the insert trace writes it, from the objects' texts.
std::string factLine(int relation, const std::vector<std::string>& texts) {
    switch (relation) {
        case 0:
            return "p(" + texts[0] + "," + texts[1] + ")";
        case 1:
            return texts[0] + "[m->>" + texts[2] + "]";
        default:
            return texts[0] + ":" + texts[1];
    }
}

std::multiset<std::string> traceLines(const std::string& text) {
    std::multiset<std::string> lines;
    const std::string prefix = "insert :   ";
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        if (line.rfind(prefix, 0) == 0) lines.insert(line.substr(prefix.size()));
        at = end + 1;
    }
    return lines;
}

// What one pass over a fresh base did.
struct PassResult {
    std::vector<int> answers;
    std::string base;
    std::multiset<std::string> lines;
};

// A fresh base holding some of the facts already, then one pass of `rows` through the three
// writers opened with `mode`; with `delta`, a delta that records none of the facts is on, so
// that every insert answers 0, new facts included.
PassResult runPass(const std::vector<PassRow>& rows, TraceMode mode, bool delta,
                   const std::vector<PassRow>& storedBefore, int objects) {
    auto om = Ref<MainMemOM>::make();
    auto access = Ref<OMAccess>::make(om.get());
    std::vector<InternalName> names;
    for (int i = 0; i < objects; ++i) {
        InternalName out;
        access->getOrCreateName(
            om->giveSymTab()->GetFSymbol("o" + std::to_string(i), InternalName::Function, 0), out);
        names.push_back(out);
    }
    const FSymbol p = om->giveSymTab()->GetFSymbol("p", InternalName::Predicate, 2);
    InternalName m;
    access->getOrCreateName(om->giveSymTab()->GetFSymbol("m", InternalName::Function, 0), m);
    // The rows name objects by number in their first cells' values.
    auto cells = [&](const PassRow& row, InternalName* out) {
        for (int k = 0; k < 3; ++k) out[k] = names[std::size_t(row.cells[k].getValue())];
        if (row.relation == 1) out[1] = m;
    };
    for (const PassRow& row : storedBefore) {
        InternalName c[3];
        cells(row, c);
        if (row.relation == 0) access->insertPredicate(p, c, 2);
        if (row.relation == 1) access->insertValue(c[0], m, nullptr, 0, MethodType::Set, c[2]);
        if (row.relation == 2) access->insertClassRelation(c[0], c[1], IsaRelation::Member);
    }
    if (mode == TraceMode::NewFacts) access->methodCall("debugOn", nullptr);
    if (mode == TraceMode::EveryAttempt) {
        StringArgs all{"all"};
        access->methodCall("debugOn", &all);
    }
    EXPECT_EQ(access->traceMode(), mode);
    DeltaTable table;
    if (delta) {
        EXPECT_EQ(om->initDelta(&table), 1);
    }

    PassResult result;
    {
        ChannelCapture trace(debugChannel());
        std::unique_ptr<HeadWriter> writers[] = {
            access->openHeadWriter(HeadRelation::ofPredicate(p, 2)),
            access->openHeadWriter(HeadRelation::ofMethod(MethodType::Set, 0, 1)),
            access->openHeadWriter(HeadRelation::ofClassRelation(IsaRelation::Member))};
        for (const PassRow& row : rows) {
            InternalName c[3];
            cells(row, c);
            HeadWriter& writer = *writers[row.relation];
            if (row.how == 1 && writer.holds(c)) {
                result.answers.push_back(-1);
                continue;
            }
            if (row.how == 2) writer.prefetch(c);
            result.answers.push_back(writer.insert(c));
        }
        result.lines = traceLines(trace.text());
    }
    if (delta) om->clearDelta();
    {
        ChannelCapture dump(debugChannel());
        om->dump(0);
        result.base = dump.text();
    }
    access.reset();
    om.reset();
    return result;
}

TEST(HeadWriter, TracingChangesNeitherTheFactsNorTheAnswersAndShowsEachNewFactOnceAndEachAttempt) {
    constexpr int Objects = 6;
    std::mt19937 random(7575);
    for (int run = 0; run < 12; ++run) {
        auto draw = [&] {
            PassRow row{int(random() % 3), {}, int(random() % 3)};
            for (InternalName& cell : row.cells)
                cell = InternalName(int(random() % Objects), InternalName::Integer, 0);
            return row;
        };
        std::vector<PassRow> before(5 + random() % 10);
        for (PassRow& row : before) row = draw();
        std::vector<PassRow> rows(60 + random() % 60);
        for (PassRow& row : rows) row = draw();
        // The same rows again, in another order: every fact comes more than once.
        std::vector<PassRow> again = rows;
        std::shuffle(again.begin(), again.end(), random);
        rows.insert(rows.end(), again.begin(), again.end());

        // The facts by their lines: stored before the pass, and attempted in it.
        std::vector<std::string> texts;
        for (int i = 0; i < Objects; ++i) texts.push_back("o" + std::to_string(i));
        auto line = [&](const PassRow& row) {
            std::vector<std::string> t;
            for (const InternalName& cell : row.cells) t.push_back(texts[cell.getValue()]);
            return factLine(row.relation, t);
        };
        std::set<std::string> stored;
        for (const PassRow& row : before) stored.insert(line(row));
        std::multiset<std::string> newFacts;
        // Every attempt shows, a fact attempted again too (the head's trie keeps a body row
        // from coming twice; two rows may make one fact).
        std::multiset<std::string> attempted;
        std::set<std::string> seen;
        for (const PassRow& row : rows) {
            const std::string fact = line(row);
            attempted.insert(fact);
            if (!seen.insert(fact).second) continue;
            if (stored.count(fact) == 0) newFacts.insert(fact);
        }

        const bool delta = run % 2 == 1;
        const PassResult off = runPass(rows, TraceMode::Off, delta, before, Objects);
        const PassResult traced = runPass(rows, TraceMode::NewFacts, delta, before, Objects);
        const PassResult all = runPass(rows, TraceMode::EveryAttempt, delta, before, Objects);
        EXPECT_EQ(off.base, traced.base) << "run " << run;
        EXPECT_EQ(off.base, all.base) << "run " << run;
        EXPECT_EQ(off.answers, traced.answers) << "run " << run;
        EXPECT_EQ(off.answers, all.answers) << "run " << run;
        EXPECT_TRUE(off.lines.empty());
        EXPECT_EQ(traced.lines, newFacts) << "run " << run;
        EXPECT_EQ(all.lines, attempted) << "run " << run;
    }
}

}  // namespace
