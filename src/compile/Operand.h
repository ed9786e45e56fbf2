// Operand: the values of the rule algebra, relations of identifiers whose columns are named by
// rule variables (Operand2, SetOperand, TupleSetOperand).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "compile/RowStore.h"
#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"
#include "foundation/clib_list.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"

class OMAccess;
class OutputChannel;

// The lexical form of a name through the access layer; empty without one.
std::string lexicalText(OMAccess* access, const InternalName& name);

// An operand's rows are read with scan (below); the iterator protocol serves the lookups of one
// key and the walks that need the keys themselves: makeIterator walks the keys (an Operand2's
// names, a TupleSetOperand's rows) and makeGroupIterator the rows stored under one key. Both
// take the caller's old iterator over, hand it back re-targeted when it is of their own kind and
// release any other one. Rows are copied on
// insertion, never stored twice, and read in ascending key and row order.
class Operand : public ManagedObject {
  public:
    virtual bool isEmpty() const = 0;
    // isEmpty where the answer costs little; false where finding out means computing rows (a
    // join's rows not made yet), which a reader of the operand computes anyway.
    virtual bool emptyAtHand() const { return isEmpty(); }
    virtual int size() const = 0;
    virtual Ref<Iterator> makeIterator(Ref<Iterator> old) = 0;
    virtual Ref<Iterator> makeGroupIterator(const InternalName& key, Ref<Iterator> old) = 0;
    // The variable of each column; shared, not a copy.
    virtual clib_list<FSymbol>* getColumns() { return &columns; }
    // Compares sizes (and, for keyed operands, group sizes key by key), not contents.
    virtual bool isEqual(Operand* other) = 0;
    virtual int groupSize(const InternalName& key) const = 0;
    virtual void printName(OutputChannel& out) const;
    // The rows with every key and value in its lexical form.
    virtual void printLexical(OutputChannel& out, OMAccess* access);
    // The rows with every key and value as an identifier; "Operand is empty" when there is none.
    virtual void print(OutputChannel& out);
    virtual bool isA(const std::string& className) const { return className == "Operand"; }
    virtual bool contains(const InternalName& name) const = 0;
    // The 1-based column of a variable; 0 when it names no column.
    int columnOf(const FSymbol& variable) const;

  protected:
    explicit Operand(const clib_list<FSymbol>& columns) : columns(columns) {}
    ~Operand() override = default;

    // The shared layout of print and printLexical; `write` writes one key or value.
    template <class Write>
    void printRows(OutputChannel& out, Write write);

    clib_list<FSymbol> columns;
};

// A set of names, one row of one column each; no column variables.
class Operand2 : public Operand {
  public:
    Operand2();

    bool isEmpty() const override { return names.empty(); }
    int size() const override { return names.size(); }
    Ref<Iterator> makeIterator(Ref<Iterator> old) override;
    Ref<Iterator> makeGroupIterator(const InternalName& key, Ref<Iterator> old) override;
    bool isEqual(Operand* other) override;
    int groupSize(const InternalName&) const override { return 0; }
    void printName(OutputChannel& out) const override;
    bool isA(const std::string& className) const override;
    bool contains(const InternalName& name) const override { return names.contains(&name); }
    // True when the name was new.
    bool insert(const InternalName& name) { return names.insert(&name); }

  protected:
    ~Operand2() override = default;

  private:
    RowStore names;
};

// Receives one row's cells (valid during the call only); answers whether more are wanted.
using RowSink = std::function<bool(const InternalName*)>;

// What tells two sources' rows equal without reading them: a range of one state of a store (its
// stamp, which no other state of any store shares) read through the same filter, written as
// words. Built once from a source's rows, a structure is kept for a later source of the same key.
struct RowsKey {
    std::uint64_t stamp = 0;
    std::int32_t from = 0;
    std::int32_t to = 0;
    std::vector<std::uint64_t> filter;
    bool operator==(const RowsKey&) const = default;
};

