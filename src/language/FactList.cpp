// FactList: which facts are kept compact, appending them, and the clause made again from one.
#include "language/FactList.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <typeinfo>

#include "foundation/HashMix.h"
#include "foundation/clib_list.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FunctionTerm.h"
#include "language/NodeLists.h"
#include "language/PTerm.h"
#include "language/Spec.h"
#include "objectbase/CellHash.h"
#include "platform/LargeArrays.h"

namespace {

// A constant that prints as its symbol alone and holds nothing else.
bool plainConstant(const FTerm* term) {
    if (term == nullptr || !term->isClass(ParseTreeClass::FunctionTerm)) return false;
    const auto* constant = static_cast<const FunctionTerm*>(term);
    const clib_list<FTerm*>* inner = constant->getArgs();
    return (inner == nullptr || inner->empty()) && !constant->isParenthesized() &&
           constant->getMethResult() == nullptr && constant->startKind() == 2;
}

// A plain constant, or a function term as the grammar builds it (a list among them) whose
// arguments are ground terms, nested at most `depth` levels more.
bool groundTerm(const FTerm* term, int depth = FactList::MaxTermDepth) {
    if (plainConstant(term)) return true;
    if (term == nullptr || depth <= 0 || !term->isClass(ParseTreeClass::FunctionTerm)) return false;
    const auto* function = static_cast<const FunctionTerm*>(term);
    const clib_list<FTerm*>* inner = function->getArgs();
    const FSymbol& name = function->getName();
    if (inner == nullptr || function->isParenthesized() || function->getMethResult() != nullptr ||
        function->startKind() != 2 || name.getType() != InternalName::Function ||
        name.getArity() != inner->length())
        return false;
    for (const FTerm* arg : *inner)
        if (!groundTerm(arg, depth - 1)) return false;
    return true;
}

bool plainPredicate(const PTerm& predicate) {
    if (predicate.getName().getType() != InternalName::Predicate ||
        predicate.firstGroupStart() != 0 || predicate.firstGroupEnd() != 0)
        return false;
    const clib_list<FTerm*>* args = predicate.getArgs();
    if (args == nullptr) return true;
    if (args->length() > std::numeric_limits<std::uint8_t>::max()) return false;
    for (const FTerm* arg : *args)
        if (!groundTerm(arg)) return false;
    return true;
}

// The one specification of a molecule, or null.
const Spec* onlySpec(const FMolecule& molecule) {
    const clib_list<Spec*>* specs = molecule.getSpecs();
    if (specs == nullptr || specs->length() != 1) return nullptr;
    return (*specs)[specs->first_item()];
}

// The one result of host[method ->> {result}].
const FTerm* onlyResult(const MSpec& spec) {
    const clib_list<FTerm*>* results = spec.getResults();
    if (results == nullptr || results->length() != 1) return nullptr;
    return (*results)[results->first_item()];
}

// The host of a molecule whose class relation is of this kind: a ground term, a plain constant
// for "::" (a step of the class hierarchy is written as one between constants).
bool groundHost(const FTerm* host, int isaKind) {
    return isaKind == 2 ? plainConstant(host) : groundTerm(host);
}

// host[method -> result], host[method ->> {result}], host:class or host::class, without
// filter, arguments or axis.
bool plainMolecule(const FMolecule& molecule) {
    if (molecule.getFilter() != nullptr || molecule.isParenthesized() ||
        molecule.getMethResult() != nullptr ||
        !groundHost(molecule.getHost(), molecule.getIsaKind()))
        return false;
    if (molecule.getClassTerm() != nullptr)
        return (molecule.getIsaKind() == 1 || molecule.getIsaKind() == 2) &&
               molecule.getSpecs() == nullptr && plainConstant(molecule.getClassTerm());
    if (molecule.getIsaKind() != 0) return false;
    const Spec* spec = onlySpec(molecule);
    if (spec == nullptr || spec->getCode() != 0 ||
        (spec->getArgs() != nullptr && !spec->getArgs()->empty()) ||
        !plainConstant(spec->getMethod()))
        return false;
    if (spec->isClass(ParseTreeClass::SSpec) && spec->getKind() == 0)
        return groundTerm(static_cast<const SSpec*>(spec)->getResult());
    if (spec->isClass(ParseTreeClass::MSpec) && spec->getKind() == 1)
        return groundTerm(onlyResult(*static_cast<const MSpec*>(spec)));
    return false;
}

const FSymbol& nameOf(const FTerm* constant) {
    return static_cast<const FunctionTerm*>(constant)->getName();
}

// The shape of a Molecule fact: its class relation's kind, its number of values, and three
// bytes per value.
constexpr std::size_t MaxShape = std::numeric_limits<std::uint8_t>::max();
constexpr std::size_t MaxSymbols = std::numeric_limits<std::uint8_t>::max();

// Appends the terms of the list to `symbols` (when given); false when one is not a ground term
// or they are too many.
bool readTerms(const clib_list<FTerm*>* list, std::vector<const FTerm*>* symbols,
               std::size_t& count) {
    if (list == nullptr) return true;
    if (std::size_t(list->length()) > MaxSymbols) return false;
    for (const FTerm* term : *list) {
        if (!groundTerm(term)) return false;
        ++count;
        if (symbols != nullptr) symbols->push_back(term);
    }
    return true;
}

// Whether the molecule is a ground one this list holds in the form Molecule: a ground host, an
// optional class relation to a plain class, and values of the arrows "->" and "->>" whose
// methods are plain constants and arguments and results ground terms, at least one atom in
// all. Its terms and shape go to `symbols` and `shape` when they are given.
bool groundMolecule(const FMolecule& molecule, std::vector<const FTerm*>* symbols,
                    std::vector<std::uint8_t>* shape) {
    if (molecule.getFilter() != nullptr || molecule.isParenthesized() ||
        molecule.getMethResult() != nullptr ||
        !groundHost(molecule.getHost(), molecule.getIsaKind()))
        return false;
    const clib_list<Spec*>* specs = molecule.getSpecs();
    // An empty pair of brackets is written as read only by the parse tree.
    if (specs != nullptr && specs->empty()) return false;
    const std::size_t specCount = specs != nullptr ? std::size_t(specs->length()) : 0;
    if (2 + 3 * specCount > MaxShape) return false;
    std::size_t count = 1;
    if (symbols != nullptr) symbols->push_back(molecule.getHost());
    const int isaKind = molecule.getIsaKind();
    if (molecule.getClassTerm() != nullptr) {
        if ((isaKind != 1 && isaKind != 2) || !plainConstant(molecule.getClassTerm())) return false;
        ++count;
        if (symbols != nullptr) symbols->push_back(molecule.getClassTerm());
    } else if (isaKind != 0 || specCount == 0) {
        return false;
    }
    if (shape != nullptr) {
        shape->push_back(static_cast<std::uint8_t>(isaKind));
        shape->push_back(static_cast<std::uint8_t>(specCount));
    }
    if (specs == nullptr) return true;
    for (const Spec* spec : *specs) {
        // The other dialect's specifications print otherwise; inheritable and signature arrows
        // are not values of the object itself.
        const bool scalar = typeid(*spec) == typeid(SSpec) && spec->getKind() == 0;
        const bool set = typeid(*spec) == typeid(MSpec) && spec->getKind() == 1;
        if ((!scalar && !set) || spec->getCode() != 0 || !plainConstant(spec->getMethod()))
            return false;
        ++count;
        if (symbols != nullptr) symbols->push_back(spec->getMethod());
        const std::size_t before = count;
        if (!readTerms(spec->getArgs(), symbols, count)) return false;
        const std::size_t argCount = count - before;
        std::size_t resultCount = 1;
        if (scalar) {
            const FTerm* result = static_cast<const SSpec*>(spec)->getResult();
            if (!groundTerm(result)) return false;
            ++count;
            if (symbols != nullptr) symbols->push_back(result);
        } else {
            const clib_list<FTerm*>* results = static_cast<const MSpec*>(spec)->getResults();
            if (results == nullptr || results->empty()) return false;
            const std::size_t from = count;
            if (!readTerms(results, symbols, count)) return false;
            resultCount = count - from;
        }
        if (count > MaxSymbols || resultCount > MaxSymbols) return false;
        if (shape != nullptr) {
            shape->push_back(static_cast<std::uint8_t>(spec->getKind()));
            shape->push_back(static_cast<std::uint8_t>(argCount));
            shape->push_back(static_cast<std::uint8_t>(resultCount));
        }
    }
    return count <= MaxSymbols;
}

// A new term of the symbol, as the grammar builds it: a constant, or the function term of a term
// of the table with its arguments made alike; the caller receives its reference.
FunctionTerm* newGroundTerm(const GroundTermTable* table, const FSymbol& symbol) {
    if (!GroundTermTable::isTerm(symbol)) return new FunctionTerm(symbol, nullptr);
    const std::size_t arity = table->arity(symbol);
    const FSymbol* args = table->args(symbol);
    auto* list = new clib_list<FTerm*>;
    for (std::size_t k = 0; k < arity; ++k) list->append(newGroundTerm(table, args[k]));
    auto* term = new FunctionTerm(table->functor(symbol), list);
    // The term took the list and its own references on the arguments.
    nodelists::dropReferences(list);
    return term;
}

const FTerm* onlyAtom(const FRule& rule) {
    const FTermList* head = rule.getHead();
    return head->termAt(head->firstItem());
}

}  // namespace

