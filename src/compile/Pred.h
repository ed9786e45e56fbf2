// Pred: the operator of a predicate literal p(t1, ..., tn): a stored predicate, a built-in
// predicate, or the "perl" predicate that runs Perl code; its rows are unkeyed.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"
#include "compile/BuiltinRowProbe.h"
#include "compile/RowStore.h"
#include "foundation/set.h"
#include "objectbase/RelationStore.h"
#include "objectbase/Tuple.h"

// How a predicate literal reads its rows; chosen once from the literal's pattern.
enum class PredicateScan {
    // No arguments: one zero-width row when the proposition holds.
    Proposition,
    // A stored predicate without inputs whose passing rows are distinct: the result reads the
    // store when it is read, and a join that streams it copies none of its rows.
    StoredInPlace,
    // A stored predicate whose pattern is fully bound: one probe per combination of inputs.
    StoredProbe,
    // A stored predicate without inputs whose passing rows may repeat (a column projected
    // away): read in place like StoredInPlace, the rows stored, repeats dropped, when a reader
    // first wants each once. With inputs, or over a store that may change, stored at once.
    StoredCopied,
    // A built-in, or a pattern with conditions beyond bound cells, equal columns and result
    // cells: the access layer's row iterator, row by row.
    RowIterator,
    // The "perl" built-in: the embedded interpreter's rows.
    PerlCall,
};

// The printed name of a scan ("stored rows read in place", ...).
const char* predicateScanName(PredicateScan scan);

struct PredSpec {
    int arity = 0;
    FSymbol predicate;
    // The "perl" built-in.
    bool perl = false;
    // The leading pattern positions that are inputs of a "perl" call, its code position
    // included.
    int perlInputCount = 0;
    PatternSpec pattern;
    // A built-in that only tests its cells: with every cell bound by the one input and
    // constants, a negation tests it row by row.
    BuiltinTest test = BuiltinTest::None;
};

// Whether a stored predicate holds a row for the cells of one input row: the probe of one
// evaluation, its pattern's constants and store found once. A negation asks it row by row, so
// that the rows it tests are neither projected nor stored first.
class StoredRowProbe final : public RowProbe {
  public:
    // No store (the predicate has no rows, or a constant has no name): nothing holds.
    StoredRowProbe() = default;
    StoredRowProbe(const RelationStore* store, int from, std::vector<InternalName> pattern,
                   std::vector<std::pair<int, int>> fill, std::vector<std::pair<int, int>> equal)
        : store(store),
          from(from),
          pattern(std::move(pattern)),
          fill(std::move(fill)),
          equal(std::move(equal)) {}

    // `row` holds the cells of the probed literal's input row, 0-based.
    bool holds(const InternalName* row) override {
        if (store == nullptr) return false;
        for (const auto& [cell, column] : fill) pattern[std::size_t(cell)] = row[column];
        const int at = store->find(pattern.data());
        if (at < from) return false;
        const InternalName* found = store->row(at);
        for (const auto& [a, b] : equal)
            if (found[a] != found[b]) return false;
        return true;
    }
    void hint(const InternalName* row) override {
        if (store == nullptr) return;
        for (const auto& [cell, column] : fill) pattern[std::size_t(cell)] = row[column];
        store->prefetch(pattern.data());
    }

  private:
    const RelationStore* store = nullptr;
    int from = 0;
    std::vector<InternalName> pattern;
    // (pattern cell, 0-based input column) and 0-based columns that must agree.
    std::vector<std::pair<int, int>> fill;
    std::vector<std::pair<int, int>> equal;
};

class Pred : public BaseOperator {
  public:
    explicit Pred(const PredSpec& spec);

    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;
    std::string strategy(const SymTab* names) const override;
    PredicateScan scan() const { return plan; }
    // True when the literal is a stored predicate or a testing built-in probed once per row of
    // its one input (its pattern fully bound by that input and constants): rowProbe can then
    // answer for each row.
    bool probesEachInputRow() const override;
    std::unique_ptr<RowProbe> rowProbe(OMAccess* access,
                                       const std::vector<int>& columns) const override;
    const FSymbol& predicateSymbol() const { return predicate; }

  protected:
    ~Pred() override = default;

  private:
    // The rows of one "perl" call, which its iterator reads.
    struct PredRun : Run {
        PredRun(const Pred& op, OMAccess* access) : Run(op, access, op.patternWidth()) {}
        ~PredRun() override { perlRows.clear(); }

        // Adds a row of `width` cells unless it is there.
        void addPerlRow(const InternalName* cells, int width) {
            if (perlCells == nullptr) perlCells = std::make_unique<RowCellPool>(width);
            InternalName* stored = perlCells->allocate();
            if (stored == nullptr) return;
            std::copy(cells, cells + width, stored);
            const Tuple row(stored, width);
            if (perlRows.member(row))
                perlCells->release(stored);
            else
                perlRows.insert(row);
        }
        void clearPerlRows() {
            perlRows.clear();
            if (perlCells != nullptr) perlCells->clear();
        }

        // The rows of the last "perl" call; their cells come from perlCells.
        set<Tuple> perlRows;
        std::unique_ptr<RowCellPool> perlCells;
    };

    std::unique_ptr<Run> newRun(OMAccess* access) const override;
    void matchRelation(Run& run) const override;
    void trace(const Run& run) const override;
    // The scan the pattern allows.
    PredicateScan choose() const;
    // Matches the pattern against a stored predicate's rows read in place; false (nothing
    // done) when the access layer keeps no rows in place for it.
    bool scanStoredRows(Run& run) const;
    // The row-by-row test of a built-in whose cells the input row and constants fill.
    std::unique_ptr<RowProbe> builtinProbe(OMAccess* access, const std::vector<int>& columns) const;
    // Runs the "perl" call on the current pattern and answers an iterator over its rows.
    Iterator* perlCall(PredRun& run) const;
    // The name of one value read back from @out.
    static InternalName perlValue(OMAccess* access, const std::string& text, long asInt,
                                  double asDouble);

    FSymbol predicate;
    std::int32_t perlInputCount;
    bool perl;
    // The pattern cells every run has bound before it reads rows: constants and the cells the
    // enumerated inputs fill.
    std::vector<char> boundCells;
    PredicateScan plan;
    BuiltinTest test;
};
