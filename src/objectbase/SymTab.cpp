// SymTab and SymTabEntry: entering, naming and printing symbols, and the built-in symbols.
#include "objectbase/SymTab.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"

// The entry stays 16 bytes: see the class comment.
static_assert(sizeof(SymTabEntry) == 16);

SymTabEntry::SymTabEntry(std::string_view name, std::int32_t kind, std::int32_t arity) {
    assign(name, kind, arity);
}

SymTabEntry::SymTabEntry(const SymTabEntry& other) {
    assign(other.getName(), other.getKind(), other.getArity());
}

SymTabEntry::SymTabEntry(SymTabEntry&& other) noexcept {
    take(other);
}

SymTabEntry& SymTabEntry::operator=(const SymTabEntry& other) {
    if (this == &other) return *this;
    release();
    assign(other.getName(), other.getKind(), other.getArity());
    return *this;
}

SymTabEntry& SymTabEntry::operator=(SymTabEntry&& other) noexcept {
    if (this == &other) return *this;
    release();
    take(other);
    return *this;
}

void SymTabEntry::take(SymTabEntry& other) {
    std::memcpy(text, other.text, Inline);
    shortArity = other.shortArity;
    shortKind = other.shortKind;
    length = other.length;
    other.length = 0;  // the allocation, if any, is this entry's now
}

char* SymTabEntry::block() const {
    char* held = nullptr;
    std::memcpy(&held, text, sizeof held);
    return held;
}

SymTabEntry::Key SymTabEntry::outside() const {
    Key key;
    std::memcpy(&key, block(), sizeof key);
    return key;
}

std::string_view SymTabEntry::getName() const {
    if (isInline()) return {text, length};
    const char* held = block();
    return {held + sizeof(Key), outside().length};
}

void SymTabEntry::assign(std::string_view name, std::int32_t kind, std::int32_t arity) {
    if (name.size() <= Inline && kind >= 0 && kind <= 0xff &&
        arity >= std::numeric_limits<std::int16_t>::min() &&
        arity <= std::numeric_limits<std::int16_t>::max()) {
        std::memcpy(text, name.data(), name.size());
        length = static_cast<std::uint8_t>(name.size());
        shortKind = static_cast<std::uint8_t>(kind);
        shortArity = static_cast<std::int16_t>(arity);
        return;
    }
    char* held = new char[sizeof(Key) + name.size()];
    const Key key{name.size(), kind, arity};
    std::memcpy(held, &key, sizeof key);
    std::memcpy(held + sizeof key, name.data(), name.size());
    std::memcpy(text, &held, sizeof held);
    length = Outside;
}

void SymTabEntry::release() {
    if (!isInline()) delete[] block();
    length = 0;
}

int SymTabEntry::compare(const SymTabEntry& other) const {
    const std::int32_t kind = getKind();
    const std::int32_t otherKind = other.getKind();
    if (kind != otherKind) return kind < otherKind ? -1 : 1;
    const std::int32_t arity = getArity();
    const std::int32_t otherArity = other.getArity();
    if (arity != otherArity) return arity < otherArity ? -1 : 1;
    const int byName = getName().compare(other.getName());
    return byName < 0 ? -1 : (byName > 0 ? 1 : 0);
}

std::ostream& SymTabEntry::print(std::ostream& out) const {
    return out << getName() << ' ' << InternalName::typePrefix(getKind()) << ' ' << getArity();
}

std::ostream& operator<<(std::ostream& out, const SymTabEntry& entry) {
    return entry.print(out);
}

SymTab::SymTab() = default;

SymTab::SymTab(const SymTab& other) : FLSysObject(other) {
    copyFrom(other);
}

SymTab& SymTab::operator=(const SymTab& other) {
    copyFrom(other);
    return *this;
}

std::int32_t SymTab::readInteger(const std::string& text) {
    constexpr std::int64_t Max = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t Min = std::numeric_limits<std::int32_t>::min();
    std::size_t pos = 0;
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) negative = text[pos++] == '-';
    std::int64_t magnitude = 0;
    bool outOfRange = false;
    for (; pos < text.size() && std::isdigit(static_cast<unsigned char>(text[pos])); ++pos) {
        // Once beyond the range the remaining digits only matter for where the text ends.
        if (!outOfRange) magnitude = magnitude * 10 + (text[pos] - '0');
        if (magnitude > Max + 1) outOfRange = true;
    }
    std::int64_t result = negative ? -magnitude : magnitude;
    if (outOfRange || result > Max || result < Min) {
        centralErrorHandler().report(err10::IntegerOutOfRange);
        return negative ? static_cast<std::int32_t>(Min) : static_cast<std::int32_t>(Max);
    }
    return static_cast<std::int32_t>(result);
}

float SymTab::readFloat(const std::string& text) {
    return roundToFloat(std::strtod(text.c_str(), nullptr));
}