bool FactList::holds(const FRule& rule) {
    if (rule.getBody() != nullptr || rule.ruleKind() != FRule::Fact || rule.getFlag() > FlagMask ||
        rule.getHead()->length() != 1)
        return false;
    const FTerm* atom = onlyAtom(rule);
    if (atom == nullptr) return false;
    if (atom->isClass(ParseTreeClass::PTerm))
        return plainPredicate(*static_cast<const PTerm*>(atom));
    // The other dialect's molecules share the class text of F-Logic's, not their print form.
    if (typeid(*atom) == typeid(FMolecule)) {
        const auto& molecule = *static_cast<const FMolecule*>(atom);
        return plainMolecule(molecule) || groundMolecule(molecule, nullptr, nullptr);
    }
    return false;
}

bool FactList::originIndex(const std::string& text, std::uint16_t& index) {
    if (!origins.empty() && origins.back() == text) {
        index = static_cast<std::uint16_t>(origins.size() - 1);
        return true;
    }
    for (std::size_t i = 0; i < origins.size(); ++i)
        if (origins[i] == text) {
            index = static_cast<std::uint16_t>(i);
            return true;
        }
    if (origins.size() > std::numeric_limits<std::uint16_t>::max()) return false;
    origins.push_back(text);
    index = static_cast<std::uint16_t>(origins.size() - 1);
    return true;
}

