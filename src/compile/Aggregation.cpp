// Aggregation: the six aggregate kernels, grouped and ungrouped, over one input operand.
#include "compile/Aggregation.h"

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "access/OMAccess.h"
#include "compile/GroupedPairs.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"
#include "objectbase/RelationStore.h"

namespace {

bool isNumber(const InternalName& name) {
    return name.getType() == InternalName::Integer || name.getType() == InternalName::Float;
}

// Calls take(n, row) for the rows of `input` in the order asked for, n the number of the row's
// group (its cells at the 1-based `positions`) in `groups`. The rows go in batches: the cache
// hints of a batch's group lookups are issued before its lookups, first for the hash slots, then
// for the rows the slots name, so that over many groups the lookups overlap their waits on
// memory (a grouping of two million rows in 200,000 groups waited on them for a fifth of its
// run).
template <class Take>
void groupRows(Operand* input, RowOrder order, const std::vector<int>& positions,
               RelationStore& groups, Take take) {
    constexpr std::size_t Batch = 256;
    // The hints of a row's slot, of its row and its lookup come Ahead rows apart, so that each
    // load has had the time of Ahead lookups when it is needed.
    constexpr std::size_t Ahead = 16;
    const std::size_t g = positions.size();
    std::size_t w = 0;
    // The batch's rows (their cells copied: a row read from a source is valid during its visit
    // only), then their group cells side by side.
    std::vector<InternalName> rows;
    std::vector<InternalName> keys(Batch * g);
    // The hashes of the batch's group cells, taken once for the hints and the lookup.
    std::vector<std::uint64_t> hashes(Batch);
    std::size_t held = 0;
    // Groups few enough to stay in the cache are looked up without hints, which would cost
    // more than they save.
    constexpr int CachedGroups = 1 << 14;
    auto flush = [&] {
        if (groups.size() <= CachedGroups) {
            for (std::size_t at = 0; at < held; ++at)
                take(std::uint32_t(groups.numberOf(keys.data() + at * g)), rows.data() + at * w);
            held = 0;
            return;
        }
        for (std::size_t i = 0; i < held; ++i) hashes[i] = groups.hashOf(keys.data() + i * g);
        for (std::size_t i = 0; i < held + 2 * Ahead; ++i) {
            if (i < held) groups.prefetchSlot(hashes[i]);
            if (i >= Ahead && i - Ahead < held) groups.prefetchRowOf(hashes[i - Ahead]);
            if (i >= 2 * Ahead) {
                const std::size_t at = i - 2 * Ahead;
                take(std::uint32_t(groups.numberOf(keys.data() + at * g, hashes[at])),
                     rows.data() + at * w);
            }
        }
        held = 0;
    };
    scan(input, order, [&](const RowView& view) {
        if (std::size_t(view.width) != w) {
            flush();
            w = std::size_t(view.width);
            rows.resize(Batch * w);
        }
        std::copy(view.cells, view.cells + w, rows.begin() + std::ptrdiff_t(held * w));
        for (std::size_t k = 0; k < g; ++k) keys[held * g + k] = view.cells[positions[k] - 1];
        if (++held == Batch) flush();
    });
    flush();
}

// Calls fold(n, value) once for each distinct (group, value in column `aggColumn`) pair of the
// rows of `input`, n the group's number in `groups`, the values of a group in the order the rows
// come; with `pairsDistinct`, the rows' pairs are distinct already and each row is folded as it
// comes.
template <class Fold>
void foldDistinctPairs(Operand* input, RowOrder order, bool pairsDistinct,
                       const std::vector<int>& positions, int aggColumn, RelationStore& groups,
                       Fold fold) {
    const std::size_t at = std::size_t(aggColumn - 1);
    if (pairsDistinct) {
        groupRows(input, order, positions, groups,
                  [&](std::uint32_t n, const InternalName* row) { fold(n, row[at]); });
        return;
    }
    GroupedPairs pairs;
    groupRows(input, order, positions, groups,
              [&](std::uint32_t n, const InternalName* row) { pairs.add(n, row[at]); });
    pairs.forEachDistinct(fold);
}

}  // namespace

Aggregation::Aggregation(const std::string& opName, FSymbol aggVar, clib_list<FSymbol> groupVars)
    : Operator(OperatorKind::Aggregation, 1, groupVars), aggVar(aggVar) {
    fold = opName == "min"     ? AggregateKind::Min
           : opName == "max"   ? AggregateKind::Max
           : opName == "sum"   ? AggregateKind::Sum
           : opName == "avg"   ? AggregateKind::Avg
           : opName == "count" ? AggregateKind::Count
           : opName == "nest"  ? AggregateKind::Nest
                               : AggregateKind::Unknown;
}