FSymbol SymTab::GetFSymbol(const std::string& name, int kind, int arity) {
    if (arity < 0) centralErrorHandler().report(err10::NegativeArity);
    if ((kind == InternalName::String || kind == InternalName::Integer ||
         kind == InternalName::Variable) &&
        arity != 0) {
        centralErrorHandler().report(err10::ArityNotZero);
        arity = 0;
    }
    if (kind == InternalName::Integer) return FSymbol(readInteger(name), InternalName::Integer, -1);
    if (kind == InternalName::Float) {
        const std::string number = !name.empty() && name[0] == '#' ? name.substr(1) : name;
        return FSymbol(std::bit_cast<std::int32_t>(readFloat(number)), InternalName::Float, -1);
    }
    if (!name.empty() && name[0] == '_') {
        if (name.size() == 1) return newSymbol(InternalName::DontCare, 0);
        kind = InternalName::DontCare;
    }
    return FSymbol(enter(name, kind, arity));
}

std::size_t SymTab::slotOf(std::string_view name, int kind, int arity, std::uint64_t hash) const {
    const std::uint32_t tag = tagOf(hash);
    const std::uint32_t tagMask = (std::uint32_t{1} << tagBits) - 1;
    return index.probe(hash, [&](IndexSlot slot) {
        if ((slot.bits & tagMask) != tag) return false;
        const SymTabEntry& entry = byId[(slot.bits >> tagBits) - 1];
        return entry.getKind() == kind && entry.getArity() == arity && entry.getName() == name;
    });
}

void SymTab::rebuildIndex(std::size_t room) {
    index.release();
    index.reserve(byId.size() + room, [](IndexSlot) { return std::uint64_t(0); });
    // Ids stay below the number of slots until the next rebuild (the index is never full).
    const auto idBits = static_cast<std::uint32_t>(std::countr_zero(index.capacity()));
    tagBits = idBits >= 32 ? 0 : std::min(MaxTagBits, 32 - idBits);
    // The slots of the next few entries are loaded while an entry is placed: the index is
    // larger than the caches, and each placement would otherwise wait for its slot.
    constexpr std::size_t Ahead = 16;
    std::uint64_t hashes[Ahead];
    const std::size_t count = byId.size();
    // The entries are hashed in order, Ahead of their placement.
    auto ahead = byId.cbegin();
    auto hashNext = [&ahead] {
        const SymTabEntry& entry = *ahead++;
        return hashKey(entry.getName(), entry.getKind(), entry.getArity());
    };
    for (std::size_t i = 0; i < count && i < Ahead; ++i) {
        hashes[i] = hashNext();
        index.prefetch(hashes[i]);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint64_t hash = hashes[i % Ahead];
        if (i + Ahead < count) {
            hashes[i % Ahead] = hashNext();
            index.prefetch(hashes[i % Ahead]);
        }
        index.add(hash, IndexSlot{static_cast<std::uint32_t>(i + 1) << tagBits | tagOf(hash)});
    }
}

InternalName SymTab::enter(std::string_view name, int kind, int arity, std::uint64_t hash) {
    if (indexFull()) rebuildIndex();
    const std::size_t at = slotOf(name, kind, arity, hash);
    std::int32_t id = 0;
    if (!index[at].isFree()) {
        id = static_cast<std::int32_t>(index[at].bits >> tagBits);
    } else {
        id = nextId();
        byId.emplace_back(name, kind, arity);
        index.fill(at, IndexSlot{static_cast<std::uint32_t>(id) << tagBits | tagOf(hash)});
    }
    // A kind that names no symbol is reported as an FSymbol reports it.
    if (static_cast<std::uint8_t>(kind) > InternalName::BuiltinPredicate)
        return FSymbol(id, static_cast<std::uint8_t>(kind), static_cast<std::int8_t>(arity));
    return InternalName(id, static_cast<std::uint8_t>(kind), static_cast<std::int8_t>(arity));
}

FSymbol SymTab::createNewSymbol(const std::string& base, int kind, int arity) {
    if (base.empty() && kind == InternalName::Function && arity >= 0 && arity < 10)
        return freshFunction(arity);
    // An import makes a fresh name for every element: the text is built in one buffer, the
    // number written behind the prefix in place.
    std::string name;
    if (!base.empty()) {
        name += base;
        name += '_';
    }
    switch (kind) {
        case InternalName::Predicate:
            name += 'p';
            name += std::to_string(arity);
            name += '_';
            break;
        case InternalName::Variable:
            name += 'X';
            break;
        case InternalName::DontCare:
            name += "_#";
            break;
        default:
            if (kind != InternalName::Function)
                centralErrorHandler().report(err10::WrongSymbolType);
            kind = InternalName::Function;
            name += 'f';
            name += std::to_string(arity);
            name += '_';
            break;
    }
    const std::size_t prefix = name.size();
    char digits[24];
    for (std::int64_t n = nextId();; ++n) {
        const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, n);
        name.resize(prefix);
        name.append(digits, written.ptr);
        const std::size_t before = byId.size();
        FSymbol symbol = GetFSymbol(name, kind, arity);
        if (byId.size() != before) {
            // Fresh names come in runs (one for each element of a document), and the next one
            // mostly takes the next number: its index slot is loaded while the caller works
            // with this one, instead of a cache miss of a large index at the next call.
            const std::to_chars_result next = std::to_chars(digits, digits + sizeof digits, n + 1);
            name.resize(prefix);
            name.append(digits, next.ptr);
            prefetch(hashKey(name, kind, arity));
            return symbol;
        }
    }
}

