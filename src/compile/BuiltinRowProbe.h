// BuiltinRowProbe: the test of a built-in literal whose every cell is bound, asked for one row
// at a time, and the kinds of test a built-in's name allows.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "compile/RowProbe.h"
#include "objectbase/FSymbol.h"

class OMAccess;

// How a built-in literal whose cells are all bound is tested for one row; chosen once, when the
// literal is translated, from the built-in's name and arity.
enum class BuiltinTest {
    // Not a test: a built-in that enumerates, writes or prints (describe, match, sgmlprint,
    // perl, ...), or a stored predicate.
    None,
    // "=": the same name, or numbers of equal value.
    Equality,
    // "<", ">", "<=", ">=" between numbers.
    Less,
    Greater,
    LessOrEqual,
    GreaterOrEqual,
    // Any other built-in without side effects, asked through the access layer's dispatcher.
    Call,
};

// The test of the built-in with this name and argument count.
BuiltinTest builtinTestOf(const std::string& name, int arity);

// Whether the built-in holds for the cells of one row: constants interned once per evaluation,
// equality and the comparisons decided in place, the other built-ins asked of the access layer.
// No row is projected, stored or put into a set first.
class BuiltinRowProbe final : public RowProbe {
  public:
    // `pattern` holds the interned constants; `fill` pairs a pattern cell with the 0-based
    // column of the tested row that fills it. `named` is false when a constant has no name: the
    // built-in then holds for no row, as its general evaluation finds no row.
    BuiltinRowProbe(OMAccess* access, const FSymbol& predicate, BuiltinTest test,
                    std::vector<InternalName> pattern, std::vector<std::pair<int, int>> fill,
                    bool named)
        : access(access),
          predicate(predicate),
          test(test),
          pattern(std::move(pattern)),
          fill(std::move(fill)),
          named(named) {}

    bool holds(const InternalName* row) override;

  private:
    // The general test: the dispatcher's rows for the filled pattern, one at most.
    bool call();

    OMAccess* access;
    FSymbol predicate;
    BuiltinTest test;
    std::vector<InternalName> pattern;
    std::vector<std::pair<int, int>> fill;
    bool named;
};