namespace {

// Record layout: a byte of form and flag, a byte saying which fields differ from the fact
// before, then those fields, then each argument; the two bytes are one, SameHead, when the form
// and flag are the fact before's and no field differs (most facts of a consulted file). Numbers are
// written seven bits a byte, signed ones zigzagged; a symbol is its value's difference from the one
// written at its place before, doubled, plus one when its kind or arity differ, which then follow
// in two bytes.
enum Changed : std::uint8_t {
    BeforeChanged = 1,
    LineJumps = 2,  // not the line after the fact before's
    OriginChanged = 4,
    SymbolChanged = 8,
    ArityChanged = 16,
    ShapeChanged = 32,  // a Molecule's shape follows: its length, then its bytes
};

// The longest record: two bytes, three numbers of up to ten bytes, up to 256 symbols of up to
// twelve, and a shape.
constexpr std::size_t MaxRecord = 2 + 3 * 10 + 256 * 12 + 1 + MaxShape;

// Marks the end of a chunk's records where the next record did not fit; no form and flag byte
// has this value.
constexpr std::uint8_t ChunkEnd = 0xff;
// Stands for the form and flag of the fact before and no field differing; no form and flag byte
// has this value either.
constexpr std::uint8_t SameHead = 0xfe;

std::uint64_t zigzag(std::int64_t n) {
    return (static_cast<std::uint64_t>(n) << 1) ^ static_cast<std::uint64_t>(n >> 63);
}

std::int64_t unzigzag(std::uint64_t n) {
    return static_cast<std::int64_t>(n >> 1) ^ -static_cast<std::int64_t>(n & 1);
}

std::uint8_t* putNumber(std::uint8_t* out, std::uint64_t n) {
    while (n >= 0x80) {
        *out++ = static_cast<std::uint8_t>(n | 0x80);
        n >>= 7;
    }
    *out++ = static_cast<std::uint8_t>(n);
    return out;
}

std::uint64_t getNumber(const std::uint8_t*& in) {
    std::uint64_t n = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t byte = *in++;
        n |= static_cast<std::uint64_t>(byte & 0x7f) << shift;
        if ((byte & 0x80) == 0) return n;
    }
}

std::uint8_t* putSymbol(std::uint8_t* out, const FSymbol& symbol, const FSymbol& before) {
    const bool shape =
        symbol.getType() != before.getType() || symbol.getArity() != before.getArity();
    const std::int64_t step = std::int64_t{symbol.getValue()} - before.getValue();
    out = putNumber(out, zigzag(step) << 1 | (shape ? 1 : 0));
    if (shape) {
        *out++ = static_cast<std::uint8_t>(symbol.getType());
        *out++ = static_cast<std::uint8_t>(symbol.getArity());
    }
    return out;
}

FSymbol getSymbol(const std::uint8_t*& in, const FSymbol& before) {
    // Most symbols are a small step from the one before them: one byte.
    const std::uint64_t code = *in < 0x80 ? *in++ : getNumber(in);
    const auto value = static_cast<std::int32_t>(before.getValue() + unzigzag(code >> 1));
    if ((code & 1) == 0) return FSymbol(InternalName(value, before.getType(), before.getArity()));
    const std::uint8_t kind = in[0];
    const auto arity = static_cast<std::int8_t>(in[1]);
    in += 2;
    return FSymbol(InternalName(value, kind, arity));
}

// The parts of a molecule of this shape and these arguments (the host first), in the order its
// shape lists them: onClass(form, class) for its class part, Member or Subclass, then
// onMethod(form, method, argument count, arguments, result count, results) for each method
// part, Value or SetValue.
template <class OnClass, class OnMethod>
void forEachMoleculePart(const std::vector<std::uint8_t>& shape, const FSymbol* args,
                         OnClass onClass, OnMethod onMethod) {
    std::size_t next = 1;
    if (shape[0] != 0) onClass(shape[0] == 2 ? FactList::Subclass : FactList::Member, args[next++]);
    for (std::size_t k = 0; k < shape[1]; ++k) {
        const std::uint8_t* value = &shape[2 + 3 * k];
        const int argCount = value[1];
        const int resultCount = value[2];
        const FSymbol* arguments = args + next + 1;
        onMethod(value[0] == 1 ? FactList::SetValue : FactList::Value, args[next], argCount,
                 arguments, resultCount, arguments + argCount);
        next += 1 + std::size_t(argCount) + std::size_t(resultCount);
    }
}

}  // namespace

void FactList::Fact::reset() {
    symbol = FSymbol();
    before = 0;
    line = 0;
    origin = 0;
    flags = 0;
    arity = 0;
    // Places are made again, default, as a fact's arity asks for them.
    args.clear();
    shape.clear();
}

FactList::FactList(const FactList& other)
    : chunkUsed(other.chunkUsed),
      marks(other.marks),
      beforeRuns(other.beforeRuns),
      count(other.count),
      last(other.last),
      origins(other.origins),
      written(other.written),
      writtenKeys(other.writtenKeys),
      writtenIndex(other.writtenIndex),
      terms(other.terms) {
    // Every chunk but the last is full and never written again: the copy shares them. The last
    // one is copied, since both lists go on appending to their own.
    chunks.reserve(other.chunks.size());
    for (std::size_t c = 0; c + 1 < other.chunks.size(); ++c) chunks.push_back(other.chunks[c]);
    if (!other.chunks.empty()) {
        chunks.push_back(std::make_shared_for_overwrite<std::uint8_t[]>(ChunkBytes));
        std::memcpy(chunks.back().get(), other.chunks.back().get(), other.chunkUsed);
    }
}

