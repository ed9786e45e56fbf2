// DeltaTable, the semi-naive evaluator's list of the predicates that receive each round's facts.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "objectbase/FSymbol.h"
#include "objectbase/FlatNameMap.h"

// Built and owned by the evaluator, handed to the object manager (OM::initDelta), which only reads
// it while recording is on and writes every newly stored fact as a row into the predicate frame
// named here. Every delta predicate is a predicate symbol whose flag holds its arity.
//
// The object base asks it once per stored fact: the method deltas are arrays indexed by argument
// count (counts are small) and the predicate deltas a hashed map. The walks go in key order
// (argument counts up, predicates as identifiers order them): the order the delta frames are
// made and listed in.
class DeltaTable {
  public:
    // Method types that have deltas: "->", "->>", "@->>", "*->", "*->>", "@*->>" (signatures
    // have none).
    static constexpr int MethodTypes = 6;

    DeltaTable() = default;
    DeltaTable(const DeltaTable&) = delete;
    DeltaTable& operator=(const DeltaTable&) = delete;

    // Per method type: argument count n -> "delta_<t>^<n>" (arity n + 3), one row
    // (method, host, a1, ..., an, value) per new method value. Null when there is none.
    const FSymbol* methodDelta(int type, int argCount) const {
        return find(methodDeltas, type, argCount);
    }
    void setMethodDelta(int type, int argCount, const FSymbol& delta) {
        place(methodDeltas, type, argCount, delta);
    }
    // Per set-valued method type: n -> "delta_emptyset_<t>^<n>" (arity n + 2), one row
    // (method, host, a1, ..., an) per new method entry, which makes host[m ->> {}] true. Null
    // when there is none.
    const FSymbol* emptySetDelta(int type, int argCount) const {
        return find(emptySetDeltas, type, argCount);
    }
    void setEmptySetDelta(int type, int argCount, const FSymbol& delta) {
        place(emptySetDeltas, type, argCount, delta);
    }
    // Predicate -> "delta_<name>" of the same arity, one row per new tuple. Null when there is
    // none.
    const FSymbol* predicateDelta(const InternalName& predicate) const {
        const auto found = predicateDeltas.find(FSymbol(predicate));
        return found == predicateDeltas.end() ? nullptr : &found->second;
    }
    void setPredicateDelta(const FSymbol& predicate, const FSymbol& delta) {
        if (!predicateDeltas.emplace(predicate, delta).second) {
            predicateDeltas.insert_or_assign(predicate, delta);
            return;
        }
        // The evaluator enters predicates in their order: the list grows at its end.
        const auto at = std::lower_bound(predicates.begin(), predicates.end(), predicate,
                                         [](const FSymbol& a, const FSymbol& b) { return a < b; });
        predicates.insert(at, predicate);
    }

    // visit(argCount, delta) for the method deltas of the type, by argument count; a visitor
    // answering false ends the walk, and so does the answer.
    template <class Visit>
    bool forEachMethodDelta(int type, Visit visit) const {
        return forEach(methodDeltas[type], visit);
    }
    template <class Visit>
    bool forEachEmptySetDelta(int type, Visit visit) const {
        return forEach(emptySetDeltas[type], visit);
    }
    // visit(predicate, delta) by predicate, ended as the walks above.
    template <class Visit>
    bool forEachPredicateDelta(Visit visit) const {
        for (const FSymbol& predicate : predicates)
            if (!visit(predicate, predicateDeltas.find(predicate)->second)) return false;
        return true;
    }

    // The largest method argument count of the program; a method row is at most this plus 3 wide.
    int maxArgCount = 0;
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
    // How a body membership o : c meets the new memberships: as a new o : v with v :: c, or,
    // when no subclass fact is stored or can be made while the part runs, as a new o : c
    // itself, each class being a subclass of itself only.
    enum class MemberDelta { ThroughSubclasses, Direct };
    MemberDelta memberDelta = MemberDelta::ThroughSubclasses;

  private:
    // Per method type, the delta at each argument count; an undefined symbol where none is.
    using ByCount = std::vector<FSymbol>;

    static const FSymbol* find(const ByCount (&table)[MethodTypes], int type, int argCount) {
        if (type < 0 || type >= MethodTypes || argCount < 0) return nullptr;
        const ByCount& deltas = table[type];
        if (std::size_t(argCount) >= deltas.size()) return nullptr;
        const FSymbol& delta = deltas[std::size_t(argCount)];
        return delta == FSymbol() ? nullptr : &delta;
    }
    static void place(ByCount (&table)[MethodTypes], int type, int argCount, const FSymbol& delta) {
        if (type < 0 || type >= MethodTypes || argCount < 0) return;
        ByCount& deltas = table[type];
        if (deltas.size() <= std::size_t(argCount)) deltas.resize(std::size_t(argCount) + 1);
        deltas[std::size_t(argCount)] = delta;
    }
    template <class Visit>
    static bool forEach(const ByCount& deltas, Visit visit) {
        for (std::size_t count = 0; count < deltas.size(); ++count)
            if (deltas[count] != FSymbol() && !visit(int(count), deltas[count])) return false;
        return true;
    }

    ByCount methodDeltas[MethodTypes];
    ByCount emptySetDeltas[MethodTypes];
    FlatNameMap<FSymbol, FSymbol> predicateDeltas;
    // The keys of predicateDeltas in order.
    std::vector<FSymbol> predicates;
};
