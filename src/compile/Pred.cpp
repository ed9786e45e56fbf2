// Pred: stored and built-in predicates matched against the inputs, and propositions.
#include "compile/Pred.h"

#include <algorithm>
#include <memory>
#include <ostream>
#include <utility>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "compile/StableRows.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "foundation/set.h"
#include "objectbase/CellHash.h"
#include "objectbase/Iterator.h"
#include "objectbase/RelationStore.h"
#include "objectbase/Tuple.h"

namespace {

// The rows of a stored predicate's literal that pass its pattern, as result rows. Deferred, the
// operand reads the store when it is read rather than copying the rows when it is made; that
// needs a stable range of the store, which the reader checks. The rows are distinct when every
// column of a row is bound or goes to a result cell; otherwise (a column projected away) a row
// may come more than once, and a reader that wants each once stores them first, as the copy
// made at once did.
class StoredRowsSource : public RowSource {
  public:
    StoredRowsSource(const RelationStore* store, int from, std::vector<InternalName> pattern,
                     std::vector<std::pair<int, int>> equal, std::vector<std::pair<int, int>> take,
                     std::vector<InternalName> cells, bool distinct)
        : range(store, from),
          distinct(distinct),
          pattern(std::move(pattern)),
          equal(std::move(equal)),
          take(std::move(take)),
          cells(std::move(cells)) {
        for (std::size_t c = 0; c < this->pattern.size(); ++c)
            if (this->pattern[c] != InternalName::UndefinedObject) bound.push_back(int(c));
    }

    void produce(const RowSink& emit) override {
        range.scan([&](const InternalName* row) { return !match(row) || emit(resultRow()); });
    }
    // True when a stored row passes the pattern; its result row is then resultRow(), until the
    // next match.
    bool match(const InternalName* row) {
        for (int c : bound)
            if (row[c] != pattern[std::size_t(c)]) return false;
        for (const auto& [a, b] : equal)
            if (row[a] != row[b]) return false;
        for (const auto& [column, cell] : take) cells[std::size_t(cell)] = row[column];
        return true;
    }
    // Null for a literal without result cells.
    const InternalName* resultRow() const { return cells.data(); }
    bool distinctRows() const override { return distinct; }
    bool readsInPlace() const override { return true; }
    std::size_t rowsAtMost() const override { return std::size_t(range.end() - range.begin()); }
    bool rowsKey(RowsKey& key) const override {
        // A store changed since the range was taken has no key: read, it reports the fault.
        if (!range.current()) return false;
        key.stamp = range.stampTaken();
        key.from = range.begin();
        key.to = range.end();
        key.filter.clear();
        key.filter.reserve(4 + pattern.size() + equal.size() + take.size() + cells.size());
        key.filter.push_back(pattern.size());
        for (const InternalName& cell : pattern) key.filter.push_back(cellWord(cell));
        auto pairs = [&key](const std::vector<std::pair<int, int>>& list) {
            key.filter.push_back(list.size());
            for (const auto& [a, b] : list)
                key.filter.push_back(std::uint64_t(std::uint32_t(a)) << 32 | std::uint32_t(b));
        };
        pairs(equal);
        pairs(take);
        // The cells no stored cell is taken into are part of the rows too.
        key.filter.push_back(cells.size());
        for (const InternalName& cell : cells) key.filter.push_back(cellWord(cell));
        return true;
    }

  private:
    StableRows range;
    bool distinct;
    std::vector<InternalName> pattern;
    std::vector<int> bound;
    // 0-based columns that must agree, and (column, result cell) pairs.
    std::vector<std::pair<int, int>> equal;
    std::vector<std::pair<int, int>> take;
    std::vector<InternalName> cells;
};

}  // namespace

const char* predicateScanName(PredicateScan scan) {
    switch (scan) {
        case PredicateScan::Proposition:
            return "proposition";
        case PredicateScan::StoredInPlace:
            return "stored rows read in place";
        case PredicateScan::StoredProbe:
            return "stored rows probed";
        case PredicateScan::StoredCopied:
            return "stored rows copied";
        case PredicateScan::RowIterator:
            return "row iterator";
        case PredicateScan::PerlCall:
            return "perl call";
    }
    return "";
}