std::string Aggregation::strategy(const SymTab*) const {
    switch (fold) {
        case AggregateKind::Min:
            return "min";
        case AggregateKind::Max:
            return "max";
        case AggregateKind::Sum:
            return "sum";
        case AggregateKind::Avg:
            return "avg";
        case AggregateKind::Count:
            return "count";
        case AggregateKind::Nest:
            return "nest";
        case AggregateKind::Unknown:
            break;
    }
    return "unknown";
}

Ref<Operand> Aggregation::evaluate(clib_list<Operand*>* list, OMAccess* access,
                                   const OperatorTrace& tracing) const {
    Run run{list != nullptr && !list->empty() ? list->head() : nullptr,
            access,
            variables,
            0,
            {},
            nullptr};
    Operand* input = run.input;
    if (input == nullptr) return nullptr;
    if (tracing.on) trace(run);
    auto result = Ref<SetOperand>::make(variables);
    run.result = result.get();
    // A body without answers may come without its columns (a join cut short): it is the empty
    // set all the same, whose count and sum are 0 when there are no groups.
    if (input->isEmpty()) {
        if (variables.empty() && (fold == AggregateKind::Count || fold == AggregateKind::Sum))
            result->insert(InternalName(0, InternalName::Integer, 0), nullptr);
        return result;
    }
    const clib_list<FSymbol>* cols = input->getColumns();
    run.aggColumn = cols->rank(aggVar);
    if (run.aggColumn == 0 && fold != AggregateKind::Nest) return result;
    run.positions.assign(std::size_t(variables.size()), 0);
    std::size_t k = 0;
    for (const FSymbol& variable : variables) {
        run.positions[k] = cols->rank(variable);
        if (run.positions[k++] == 0) return result;
    }
    switch (fold) {
        case AggregateKind::Min:
            run.minMax(true);
            break;
        case AggregateKind::Max:
            run.minMax(false);
            break;
        case AggregateKind::Sum:
            run.sumAvg(false);
            break;
        case AggregateKind::Avg:
            run.sumAvg(true);
            break;
        case AggregateKind::Count:
            run.count();
            break;
        case AggregateKind::Nest:
            run.nest();
            break;
        case AggregateKind::Unknown:
            errorChannel() << "unknown aggregate operator" << std::endl;
    }
    if (tracing.on) printResult(result.get(), access);
    return result;
}

Aggregation::Group Aggregation::Run::groupOf(const InternalName* row) const {
    Group cells;
    cells.reserve(positions.size());
    for (int position : positions) cells.push_back(row[position - 1]);
    return cells;
}

InternalName Aggregation::Run::valueOf(const InternalName* row) const {
    return access->mappedName(row[aggColumn - 1]);
}

void Aggregation::Run::minMax(bool wantMin) {
    // Only a strictly better number replaces the value held, so the first of equals stays.
    // Integers compare exactly, an integer and a float through double.
    auto better = [wantMin](const InternalName& v, const InternalName& held) {
        const ExactNumber a = *ExactNumber::of(v);
        const ExactNumber b = *ExactNumber::of(held);
        return wantMin ? a < b : b < a;
    };
    RelationStore groups{int(positions.size())};
    std::vector<InternalName> best;
    scan(input, RowOrder::Ordered, [&](const RowView& view) {
        const InternalName* row = view.cells;
        const InternalName v = valueOf(row);
        if (!isNumber(v)) return;
        const std::size_t n = std::size_t(groups.numberOf(groupOf(row).data()));
        if (n == best.size())
            best.push_back(v);
        else if (better(v, best[n]))
            best[n] = v;
    });
    // One row per group, each group once: the rows are distinct without a probe.
    for (std::size_t n = 0; n < best.size(); ++n)
        result->insertDistinct(best[n], groups.row(int(n)));
}

bool Aggregation::Run::pairsDistinct() const {
    // Rows keyed by one of their own cells, a method literal's rows by their host, are distinct
    // without the key; the (group, value) pairs of such rows are distinct when every column is
    // a group or the value. Rows read in place that may repeat (a literal with a column
    // projected away) are taken as they come, repeats and all: the pairs are then looked up
    // here rather than the rows stored first.
    auto* set = dynamic_cast<SetOperand*>(input);
    if (set == nullptr || set->holdsRepeatingStoredRows()) return false;
    std::vector<char> covered(std::size_t(set->columnCount()), 0);
    bool distinct = set->cellsDistinct();
    auto cover = [&](int position) {
        if (position < 1 || std::size_t(position) > covered.size() ||
            covered[std::size_t(position - 1)] != 0)
            distinct = false;
        else
            covered[std::size_t(position - 1)] = 1;
    };
    for (int position : positions) cover(position);
    cover(aggColumn);
    return distinct && std::find(covered.begin(), covered.end(), 0) == covered.end();
}