// Rows made when they are first read: the operator that would store them hands this over
// instead. It may give a row more than once.
class RowSource {
  public:
    virtual ~RowSource() = default;
    // The key of the rows when they are a stable range of a store read through a filter; false
    // for rows computed on every read.
    virtual bool rowsKey(RowsKey&) const { return false; }
    // Calls emit for every row, in the same order on every run, until emit answers false.
    virtual void produce(const RowSink& emit) = 0;
    // True when no row comes twice: a reader then needs no store of them to drop repeats.
    virtual bool distinctRows() const { return false; }
    // True when produceAscending gives the rows in ascending order (cell by cell in identifier
    // order), each once: a reader that wants that order then takes them without a sort.
    virtual bool givesAscending() const { return false; }
    // produce in ascending order, for a source that givesAscending.
    virtual void produceAscending(const RowSink& emit) { produce(emit); }
    // True when the rows are read in place from a store, so that reading them twice costs no
    // more than storing them; false for rows computed on every read (a join).
    virtual bool readsInPlace() const { return false; }
    // As many rows as the source can give at most, or 0 when it cannot tell: a reader that
    // builds a structure of them reserves room once rather than growing it row by row.
    virtual std::size_t rowsAtMost() const { return 0; }
};

// Calls visit(row) and answers whether more rows are wanted: a visit that answers nothing
// wants them all.
template <class Visit, class Row>
bool visitWants(Visit& visit, const Row& row) {
    if constexpr (std::is_same_v<std::invoke_result_t<Visit&, const Row&>, bool>) {
        return visit(row);
    } else {
        visit(row);
        return true;
    }
}

// How a reader of scan takes the rows. Ordered: keys and rows ascending, straight from a source
// that gives them so (see RowSource::givesAscending), else sorted. Unordered: each row once,
// as inserted (no sort for a reader whose result does not depend on the order). Distinct: each
// row once in any order, straight from a source that gives each row once, else as inserted.
// Repeating: in any order, a row possibly more than once, straight from any source (only an
// operand whose rows are all under UndefinedObject takes one), else as inserted.
enum class RowOrder { Ordered, Unordered, Distinct, Repeating };

// One row as a reader of scan sees it: the key it is stored under and its cells, column p in
// cells[p - 1]; valid during the visit only.
struct RowView {
    InternalName key;
    const InternalName* cells;
    int width;
};

// Rows grouped under key names; UndefinedObject is the key of rows without one ("true").
//
// A SetOperand can hold a RowSource instead of its rows: every reader stores the rows first (in
// the order the source gives them, repeats dropped), except a scan that lets a reader indifferent
// to order (and to repeats, or with a source that gives none) take them straight from the source,
// and an Ordered scan of a source that gives its rows ascending, each once.
class SetOperand : public Operand {
  public:
    explicit SetOperand(const clib_list<FSymbol>& columns);

    bool isEmpty() const override;
    // A join of n inputs over joins asked at every step would stream a first row through all
    // the joins below each time: n²/2 steps (a rule body of 10,000 literals took minutes).
    bool emptyAtHand() const override {
        return holdsComputedSource() && sourceEmpty < 0 ? false : isEmpty();
    }
    int size() const override {
        settle();
        return rows.groupCount();
    }
    Ref<Iterator> makeIterator(Ref<Iterator> old) override;
    // Null (the old iterator released) when the key has no group.
    Ref<Iterator> makeGroupIterator(const InternalName& key, Ref<Iterator> old) override;
    bool isEqual(Operand* other) override;
    int groupSize(const InternalName& key) const override;
    void printName(OutputChannel& out) const override;
    bool isA(const std::string& className) const override;
    bool contains(const InternalName& key) const override;
    // Copies the row (columnCount cells) into the key's group; true when it was new.
    bool insert(const InternalName& key, const InternalName* cells);
    // Copies a row that the caller knows is not in the key's group yet: no probe.
    void insertDistinct(const InternalName& key, const InternalName* cells);
    // True when some row has a key other than UndefinedObject: the same cells may then stand
    // under two keys.
    bool keyed() const { return source == nullptr && hasKeys; }
    // True when no two rows have the same cells: the rows are unkeyed, or every row's key is
    // one of its own cells (a method literal's host), so the key adds nothing that tells rows
    // apart.
    bool cellsDistinct() const { return !keyed() || keyColumn >= 0; }