Pred::Pred(const PredSpec& spec)
    : BaseOperator(OperatorKind::Predicate, spec.arity, spec.pattern),
      predicate(spec.predicate),
      perlInputCount(spec.perlInputCount),
      perl(spec.perl),
      test(spec.test) {
    // Only a stored predicate can be asked whether it holds a value; a built-in computes its
    // rows from the pattern, so its inputs are enumerated.
    if (predicate.getType() == InternalName::Predicate)
        for (int i = 0; i < this->inputCount; ++i)
            if (inputRoles[std::size_t(i)] == PatternSpec::InputRole::Rows) selectBySet(i);
    boundCells.assign(std::size_t(patternWidth()), 0);
    for (const auto& [position, symbol] : constants)
        if (symbol != FSymbol() && position >= 1 && position <= arity)
            boundCells[std::size_t(position - 1)] = 1;
    for (int i = 0; i < this->inputCount; ++i)
        if (advancesInput(i))
            for (const InputBinding& b : inputBindings[std::size_t(i)])
                if (b.cell >= 0 && b.cell < arity) boundCells[std::size_t(b.cell)] = 1;
    plan = choose();
}

PredicateScan Pred::choose() const {
    if (arity <= 0) return PredicateScan::Proposition;
    if (perl) return PredicateScan::PerlCall;
    if (predicate.getType() == InternalName::BuiltinPredicate || !partEqCons.empty() ||
        !partEqJoins.empty() || !setSelects.empty() || !enumerated.inputs.empty())
        return PredicateScan::RowIterator;
    auto inRow = [this](int column) { return column >= 1 && column <= arity; };
    for (const VarEqRecord& r : varEqs)
        if (!inRow(r.a) || !inRow(r.b)) return PredicateScan::RowIterator;
    for (const VarRecord& r : vars)
        if (!inRow(r.column)) return PredicateScan::RowIterator;
    if (std::find(boundCells.begin(), boundCells.end(), 0) == boundCells.end())
        return PredicateScan::StoredProbe;
    // The frame's rows are distinct, and so are the rows passing the filter when every free
    // column goes to a result cell: they need no probe then.
    if (inputCount == 0 && resultRowsDistinct(boundCells)) return PredicateScan::StoredInPlace;
    return PredicateScan::StoredCopied;
}

bool Pred::probesEachInputRow() const {
    const bool oneInput = !perl && inputCount == 1 && advancesInput(0) && eqCons.empty() &&
                          eqJoins.empty() && testedByCon.inputs.empty() &&
                          testedByJoin.inputs.empty();
    if (!oneInput) return false;
    if (predicate.getType() == InternalName::BuiltinPredicate)
        return test != BuiltinTest::None && arity > 0 && varEqs.empty() && partEqCons.empty() &&
               partEqJoins.empty() && setSelects.empty() && enumerated.inputs.empty() &&
               std::find(boundCells.begin(), boundCells.end(), 0) == boundCells.end();
    return plan == PredicateScan::StoredProbe && predicate.getType() == InternalName::Predicate &&
           predicate.getArity() > 0;
}

std::unique_ptr<RowProbe> Pred::builtinProbe(OMAccess* access,
                                             const std::vector<int>& columns) const {
    std::vector<InternalName> pattern(std::size_t(arity), InternalName::UndefinedObject);
    bool named = access != nullptr;
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol() || !named) continue;
        InternalName name;
        // A constant without a name: the general evaluation finds no row, nothing holds.
        if (access->internValue(symbol, name) == 0) named = false;
        if (position >= 1 && position <= arity) pattern[std::size_t(position - 1)] = name;
    }
    std::vector<std::pair<int, int>> fill;
    for (const InputBinding& b : inputBindings.front()) {
        if (b.column < 1 || std::size_t(b.column) > columns.size() || b.cell < 0 || b.cell >= arity)
            named = false;
        else
            fill.emplace_back(b.cell, columns[std::size_t(b.column - 1)]);
    }
    return std::make_unique<BuiltinRowProbe>(access, predicate, test, std::move(pattern),
                                             std::move(fill), named);
}

std::unique_ptr<RowProbe> Pred::rowProbe(OMAccess* access, const std::vector<int>& columns) const {
    if (predicate.getType() == InternalName::BuiltinPredicate) return builtinProbe(access, columns);
    auto none = [] { return std::make_unique<StoredRowProbe>(); };
    if (access == nullptr || access->isEmptyPredicate(predicate)) return none();
    const OMAccess::StoredRows stored = access->storedPredicateRows(predicate, arity);
    if (stored.store == nullptr) return none();
    std::vector<InternalName> pattern(std::size_t(arity), InternalName::UndefinedObject);
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol()) continue;
        InternalName name;
        // A constant without a name matches no stored row.
        if (access->internValue(symbol, name) == 0) return none();
        if (position >= 1 && position <= arity) pattern[std::size_t(position - 1)] = name;
    }
    std::vector<std::pair<int, int>> fill;
    for (const InputBinding& b : inputBindings.front()) {
        if (b.column < 1 || std::size_t(b.column) > columns.size() || b.cell < 0 || b.cell >= arity)
            return none();
        fill.emplace_back(b.cell, columns[std::size_t(b.column - 1)]);
    }
    std::vector<std::pair<int, int>> equal;
    for (const VarEqRecord& r : varEqs) equal.emplace_back(r.a - 1, r.b - 1);
    return std::make_unique<StoredRowProbe>(stored.store, stored.from, std::move(pattern),
                                            std::move(fill), std::move(equal));
}

