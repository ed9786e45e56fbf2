// FuncOrPredIter: the stored rows of a predicate atom p(args) or of a function term
// f(args) = result matching a pattern.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "access/MatchIterator.h"
#include "objectbase/FSymbol.h"
#include "objectbase/ParamFrameView.h"
#include "objectbase/PredicateFrameView.h"

class OM;

// What a FuncOrPredIter reads; the numbers are the ones the access layer uses for the two.
enum class StoredAtom : std::int32_t { Function = 0, Predicate = 1001 };

// A predicate atom: rows [arg 1 .. arg n], width n. A function term: rows [function, arg 1 ..
// arg n, result], width n + 2, read from the parameter frame bound to the function symbol. A
// fully bound pattern is decided by one lookup.
class FuncOrPredIter : public MatchIterator {
  public:
    FuncOrPredIter(const InternalName* tuple, int width, StoredAtom atom,
                   const InternalName& symbol, OM* om);

    bool first() override;
    bool next() override;
    InternalName atColumn(int col) override;
    int columns() override { return width; }
    bool isA(const std::string& className) const override { return className == "FuncOrPredIter"; }

    // Takes another pattern, width, atom kind, symbol and object manager, unpositioned.
    virtual void reinitialize(const InternalName* tuple, int width, StoredAtom atom,
                              const InternalName& symbol, OM* om);

  protected:
    ~FuncOrPredIter() override = default;

  private:
    bool predicate() const { return atom == StoredAtom::Predicate; }
    // Finds the frame and opens its rows; false (no row) when there is none.
    bool initialize();
    // Whether the current row agrees with every bound cell of the pattern.
    bool matchesPattern();
    // The next row that agrees with the pattern, from the row after the current one.
    bool seek();
    void takePattern(const InternalName* tuple);

    std::int32_t width;
    OM* om;
    bool positioned = false;
    std::vector<InternalName> pattern;
    bool initialized = false;
    Ref<Iterator> predRows;
    Ref<Iterator> paramRows;
    PredicateFrameView predFrame;
    ParamFrameView paramFrame;
    StoredAtom atom;
    FSymbol symbol;
    bool allBound = false;
    bool allFree = false;
    InternalName foundResult;
};