    int columnCount() const { return width; }
    // The one loop over the rows, which the free scan below goes through: calls visit(row) with
    // a RowView for every row in the order asked for, until it answers false (a visit that
    // answers nothing wants them all). Stored cells stay valid until the next insert. It polls
    // nothing: a long reader goes through the free scan.
    template <class Visit>
    void scan(RowOrder order, Visit visit) const {
        if (source != nullptr && takesFromSource(order)) {
            auto emit = [&](const InternalName* cells) {
                return visitWants(visit, RowView{InternalName::UndefinedObject, cells, width});
            };
            if (order == RowOrder::Ordered)
                source->produceAscending(emit);
            else
                source->produce(emit);
            return;
        }
        settle();
        const bool ordered = order == RowOrder::Ordered;
        for (int n = 0; n < rows.size(); ++n) {
            const InternalName* row = ordered ? rows.rowAtRank(n) : rows.row(n);
            if (!visitWants(visit, RowView{row[0], row + 1, width})) return;
        }
    }
    // True while the rows wait in a source.
    bool holdsSource() const { return source != nullptr; }
    // The key of the rows while they wait in a source that has one (see RowsKey).
    bool sourceKey(RowsKey& key) const { return source != nullptr && source->rowsKey(key); }
    // True while the rows wait in a source that gives each row once.
    bool holdsDistinctSource() const { return source != nullptr && source->distinctRows(); }
    // True while the rows wait in a source that computes them on every read.
    bool holdsComputedSource() const { return source != nullptr && !source->readsInPlace(); }
    // True when an Ordered scan reads the rows without sorting rows computed for it: they are
    // stored or read in place (sorted, if at all, once), or their source gives them ascending.
    bool readsAscendingAtHand() const {
        return source == nullptr || source->readsInPlace() || takesFromSource(RowOrder::Ordered);
    }
    // True when no two rows have the same cells, stored or still in a source.
    bool rowsDistinct() const {
        return source != nullptr ? source->distinctRows() : cellsDistinct();
    }
    // True when no two rows that a scan in `order` visits have the same cells: rows read in
    // place that may repeat are stored, repeats dropped, for every reader but a Repeating one.
    bool rowsDistinctAsRead(RowOrder order) const {
        if (source == nullptr) return cellsDistinct();
        return source->distinctRows() || (order != RowOrder::Repeating && source->readsInPlace());
    }
    // True while the rows wait in a store that may give a row more than once, read in place.
    bool holdsRepeatingStoredRows() const {
        return source != nullptr && source->readsInPlace() && !source->distinctRows();
    }
    // As many rows as the operand holds or its source can give at most; 0 when the source
    // cannot tell.
    std::size_t rowsAtMost() const {
        return source != nullptr ? source->rowsAtMost() : std::size_t(rows.size());
    }
    // Stores the rows of a source now: for a reader that reads them more than once.
    void storeRows() const { settle(); }
    // Takes the rows from `rows` when first read; the operand must be empty. Its rows are all
    // stored under UndefinedObject.
    void defer(std::unique_ptr<RowSource> rows);
    // Cache hints for a join that will look up these keys soon.
    void prefetchGroup(const InternalName& key) const {
        settle();
        rows.prefetchGroup(key);
    }
    void prefetchGroupRows(const InternalName& key) const {
        settle();
        rows.prefetchGroupRows(key);
    }

  protected:
    ~SetOperand() override = default;

