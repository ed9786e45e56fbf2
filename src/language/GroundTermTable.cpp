// GroundTermTable: finding or adding a term by one probe of its functor and arguments.
#include "language/GroundTermTable.h"

#include <algorithm>

#include "objectbase/CellHash.h"

namespace {

std::uint64_t termHash(const FSymbol& functor, const FSymbol* args, std::size_t n) {
    std::uint64_t h = hashMix::step(hashMix::Seed, cellWord(functor));
    for (std::size_t k = 0; k < n; ++k) h = hashMix::step(h, cellWord(args[k]));
    return h;
}

}  // namespace

FSymbol GroundTermTable::intern(const FSymbol& functor, const FSymbol* args, std::size_t n) {
    const std::uint64_t hash = termHash(functor, args, n);
    const auto next = static_cast<std::uint32_t>(entries.size());
    const auto [number, added] = index.insert(hash, next, [&](std::uint32_t k) {
        const Entry& entry = entries[k];
        return entry.functor == functor && std::equal(args, args + n, &argPool[entry.first]);
    });
    if (added) {
        entries.push_back(Entry{functor, static_cast<std::uint32_t>(argPool.size())});
        argPool.insert(argPool.end(), args, args + n);
    }
    return symbolOf(number);
}

FSymbol GroundTermTable::take(const GroundTermTable& other, const FSymbol& symbol) {
    if (!isTerm(symbol) || &other == this) return symbol;
    const std::size_t n = other.arity(symbol);
    const std::size_t from = taken.size();
    for (std::size_t k = 0; k < n; ++k) {
        const FSymbol arg = take(other, other.args(symbol)[k]);
        taken.push_back(arg);
    }
    const FSymbol made = intern(other.functor(symbol), taken.data() + from, n);
    taken.resize(from);
    return made;
}
