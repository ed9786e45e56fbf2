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
#include "objectbase/Iterator.h"
#include "objectbase/RelationStore.h"

namespace {

// The rows of a stored predicate's literal that pass its pattern, as result rows. Deferred, the
// operand reads the store when it is read rather than copying the rows when it is made; that
// needs rows that are distinct (every column of a row is bound or goes to a result cell) and a
// stable range of the store, which the reader checks.
class StoredRowsSource : public RowSource {
  public:
    StoredRowsSource(const RelationStore* store, int from, std::vector<InternalName> pattern,
                     std::vector<std::pair<int, int>> equal, std::vector<std::pair<int, int>> take,
                     std::vector<InternalName> cells)
        : range(store, from),
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
    bool distinctRows() const override { return true; }
    bool readsInPlace() const override { return true; }

  private:
    StableRows range;
    std::vector<InternalName> pattern;
    std::vector<int> bound;
    // 0-based columns that must agree, and (column, result cell) pairs.
    std::vector<std::pair<int, int>> equal;
    std::vector<std::pair<int, int>> take;
    std::vector<InternalName> cells;
};

}  // namespace

Pred::Pred(std::string typeName, int arity, const InternalName& predicate, int inputCount,
           const clib_list<int*>& varEq, const clib_list<int*>& eqCon,
           const clib_list<int*>& eqJoin, const clib_list<int*>& var,
           const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
           const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
           const clib_list<FSymbol>& variables, const set<int>& excludedInputs, int perlInputCount,
           const clib_list<int*>& inputBindings, const clib_list<int>& inputFlags)
    : BaseOperator(std::move(typeName), arity, inputCount, varEq, eqCon, eqJoin, var, givenVar,
                   constantPositions, constantSymbols, keyColumns, variables, set<int>(),
                   excludedInputs, inputBindings, inputFlags),
      predicate(predicate),
      patternCells(std::size_t(arity > 0 ? arity : 0), InternalName::UndefinedObject),
      perlInputCount(perlInputCount) {
    // Only a stored predicate can be asked whether it holds a value; a built-in computes its
    // rows from the pattern, so its inputs are enumerated.
    if (predicate.getType() == InternalName::Predicate)
        for (int i = 0; i < this->inputCount; ++i)
            if (this->inputFlags[std::size_t(i)] == 0) selectBySet(i);
}

Pred::~Pred() {
    clearPerlRows();
}

Operand* Pred::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    if (valid == 0) return nullptr;
    access = newAccess;
    predicateText = lexicalText(access, predicate);
    inputs = list != nullptr ? *list : clib_list<Operand*>();
    const bool stored = predicate.getType() != InternalName::BuiltinPredicate;
    if (stored && predicate.getArity() > 0 && access->isEmptyPredicate(predicate))
        return new SetOperand(variables, 2);
    if (arity > 0) return evaluateRelation(list, newAccess, patternCells.data());
    // A proposition: one zero-width row when it holds.
    result = new SetOperand(variables, 2);
    if (debugging()) print();
    if (access->isPredicate(predicate)) result->insert(InternalName::UndefinedObject, nullptr);
    if (debugging()) result->printLexical(debugChannel(), access);
    return result;
}

bool Pred::scanStoredRows() {
    if (!partEqCons.empty() || !partEqJoins.empty() || !setSelects.empty() ||
        !enumerated.inputs.empty() || predicateText == "perl")
        return false;
    auto inRow = [this](int column) { return column >= 1 && column <= arity; };
    for (const VarEqRecord& r : varEqs)
        if (!inRow(r.a) || !inRow(r.b)) return false;
    for (const VarRecord& r : vars)
        if (!inRow(r.column)) return false;
    const OMAccess::StoredRows stored = access->storedPredicateRows(predicate, arity);
    if (stored.store == nullptr) return false;
    std::vector<char> bound(std::size_t(arity), 0);
    for (int c = 0; c < arity; ++c)
        if (patternCells[std::size_t(c)] != InternalName::UndefinedObject)
            bound[std::size_t(c)] = 1;
    const bool fullyBound = std::find(bound.begin(), bound.end(), 0) == bound.end();
    // The frame's rows are distinct, and so are the rows passing the filter when every free
    // column goes to a result cell: they need no probe then.
    const bool distinct = resultRowsDistinct(bound);
    const RelationStore& store = *stored.store;
    std::vector<std::pair<int, int>> equal;
    for (const VarEqRecord& r : varEqs) equal.emplace_back(r.a - 1, r.b - 1);
    std::vector<std::pair<int, int>> take;
    for (const VarRecord& r : vars) take.emplace_back(r.column - 1, r.cell);
    auto source = std::make_unique<StoredRowsSource>(
        &store, stored.from, patternCells, std::move(equal), std::move(take), resultCells);
    auto keep = [this, distinct](const InternalName* cells) {
        if (distinct)
            result->insertDistinct(InternalName::UndefinedObject, cells);
        else
            result->insert(InternalName::UndefinedObject, cells);
        return true;
    };
    if (fullyBound) {
        // A fully bound pattern is decided by one probe.
        const int at = store.find(patternCells.data());
        if (at < stored.from) return true;
        if (source->match(store.row(at))) keep(source->resultRow());
        return true;
    }
    // A literal without inputs matches once: its operand can then read the store when it is
    // read, and a join that streams its rows copies none of them.
    if (distinct && stored.stable && inputCount == 0)
        result->defer(std::move(source));
    else
        source->produce(keep);
    return true;
}

void Pred::matchRelation() {
    // The rows a stored predicate's literal gives are a set, whatever order they are read in,
    // so they are read in place in the order they were stored: no iterator, no call per cell and
    // no sort of the frame.
    if (scanStoredRows()) return;
    Iterator* rows = predicateText == "perl" ? perlCall()
                                             : access->makeFuncOrPredIter(
                                                   predicate, patternCells.data(), arity, nullptr);
    if (rows == nullptr) return;
    for (bool more = rows->first(); more; more = rows->next())
        handleRow(rows, InternalName::UndefinedObject);
    decRef(rows);
}

bool Pred::isGroupedBy(const InternalName& var, int* out) {
    return groupedBy(FSymbol(), var, out);
}

void Pred::print() {
    OutputChannel& out = debugChannel();
    out << std::endl << "Predicate : " << predicateText;
    if (arity > 0) out << "(" << positionsText(0, arity) << ")";
    out << std::endl;
    BaseOperator::print();
    printInputContents();
}
