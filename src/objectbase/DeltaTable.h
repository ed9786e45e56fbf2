// DeltaTable, the semi-naive evaluator's list of the predicates that receive each round's facts.
#pragma once

#include "foundation/clib_dictionary.h"
#include "objectbase/FSymbol.h"

// Built and owned by the evaluator, handed to the object manager (OM::initDelta), which only reads
// it while recording is on and writes every newly stored fact as a row into the predicate frame
// named here. Every delta predicate is a predicate symbol whose flag holds its arity.
class DeltaTable {
  public:
    // Method types that have deltas: "->", "->>", "@->>", "*->", "*->>", "@*->>" (signatures
    // have none).
    static constexpr int MethodTypes = 6;

    DeltaTable() = default;
    ~DeltaTable() {
        for (auto*& table : emptySetDeltas) {
            delete table;
            table = nullptr;
        }
    }
    DeltaTable(const DeltaTable&) = delete;
    DeltaTable& operator=(const DeltaTable&) = delete;

    // The largest method argument count of the program; a method row is at most this plus 3 wide.
    int maxArgCount = 0;
    // Per method type: argument count n -> "delta_<t>^<n>" (arity n + 3), one row
    // (method, host, a1, ..., an, value) per new method value.
    clib_dictionary<int, FSymbol> methodDeltas[MethodTypes];
    // Per set-valued method type, null when empty: n -> "delta_emptyset_<t>^<n>" (arity n + 2),
    // one row (method, host, a1, ..., an) per new method entry, which makes host[m ->> {}] true.
    clib_dictionary<int, FSymbol>* emptySetDeltas[MethodTypes] = {};
    // Predicate -> "delta_<name>" of the same arity, one row per new tuple.
    clib_dictionary<FSymbol, FSymbol> predicateDeltas;
    // "delta_isa": (o, c) per new o : c; undefined when the program has none.
    FSymbol isaDelta;
    // "delta_subcl": (s, c) per new s :: c; undefined when the program has none.
    FSymbol subclDelta;
    // Some head has a class part: new o : c facts are recorded.
    int isaFlag = 0;
    // Some head has a "::" part: new subclass facts (and facts of the third relation) are recorded.
    int headSubclFlag = 0;
    // Some body matches a bare subclass atom: every new object is recorded as (o, o), since each
    // object is a subclass of itself.
    int bodySubclFlag = 0;
};
