// FactList, the facts of a program kept without their parse trees: each one stored predicate
// over constants, one method value or one class membership between constants, with its place of
// origin and its place among the program's whole clauses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "objectbase/FSymbol.h"

class FRule;
class FTerm;

// A consulted program is mostly facts like p(a, 1), o[m -> v] or o:c. Their parse trees (a clause,
// a head list, a term per constant, a variable table) cost about 1 KB each; kept here a fact costs
// 24 bytes and 8 per constant. The clause is made again, equal to the one read, whenever its text
// or tree is needed.
class FactList {
  public:
    // Whether the clause is a fact this list can hold: one stored predicate (no built-in) whose
    // arguments are plain constants, written without parentheses or groups; or one molecule of
    // plain constants without arguments or filter: host[method -> result],
    // host[method ->> {result}], host:class or host::class.
    static bool holds(const FRule& rule);

    // The kinds of facts; a molecule's method arrow or class relation is its form.
    enum Form : std::uint8_t { Predicate, Value, SetValue, Member, Subclass };

    // Appends the fact of the clause (holds(rule) must be true), standing before the whole
    // clause number `before` of its program; false, nothing appended, when the list is full.
    bool add(const FRule& rule, std::size_t before);
    // Appends fact i of another list, standing before the whole clause `before`, with the given
    // origin, line and flag in place of its own.
    void addFrom(const FactList& other, std::size_t i, std::size_t before,
                 const std::string& origin, int line, int flag);

    std::size_t size() const { return facts.size(); }
    bool empty() const { return facts.empty(); }
    // The number of whole clauses of the program that stand before fact i.
    std::size_t before(std::size_t i) const { return facts[i].before; }
    Form form(std::size_t i) const { return static_cast<Form>(facts[i].flags >> FlagBits); }
    bool isMolecule(std::size_t i) const { return form(i) != Predicate; }
    // A predicate fact: its predicate, and its arity(i) arguments.
    const FSymbol& predicate(std::size_t i) const { return facts[i].symbol; }
    int arity(std::size_t i) const { return facts[i].arity; }
    const FSymbol* args(std::size_t i) const { return arguments.data() + facts[i].firstArg; }
    // A molecule fact: its host; for a value its method, arrow kind (0 "->", 1 "->>") and
    // result; for a class relation the class and its kind (1 ":", 2 "::").
    const FSymbol& host(std::size_t i) const { return arguments[facts[i].firstArg]; }
    const FSymbol& method(std::size_t i) const { return facts[i].symbol; }
    int methodKind(std::size_t i) const { return form(i) == SetValue ? 1 : 0; }
    const FSymbol& result(std::size_t i) const { return arguments[facts[i].firstArg + 1]; }
    const FSymbol& classOf(std::size_t i) const { return arguments[facts[i].firstArg + 1]; }
    int isaKind(std::size_t i) const { return form(i) == Subclass ? 2 : 1; }
    const std::string& origin(std::size_t i) const { return origins[facts[i].origin]; }
    int line(std::size_t i) const { return facts[i].line; }
    int flag(std::size_t i) const { return facts[i].flags & FlagMask; }

    // A new clause equal to the one fact i was read from; the caller receives its reference.
    FRule* clause(std::size_t i) const;

  private:
    // The clause's flag in the low bits, the form above them.
    static constexpr int FlagBits = 5;
    static constexpr std::uint8_t FlagMask = (1u << FlagBits) - 1;
    // A predicate's symbol and arguments, a value's method and (host, result), or a class
    // relation's (host, class).
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
    // The head atom of fact i, with one reference for the caller.
    FTerm* predicateAtom(std::size_t i) const;
    FTerm* moleculeAtom(std::size_t i) const;

    // In blocks, not one array: a doubled array leaves up to half of itself unused, 12 bytes a
    // fact on average.
    std::deque<Fact> facts;
    std::vector<FSymbol> arguments;
    // Facts come in runs from one file: the last origin entered is the one looked up first.
    std::vector<std::string> origins;
};