std::string Pred::strategy(const SymTab*) const {
    return predicateScanName(plan);
}

std::unique_ptr<BaseOperator::Run> Pred::newRun(OMAccess* access) const {
    return std::make_unique<PredRun>(*this, access);
}

Ref<Operand> Pred::evaluate(clib_list<Operand*>* list, OMAccess* access,
                            const OperatorTrace& tracing) const {
    if (valid == 0) return nullptr;
    const bool stored = predicate.getType() != InternalName::BuiltinPredicate;
    if (stored && predicate.getArity() > 0 && access->isEmptyPredicate(predicate))
        return Ref<SetOperand>::make(variables);
    PredRun run(*this, access);
    run.traced = tracing.on;
    if (plan != PredicateScan::Proposition) {
        evaluateRelation(run, list);
        return run.takeResult();
    }
    // A proposition: one zero-width row when it holds.
    run.startResult(variables);
    if (tracing.on) trace(run);
    if (access->isPredicate(predicate)) run.result->insert(InternalName::UndefinedObject, nullptr);
    if (tracing.on) run.result->printLexical(debugChannel(), access);
    return run.takeResult();
}

bool Pred::scanStoredRows(Run& run) const {
    const OMAccess::StoredRows stored = run.access->storedPredicateRows(predicate, arity);
    if (stored.store == nullptr) return false;
    const bool distinct = plan == PredicateScan::StoredInPlace || resultRowsDistinct(boundCells);
    const RelationStore& store = *stored.store;
    std::vector<std::pair<int, int>> equal;
    for (const VarEqRecord& r : varEqs) equal.emplace_back(r.a - 1, r.b - 1);
    std::vector<std::pair<int, int>> take;
    for (const VarRecord& r : vars) take.emplace_back(r.column - 1, r.cell);
    auto source =
        std::make_unique<StoredRowsSource>(&store, stored.from, run.patternCells, std::move(equal),
                                           std::move(take), run.resultCells, distinct);
    auto keep = [&run, distinct](const InternalName* cells) {
        if (distinct)
            run.result->insertDistinct(InternalName::UndefinedObject, cells);
        else
            run.result->insert(InternalName::UndefinedObject, cells);
        return true;
    };
    switch (plan) {
        case PredicateScan::StoredProbe: {
            const int at = store.find(run.patternCells.data());
            if (at >= stored.from && source->match(store.row(at))) keep(source->resultRow());
            return true;
        }
        case PredicateScan::StoredInPlace:
        case PredicateScan::StoredCopied:
            // The store's rows stay as they are while the plan runs, a delta's too (see
            // OMAccess::StoredRows): they are read later, in place. Rows that may repeat are stored
            // when first read by a reader that wants each once; a reader that drops repeats itself
            // (a grouping) takes them from the store without a copy.
            if (inputCount == 0) {
                run.result->defer(std::move(source));
                return true;
            }
            break;
        default:
            break;
    }
    source->produce(keep);
    return true;
}

void Pred::matchRelation(Run& base) const {
    auto& run = static_cast<PredRun&>(base);
    // The rows a stored predicate's literal gives are a set, whatever order they are read in,
    // so they are read in place in the order they were stored: no iterator, no call per cell and
    // no sort of the frame.
    if (plan != PredicateScan::RowIterator && plan != PredicateScan::PerlCall &&
        scanStoredRows(run))
        return;
    Ref<Iterator> rows = Ref<Iterator>::adopt(
        plan == PredicateScan::PerlCall
            ? perlCall(run)
            : run.access->makeFuncOrPredIter(predicate, run.patternCells.data(), arity, nullptr));
    if (!rows) return;
    for (bool more = rows->first(); more; more = rows->next())
        handleRow(run, rows.get(), InternalName::UndefinedObject);
}

void Pred::trace(const Run& run) const {
    OutputChannel& out = debugChannel();
    out << std::endl << "Predicate : " << lexicalText(run.access, predicate);
    if (arity > 0) out << "(" << positionsText(run.access, 0, arity) << ")";
    out << std::endl;
    printConditions();
    printInputContents(run);
}
