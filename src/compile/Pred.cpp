// Pred: stored and built-in predicates matched against the inputs, and propositions.
#include "compile/Pred.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <ostream>
#include <utility>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"
#include "objectbase/RelationStore.h"

namespace {

// The rows of a stored predicate's literal, read from the store when the operand is read rather
// than copied when it is made: every column of a row is bound or goes to a result cell, so the
// rows are distinct. The store's rows from `from` to `to` stay as they were until the reader is
// done (the store is stable): rows appended meanwhile lie behind `to`, and the row is looked up
// by number each time, as an append may move the rows.
class StoredRowsSource : public RowSource {
  public:
    StoredRowsSource(const RelationStore* store, int from, std::vector<InternalName> pattern,
                     std::vector<std::pair<int, int>> equal, std::vector<std::pair<int, int>> take,
                     std::vector<InternalName> cells)
        : store(store),
          from(from),
          to(store->size()),
          changes(store->changes()),
          pattern(std::move(pattern)),
          equal(std::move(equal)),
          take(std::move(take)),
          cells(std::move(cells)) {
        for (std::size_t c = 0; c < this->pattern.size(); ++c)
            if (this->pattern[c] != InternalName::UndefinedObject) bound.push_back(int(c));
    }

    void produce(const RowSink& emit) override {
        assert(store->changes() == changes);
        const int end = store->changes() == changes ? to : std::min(to, store->size());
        for (int index = from; index < end; ++index) {
            const InternalName* row = store->row(index);
            bool agrees = true;
            for (int c : bound)
                if (row[c] != pattern[std::size_t(c)]) {
                    agrees = false;
                    break;
                }
            for (std::size_t i = 0; agrees && i < equal.size(); ++i)
                agrees = row[equal[i].first] == row[equal[i].second];
            if (!agrees) continue;
            for (const auto& [column, cell] : take) cells[std::size_t(cell)] = row[column];
            if (!emit(cells.data())) return;
        }
    }
    bool distinctRows() const override { return true; }

  private:
    const RelationStore* store;
    int from;
    int to;
    std::uint32_t changes;
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
    std::vector<int> bound;
    for (int c = 0; c < arity; ++c)
        if (patternCells[std::size_t(c)] != InternalName::UndefinedObject) bound.push_back(c);
    // The frame's rows are distinct, and so are the rows passing the filter when every free
    // column goes to a result cell: they need no probe then.
    std::vector<char> kept(std::size_t(arity), 0);
    for (int c : bound) kept[std::size_t(c)] = 1;
    std::vector<int> cellsFilled;
    for (const VarRecord& r : vars) {
        kept[std::size_t(r.column - 1)] = 1;
        cellsFilled.push_back(r.cell);
    }
    std::sort(cellsFilled.begin(), cellsFilled.end());
    const bool distinct =
        std::find(kept.begin(), kept.end(), 0) == kept.end() &&
        std::adjacent_find(cellsFilled.begin(), cellsFilled.end()) == cellsFilled.end();
    auto emit = [this, distinct](const InternalName* cells) {
        for (const VarEqRecord& r : varEqs)
            if (cells[r.a - 1] != cells[r.b - 1]) return;
        for (const VarRecord& r : vars) resultCells[std::size_t(r.cell)] = cells[r.column - 1];
        if (distinct)
            result->insertDistinct(InternalName::UndefinedObject, resultCells.data());
        else
            result->insert(InternalName::UndefinedObject, resultCells.data());
    };
    const RelationStore& store = *stored.store;
    // A literal without inputs matches once: its operand can then read the store when it is
    // read, and a join that streams its rows copies none of them.
    if (distinct && stored.stable && inputCount == 0 && bound.size() != std::size_t(arity) &&
        !debugging()) {
        std::vector<std::pair<int, int>> equal;
        for (const VarEqRecord& r : varEqs) equal.emplace_back(r.a - 1, r.b - 1);
        std::vector<std::pair<int, int>> take;
        for (const VarRecord& r : vars) take.emplace_back(r.column - 1, r.cell);
        result->defer(std::make_unique<StoredRowsSource>(
            &store, stored.from, patternCells, std::move(equal), std::move(take), resultCells));
        return true;
    }
    if (bound.size() == std::size_t(arity)) {
        // A fully bound pattern is decided by one probe.
        const int at = store.find(patternCells.data());
        if (at >= stored.from) emit(store.row(at));
        return true;
    }
    for (int index = stored.from; index < store.size(); ++index) {
        const InternalName* cells = store.row(index);
        bool agrees = true;
        for (int c : bound)
            if (cells[c] != patternCells[std::size_t(c)]) {
                agrees = false;
                break;
            }
        if (agrees) emit(cells);
    }
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
