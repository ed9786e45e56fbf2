// GroundTermTable, the ground function terms of compact facts, each stored once and named by a
// symbol of a kind of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "objectbase/FSymbol.h"

// A fact p(a1, [a, b, c]) or o[m -> f(x)] names its function terms and lists where other facts
// name constants. Kept as parse trees, each occurrence cost a tree of a node a symbol (about 3 KB
// a fact); kept here, a term is its functor and argument symbols, stored once however many facts
// name it, and a fact names it by one symbol as it names a constant. An argument is a constant's
// symbol or, for a nested term, that term's symbol, so a term is found with one probe of its
// functor and argument symbols. A list is its "cons" and "nil" terms, as the grammar builds it.
//
// Terms are only ever added: a symbol handed out stays valid for the table's life, and facts of
// several programs (copies, parts of one program) share one table.
class GroundTermTable {
  public:
    // The kind of a term's symbol: none of the object base's identifiers has it, so a term's
    // symbol never meets a constant's in a fact. Its value is the term's number in the table.
    static constexpr std::uint8_t TermKind = 16;
    static bool isTerm(const FSymbol& symbol) { return symbol.getType() == TermKind; }

    // The symbol of the term functor(args[0], ..., args[n - 1]), added when new. The functor is
    // a function symbol of arity n >= 1; each argument a constant or a term of this table.
    FSymbol intern(const FSymbol& functor, const FSymbol* args, std::size_t n);
    // The functor of a term of this table; its arity is the number of arguments.
    FSymbol functor(const FSymbol& term) const { return entries[at(term)].functor; }
    const FSymbol* args(const FSymbol& term) const { return &argPool[entries[at(term)].first]; }
    std::size_t arity(const FSymbol& term) const {
        return static_cast<std::size_t>(entries[at(term)].functor.getArity());
    }

    // The symbol of a term of `other` in this table: the same term, added when new (the symbol
    // itself when the tables are one). A constant is itself.
    FSymbol take(const GroundTermTable& other, const FSymbol& symbol);

    // The number of distinct terms held.
    std::size_t size() const { return entries.size(); }

  private:
    struct Entry {
        FSymbol functor;
        // Where the arguments begin in argPool.
        std::uint32_t first = 0;
    };
    static std::size_t at(const FSymbol& term) {
        return std::size_t(std::uint32_t(term.getValue()));
    }
    static FSymbol symbolOf(std::size_t number) {
        return FSymbol(InternalName(static_cast<std::int32_t>(number), TermKind, 0));
    }

    std::vector<Entry> entries;
    std::vector<FSymbol> argPool;
    EntryIndex index;
    // The arguments of the terms take is entering, each term's behind its callers'.
    std::vector<FSymbol> taken;
};