void Aggregation::Run::sumAvg(bool average) {
    // One pass in the order the rows come (a relation read in place is not copied, nothing is
    // sorted): each row finds its group in a flat hashed store of the groups, and each distinct
    // (group, value) pair is folded once. Integer sums are exact in any order; a float makes
    // the sum depend on the order of the additions, so a group of floats is summed again in
    // ascending row order, as every reader of the same rows sums them.
    const std::size_t g = positions.size();
    RelationStore groups{int(g)};
    std::vector<agginfo> sums;
    const bool distinct = pairsDistinct();
    bool sawFloat = false;
    auto fold = [&](std::uint32_t n, const InternalName& cell) {
        if (n >= sums.size()) sums.resize(std::size_t(n) + 1);
        agginfo& info = sums[n];
        ++info.count;
        // A value that is no number adds 0 but still counts.
        const InternalName value = access->mappedName(cell);
        if (value.getType() == InternalName::Float) sawFloat = true;
        if (auto number = ExactNumber::of(value)) info.sum = info.sum + *number;
    };
    // Pairs told apart here may come in rows that repeat.
    const RowOrder order = distinct ? RowOrder::Distinct : RowOrder::Repeating;
    foldDistinctPairs(input, order, distinct, positions, aggColumn, groups, fold);
    if (sawFloat) {
        // The groups keep their numbers; only the folds start again.
        for (agginfo& info : sums) info = agginfo();
        foldDistinctPairs(input, RowOrder::Ordered, distinct, positions, aggColumn, groups, fold);
    }
    // Without grouping variables an input without rows still has a sum, 0.
    if (g == 0 && sums.empty()) sums.resize(1);
    for (std::size_t n = 0; n < sums.size(); ++n) {
        const InternalName* cells = g == 0 ? nullptr : groups.row(int(n));
        // One row per group, each group once: the rows are distinct without a probe.
        if (!average)
            result->insertDistinct(sums[n].sum.name(), cells);
        else if (sums[n].count != 0)
            result->insertDistinct((sums[n].sum / ExactNumber::integer(sums[n].count)).name(),
                                   cells);
    }
}

void Aggregation::Run::count() {
    // The distinct (group, value) pairs are counted group by group, the groups numbered in a
    // flat hashed store, one probe per row in any order; the result orders its rows itself. The
    // pairs of a set whose every column is a group or the value are distinct already and are
    // counted as they come; otherwise they are told apart a range of groups at a time. (A search
    // tree of vectors took 5 % of a transitive closure's instructions for its count alone.) Rows
    // keyed by one of their own cells, a method literal's rows by their host, are distinct
    // without the key.
    //
    // Rows that wait in a source giving each row once (a stored relation read in place) are
    // counted as the source gives them, never copied into the input's store.
    const std::size_t g = positions.size();
    const bool distinct = pairsDistinct();

    // The groups, numbered in the order they come, and their counts.
    RelationStore groups{int(g)};
    std::vector<int> counts;
    // A source that gives each row once is read in place: a count of many rows copies none.
    // Pairs told apart here may come in rows that repeat.
    const RowOrder order = distinct ? RowOrder::Distinct : RowOrder::Repeating;
    foldDistinctPairs(input, order, distinct, positions, aggColumn, groups,
                      [&counts](std::uint32_t n, const InternalName&) {
                          if (n >= counts.size()) counts.resize(std::size_t(n) + 1, 0);
                          ++counts[n];
                      });
    // Without grouping variables an input without rows still has a count, 0.
    if (g == 0) {
        result->insert(InternalName(counts.empty() ? 0 : counts.front(), InternalName::Integer, 0),
                       nullptr);
        return;
    }
    // One row per group, each group once: the rows are distinct without a probe.
    for (std::size_t i = 0; i < counts.size(); ++i)
        result->insertDistinct(InternalName(counts[i], InternalName::Integer, 0),
                               groups.row(int(i)));
}

void Aggregation::Run::nest() {
    scan(input, RowOrder::Ordered, [&](const RowView& row) {
        const Group group = groupOf(row.cells);
        result->insert(InternalName::UndefinedObject, group.data());
    });
}

bool Aggregation::isGroupedBy(const InternalName&, int* out) const {
    if (out != nullptr) *out = 0;
    return false;
}

void Aggregation::trace(const Run& run) const {
    OMAccess* access = run.access;
    OutputChannel& out = debugChannel();
    out << std::endl << "{" << lexicalText(access, aggVar);
    if (!variables.empty()) {
        out << " [";
        for (const FSymbol& variable : variables) out << " " << lexicalText(access, variable);
        out << "] ; ";
    }
    out << "op#1} " << std::endl;
    if (run.input != nullptr) printContents(1, run.input, access);
}