FSymbol SymTab::freshFunction(int arity) {
    // An import makes a fresh name for every element, a million for a large document: the text
    // ("f0_" and the number) is written in place and hashed once, and none of GetFSymbol's
    // rules concerns it.
    constexpr std::size_t prefix = 3;
    auto write = [arity](PreparedName& name, std::int64_t number) {
        name.text[0] = 'f';
        name.text[1] = static_cast<char>('0' + arity);
        name.text[2] = '_';
        const std::to_chars_result written =
            std::to_chars(name.text + prefix, name.text + sizeof name.text, number);
        name.length = static_cast<std::size_t>(written.ptr - name.text);
        name.number = number;
        name.arity = arity;
        name.hash =
            hashKey(std::string_view(name.text, name.length), InternalName::Function, arity);
    };
    for (std::int64_t n = nextId();; ++n) {
        if (prepared.number != n || prepared.arity != arity) write(prepared, n);
        const std::size_t before = byId.size();
        const InternalName symbol = enter(std::string_view(prepared.text, prepared.length),
                                          InternalName::Function, arity, prepared.hash);
        if (byId.size() != before) {
            // Fresh names come in runs, and the next one mostly takes the next number: its index
            // slot is loaded while the caller works with this one, instead of a cache miss of a
            // large index at the next call.
            write(prepared, n + 1);
            prefetch(prepared.hash);
            return FSymbol(symbol);
        }
    }
}

FSymbol SymTab::newSymbol(int kind, int arity) {
    return createNewSymbol("", kind, arity);
}

const SymTabEntry* SymTab::find(const InternalName& symbol) const {
    const std::int32_t id = symbol.getValue();
    if (id < 1 || static_cast<std::size_t>(id) > byId.size()) return nullptr;
    const SymTabEntry& entry = byId[static_cast<std::size_t>(id) - 1];
    // The identifier names this entry only with the entry's own kind and arity.
    if (FSymbol(id, entry.getKind(), entry.getArity()) != FSymbol(symbol)) return nullptr;
    return &entry;
}

std::string SymTab::GetName(const InternalName& symbol) {
    const int kind = symbol.getType();
    if (kind == InternalName::Integer || kind == InternalName::Float) return giveName(symbol);
    // Asking for the name of an identifier that is no symbol at all (an object, a set name).
    if (kind > InternalName::BuiltinPredicate) centralErrorHandler().report(err10::NoSymbolType);
    const SymTabEntry* entry = find(symbol);
    if (entry == nullptr) {
        centralErrorHandler().report(err10::SymbolNotFound);
        return "NULL";
    }
    return std::string(entry->getName());
}

std::string SymTab::giveName(const InternalName& symbol) const {
    switch (symbol.getType()) {
        case InternalName::Integer:
            return std::to_string(symbol.getValue());
        case InternalName::Float:
            return "#" + floatToText(symbol.asFloat());
        default: {
            const SymTabEntry* entry = find(symbol);
            return entry == nullptr ? "NULL" : std::string(entry->getName());
        }
    }
}

bool SymTab::isAnonymous(const InternalName& symbol) const {
    const std::string text = giveName(symbol);
    return !text.empty() && text[0] == '_';
}

void SymTab::print(std::ostream& out) const {
    std::vector<std::int32_t> ids(byId.size());
    for (std::size_t i = 0; i < ids.size(); ++i) ids[i] = static_cast<std::int32_t>(i + 1);
    std::sort(ids.begin(), ids.end(),
              [this](std::int32_t a, std::int32_t b) { return byId[a - 1] < byId[b - 1]; });
    for (std::int32_t id : ids) out << id << " : " << byId[id - 1] << '\n';
    out << "NextEntry : " << nextId() << '\n';
}

void SymTab::reset() {
    byId.clear();
    index.release();
    tagBits = 0;
    initBuiltinSymbols();
}

void SymTab::initBuiltinSymbols() {
    const builtinSymbol::Entry* table = builtinSymbol::entries();
    for (int i = 0; i < builtinSymbol::Count; ++i)
        enter(table[i].name, table[i].kind, table[i].arity);
}

void SymTab::copyFrom(const SymTab& other) {
    if (&other == this) return;
    byId = other.byId;
    index = other.index;
    tagBits = other.tagBits;
}

const SymTabEntry* SymTab::entryOf(std::int32_t id) const {
    if (id < 1 || static_cast<std::size_t>(id) > byId.size()) return nullptr;
    return &byId[static_cast<std::size_t>(id) - 1];
}

const SymTabEntry* SymTab::lookup(const std::string& name, int kind, int arity) const {
    if (index.empty()) return nullptr;
    const IndexSlot slot = index[slotOf(name, kind, arity, hashKey(name, kind, arity))];
    return slot.isFree() ? nullptr : &byId[(slot.bits >> tagBits) - 1];
}

bool SymTab::isA(const std::string& className) const {
    return className == "SymTab" || FLSysObject::isA(className);
}