  private:
    // The ranks of a key's group; false when there is none. The last key found is remembered,
    // since a join asks for the same key twice in a row.
    bool group(const InternalName& key, int& begin, int& end) const;

    // Whether a scan in that order reads a held source instead of storing its rows.
    bool takesFromSource(RowOrder order) const {
        switch (order) {
            case RowOrder::Ordered:
                return source->distinctRows() && source->givesAscending();
            case RowOrder::Unordered:
                return false;
            case RowOrder::Distinct:
                return source->distinctRows();
            case RowOrder::Repeating:
                return true;
        }
        return false;
    }
    // Stores the rows of the source, if one is held.
    void settle() const {
        if (source != nullptr) takeRows();
    }
    void takeRows() const;

    std::int32_t width;
    // Each row stored with its key as first cell: the groups are runs of the ascending order.
    // Mutable because a source is turned into rows when a reader first looks.
    mutable RowStore rows;
    mutable std::unique_ptr<RowSource> source;
    // -1 unknown, else whether the source gives no row.
    mutable signed char sourceEmpty = -1;
    std::vector<InternalName> scratch;
    bool hasKeys = false;
    // The cell that equals the key in every row so far: -2 before the first row, -1 when none.
    std::int32_t keyColumn = -2;
    void noteKey(const InternalName& key, const InternalName* cells);
    mutable bool cached = false;
    mutable InternalName lastKey;
    mutable int lastBegin = 0;
    mutable int lastEnd = 0;
};

// A plain set of rows of columnCount cells; its keys are its rows.
class TupleSetOperand : public Operand {
  public:
    explicit TupleSetOperand(const clib_list<FSymbol>& columns);

    bool isEmpty() const override { return rows.empty(); }
    int size() const override { return rows.size(); }
    Ref<Iterator> makeIterator(Ref<Iterator> old) override;
    Ref<Iterator> makeGroupIterator(const InternalName& key, Ref<Iterator> old) override;
    bool isEqual(Operand* other) override { return other != nullptr && other->size() == size(); }
    int groupSize(const InternalName&) const override { return 0; }
    void printName(OutputChannel& out) const override;
    // Each row as variable/value pairs in lexical form; no empty test.
    void printLexical(OutputChannel& out, OMAccess* access) override;
    bool isA(const std::string& className) const override;
    bool contains(const InternalName&) const override { return false; }
    // Copies the row (columnCount cells); true when it was new.
    bool insert(const InternalName* cells) { return rows.insert(cells); }

    int columnCount() const { return rows.width(); }
    // Calls visit(row) for every row under UndefinedObject, ascending for Ordered, else as
    // inserted, until it answers false.
    template <class Visit>
    void scan(RowOrder order, Visit visit) const {
        const bool ordered = order == RowOrder::Ordered;
        for (int n = 0; n < rows.size(); ++n) {
            const InternalName* row = ordered ? rows.rowAtRank(n) : rows.row(n);
            if (!visitWants(visit, RowView{InternalName::UndefinedObject, row, rows.width()}))
                return;
        }
    }

  protected:
    ~TupleSetOperand() override = default;

  private:
    RowStore rows;
};

// The one way to read an operand's rows: calls visit(row) with a RowView for each row, until it
// answers false (a visit that answers nothing wants them all), in the order asked for. Ctrl-C or
// a farewell ends the walk as well, noted as cut short: the evaluator throws the unfinished work
// away. An Operand2's names are keys without rows: it gives none (its names are read with
// makeIterator).
template <class Visit>
void scan(Operand* operand, RowOrder order, Visit visit) {
    controlEvents::StopPoll stopPoll;
    auto polled = [&](const RowView& row) { return visitWants(visit, row) && !stopPoll.stop(); };
    if (auto* keyed = dynamic_cast<SetOperand*>(operand))
        keyed->scan(order, polled);
    else if (auto* tuples = dynamic_cast<TupleSetOperand*>(operand))
        tuples->scan(order, polled);
}