void FactList::append(const Fact& fact, const FSymbol* args,
                      const std::vector<std::uint8_t>& shape) {
    if (count % Interval == 0) last.reset();
    const bool sameFlags = fact.flags == last.flags;
    std::uint8_t record[MaxRecord];
    std::uint8_t* out = record;
    *out++ = fact.flags;
    std::uint8_t& changed = *out++;
    changed = 0;
    if (fact.before != last.before) {
        changed |= BeforeChanged;
        out = putNumber(out, zigzag(std::int64_t{fact.before} - last.before));
    }
    if (std::int64_t{fact.line} != std::int64_t{last.line} + 1) {
        changed |= LineJumps;
        out = putNumber(out, zigzag(std::int64_t{fact.line} - last.line));
    }
    if (fact.origin != last.origin) {
        changed |= OriginChanged;
        out = putNumber(out, fact.origin);
    }
    if (fact.symbol != last.symbol) {
        changed |= SymbolChanged;
        out = putSymbol(out, fact.symbol, last.symbol);
    }
    if (fact.arity != last.arity) {
        changed |= ArityChanged;
        *out++ = fact.arity;
    }
    // Facts of one shape come in runs: a shape is written when it differs from the one before.
    if ((fact.flags >> FlagBits) == Molecule && shape != last.shape) {
        changed |= ShapeChanged;
        *out++ = static_cast<std::uint8_t>(shape.size());
        out = std::copy(shape.begin(), shape.end(), out);
        last.shape = shape;
    }
    if (last.args.size() < fact.arity) last.args.resize(fact.arity);
    for (std::size_t k = 0; k < fact.arity; ++k) {
        out = putSymbol(out, args[k], last.args[k]);
        last.args[k] = args[k];
    }
    last.symbol = fact.symbol;
    last.before = fact.before;
    last.line = fact.line;
    last.origin = fact.origin;
    last.flags = fact.flags;
    last.arity = fact.arity;

    // The two head bytes fold into one, just before the fields.
    const std::uint8_t* start = record;
    if (sameFlags && changed == 0) {
        record[1] = SameHead;
        start = record + 1;
    }
    const auto size = static_cast<std::size_t>(out - start);
    if (chunkUsed + size > ChunkBytes) {
        if (!chunks.empty() && chunkUsed < ChunkBytes) chunks.back()[chunkUsed] = ChunkEnd;
        // Written before it is read: the chunk is not cleared first.
        chunks.push_back(std::make_shared_for_overwrite<std::uint8_t[]>(ChunkBytes));
        // A list this long goes on growing: the chunk's pages are mapped in one step rather
        // than faulted in one by one as records fill them.
        if (chunks.size() >= MappedFrom)
            largeArrays::mapForWriting(chunks.back().get(), ChunkBytes);
        chunkUsed = 0;
    }
    if (count % Interval == 0)
        marks.push_back(Place{static_cast<std::uint32_t>(chunks.size() - 1),
                              static_cast<std::uint32_t>(chunkUsed)});
    std::memcpy(chunks.back().get() + chunkUsed, start, size);
    chunkUsed += size;
    if (beforeRuns.empty() || beforeRuns.back().before != fact.before)
        beforeRuns.push_back(BeforeRun{static_cast<std::uint32_t>(count), fact.before});
    ++count;
    noteWrites(fact, args, shape);
}

void FactList::enterWrite(std::size_t part, const WriteKey& key, const Write& write) {
    if (part == recent.size()) {
        recent.emplace_back();
        recentWrites.emplace_back();
    }
    recent[part] = key;
    const std::uint64_t hash = hashMix::step(hashMix::word(key.relation), key.host);
    const auto next = static_cast<std::uint32_t>(written.size());
    const auto [entry, isNew] =
        writtenIndex.insert(hash, next, [&](std::uint32_t k) { return writtenKeys[k] == key; });
    if (isNew) {
        written.push_back(write);
        writtenKeys.push_back(key);
    }
    recentWrites[part] = entry;
    ++written[entry].facts;
}

namespace {

// The key of a relation the facts write, as noteWrites enters it.
std::uint64_t writeRelation(FactList::Form form, const FSymbol& symbol, int number) {
    return cellWord(symbol) | std::uint64_t(form) << 48 | std::uint64_t(std::uint8_t(number)) << 56;
}

}  // namespace

std::size_t FactList::factsWriting(const FSymbol& predicate, int arity) const {
    const WriteKey key{writeRelation(Predicate, predicate, arity), cellWord(FSymbol())};
    const std::uint64_t hash = hashMix::step(hashMix::word(key.relation), key.host);
    const std::int64_t at =
        writtenIndex.find(hash, [&](std::uint32_t k) { return writtenKeys[k] == key; });
    return at < 0 ? 0 : written[std::size_t(at)].facts;
}

