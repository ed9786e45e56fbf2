// FactList, the facts of a program kept without their parse trees: each one stored predicate
// over constants or one scalar method value between constants, with its place of origin and its
// place among the program's whole clauses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "objectbase/FSymbol.h"

class FRule;
class FTerm;

// A consulted program is mostly facts like p(a, 1) or o[m -> v]. Their parse trees (a clause, a
// head list, a term per constant, a variable table) cost about 1 KB each; kept here a fact costs
// 24 bytes and 8 per constant. The clause is made again, equal to the one read, whenever its text
// or tree is needed.
class FactList {
  public:
    // Whether the clause is a fact this list can hold: one stored predicate (no built-in) whose
    // arguments are plain constants, written without parentheses or groups; or one molecule
    // host[method -> result] of plain constants, without class, arguments or filter.
    static bool holds(const FRule& rule);

    // Appends the fact of the clause (holds(rule) must be true), standing before the whole
    // clause number `before` of its program; false, nothing appended, when the list is full.
    bool add(const FRule& rule, std::size_t before);
    // Appends fact i of another list, standing before the whole clause `before`, with the given
    // origin, line and flag in place of its own.
    void addFrom(const FactList& other, std::size_t i, std::size_t before,
                 const std::string& origin, int line, int flag);
    // Appends fact i of another list as it is, standing before the whole clause `before`.
    void addFrom(const FactList& other, std::size_t i, std::size_t before);

    std::size_t size() const { return facts.size(); }
    bool empty() const { return facts.empty(); }
    // The number of whole clauses of the program that stand before fact i.
    std::size_t before(std::size_t i) const { return facts[i].before; }
    // Whether fact i is a molecule host[method -> result] rather than a predicate.
    bool isMolecule(std::size_t i) const { return (facts[i].flags & MoleculeBit) != 0; }
    // A predicate fact: its predicate, and its arity(i) arguments.
    const FSymbol& predicate(std::size_t i) const { return facts[i].symbol; }
    int arity(std::size_t i) const { return facts[i].arity; }
    const FSymbol* args(std::size_t i) const { return arguments.data() + facts[i].firstArg; }
    // A molecule fact: its host, method and result.
    const FSymbol& host(std::size_t i) const { return arguments[facts[i].firstArg]; }
    const FSymbol& method(std::size_t i) const { return facts[i].symbol; }
    const FSymbol& result(std::size_t i) const { return arguments[facts[i].firstArg + 1]; }
    const std::string& origin(std::size_t i) const { return origins[facts[i].origin]; }
    int line(std::size_t i) const { return facts[i].line; }
    int flag(std::size_t i) const { return facts[i].flags & ~MoleculeBit; }

    // A new clause equal to the one fact i was read from; the caller receives its reference.
    FRule* clause(std::size_t i) const;

    void clear();

  private:
    // The clause's flag, and this bit for a molecule.
    static constexpr std::uint8_t MoleculeBit = 0x80;
    // A predicate's symbol and arguments, or a molecule's method and (host, result).
    struct Fact {
        FSymbol symbol;
        std::uint32_t firstArg;
        std::uint32_t before;
        std::int32_t line;
        std::uint16_t origin;
        std::uint8_t flags;
        std::uint8_t arity;
    };
    // The index of the origin text, entered when new; false when no index is left.
    bool originIndex(const std::string& text, std::uint16_t& index);
    // The head atom of a fact, with one reference for the caller.
    FTerm* predicateAtom(const Fact& fact) const;
    FTerm* moleculeAtom(const Fact& fact) const;

    std::vector<Fact> facts;
    std::vector<FSymbol> arguments;
    // Facts come in runs from one file: the last origin entered is the one looked up first.
    std::vector<std::string> origins;
};