void FactList::noteWrites(const Fact& fact, const FSymbol* args,
                          const std::vector<std::uint8_t>& shape) {
    std::size_t part = 0;
    auto note = [&](Form form, const FSymbol& symbol, int number, const FSymbol& host) {
        const WriteKey key{writeRelation(form, symbol, number), cellWord(host)};
        // Facts come in runs of one shape and mostly write what the fact before wrote: a part
        // writing what the same part of that fact wrote is counted without hashing.
        if (part >= recent.size() || !(recent[part] == key))
            enterWrite(part, key, Write{form, symbol, number, host, fact.before});
        else
            ++written[recentWrites[part]].facts;
        ++part;
    };
    // The parts as atoms tells them.
    const auto form = static_cast<Form>(fact.flags >> FlagBits);
    switch (form) {
        case Predicate:
            note(Predicate, fact.symbol, fact.arity, FSymbol());
            break;
        case Value:
        case SetValue:
            note(form, fact.symbol, 0, FSymbol());
            break;
        case Member:
            note(Member, args[1], 0, FSymbol());
            break;
        case Subclass:
            note(Subclass, args[1], 0, args[0]);
            break;
        case Molecule:
            forEachMoleculePart(
                shape, args,
                [&](Form part, const FSymbol& cls) {
                    note(part, cls, 0, part == Subclass ? args[0] : FSymbol());
                },
                [&](Form part, const FSymbol& method, int argCount, const FSymbol*, int,
                    const FSymbol*) { note(part, method, argCount, FSymbol()); });
    }
}

std::size_t FactList::before(std::size_t i) const {
    // The last run that begins at fact i or before it.
    const auto run = std::upper_bound(
        beforeRuns.begin(), beforeRuns.end(), i,
        [](std::size_t fact, const BeforeRun& r) { return fact < std::size_t(r.first); });
    return std::prev(run)->before;
}

const FactList::Fact& FactList::decode(std::size_t i) const {
    // Within the same run of Interval facts and ahead of the cursor, decoding goes on from it.
    std::size_t next = cursorIndex + 1;
    if (cursorIndex == None || i < next || i / Interval != cursorIndex / Interval) {
        next = i / Interval * Interval;
        cursorNext = marks[i / Interval];
        cursor.reset();
    }
    for (; next <= i; ++next) {
        // A record that did not fit the rest of its chunk begins the next one.
        if (cursorNext.offset == ChunkBytes ||
            chunks[cursorNext.chunk][cursorNext.offset] == ChunkEnd)
            cursorNext = Place{cursorNext.chunk + 1, 0};
        const std::uint8_t* in = chunks[cursorNext.chunk].get() + cursorNext.offset;
        const std::uint8_t* start = in;
        std::uint8_t changed = 0;
        if (*in == SameHead) {
            ++in;
        } else {
            cursor.flags = *in++;
            changed = *in++;
        }
        if ((changed & BeforeChanged) != 0)
            cursor.before = static_cast<std::uint32_t>(cursor.before + unzigzag(getNumber(in)));
        cursor.line = (changed & LineJumps) != 0
                          ? static_cast<std::int32_t>(cursor.line + unzigzag(getNumber(in)))
                          : cursor.line + 1;
        if ((changed & OriginChanged) != 0)
            cursor.origin = static_cast<std::uint16_t>(getNumber(in));
        if ((changed & SymbolChanged) != 0) cursor.symbol = getSymbol(in, cursor.symbol);
        if ((changed & ArityChanged) != 0) cursor.arity = *in++;
        if ((changed & ShapeChanged) != 0) {
            const std::size_t length = *in++;
            cursor.shape.assign(in, in + length);
            in += length;
        }
        if (cursor.args.size() < cursor.arity) cursor.args.resize(cursor.arity);
        for (std::size_t k = 0; k < cursor.arity; ++k)
            cursor.args[k] = getSymbol(in, cursor.args[k]);
        cursorNext.offset += static_cast<std::uint32_t>(in - start);
    }
    cursorIndex = i;
    return cursor;
}

namespace {

bool isNumber(const FSymbol& symbol) {
    return symbol.getType() == InternalName::Integer || symbol.getType() == InternalName::Float;
}

}  // namespace

std::size_t FactList::numberRows(std::size_t i, std::size_t limit,
                                 std::vector<InternalName>& cells) const {
    cells.clear();
    if (i >= count || limit == 0) return 0;
    // The loop checks the form and the values of every fact, the first one included; what only
    // the first fact decides for the whole run is checked here.
    const Fact& first = at(i);
    if (first.arity == 0 || first.symbol.getType() != InternalName::Predicate) return 0;
    const FSymbol symbol = first.symbol;
    const std::size_t arity = first.arity;
    const std::size_t end = std::min(count, i + limit);
    // The cells grow with the run rather than being sized for the limit first: a fact of names
    // ends the run at once, and is asked about for every such fact.
    std::size_t taken = 0;
    for (std::size_t j = i; j < end; ++j) {
        // A record of one head byte behind the fact decoded last, most of a run, is the fact
        // before with the next line and other arguments: of the run's predicate, and of
        // numbers where the fact before had numbers and no argument's kind changed. Such
        // records are read in one stretch up to the next fact written on its own (every
        // Interval-th) or the chunk's end, their cells written in place.
        if (taken > 0 && cursorIndex + 1 == j && j % Interval != 0) {
            const std::size_t stop = std::min(end, (j / Interval + 1) * Interval);
            const std::uint8_t* const chunk = chunks[cursorNext.chunk].get();
            std::uint32_t offset = cursorNext.offset;
            std::size_t filled = cells.size();
            cells.resize(filled + (stop - j) * arity);
            InternalName* out = cells.data() + filled;
            for (; j < stop && offset < ChunkBytes && chunk[offset] == SameHead; ++j) {
                const std::uint8_t* in = chunk + offset + 1;
                bool plain = true;
                for (std::size_t k = 0; k < arity; ++k) {
                    // A step without the mark of a changed kind keeps the argument's kind.
                    const std::uint64_t code = *in < 0x80 ? *in++ : getNumber(in);
                    if ((code & 1) != 0) {
                        plain = false;
                        break;
                    }
                    FSymbol& arg = cursor.args[k];
                    arg = FSymbol(InternalName(
                        static_cast<std::int32_t>(arg.getValue() + unzigzag(code >> 1)),
                        arg.getType(), arg.getArity()));
                    out[k] = arg.stored();
                }
                if (!plain) {
                    // A kind that changes is read by the general decoding below, from the
                    // record's start: the arguments decoded so far are the cursor's no more.
                    cursorIndex = None;
                    break;
                }
                out += arity;
                ++cursor.line;
                offset = static_cast<std::uint32_t>(in - chunk);
                cursorIndex = j;
                ++taken;
            }
            cursorNext.offset = offset;
            cells.resize(static_cast<std::size_t>(out - cells.data()));
            if (j >= end) break;
        }
        const Fact& fact = at(j);
        if (static_cast<Form>(fact.flags >> FlagBits) != Predicate || fact.symbol != symbol ||
            fact.arity != arity)
            break;
        bool numbers = true;
        for (std::size_t k = 0; k < arity && numbers; ++k) numbers = isNumber(fact.args[k]);
        if (!numbers) break;
        for (std::size_t k = 0; k < arity; ++k) cells.push_back(fact.args[k].stored());
        ++taken;
    }
    return taken;
}

bool FactList::add(const FRule& rule, std::size_t before) {
    // The clause is looked at once: its form is found while its symbols are gathered.
    if (rule.getBody() != nullptr || rule.ruleKind() != FRule::Fact || rule.getFlag() > FlagMask ||
        rule.getHead()->length() != 1)
        return false;
    const FTerm* atom = onlyAtom(rule);
    if (atom == nullptr) return false;
    Fact& fact = pending;
    fact.args.clear();
    Form form = Predicate;
    if (atom->isClass(ParseTreeClass::PTerm)) {
        const auto* predicate = static_cast<const PTerm*>(atom);
        if (!plainPredicate(*predicate)) return false;
        fact.symbol = predicate->getName();
        if (const clib_list<FTerm*>* list = predicate->getArgs())
            for (const FTerm* arg : *list) fact.args.push_back(termSymbol(arg));
    } else if (typeid(*atom) != typeid(FMolecule)) {
        // The other dialect's molecules share the class text of F-Logic's, not their print form.
        return false;
    } else if (!plainMolecule(*static_cast<const FMolecule*>(atom))) {
        form = Molecule;
        fact.symbol = FSymbol();
        fact.shape.clear();
        moleculeTerms.clear();
        if (!groundMolecule(*static_cast<const FMolecule*>(atom), &moleculeTerms, &fact.shape))
            return false;
        for (const FTerm* term : moleculeTerms) fact.args.push_back(termSymbol(term));
    } else {
        const auto* molecule = static_cast<const FMolecule*>(atom);
        fact.symbol = FSymbol();
        fact.args.push_back(termSymbol(molecule->getHost()));
        if (molecule->getClassTerm() != nullptr) {
            form = molecule->getIsaKind() == 2 ? Subclass : Member;
            fact.args.push_back(nameOf(molecule->getClassTerm()));
        } else {
            const Spec* spec = onlySpec(*molecule);
            fact.symbol = nameOf(spec->getMethod());
            if (spec->getKind() == 1) {
                form = SetValue;
                fact.args.push_back(termSymbol(onlyResult(*static_cast<const MSpec*>(spec))));
            } else {
                form = Value;
                fact.args.push_back(termSymbol(static_cast<const SSpec*>(spec)->getResult()));
            }
        }
    }
    return addPending(form, fact.args.data(), fact.args.size(), fact.shape, rule.labelText(),
                      rule.getLine(), rule.getFlag(), before);
}

bool FactList::addPending(Form form, const FSymbol* args, std::size_t arity,
                          const std::vector<std::uint8_t>& shape, const std::string& origin,
                          int line, int flag, std::size_t before) {
    Fact& fact = pending;
    std::uint16_t index = 0;
    if (before > std::numeric_limits<std::uint32_t>::max() || !originIndex(origin, index))
        return false;
    fact.before = static_cast<std::uint32_t>(before);
    fact.line = line;
    fact.origin = index;
    fact.flags = static_cast<std::uint8_t>(form << FlagBits | flag);
    fact.arity = static_cast<std::uint8_t>(arity);
    append(fact, args, shape);
    return true;
}

bool FactList::fits(std::size_t symbols, const std::vector<std::uint8_t>& shape) {
    return symbols <= MaxSymbols && shape.size() <= MaxShape;
}

bool FactList::add(const Ground& ground, std::size_t before) {
    pending.symbol = ground.symbol;
    const FSymbol* args = takeTerms(ground.terms, ground.args.data(), ground.args.size());
    if (!addPending(ground.form, args, ground.args.size(), ground.shape, ground.origin, ground.line,
                    0, before))
        return false;
    if (!ground.runLines.empty()) appendIntegerRun(ground);
    return true;
}

void FactList::appendIntegerRun(const Ground& ground) {
    // Each fact is the one before with the next line and other integers: outside the first
    // fact of every Interval, a line jump or the end of a chunk, its record is the one head
    // byte and its arguments, written here without the general comparisons. The relation it
    // writes is the one the fact before wrote.
    const std::size_t arity = ground.args.size();
    const std::size_t room = 1 + arity * 7;
    const std::size_t total = ground.runLines.size();
    const std::int32_t* values = ground.runValues.data();
    std::size_t counted = 0;
    runArgs.resize(arity);
    for (std::size_t k = 0; k < total; ++k, values += arity) {
        const std::int32_t line = ground.runLines[k];
        if (count % Interval == 0 || std::int64_t{line} != std::int64_t{last.line} + 1 ||
            chunkUsed + room > ChunkBytes) {
            for (std::size_t a = 0; a < arity; ++a)
                runArgs[a] = InternalName(values[a], InternalName::Integer, -1);
            pending.line = line;
            append(pending, runArgs.data(), ground.shape);
            continue;
        }
        std::uint8_t* const start = chunks.back().get() + chunkUsed;
        std::uint8_t* out = start;
        *out++ = SameHead;
        for (std::size_t a = 0; a < arity; ++a) {
            const FSymbol symbol(InternalName(values[a], InternalName::Integer, -1));
            FSymbol& before = last.args[a];
            if (before.getType() != symbol.getType() || before.getArity() != symbol.getArity()) {
                out = putSymbol(out, symbol, before);
            } else {
                // putSymbol's step of an integer after an integer, its small steps in one byte.
                const std::uint64_t code = zigzag(std::int64_t{values[a]} - before.getValue()) << 1;
                if (code < 0x80)
                    *out++ = static_cast<std::uint8_t>(code);
                else
                    out = putNumber(out, code);
            }
            before = symbol;
        }
        last.line = line;
        chunkUsed += static_cast<std::size_t>(out - start);
        ++count;
        ++counted;
    }
    written[recentWrites[0]].facts += counted;
}

FactList::Ground FactList::Ground::single(std::size_t k) const {
    Ground one;
    one.form = form;
    one.symbol = symbol;
    one.shape = shape;
    one.origin = origin;
    one.terms = terms;
    if (k == 0) {
        one.args = args;
        one.line = line;
        return one;
    }
    const std::int32_t* values = runValues.data() + (k - 1) * args.size();
    for (std::size_t a = 0; a < args.size(); ++a)
        one.args.emplace_back(InternalName(values[a], InternalName::Integer, -1));
    one.line = runLines[k - 1];
    return one;
}

GroundTermTable& FactList::termsToFill() {
    if (terms == nullptr) terms = std::make_shared<GroundTermTable>();
    return *terms;
}

FSymbol FactList::termSymbol(const FTerm* term) {
    const auto* function = static_cast<const FunctionTerm*>(term);
    const clib_list<FTerm*>* inner = function->getArgs();
    if (inner == nullptr || inner->empty()) return function->getName();
    // The arguments' symbols wait in `taken` while the term is made; a nested term adds its
    // own behind them.
    const std::size_t from = taken.size();
    for (const FTerm* arg : *inner) {
        const FSymbol symbol = termSymbol(arg);
        taken.push_back(symbol);
    }
    const FSymbol made =
        termsToFill().intern(function->getName(), taken.data() + from, taken.size() - from);
    taken.resize(from);
    return made;
}

const FSymbol* FactList::takeTerms(const std::shared_ptr<GroundTermTable>& from,
                                   const FSymbol* args, std::size_t count) {
    if (from == nullptr || from == terms) return args;
    if (terms == nullptr) {
        terms = from;
        return args;
    }
    // Another table's terms, entered into this one: facts read by another parser.
    taken.assign(args, args + count);
    for (FSymbol& symbol : taken) symbol = terms->take(*from, symbol);
    return taken.data();
}

FRule* FactList::clause(const Ground& ground) {
    FactList one;
    one.add(ground, 0);
    return one.clause(0);
}

void FactList::addFrom(const FactList& other, std::size_t i, std::size_t before,
                       const std::string& origin, int line, int flag) {
    std::uint16_t index = 0;
    if (!originIndex(origin, index)) index = 0;
    // The pending fact's argument places are reused, as add does.
    Fact& fact = pending;
    fact = other.at(i);
    fact.before = static_cast<std::uint32_t>(before);
    fact.line = line;
    fact.origin = index;
    fact.flags = static_cast<std::uint8_t>((fact.flags & ~FlagMask) | (flag & FlagMask));
    append(fact, takeTerms(other.terms, fact.args.data(), fact.arity), fact.shape);
}

FunctionTerm* FactList::newTerm(const FSymbol& symbol) const {
    return newGroundTerm(terms.get(), symbol);
}

FTerm* FactList::predicateAtom(std::size_t i) const {
    const Fact& fact = at(i);
    clib_list<FTerm*>* args = nullptr;
    if (fact.arity > 0) {
        args = new clib_list<FTerm*>;
        for (std::size_t k = 0; k < fact.arity; ++k) args->append(newTerm(fact.args[k]));
    }
    auto* atom = new PTerm(fact.symbol, 0, 0, args);
    // The term took its own references on the arguments.
    nodelists::dropReferences(args);
    return atom;
}

FTerm* FactList::moleculeAtom(std::size_t i) const {
    const auto host = Ref<FunctionTerm>::adopt(newTerm(this->host(i)));
    FMolecule* molecule = nullptr;
    if (form(i) == Member || form(i) == Subclass) {
        const auto cls = Ref<FunctionTerm>::adopt(newTerm(classOf(i)));
        // The molecule takes its own references on host and class.
        molecule = new FMolecule(host.get(), cls.get(), nullptr, isaKind(i));
    } else {
        const auto method = Ref<FTerm>::adopt(newTerm(this->method(i)));
        const auto result = Ref<FTerm>::adopt(newTerm(this->result(i)));
        Ref<Spec> spec;
        if (form(i) == SetValue) {
            clib_list<FTerm*> results;
            results.append(result.get());
            spec = Ref<MSpec>::make(method.get(), 0, nullptr, 1, &results);
        } else {
            spec = Ref<SSpec>::make(method.get(), 0, nullptr, 0, result.get());
        }
        clib_list<Spec*> specs;
        specs.append(spec.get());
        molecule = new FMolecule(host.get(), nullptr, &specs, 0);
    }
    return molecule;
}

void FactList::atoms(std::size_t i, std::vector<Atom>& out) const {
    out.clear();
    const Fact& fact = at(i);
    const Form kind = form(i);
    if (kind == Predicate) return;
    // Each atom is filled where it stays: one made aside and copied in was written a field at a
    // time and read back whole, which stalled the copy on every fact.
    if (kind != Molecule) {
        Atom& atom = out.emplace_back();
        atom.form = kind;
        atom.host = fact.args[0];
        if (kind == Member || kind == Subclass) {
            atom.cls = fact.args[1];
        } else {
            atom.method = fact.symbol;
            atom.resultCount = 1;
            atom.results = &fact.args[1];
        }
        return;
    }
    forEachMoleculePart(
        fact.shape, fact.args.data(),
        [&](Form part, const FSymbol& cls) {
            Atom& member = out.emplace_back();
            member.form = part;
            member.host = fact.args[0];
            member.cls = cls;
        },
        [&](Form part, const FSymbol& method, int argCount, const FSymbol* args, int resultCount,
            const FSymbol* results) {
            Atom& atom = out.emplace_back();
            atom.form = part;
            atom.host = fact.args[0];
            atom.method = method;
            atom.argCount = argCount;
            atom.args = args;
            atom.resultCount = resultCount;
            atom.results = results;
        });
}

namespace {

// A new list of the terms, one reference each held by the list, or null for none.
clib_list<FTerm*>* newTerms(const GroundTermTable* table, const FSymbol* symbols,
                            std::size_t count) {
    if (count == 0) return nullptr;
    auto* list = new clib_list<FTerm*>;
    for (std::size_t k = 0; k < count; ++k) list->append(newGroundTerm(table, symbols[k]));
    return list;
}

void release(clib_list<FTerm*>* list) {
    nodelists::release(list);
}

// A new molecule of the host with an optional class relation and the specifications; the
// caller receives its reference.
FMolecule* newMolecule(const GroundTermTable* table, const FSymbol& hostName,
                       const FSymbol* className, int isaKind, const clib_list<Spec*>* specs) {
    const auto host = Ref<FunctionTerm>::adopt(newGroundTerm(table, hostName));
    const auto cls =
        Ref<FunctionTerm>::adopt(className != nullptr ? newGroundTerm(table, *className) : nullptr);
    // The molecule takes its own references on host and class.
    return new FMolecule(host.get(), cls.get(), specs, isaKind);
}

// A new specification of the method for the arguments with the results: "->" of the one
// result, or "->>" of all of them.
Spec* newSpec(const GroundTermTable* table, const FSymbol& methodName, int kind,
              const FSymbol* args, std::size_t argCount, const FSymbol* results,
              std::size_t resultCount) {
    const auto method = Ref<FTerm>::adopt(newGroundTerm(table, methodName));
    clib_list<FTerm*>* argList = newTerms(table, args, argCount);
    Spec* spec = nullptr;
    if (kind == 1) {
        clib_list<FTerm*>* resultList = newTerms(table, results, resultCount);
        spec = new MSpec(method.get(), 0, argList, 1, resultList);
        release(resultList);
    } else {
        const auto result = Ref<FTerm>::adopt(newGroundTerm(table, results[0]));
        spec = new SSpec(method.get(), 0, argList, 0, result.get());
    }
    release(argList);
    return spec;
}

}  // namespace

FTerm* FactList::writtenMolecule(std::size_t i) const {
    std::vector<Atom> parts;
    atoms(i, parts);
    const FSymbol* cls = nullptr;
    int isaKind = 0;
    clib_list<Spec*> specs;
    for (const Atom& part : parts) {
        if (part.form == Member || part.form == Subclass) {
            cls = &part.cls;
            isaKind = part.form == Subclass ? 2 : 1;
            continue;
        }
        specs.append(newSpec(terms.get(), part.method, part.form == SetValue ? 1 : 0, part.args,
                             std::size_t(part.argCount), part.results,
                             std::size_t(part.resultCount)));
    }
    FMolecule* molecule = newMolecule(terms.get(), parts.front().host, cls, isaKind,
                                      specs.empty() ? nullptr : &specs);
    nodelists::dropReferences(&specs);
    return molecule;
}

FRule* FactList::clause(std::size_t i) const {
    const auto atom = Ref<FTerm>::adopt(!isMolecule(i)        ? predicateAtom(i)
                                        : form(i) == Molecule ? writtenMolecule(i)
                                                              : moleculeAtom(i));
    const auto head = Ref<FTermList>::make(atom.get());
    return new FRule(head.get(), nullptr, nullptr, origin(i), line(i), flag(i));
}
